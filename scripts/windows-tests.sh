#!/usr/bin/env bash
# The Windows tests, run under Wine (called by test.sh):
#   scripts/windows-tests.sh core
#       cross-builds the command-line tester, the core and its tests for Windows (build-mingw,
#       statically linked), checks that the programs need no DLL beyond Windows' own, makes a
#       fresh Wine prefix in the build folder, runs each test executable once under Wine and
#       checks the zip of the command-line tester.
#   scripts/windows-tests.sh com-port LINUX_BUILD
#       tarvolinex-cli.exe through a Wine COM port against the Linux tarvolinex-sim of
#       LINUX_BUILD (wine_com_port_tests, built there).
#   scripts/windows-tests.sh window LINUX_BUILD
#       builds (or reuses) the Windows Qt, Qt Charts, SQLite, OpenSSL and libpq
#       (scripts/windows-deps.sh), cross-builds the window and the command-line tester with
#       the workshop record (build-mingw-qt), runs their tests under Wine (the window's
#       offscreen; libpq's, and the shared history's sync tests, against Linux PostgreSQL
#       servers started for them), makes the
#       deployment folder (its imports checked), its zip and the NSIS setup program, installs
#       that silently into a fresh Wine prefix, walks through the installed window on Xvfb
#       with Windows' platform plugin against LINUX_BUILD's simulator on COM1, compares its
#       live page with the Linux window's, and uninstalls it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-mingw
export WINEPREFIX=$build/wine-prefix

# Windows' own DLLs; a MinGW runtime DLL here would keep the program from starting on a bare PC.
# ADVAPI32 (the registry) and SETUPAPI name the serial ports (tarvolinex-cli ports, doctor);
# the rest is what Qt's DLLs and plugins import (windows, fonts, COM, the shell, themes,
# printers: WINSPOOL.DRV), and libpq's (Secur32: Windows' own login) and OpenSSL's.
system_dlls="KERNEL32.dll msvcrt.dll WINMM.dll ADVAPI32.dll SETUPAPI.dll USER32.dll GDI32.dll
    SHELL32.dll ole32.dll OLEAUT32.dll IMM32.dll UxTheme.dll dwmapi.dll VERSION.dll WS2_32.dll
    NETAPI32.dll USERENV.dll MPR.dll WTSAPI32.dll comdlg32.dll SHLWAPI.dll d3d9.dll dwrite.dll
    d2d1.dll d3d11.dll dxgi.dll AUTHZ.dll CRYPT32.dll bcrypt.dll SHCORE.dll Secur32.dll
    WINSPOOL.DRV"

# Fails on a DLL that is neither one of Windows' own nor in the folder ALLOWED_DIR (when given).
check_imports() {
    local exe=$1 allowed_dir=${2:-} dll known
    known=" $(tr -s ' \n' '  ' <<<"${system_dlls,,}") "  # one space between names, none at line ends
    for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p'); do
        if [[ "$known" == *" ${dll,,} "* ]] || [[ "$dll" == api-ms-win-* ]]; then
            continue
        fi
        if [ -n "$allowed_dir" ] && [ -n "$(find "$allowed_dir" -maxdepth 1 -iname "$dll")" ]; then
            continue
        fi
        echo "$exe needs $dll, which is neither in its folder nor a Windows DLL" >&2
        return 1
    done
}

