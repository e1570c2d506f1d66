#!/usr/bin/env bash
# The setup program in a fresh Wine prefix (called by windows-tests.sh window):
#   scripts/windows-setup-check.sh SETUP.exe PREFIX_DIR [SCREENSHOT.png]
# installs silently (/S), checks the files, the Start-menu entry and the "Apps" entry, runs
# the installed command-line tester (its data and workshop record under %LOCALAPPDATA%),
# starts the installed window on Xvfb with Windows' platform plugin until its main window
# shows, then uninstalls silently and checks that the program is gone and the data stayed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
setup=${1:?the setup program}
export WINEPREFIX=${2:?a folder for the Wine prefix}
screenshot=${3:-}
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

# The installed window on Xvfb, Windows' own platform plugin: started when its main window
# (title " Tarvolinex v...") is mapped.
display_file=$WINEPREFIX/xvfb-display
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$display_file" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
until [ -s "$display_file" ]; do
    kill -0 $xvfb 2>/dev/null || fail "Xvfb did not start"
    sleep 0.1
done
display=$(cat "$display_file")
export DISPLAY=:$display
TVX_WINE_KEEP_DISPLAY=1 run 'C:\Program Files\Tarvolinex\tarvolinex.exe' --simulate \
    >"$WINEPREFIX/window.log" 2>&1 &
window=$(timeout 120 xdotool search --sync --onlyvisible --name 'Tarvolinex v' | head -1) ||
    fail "the installed window did not show within 120 s: $(tail -5 "$WINEPREFIX/window.log")"
if [ -n "$screenshot" ]; then
    import -window root "$screenshot"
fi
echo "Installed window started (X window $window on Xvfb $DISPLAY)"
wineserver -k
wait %?tarvolinex.exe 2>/dev/null || true
kill $xvfb

run 'C:\Program Files\Tarvolinex\uninstall.exe' /S >/dev/null 2>&1
wineserver -w
[ ! -e "$installed" ] || fail "left behind: $(find "$installed" | head -5)"
[ ! -e "$menu" ] || fail "the Start-menu entry stayed"
if run reg query "$key" >/dev/null 2>&1; then fail "the Apps entry stayed"; fi
[ -f "$local_data/tarvolinex.db" ] || fail "uninstalling removed the user's workshop record"
echo "Uninstalled silently: program, Start-menu and Apps entries gone; the user's data kept"
