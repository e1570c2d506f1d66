#!/usr/bin/env bash
# Takes the README's pictures of the customer's report: the diesel van's visit with both
# recordings' charts, as the report's tests write it, both pages side by side in English
# (report-en.png) and Turkish (report-tr.png). Needs poppler-utils and ImageMagick (montage).
#   docs/screenshots/take-report.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-screenshots}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target report_chart_tests -j "$(nproc)"
kept=$(mktemp -d)
trap 'rm -rf "$kept"' EXIT
TVX_KEEP_REPORT_PDFS="$kept" QT_QPA_PLATFORM=offscreen "$build/tests/record/report_chart_tests" \
    --gtest_filter='*ReportPages.TheVansVisitFitsTwoPagesWithBothPictures*' >/dev/null
for language in en tr; do
    pdftoppm -png -r 60 "$kept/report-$language.pdf" "$kept/$language"
    montage "$kept/$language"-*.png -tile 2x1 -geometry +6+0 -background '#b0b0b0' \
        "docs/screenshots/report-$language.png"
done
