#!/usr/bin/env bash
# The web build's tests in Debian's Chromium: installs the test's npm packages from the lockfile, has
# the native capture tool list the frame hashes at 10 fps, and checks the site against them.
# Usage: tests/web/run.sh NATIVE_BUILD SITE_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
native="$(cd "$1" && pwd)"
site="$(cd "$2" && pwd)"
(cd "$here" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
hashes="$(mktemp)"
trap 'rm -f "$hashes"' EXIT
"$native/quorvelle-capture" --format hash --fps 10 --out "$hashes"
node "$here/web_test.mjs" "$site" "$hashes"
