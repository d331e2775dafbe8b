#!/usr/bin/env bash
# Installs the Debian packages that are missing. "demo" (the default) installs what building and
# running the demo needs; "windows" adds the Windows cross-compiler; "test" adds what the tests
# need: GoogleTest, ffmpeg and a virtual display for the end-to-end runs, clang for fuzzing, the
# Windows cross-compiler with Wine, and emscripten with Chromium and Firefox ESR for the web build and
# its tests (the web tests install their npm packages themselves).
# Usage: scripts/bootstrap.sh [demo|windows|test]
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libsdl2-dev libmpg123-dev libmp3lame-dev libpng-dev libasound2-dev
)
case "${1:-demo}" in
  demo) ;;
  windows) packages+=(g++-mingw-w64-x86-64-posix) ;;
  test)
    packages+=(
      libgtest-dev googletest
      dpkg-dev file help2man man-db lintian    # to build, check and install the Debian package
      ffmpeg xvfb xauth xdotool fonts-dejavu-core
      clang libclang-rt-14-dev
      g++-mingw-w64-x86-64-posix wine wine64 pulseaudio
      emscripten chromium firefox-esr
    )
    # npm for the web tests' packages; where Node.js came with its own npm, Debian's would clash.
    command -v npm >/dev/null || packages+=(npm) ;;
  *) echo "bootstrap: unknown set '$1' (demo, windows or test)" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
