#!/usr/bin/env bash
# Builds the demo for web browsers into build-web/site/ (the page, the module's .js and .wasm, data/,
# music.mp3 and the link preview preview.png), packs that folder with a README.txt into
# build-web/quorvelle-web.zip, and makes build-web/quorvelle.html, the self-contained page that holds
# all of it and plays when opened as a file. The data files, the music and the preview's frame come
# from the native build (the asset and capture tools): from $QUORVELLE_NATIVE_BUILD (default build/),
# which is configured and built for them when it has none. With QUORVELLE_WEB_URL set to the site's
# address (https://.../), the preview tags name absolute addresses, as link previews want.
# Needs emscripten (scripts/bootstrap.sh test).
# Usage: scripts/build_web.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${QUORVELLE_NATIVE_BUILD:-$root/build}"
out="$root/build-web"
command -v emcmake >/dev/null || { echo "build_web: emscripten is missing: run scripts/bootstrap.sh test" >&2; exit 2; }
# Debian's emscripten runs its JavaScript helpers on the machine's node, which must see Debian's modules.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

if [ ! -f "$native/music.mp3" ] || [ ! -d "$native/data" ] || [ ! -x "$native/quorvelle-capture" ]; then
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$native" -j2 --target assets quorvelle-capture
fi

emcmake cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build "$out" -j2 --target quorvelle-web

site="$out/site"
rm -rf "$site.new"
mkdir -p "$site.new/data"
cp "$root"/web/* "$site.new/"
cp "$out/quorvelle-web.js" "$out/quorvelle-web.wasm" "$native/music.mp3" "$site.new/"
cp "$native"/data/* "$site.new/data/"
# The link preview and the start card's backdrop: the title frame at 42.5 s, enlarged 2x.
frame="$(mktemp -d)"
trap 'rm -rf "$frame"' EXIT
"$native/quorvelle-capture" --fps 10 --frames 425 --format ppm --scale 2 --out "$frame" >/dev/null
python3 "$root/tools/web/web_pack.py" preview "$frame/frame_000425.ppm" "$site.new/preview.png"
if [ -n "${QUORVELLE_WEB_URL:-}" ]; then
  url="${QUORVELLE_WEB_URL%/}/"
  sed -i -e "s|content=\"preview.png\"|content=\"${url}preview.png\"|" \
      -e "s|<meta property=\"og:type\"|<meta property=\"og:url\" content=\"$url\">\n&|" "$site.new/index.html"
fi
# The page reads the list of the files it loads, with their sizes, to check them and for the loading bar.
(cd "$site.new" && printf '[%s]\n' "$(for f in quorvelle-web.js quorvelle-web.wasm data/* music.mp3; do printf '{"name":"%s","size":%d},' "$f" "$(stat -c %s "$f")"; done | sed 's/,$//')" > files.json)
rm -rf "$site"
mv "$site.new" "$site"
python3 "$root/tools/web/web_pack.py" page "$site" "$out/quorvelle.html"
cat > "$out/README.txt" <<'TEXT'
quorvelle for web browsers

site/ is the demo as a web site. Serve the folder from any web server over HTTP, for example:
    cd site && python3 -m http.server 8000
then open http://localhost:8000/ in a browser. Opened as a file (a double-click on
site/index.html), most browsers refuse to load its files: the release's quorvelle-<version>.html
(build-web/quorvelle.html where it is built) is the same demo in one file, which plays with a
double-click.

Enter, Space or the Start button starts; F or the button: full screen; M or the button: sound.
TEXT
rm -f "$out/quorvelle-web.zip"
(cd "$out" && python3 -m zipfile -c quorvelle-web.zip site/ README.txt)
echo "build_web: $site ($(du -sh "$site" | cut -f1)), $out/quorvelle-web.zip, $out/quorvelle.html ($(du -h "$out/quorvelle.html" | cut -f1))"
