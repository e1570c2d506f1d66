#!/usr/bin/env bash
# Builds the tester and starts its window. With no box given it runs on the built-in
# simulated car; the arguments go to the program (see "The window" in the README).
#   ./run.sh                         window on the simulated petrol car
#   ./run.sh --simulate diesel-van   window on the simulated diesel van
#   ./run.sh --port /dev/ttyUSB0     window on a real KESTRON 7340 box
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh window  # the tests' packages (Wine, MinGW-w64, ...) only with ./test.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_TESTS=OFF \
    -DTVX_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)" --target tarvolinex

args=("$@")
case " $* " in
    *" --port"* | *" --simulate"* | *" -h "* | *" --help "*) ;;
    *) args=(--simulate "${args[@]}") ;;
esac
exec ./build-release/apps/tarvolinex/tarvolinex "${args[@]}"
