#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the full suite (unit tests, golden
# frame hashes, the capture tool and the real demo under Xvfb), then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a bounded fuzzing run of the mesh loader.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
bash scripts/bootstrap.sh

echo "== build and test (RelWithDebInfo)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 900)

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVELLE_SANITIZE=ON -DQUORVELLE_ASSETS=OFF \
      -DQUORVELLE_E2E=OFF >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 900)

if [ -f scripts/fuzz.sh ]; then
  echo "== fuzzing the mesh loader"
  bash scripts/fuzz.sh build-fuzz "${FUZZ_SECONDS:-60}"
fi
