#!/usr/bin/env bash
# Makes the release files in release/: the Debian package, the Windows zip, the web zip, the whole
# demo as an MP4 (60 fps, 1536x1152, with the music), SHA256SUMS and RELEASE-NOTES.txt. Everything
# is made in release.new/, which replaces release/ only once every file is complete.
# Builds in build-release/ (the Linux programs, the data and the music, the package), build-win/
# and build-web/. Installs what is missing first (root or sudo).
# Usage: scripts/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fail() { echo "release: $*" >&2; exit 1; }
[ -f scripts/build_web.sh ] || fail "scripts/build_web.sh is missing, so there is no web zip to release"
started=$(date +%s)
jobs=$(nproc)
bash scripts/bootstrap.sh test

echo "== the Linux programs, the data, the music and the Debian package (build-release/)"
linux=build-release
cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVELLE_TESTS=OFF >/dev/null
cmake --build "$linux" -j"$jobs"
version=$("$linux/quorvelle" --version | cut -d' ' -f2)
deb="quorvelle_${version}_$(dpkg --print-architecture).deb"
rm -f "$linux/$deb"
(cd "$linux" && cpack -G DEB >/dev/null)
lintian --fail-on error "$linux/$deb"

echo "== the Windows zip (build-win/) and the web zip (build-web/)"
bash scripts/build_windows.sh "$linux" build-win
QUORVELLE_NATIVE_BUILD="$root/$linux" bash scripts/build_web.sh
[ -f build-web/quorvelle-web.zip ] && [ -f build-web/quorvelle.html ] || fail "scripts/build_web.sh left no build-web/quorvelle-web.zip or quorvelle.html"

stage=release.new
rm -rf "$stage"
mkdir "$stage"
cp "$linux/$deb" "$stage/"
cp build-win/quorvelle-windows.zip "$stage/quorvelle-$version-windows.zip"
cp build-web/quorvelle-web.zip "$stage/quorvelle-$version-web.zip"
cp build-web/quorvelle.html "$stage/quorvelle-$version.html"
echo "== the video"
(cd "$linux" && ./quorvelle-capture --scale 3 --out "$root/$stage/quorvelle-$version.mp4")

size() { stat -c %s "$stage/$1" | awk '{ printf "%.1f MB", $1 / 1048576 }'; }
cat > "$stage/RELEASE-NOTES.txt" <<TEXT
quorvelle $version: a real-time, software-rendered audiovisual demo (about 188 s with its music).

$deb ($(size "$deb"))
    The Debian package (amd64): the demo with a menu entry, quorvelle-capture and quorvelle-bench,
    and manual pages. Install it with: sudo apt install ./$deb
    Then choose quorvelle in the desktop's menu, or run: quorvelle [--window] [--mute]

quorvelle-$version-windows.zip ($(size "quorvelle-$version-windows.zip"))
    The demo for 64-bit Windows; nothing to install. Unzip it anywhere and double-click
    quorvelle.exe in quorvelle-windows\\ (README.txt there lists the options).

quorvelle-$version-web.zip ($(size "quorvelle-$version-web.zip"))
    The demo for web browsers. Unzip it and serve the site/ folder from any web server, for
    example: cd site && python3 -m http.server 8000, then open http://localhost:8000/

quorvelle-$version.html ($(size "quorvelle-$version.html"))
    The same web demo in one self-contained page: double-click it to play it in a browser,
    no server needed.

quorvelle-$version.mp4 ($(size "quorvelle-$version.mp4"))
    The whole demo as a video: 1536x1152, 60 frames per second, H.264 with the music in AAC.
    Plays in browsers and the common players.

SHA256SUMS
    The checksums of the files above: sha256sum -c SHA256SUMS
TEXT
(cd "$stage" && sha256sum "$deb" "quorvelle-$version-windows.zip" "quorvelle-$version-web.zip" "quorvelle-$version.html" \
   "quorvelle-$version.mp4" RELEASE-NOTES.txt > SHA256SUMS)
rm -rf release
mv "$stage" release
ls -l release
echo "release: version $version in release/, made in $(( $(date +%s) - started )) s"
