#!/usr/bin/env bash
# Builds the demo for web browsers into build-web/site/ (the page, the module's .js and .wasm, data/
# and music.mp3) and packs that folder into build-web/quorvelle-web.zip. The data files and the music
# come from the native build's asset tool: from $QUORVELLE_NATIVE_BUILD (default build/), which is
# configured and built for them when it has none. Needs emscripten (scripts/bootstrap.sh test).
# Usage: scripts/build_web.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${QUORVELLE_NATIVE_BUILD:-$root/build}"
out="$root/build-web"
command -v emcmake >/dev/null || { echo "build_web: emscripten is missing: run scripts/bootstrap.sh test" >&2; exit 2; }
# Debian's emscripten runs its JavaScript helpers on the machine's node, which must see Debian's modules.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

if [ ! -f "$native/music.mp3" ] || [ ! -d "$native/data" ]; then
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$native" -j2 --target assets
fi

emcmake cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build "$out" -j2 --target quorvelle-web

site="$out/site"
rm -rf "$site.new"
mkdir -p "$site.new/data"
cp "$root"/web/* "$site.new/"
cp "$out/quorvelle-web.js" "$out/quorvelle-web.wasm" "$native/music.mp3" "$site.new/"
cp "$native"/data/* "$site.new/data/"
# The page reads the list of data files, with their sizes for the loading bar.
(cd "$site.new" && printf '[%s]\n' "$(for f in data/* music.mp3; do printf '{"name":"%s","size":%d},' "$f" "$(stat -c %s "$f")"; done | sed 's/,$//')" > files.json)
rm -rf "$site"
mv "$site.new" "$site"
rm -f "$out/quorvelle-web.zip"
(cd "$out" && python3 -m zipfile -c quorvelle-web.zip site/)
echo "build_web: $site ($(du -sh "$site" | cut -f1)), $out/quorvelle-web.zip"
