#!/bin/sh
# Runs one Windows program under wine64 for CTest. The prefix and the persistent
# wineserver come from scripts/wine-session.sh; without one, a prefix beside the build is
# made on first use.
set -e
if [ -z "$WINEPREFIX" ]; then
  WINEPREFIX="${KX_WINE_DEFAULT_PREFIX:-${TMPDIR:-/tmp}/corvanta-wineprefix-$(id -u)}"
  export WINEPREFIX
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  fi
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
