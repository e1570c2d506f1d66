#!/usr/bin/env bash
# Runs a Windows program under Wine: quietly, without a display, and without the Mono and
# Gecko installers a new prefix would otherwise ask for. WINEPREFIX names the prefix.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix to run in}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# TVX_WINE_DLL_DIRS (Linux folders, colon-separated) go on the program's DLL search path.
if [ -n "${TVX_WINE_DLL_DIRS:-}" ]; then
    WINEPATH=$(tr ':' '\n' <<<"$TVX_WINE_DLL_DIRS" | sed 's|^|Z:|; s|/|\\|g' | paste -sd ';')
    export WINEPATH
fi
# A window test under Xvfb keeps its display (TVX_WINE_KEEP_DISPLAY=1).
[ "${TVX_WINE_KEEP_DISPLAY:-0}" = 1 ] || unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
