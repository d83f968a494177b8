#!/usr/bin/env bash
# Runs a Windows program under Wine, headless: wine-run.sh PROGRAM.exe [ARGS...]; or the
# prefix's server, which is no Windows program: wine-run.sh wineserver -w|-k|-p.
# The Wine prefix is $WINEPREFIX, by default build/windows/wine in this source tree.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/windows/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No prompts to install Mono or Gecko when the prefix is created; no window of any kind.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY

# Debian's wine64 package puts the loader in /usr/lib/wine; the wine package adds it to PATH.
wine="$(command -v wine64 || true)"
if [ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64
fi
if [ -z "$wine" ]; then
    echo "wine-run.sh: wine64 not found (install the package wine64)" >&2
    exit 127
fi
mkdir -p "$WINEPREFIX"
if [ "${1:-}" = wineserver ]; then
    shift
    exec "$(dirname "$(readlink -f "$wine")")/wineserver" "$@"
fi
exec "$wine" "$@"
