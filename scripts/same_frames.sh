#!/usr/bin/env bash
# Shows that the drawing paths agree: captures the whole script as frame hashes on the plain
# reference paths, on the fast paths with one thread, with two threads, and with two threads kept
# to SSE2 (the fast paths' AVX2 twins set aside), and compares the lists line by line. Exits 1 at
# the first list that differs from the plain one.
# Usage: scripts/same_frames.sh [BUILD_DIR [FPS]]   (defaults: build/ and 60)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
fps="${2:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cd "$build"
runs=("plain:0:--plain" "one:0:--threads 1" "two:0:--threads 2" "sse2:1:--threads 2")
for run in "${runs[@]}"; do
    IFS=: read -r name sse2 args <<< "$run"
    start=$(date +%s.%N)
    # shellcheck disable=SC2086
    if ! QUORVELLE_SSE2=$sse2 ./quorvelle-capture --fps "$fps" --format hash --out - $args \
            > "$work/$name.txt" 2> "$work/$name.log"; then
        cat "$work/$name.log"
        exit 1
    fi
    end=$(date +%s.%N)
    printf '%-6s %6d frames in %6.1f s\n' "$name" "$(wc -l < "$work/$name.txt")" \
        "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
done
for run in "${runs[@]:1}"; do
    name="${run%%:*}"
    if ! cmp -s "$work/plain.txt" "$work/$name.txt"; then
        echo "the fast paths ($name) differ from the plain paths:"
        diff "$work/plain.txt" "$work/$name.txt" | head -5
        exit 1
    fi
done
echo "all $(wc -l < "$work/plain.txt") frames at $fps fps are the same on the plain paths and on the fast" \
     "paths with 1 thread, 2 threads and 2 threads on SSE2 alone"
