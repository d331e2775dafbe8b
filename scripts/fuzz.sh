#!/usr/bin/env bash
# Builds the ASE reader's libFuzzer target with clang++ and runs it for a bounded time.
# Usage: scripts/fuzz.sh [BUILD_DIR [SECONDS]]   (defaults: build-fuzz under the source tree, 60 s;
# FUZZ_SECONDS in the environment also sets the time). The seed corpus is tests/fuzz/corpus plus the
# generated octopus from $QUORVELLE_BUILD_DIR/data/octopus.ase (default build/) when it exists.
# Exits non-zero when the fuzzer finds a crash, a leak, undefined behaviour or a timeout.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build-fuzz}"
seconds="${2:-${FUZZ_SECONDS:-60}}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

clang++ -std=c++17 -O1 -g -Wall -Wextra -ffp-contract=off \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer \
  -I "$root/src" "$root/src/geom3d/ase_loader.cpp" "$root/src/base/data_file.cpp" \
  "$root/src/base/report.cpp" "$root/tests/fuzz/ase_fuzz.cpp" -o "$out/ase_fuzz"

# The fuzzer adds what it finds to the first corpus directory: keep that one in the build dir.
corpus="$out/ase_corpus"
mkdir -p "$corpus"
for candidate in "$out/data/octopus.ase" "${QUORVELLE_BUILD_DIR:-$root/build}/data/octopus.ase"; do
  if [ -f "$candidate" ]; then
    cp "$candidate" "$corpus/octopus.ase"
    break
  fi
done

cd "$out"
./ase_fuzz "$corpus" "$root/tests/fuzz/corpus" \
  -dict="$root/tests/fuzz/ase.dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/ase-" -print_final_stats=1
