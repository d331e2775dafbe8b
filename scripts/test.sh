#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the full suite (unit tests, golden
# frame hashes, the capture tool and the real demo under Xvfb), then the Debian package built,
# installed and removed, then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a bounded fuzzing run of the mesh loader, then
# the Windows programs, cross-built, under Wine against the Linux build, then the web build in
# Chromium against the Linux build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
bash scripts/bootstrap.sh test

echo "== build and test (RelWithDebInfo)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVELLE_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
passed=0
ctest_run() {
  local log
  log=$(mktemp)
  (cd "$1" && ctest --output-on-failure -j"$jobs" --timeout 900) | tee "$log"
  passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")))
  rm -f "$log"
}
ctest_run build

echo "== the Debian package: built from build/ with cpack, checked by lintian, installed, run, purged"
log=$(mktemp)
bash tests/package/run.sh build | tee "$log"
passed=$((passed + $(sed -n 's/^package: \([0-9]*\) passed, 0 failed$/\1/p' "$log")))
rm -f "$log"

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVELLE_SANITIZE=ON -DQUORVELLE_ASSETS=OFF \
      -DQUORVELLE_E2E=OFF >/dev/null
cmake --build build-asan -j"$jobs"
# The start-up tests run the preparations on the real data files, which the first build made.
ln -sfn "$PWD/build/data" build-asan/data
ctest_run build-asan

if [ -f scripts/fuzz.sh ]; then
  echo "== fuzzing the mesh loader"
  # The fuzzer reports every new input; keep its log and show the end (all of it on a finding).
  if ! bash scripts/fuzz.sh build-fuzz "${FUZZ_SECONDS:-60}" > build-fuzz.log 2>&1; then
    cat build-fuzz.log
    exit 1
  fi
  grep -E 'DONE|Done|stat::' build-fuzz.log || tail -n 5 build-fuzz.log
  passed=$((passed + 1))
fi

echo "== Windows programs under Wine (cross-built with mingw-w64, checked against build/)"
bash scripts/build_windows.sh build build-win
log=$(mktemp)
xvfb-run -a -s "-screen 0 1280x1024x24" bash tests/windows/run.sh build build-win | tee "$log"
passed=$((passed + $(sed -n 's/^windows: \([0-9]*\) passed, 0 failed$/\1/p' "$log")))
rm -f "$log"

echo "== the web build in Chromium and Firefox ESR (checked against build/)"
QUORVELLE_NATIVE_BUILD=build bash scripts/build_web.sh
log=$(mktemp)
bash tests/web/run.sh build build-web/site | tee "$log"
passed=$((passed + $(sed -n 's/^web: \([0-9]*\) passed, 0 failed$/\1/p' "$log")))
rm -f "$log"

echo "all: $passed passed, 0 failed"
