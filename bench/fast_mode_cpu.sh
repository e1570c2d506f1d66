#!/usr/bin/env bash
# CPU of the window in fast mode: one value polled alone, about 50 samples a second.
#
#   bench/fast_mode_cpu.sh [--seconds S] [--build-dir DIR]
#
# The window (offscreen) against tarvolinex-sim --pace on a pseudo-terminal, on the "FIESTA
# 1.4i" page: engine speed clicked onto the chart, the chart's Fast switch on, then S seconds
# (default 30) measured. Prints the whole window process's CPU in % of one core (user +
# system time from /proc), its threads', the samples a second of the value, and the
# simulator's CPU, and checks the window's CPU against the limit of 5 % of a core.
# Builds a Release tree under build-bench/after (as polling_cpu.sh does) unless --build-dir
# names a built one.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
dir=""
while [[ $# -gt 0 ]]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --build-dir) dir=$2; shift 2 ;;
    -h | --help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "fast_mode_cpu.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done

if [[ -z $dir ]]; then
    dir=build-bench/after
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    echo "== building $dir ==" >&2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_TESTS=OFF \
        "${launcher[@]}" >/dev/null
    cmake --build "$dir" -j2 --target window_live_cpu tarvolinex-sim >/dev/null
fi

device=$(mktemp)
"$dir/apps/tarvolinex-sim/tarvolinex-sim" --pace >"$device" 2>/dev/null &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; rm -f "$device"' EXIT
for _ in $(seq 100); do
    [[ -s $device ]] && break
    sleep 0.05
done
results=$("$dir/bench/window_live_cpu" --seconds "$seconds" --port "$(head -1 "$device")" \
    --watch-pid "$simulator" --fast rpmp 2>/dev/null)
echo "$results"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
awk '$1 == "process_cpu_percent" {
         verdict = ($2 <= 5.0) ? "within" : "OVER";
         printf "window CPU in fast mode: %.2f %% of a core, %s the limit of 5 %%\n", $2, verdict
     }' <<<"$results"
