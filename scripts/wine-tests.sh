#!/usr/bin/env bash
# Runs the win64 test preset under wine64 in a throw-away prefix with one persistent
# wineserver, so each test program starts in well under a second. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

/usr/lib/wine/wineserver -p
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
# Start Wine's own services now, so none of them is born inside a test and holds its
# output open.
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
ctest --preset win64 "$@"
