#!/usr/bin/env bash
# Runs a Windows program under Wine: quietly, without a display, and without the Mono and
# Gecko installers a new prefix would otherwise ask for. WINEPREFIX names the prefix.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix to run in}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
