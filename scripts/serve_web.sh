#!/usr/bin/env bash
# Serves build-web/site/ (made by scripts/build_web.sh) over plain HTTP on this machine, to watch the
# demo at http://localhost:PORT/ in a browser. Any static web server serves it as well.
# Usage: scripts/serve_web.sh [PORT [SITE_DIR]]   (default 8000, build-web/site)
set -euo pipefail
site="${2:-$(cd "$(dirname "$0")/.." && pwd)/build-web/site}"
[ -f "$site/index.html" ] || { echo "serve_web: no $site: run scripts/build_web.sh first" >&2; exit 2; }
port="${1:-8000}"
echo "serve_web: http://localhost:$port/ (Ctrl+C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
