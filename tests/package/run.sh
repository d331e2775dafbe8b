#!/usr/bin/env bash
# The Debian package end to end: cpack builds it from BUILD_DIR, lintian finds no error in it, it
# installs, the installed programs run from another folder and agree with the build's, the manual
# pages are found, and a purge leaves none of its files behind. Needs root or sudo.
#   tests/package/run.sh [BUILD_DIR]      (default: build)
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
passed=0 failed=0
check() {   # NAME COMMAND...
  if "${@:2}"; then passed=$((passed + 1)); echo "ok: $1"; else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
quietly() {   # COMMAND...: its output only when it fails, so that check's own line stays in the log
  local out
  out=$("$@" 2>&1) || { echo "$out"; return 1; }
}
version=$("$build/quorvelle" --version | cut -d' ' -f2)
deb="$build/quorvelle_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
log=$(cd "$build" && cpack -G DEB 2>&1) && [ -f "$deb" ] || { echo "$log"; echo "package: cpack made no $deb"; exit 1; }
echo "package: $deb ($(stat -c %s "$deb") bytes), Depends: $(dpkg-deb -f "$deb" Depends)"
check "lintian finds no error" lintian --fail-on error "$deb"
check "the dependencies come from the binaries" bash -c "dpkg-deb -f '$deb' Depends | grep -q libsdl2"

# What of the package's paths exists before it is installed (shared folders such as /usr/bin).
$sudo_cmd dpkg --purge quorvelle >/dev/null 2>&1
paths=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort)
existing() { while read -r p; do [ -e "$p" ] && echo "$p"; done; }
before=$(existing <<< "$paths")

check "apt-get installs the package" quietly $sudo_cmd env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "$deb"
elsewhere=$(mktemp -d)
check "quorvelle --version" [ "$(cd "$elsewhere" && quorvelle --version)" = "quorvelle $version" ]
installed=$(cd "$elsewhere" && quorvelle-capture --format hash --to 2000 --out -)
built=$(cd "$build" && ./quorvelle-capture --format hash --to 2000 --out -)
check "the installed capture gives the build's hashes" [ -n "$built" -a "$installed" = "$built" ]
check "man finds both manual pages" quietly man -w quorvelle quorvelle-capture
check "the menu entry's icon is installed" [ -f /usr/share/icons/hicolor/128x128/apps/quorvelle.png ]
rm -rf "$elsewhere"

listed=$(dpkg -L quorvelle | sort)
check "dpkg -L lists what the package holds" [ "$listed" = "$paths" ]
$sudo_cmd dpkg --purge quorvelle >/dev/null
check "the purge leaves nothing behind" [ "$(existing <<< "$listed")" = "$before" ]

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
