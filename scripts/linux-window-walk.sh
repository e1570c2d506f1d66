#!/usr/bin/env bash
# The Linux window walked through (scripts/window-walk.sh) on its own Xvfb, against the
# simulator of the same build on a pseudo-terminal:
#   scripts/linux-window-walk.sh LINUX_BUILD WORK [SCENARIO]
# SCENARIO defaults to the diesel van with steady values (tests/wine/steady-van.json), so
# that its live page can be compared with the Windows window's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?the Linux build folder}" && pwd)
work=${2:?a work folder}
scenario=${3:-$root/tests/wine/steady-van.json}
rm -rf "$work"
mkdir -p "$work/data"
work=$(cd "$work" && pwd)

"$build/apps/tarvolinex-sim/tarvolinex-sim" --pace --scenario "$scenario" >"$work/sim.out" 2>&1 &
sim=$!
Xvfb -displayfd 5 -screen 0 1366x900x24 -nolisten tcp 5>"$work/xvfb-display" 2>/dev/null &
xvfb=$!
trap 'kill $sim $xvfb 2>/dev/null || true' EXIT
until [ -s "$work/sim.out" ] && [ -s "$work/xvfb-display" ]; do
    kill -0 $sim 2>/dev/null && kill -0 $xvfb 2>/dev/null || { echo "the simulator or Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
pty=$(head -1 "$work/sim.out")
export DISPLAY=:$(cat "$work/xvfb-display") QT_QPA_PLATFORM=xcb
# A sanitizer build's leak report at exit is not this walk's business.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
"$build/tests/ui/form_geometry" >"$work/geometry.txt" 2>/dev/null
"$build/tests/ui/form_geometry" records "$work/data" >"$work/records-geometry.txt" 2>/dev/null
TVX_WALK_RECORDS_GEOMETRY=$work/records-geometry.txt \
    "$root/scripts/window-walk.sh" "$work" "$work/geometry.txt" "$work/view.log" -- \
    "$build/apps/tarvolinex/tarvolinex" --port "$pty" --data-dir "$work/data" \
    --view-log "$work/view.log"
