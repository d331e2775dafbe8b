#!/usr/bin/env bash
# Sets up the machine, builds the demo and its data, and runs it full screen with sound.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh demo
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quorvelle quorvelle-capture quorvelle-bench assets
cd build
exec ./quorvelle
