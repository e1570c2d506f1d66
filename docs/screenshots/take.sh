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

# The report of a visit as the records dialog saves it (PDF), first page as a picture.
cmake --build "$build" --target ui_tests -j "$(nproc)"
report=$(mktemp --suffix .pdf)
TVX_KEEP_REPORT_PDF="$report" QT_QPA_PLATFORM=offscreen "$build/tests/ui/ui_tests" \
    --gtest_filter='RecordsWindow.TheRecordsButtonBesideExitShowsTheVisitAndSavesItAsPdf' >/dev/null
pdftoppm -png -r 70 -singlefile "$report" docs/screenshots/report
rm -f "$report"
