#!/usr/bin/env bash
# The setup program in a fresh Wine prefix (called by windows-tests.sh window):
#   scripts/windows-setup-check.sh SETUP.exe PREFIX_DIR [LINUX_BUILD]
# installs silently (/S), checks the files, the Start-menu entry and the "Apps" entry, runs
# the installed command-line tester (its data and workshop record under %LOCALAPPDATA%),
# walks through the installed window on Xvfb against LINUX_BUILD's simulator on COM1 (when
# given; TVX_FORM_GEOMETRY_EXE names the Windows build's form_geometry.exe), then
# uninstalls silently and checks that the program is gone and the data stayed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
setup=${1:?the setup program}
export WINEPREFIX=${2:?a folder for the Wine prefix}
linux_build=${3:-}
run() { "$root/scripts/wine-run.sh" "$@"; }
fail() {
    echo "setup program: $*" >&2
    exit 1
}

wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
run wineboot --init >/dev/null 2>&1
wineserver -w

echo "== $(basename "$setup") /S into a fresh Wine prefix =="
run "$setup" /S >/dev/null 2>&1
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Tarvolinex"
for file in tarvolinex.exe tarvolinex-cli.exe uninstall.exe Qt6Core.dll Qt6Charts.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll \
    data/DTC5820EN.txt data/start.jpg LICENSE THIRD-PARTY-NOTICES.txt; do
    [ -f "$installed/$file" ] || fail "not installed: $file"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvolinex/Tarvolinex.lnk"
[ -f "$menu" ] || fail "no Start-menu entry"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvolinex'
run reg query "$key" /v UninstallString 2>/dev/null | grep -qi 'Tarvolinex\\uninstall.exe' ||
    fail "no uninstall entry in Apps"
echo "Installed under Program Files with a Start-menu entry and an Apps entry"

# The installed command-line tester: catalogues from the installed data\, the data directory
# and the workshop record under %LOCALAPPDATA%\Tarvolinex.
local_data=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local)/Tarvolinex
cli='C:\Program Files\Tarvolinex\tarvolinex-cli.exe'
out=$(run "$cli" --simulate diesel-van dtc read TCM 2>/dev/null | tr -d '\r')
[ "$out" = "TCM: 1 stored trouble code
P0715 Input/Turbine Speed Sensor Circuit Malfunction" ] || fail "installed tarvolinex-cli: $out"
[ -f "$local_data/DTC5820EN.txt" ] || fail "the data did not go to %LOCALAPPDATA%\\Tarvolinex"
[ -f "$local_data/tarvolinex.db" ] || fail "no workshop record in %LOCALAPPDATA%\\Tarvolinex"
echo "Installed tarvolinex-cli reads codes; data and workshop record in %LOCALAPPDATA%\\Tarvolinex"

# The installed window on Xvfb with Windows' own platform plugin, its COM1 mapped (Wine's
# Ports key) to the Linux simulator's pseudo-terminal: walked through with the mouse
# (scripts/window-walk.sh) from the port and language to the records dialog's PDF.
if [ -n "$linux_build" ]; then
    walk=$WINEPREFIX/walk
    mkdir -p "$walk"
    "$linux_build/apps/tarvolinex-sim/tarvolinex-sim" --pace \
        --scenario "$root/tests/wine/steady-van.json" >"$walk/sim.out" 2>&1 &
    sim=$!
    until [ -s "$walk/sim.out" ]; do sleep 0.1; done
    pty=$(head -1 "$walk/sim.out")
    [[ "$pty" == /dev/pts/* ]] || fail "the simulator did not start: $pty"
    wineserver -w  # the last program's server may still be on its way out
    run reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$pty" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1 || true  # Wine reads its ports when its server starts
    wineserver -w

    display_file=$WINEPREFIX/xvfb-display
    Xvfb -displayfd 5 -screen 0 1600x1400x24 -nolisten tcp 5>"$display_file" 2>/dev/null &
    xvfb=$!
    trap 'kill $xvfb $sim 2>/dev/null || true' EXIT
    until [ -s "$display_file" ]; do
        kill -0 $xvfb 2>/dev/null || fail "Xvfb did not start"
        sleep 0.1
    done
    export DISPLAY=:$(cat "$display_file") TVX_WINE_KEEP_DISPLAY=1
    # Where the controls are, laid out by the Windows build with Wine's fonts.
    geometry_exe=${TVX_FORM_GEOMETRY_EXE:?TVX_FORM_GEOMETRY_EXE names form_geometry.exe beside the Qt DLLs}
    run "$geometry_exe" 2>/dev/null | tr -d '\r' >"$walk/geometry.txt"
    run "$geometry_exe" records "$(winepath -w "$local_data" 2>/dev/null)" 2>/dev/null |
        tr -d '\r' >"$walk/records-geometry.txt"
    grep -q '^OK ' "$walk/geometry.txt" || fail "form_geometry.exe listed no controls"
    # Save as PDF suggests the user's documents, which Wine may link to the Linux home.
    documents=$(for folder in "$WINEPREFIX"/drive_c/users/*/Documents; do readlink -f "$folder"; done |
        paste -sd:)
    (IFS=:; for folder in $documents "$local_data"; do rm -f "$folder/walk-report.pdf"; done)
    TVX_WALK_RECORDS_GEOMETRY=$walk/records-geometry.txt \
        TVX_WALK_PDF_TYPED=walk-report.pdf TVX_WALK_PDF_FILE=$local_data/walk-report.pdf \
        TVX_WALK_PDF_SEARCH=$documents \
        "$root/scripts/window-walk.sh" "$walk" "$walk/geometry.txt" "$walk/view.log" -- \
        "$root/scripts/wine-run.sh" 'C:\Program Files\Tarvolinex\tarvolinex.exe' --port COM1 \
        --view-log "$(winepath -w "$walk" 2>/dev/null)\\view.log" ||
        fail "the walk through the installed window failed (see $walk/walk.log)"
    report=$(pdftotext -layout "$walk/report.pdf" - 2>/dev/null) || report=
    for wanted in P0087 "FOCUS 1.8 TDCI" "1234 5678 9ABC DEF0"; do
        grep -qF "$wanted" <<<"$report" || fail "the PDF saved in the installed window lacks \"$wanted\""
    done
    echo "Installed window walked through on COM1: codes, live data, injector codes, a PDF ($(wc -c <"$walk/report.pdf") bytes)"
    wineserver -k >/dev/null 2>&1 || true
    kill $xvfb $sim 2>/dev/null || true
    trap - EXIT
    unset TVX_WINE_KEEP_DISPLAY
    run reg delete 'HKLM\Software\Wine\Ports' /v COM1 /f >/dev/null 2>&1 || true
fi

run 'C:\Program Files\Tarvolinex\uninstall.exe' /S >/dev/null 2>&1
wineserver -w
[ ! -e "$installed" ] || fail "left behind: $(find "$installed" | head -5)"
[ ! -e "$menu" ] || fail "the Start-menu entry stayed"
if run reg query "$key" >/dev/null 2>&1; then fail "the Apps entry stayed"; fi
[ -f "$local_data/tarvolinex.db" ] || fail "uninstalling removed the user's workshop record"
echo "Uninstalled silently: program, Start-menu and Apps entries gone; the user's data kept"
