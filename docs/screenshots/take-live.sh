#!/usr/bin/env bash
# The README's pictures of the live page on a 1366x768 screen: fast mode with the chart
# beside the gauges (live-fast.png) and the chart alone (live-chart-only.png). The window,
# as it opens, on an Xvfb screen of that size, against the simulator of the same build on a
# pseudo-terminal, clicked through with xdotool where form_geometry says the controls are.
#   docs/screenshots/take-live.sh [BUILD_DIR]    (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
"$build/apps/tarvolinex-sim/tarvolinex-sim" --pace diesel-van >"$work/sim.out" 2>&1 &
sim=$!
Xvfb -displayfd 5 -screen 0 1366x768x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $sim $xvfb ${window_pid:-} 2>/dev/null || true; rm -rf "$work"' EXIT
until [ -s "$work/sim.out" ] && [ -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb
"$build/tests/ui/form_geometry" >"$work/geometry.txt"
mkdir -p "$work/data"
"$build/apps/tarvolinex/tarvolinex" --port "$(head -1 "$work/sim.out")" --data-dir "$work/data" \
    --view-log "$work/view.log" >"$work/window.out" 2>&1 &
window_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'Tarvolinex v' | head -1)

wait_for() { # extended regular expression in the view log
    for _ in $(seq 600); do
        grep -Eq -- "$1" "$work/view.log" 2>/dev/null && return 0
        sleep 0.2
    done
    echo "take-live: no \"$1\" in the view log" >&2
    exit 1
}
click() { # control name [x offset from the left edge]
    local x y w h
    read -r x y w h < <(awk -v n="$1" '$1 == n { v = $2 " " $3 " " $4 " " $5 } END { print v }' \
        "$work/geometry.txt")
    [ -n "$x" ] || { echo "take-live: no control $1" >&2; exit 1; }
    sleep 0.7
    xdotool mousemove --window "$window" $((x + ${2:-w / 2})) $((y + h / 2)) click 1
}

wait_for '^[0-9]+ frame Frame41$'
click Frame41/RGCom_0 8
click Frame41/Language_0 8
click OK
wait_for '^[0-9]+ frame Frame31$'
click Frame31/DG1_4 8
click OK
wait_for '^[0-9]+ line 1 " CONNECT KESTRON 7340 TO"$'
click OK
wait_for '^[0-9]+ enabled pcm 1$'
click pcm
click live
wait_for '^[0-9]+ gauge rpmd " *[1-9]'
click gaugesAndChart
click Frame71/rpmp
click chartFast
sleep 12 # a chart's width of samples, and their rate settled
import -window root "$root/docs/screenshots/live-fast.png"
click chartOnly
sleep 4
import -window root "$root/docs/screenshots/live-chart-only.png"
echo "docs/screenshots/live-fast.png and live-chart-only.png taken"
