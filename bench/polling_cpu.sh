#!/usr/bin/env bash
# CPU while the window polls live data, and the timing on the line, before and after a change.
#
#   bench/polling_cpu.sh [--seconds S] [--runs N] [--before REV]
#
# Over S seconds of live data (default 30) on the "FIESTA  1.4i" page it measures the CPU
# of the window's session worker thread in % of one core (from the thread's schedstat in
# /proc), how often that thread wakes (voluntary context switches) and how many bytes it
# sends a second (the polling rate, which must not drop):
#   - the window offscreen on the simulated car inside the program (./run.sh --simulate);
#   - the window against tarvolinex-sim --pace on a pseudo-terminal, with the CPU of the
#     simulator's process over the same time.
# It also times one parameter read over a pseudo-terminal at the paced 9600-baud rate
# (pty_exchange_bench): the timing on the line, which must stay as it is.
# Every figure is the median of N runs (default 3). With --before REV the same is measured
# on revision REV too (a copy of it is built under build-bench/before with this tree's
# bench/ folder), the runs of both taking turns. Release builds; needs the packages of
# scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
runs=3
before=""
while [[ $# -gt 0 ]]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    -h | --help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "polling_cpu.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build() { # source dir, build dir
    echo "== building $2 ==" >&2
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_TESTS=OFF \
        "${launcher[@]}" >/dev/null
    cmake --build "$2" -j2 --target window_live_cpu tarvolinex-sim pty_exchange_bench >/dev/null
}

trees=(after)
declare -A buildDir=([after]=build-bench/after)
build . build-bench/after
if [[ -n $before ]]; then
    trees=(before after)
    buildDir[before]=build-bench/before/build
    source=build-bench/before/src
    rm -rf "$source"
    mkdir -p "$source"
    git archive "$before" | tar -x -C "$source"
    rm -rf "$source/bench"
    cp -r bench "$source/bench" # the same measuring programs on both sides
    build "$source" "${buildDir[before]}"
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT

# One run of each measurement of a tree; appends "tree measurement value" lines.
measure() { # tree
    local tree=$1 dir=${buildDir[$1]} device simulator
    "$dir/bench/window_live_cpu" --seconds "$seconds" 2>/dev/null |
        sed "s/^/$tree simulate_/" >>"$results"

    device=$(mktemp)
    "$dir/apps/tarvolinex-sim/tarvolinex-sim" --pace >"$device" 2>/dev/null &
    simulator=$!
    for _ in $(seq 100); do
        [[ -s $device ]] && break
        sleep 0.05
    done
    "$dir/bench/window_live_cpu" --seconds "$seconds" --port "$(head -1 "$device")" \
        --watch-pid "$simulator" 2>/dev/null | sed "s/^/$tree pty_/" >>"$results"
    kill "$simulator"
    wait "$simulator" 2>/dev/null || true
    rm -f "$device"

    "$dir/bench/pty_exchange_bench" --benchmark_filter=Paced --benchmark_format=csv 2>/dev/null |
        awk -F, -v tree="$tree" '/ParameterReadPaced/ {print tree, "paced_read_ms", $3}' \
            >>"$results"
}

for run in $(seq "$runs"); do
    for tree in "${trees[@]}"; do
        echo "== run $run of $runs: $tree ==" >&2
        measure "$tree"
    done
done

median() { # tree measurement
    awk -v t="$1" -v m="$2" '$1 == t && $2 == m {print $3}' "$results" | sort -g |
        awk '{v[NR] = $1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
             else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

row() { # caption measurement
    printf '  %-44s' "$1"
    for tree in "${trees[@]}"; do
        printf ' %10s' "$(median "$tree" "$2")"
    done
    printf '\n'
}

echo
printf '%-46s' "median of $runs runs of ${seconds} s"
for tree in "${trees[@]}"; do
    if [[ $tree == before ]]; then printf ' %10s' "${before:0:10}"; else printf ' %10s' "this tree"; fi
done
printf '\n'
echo "window on the simulated car (--simulate)"
row "worker CPU [% of a core]" simulate_worker_cpu_percent
row "worker wakes a second" simulate_worker_wakes_per_second
row "bytes sent a second" simulate_bytes_sent_per_second
row "GUI thread CPU [% of a core]" simulate_gui_cpu_percent
echo "window against tarvolinex-sim --pace"
row "worker CPU [% of a core]" pty_worker_cpu_percent
row "worker wakes a second" pty_worker_wakes_per_second
row "bytes sent a second" pty_bytes_sent_per_second
row "simulator CPU [% of a core]" pty_watched_cpu_percent
echo "timing on the line"
row "one paced parameter read over a pty [ms]" paced_read_ms