# Sums the counts of the GoogleTest reports in test-results/.
count_results() {
    local tests=0 failures=0 file t f
    for file in "${1:-$build}"/test-results/*.xml; do
        t=$(sed -n 's/^<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\1/p' "$file")
        f=$(sed -n 's/^<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\2/p' "$file")
        echo "  $(basename "$file" .xml): $t tests, $f failed"
        tests=$((tests + t))
        failures=$((failures + f))
    done
    echo "Windows unit tests under Wine: $tests tests, $failures failed"
    [ "$failures" -eq 0 ]
}

fresh_prefix() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    "$root"/scripts/wine-run.sh wineboot --init >/dev/null 2>&1
    wineserver -w
}

# The zip holds the program with data/ beside it, and the program installs from there: a
# line added to the zip's catalogue must reach a fresh data directory.
check_zip() {
    (cd "$build" && cpack -G ZIP >/dev/null)
    local zip unpacked data
    zip=$(ls "$build"/tarvolinex-cli-*-windows-x64.zip)
    unpacked=$(mktemp -d)
    unzip -q "$zip" -d "$unpacked"
    local top=$unpacked/$(basename "$zip" .zip)
    for file in tarvolinex-cli.exe data/DTC5820EN.txt data/DTC5820TR.txt data/start.jpg LICENSE \
        THIRD-PARTY-NOTICES.txt; do
        [ -f "$top/$file" ] || { echo "the zip lacks $file" >&2; return 1; }
    done
    check_imports "$top/tarvolinex-cli.exe"
    echo "P1234 shipped in the zip" >> "$top/data/DTC5820EN.txt"
    data=$unpacked/fresh-data
    local out
    out=$("$root"/scripts/wine-run.sh "$top/tarvolinex-cli.exe" --simulate diesel-van \
        --data-dir "Z:${data//\//\\}" dtc read TCM 2>/dev/null)
    [ "$(printf '%s' "$out" | tr -d '\r')" = "TCM: 1 stored trouble code
P0715 Input/Turbine Speed Sensor Circuit Malfunction" ] || { echo "zip: unexpected output: $out" >&2; return 1; }
    grep -q "P1234 shipped in the zip" "$data/DTC5820EN.txt" ||
        { echo "zip: the catalogue did not come from the zip's data folder" >&2; return 1; }
    rm -rf "$unpacked"
    echo "Windows zip: $(basename "$zip") unpacks, starts under Wine and installs its catalogues"
}

case "${1:-}" in
core)
    cmake --preset windows-cross
    cmake --build "$build" -j "$(nproc)"
    check_imports "$build/apps/tarvolinex-cli/tarvolinex-cli.exe"
    echo "== Windows unit tests under Wine (fresh prefix in $WINEPREFIX) =="
    fresh_prefix
    rm -rf "$build/test-results"/*.xml
    (cd "$build" && ctest --output-on-failure -j "$(nproc)")
    count_results
    check_zip
    ;;
com-port)
    linux_build=${2:?the Linux build folder with tarvolinex-sim and wine_com_port_tests}
    echo "== tarvolinex-cli.exe on a Wine COM port against tarvolinex-sim =="
    TVX_WINDOWS_BUILD=$build "$linux_build/tests/wine/wine_com_port_tests"
    wineserver -k >/dev/null 2>&1 || true
    ;;
window)
    linux_build=$(cd "${2:?the Linux build folder with tarvolinex-sim, tarvolinex and form_geometry}" && pwd)
    started=$SECONDS
    TVX_WINDOWS_DEPS=$("$root"/scripts/windows-deps.sh | tail -1)
    export TVX_WINDOWS_DEPS
    echo "== Windows window and record: cross build against $TVX_WINDOWS_DEPS =="
    build=$root/build-mingw-qt
    export WINEPREFIX=$build/wine-prefix
    # CMake reads the toolchain (and so the prefix) at the first configure only: a build
    # folder configured against another prefix starts its configuration afresh.
    if [ -f "$build/CMakeCache.txt" ] &&
        ! grep -qxF "TVX_DEPS_PREFIX:INTERNAL=$TVX_WINDOWS_DEPS" "$build/CMakeCache.txt"; then
        echo "The Windows dependencies changed: $build is configured afresh"
        rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
    fi
    cmake --preset windows-qt-cross -DTVX_DEPS_PREFIX:INTERNAL="$TVX_WINDOWS_DEPS" >/dev/null
    cmake --build "$build" -j "$(nproc)"
    echo "== Windows window, record and core tests under Wine (fresh prefix in $WINEPREFIX) =="
    fresh_prefix
    rm -rf "$build/test-results"/*.xml "$build/records-report.pdf"
    # The records dialog's PDF, kept by the window's tests, is read here: under Wine they
    # cannot start the Linux pdftotext themselves.
    (cd "$build" && TVX_KEEP_REPORT_PDF=$build/records-report.pdf ctest --output-on-failure -j "$(nproc)")
    count_results "$build"
    # The shared history's tests need the record and libpq: a build without either would
    # leave them out without a word.
    for tests in libpq_checks sync_tests; do
        [ -f "$build/test-results/$tests.xml" ] || { echo "$tests did not run under Wine" >&2; exit 1; }
    done
    # Qt's offscreen platform finds no fonts under Wine (its PDF shows boxes for letters):
    # the records dialog's PDF is only checked to be one here; its text is read back from
    # the PDF the installed window saves in the walk below, on Windows' own platform plugin.
    head -c 5 "$build/records-report.pdf" | grep -q '%PDF-' ||
        { echo "the records dialog saved no PDF under Wine" >&2; exit 1; }

    version=$(sed -n 's/^project(tarvolinex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
    deploy=$build/deploy/Tarvolinex-$version
    rm -rf "$build/deploy"
    cmake --install "$build" --prefix "$deploy" >/dev/null
    checked=0
    while IFS= read -r -d '' file; do
        check_imports "$file" "$deploy"
        checked=$((checked + 1))
    done < <(find "$deploy" -iname '*.exe' -print0 -o -iname '*.dll' -print0)
    echo "Deployment folder: $checked EXE and DLL files, every import in the folder or Windows' own"
    # The shared history's libpq with OpenSSL, and the records dialog's Print.
    for dll in libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll Qt6PrintSupport.dll; do
        [ -f "$deploy/$dll" ] || { echo "the deployment folder lacks $dll" >&2; exit 1; }
    done
    x86_64-w64-mingw32-objdump -p "$deploy/tarvolinex.exe" | grep 'DLL Name: Qt6PrintSupport.dll' >/dev/null ||
        { echo "tarvolinex.exe is built without print support: its Print button is hidden" >&2; exit 1; }
    (cd "$build" && cpack -G ZIP >/dev/null)
    makensis -V2 -DVERSION="$version" -DSOURCE_DIR="$deploy" \
        -DOUTFILE="$build/Tarvolinex-$version-setup.exe" "$root/packaging/tarvolinex.nsi"
    echo "Setup program: $(basename "$build/Tarvolinex-$version-setup.exe")"
    # form_geometry.exe (where the controls are, for the walk) beside a copy of the folder's
    # DLLs and plugins: the setup program does not ship it.
    rm -rf "$build/walk-bin"
    cp -r "$deploy" "$build/walk-bin"
    cp "$build/tests/ui/form_geometry.exe" "$build/walk-bin/"
    TVX_FORM_GEOMETRY_EXE=$build/walk-bin/form_geometry.exe \
        "$root"/scripts/windows-setup-check.sh "$build/Tarvolinex-$version-setup.exe" \
        "$build/setup-prefix" "$linux_build"
    # The Linux window on the same steady van: the two live pages' display and gauges must
    # be the same pixel for pixel.
    echo "== The Linux window walked through the same way, for the comparison =="
    "$root"/scripts/linux-window-walk.sh "$linux_build" "$build/linux-walk" >/dev/null
    "$root"/scripts/compare-live-pictures.sh "$build/linux-walk/live.png" \
        "$build/linux-walk/geometry.txt" "$build/setup-prefix/walk/live.png" \
        "$build/setup-prefix/walk/geometry.txt"
    echo "== Windows window stage: $((SECONDS - started)) s =="
    ;;
*)
    echo "usage: $0 core | com-port LINUX_BUILD | window LINUX_BUILD" >&2
    exit 2
    ;;
esac
