#!/usr/bin/env bash
# The web build's tests in Debian's Chromium: installs the npm packages from the project's lockfile, has
# the native capture tool list the frame hashes at 10 fps (and the first 30 s with reduced flashing),
# serves the site with scripts/serve_web.sh and checks it and the self-contained page beside it
# against them (in Firefox ESR too, if installed).
# Usage: tests/web/run.sh NATIVE_BUILD SITE_DIR [--shots DIR]   (--shots: keep screenshots of the page there)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
native="$(cd "$1" && pwd)"
site="$(cd "$2" && pwd)"
(cd "$here/../.." && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
hashes="$(mktemp)"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
bash "$here/../../scripts/serve_web.sh" "$port" "$site" >/dev/null 2>&1 &
server=$!
reduced="$(mktemp)"
trap 'kill $server 2>/dev/null; rm -f "$hashes" "$reduced"' EXIT
"$native/quorvelle-capture" --format hash --fps 10 --out "$hashes"
"$native/quorvelle-capture" --format hash --fps 10 --to 30000 --reduce-flashing --out "$reduced"
for _ in $(seq 50); do (: > "/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.2; done
node "$here/web_test.mjs" "http://127.0.0.1:$port/" "$hashes" "$site" "$(dirname "$site")/quorvelle.html" --reduced "$reduced" "${@:3}"
