#!/usr/bin/env bash
# Shows that the drawing paths agree: captures the whole script as frame hashes on the plain
# reference paths, on the fast paths with one thread and on the fast paths with two threads, and
# compares the three lists line by line. Exits 1 at the first frame that differs.
# Usage: scripts/same_frames.sh [BUILD_DIR [FPS]]   (defaults: build/ and 60)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
fps="${2:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cd "$build"
for run in "plain --plain" "one --threads 1" "two --threads 2"; do
    name="${run%% *}"
    start=$(date +%s.%N)
    # shellcheck disable=SC2086
    ./quorvelle-capture --fps "$fps" --format hash --out - ${run#* } > "$work/$name.txt"
    end=$(date +%s.%N)
    printf '%-6s %6d frames in %6.1f s\n' "$name" "$(wc -l < "$work/$name.txt")" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
done
for name in one two; do
    if ! cmp -s "$work/plain.txt" "$work/$name.txt"; then
        echo "the $name-thread fast paths differ from the plain paths:"
        diff "$work/plain.txt" "$work/$name.txt" | head -5
        exit 1
    fi
done
echo "all $(wc -l < "$work/plain.txt") frames at $fps fps are the same on the plain paths and on the fast paths with 1 and 2 threads"
