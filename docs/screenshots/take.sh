#!/usr/bin/env bash
# Takes the README's pictures of the main screens: builds the picture taker and runs it
# under Xvfb, on the simulated car and van.   docs/screenshots/take.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-screenshots}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target ui_screenshots -j "$(nproc)"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x800x24" \
    "$build/tests/ui/ui_screenshots" docs/screenshots

# The customer's report of the diesel van's visit, both pages in both languages.
docs/screenshots/take-report.sh "$build"
