#!/usr/bin/env bash
# Builds the tester and starts it. With no box given it runs on the built-in simulated car.
#   ./run.sh                         window on the simulated petrol car
#   ./run.sh --port /dev/ttyUSB0     window on a real KESTRON 7340 box
#   ./run.sh --simulate diesel-van   window on the simulated diesel van
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_TESTS=OFF \
    -DTVX_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"

exec ./build-release/apps/tarvolinex-sim/tarvolinex-sim "$@"
