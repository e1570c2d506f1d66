#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz for as long as asked, each growing its own corpus
# in build-fuzz/corpus/TARGET (started from the seeds in tests/fuzz/corpus/TARGET). Builds
# them first with clang in build-fuzz. Inputs that break a rule or crash are kept in
# build-fuzz/findings; the script fails when any target found something.
#
#   scripts/fuzz.sh [-t SECONDS] [TARGET...]    each target SECONDS long (default 60)
#
# Targets: session_day_fuzz settings_fuzz catalogue_fuzz scenario_fuzz injector_entry_fuzz.
# Replay one finding: build-fuzz/tests/fuzz/TARGET build-fuzz/findings/TARGET-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=60
while getopts "t:" option; do
    case $option in
        t) seconds=$OPTARG ;;
        *) echo "usage: scripts/fuzz.sh [-t SECONDS] [TARGET...]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
all=(session_day_fuzz settings_fuzz catalogue_fuzz scenario_fuzz injector_entry_fuzz)
targets=("${@:-${all[@]}}")

build=$root/build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTVX_FUZZ=ON
fi
cmake --build "$build" -j "$(nproc)" --target fuzz_targets

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/findings"
failed=()
summary=()
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    log=$build/findings/$target.log
    echo "== $target: ${seconds} s =="
    status=0
    "$build/tests/fuzz/$target" "$corpus" "$root/tests/fuzz/corpus/$target" \
        -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    summary+=("$(printf '%-22s %12s runs in %s s' "$target" "${runs:-?}" "$seconds")")
    if [ "$status" -ne 0 ]; then
        failed+=("$target")
        echo "$target FOUND SOMETHING (exit $status); the end of $log:" >&2
        tail -40 "$log" >&2
    fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzing found something in: ${failed[*]} (inputs in $build/findings)" >&2
    exit 1
fi
