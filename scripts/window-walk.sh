#!/usr/bin/env bash
# Drives the tester's window from outside, as a mechanic would with the mouse, through
# xdotool on an X display (Xvfb), and follows what it shows through its view log:
#   scripts/window-walk.sh WORK GEOMETRY VIEW_LOG -- COMMAND...
# COMMAND starts the window with `--view-log` writing VIEW_LOG and its data directory in
# WORK/data (the Linux program, or the Windows one under Wine: the caller maps paths);
# GEOMETRY is form_geometry's output for that build (where each control is). The simulated
# diesel van must answer behind the window's COM1.
#
# The walk: COM1 and English, the FOCUS 1.8 TDCI, connect, PCM trouble codes, live data
# with gauges and the chart, a short recording, back, the ICU's injector codes, the records
# dialog and Save as PDF. It leaves in WORK: live.png (the live page), report.pdf, walk.log.
# Environment: TVX_WALK_PDF_TYPED, the PDF's name as typed into the save dialog, and
# TVX_WALK_PDF_FILE, where that puts it (default for both WORK/report.pdf; under Wine a name
# alone, saved in the folder the dialog opens); TVX_WALK_RECORDS_GEOMETRY, form_geometry's
# output for the records dialog (default: the save button is reached from the keyboard).
set -euo pipefail
work=${1:?work folder}
geometry=${2:?form_geometry output}
view_log=${3:?view log}
shift 3
[ "${1:-}" = -- ] && shift
pdf_typed=${TVX_WALK_PDF_TYPED:-$work/report.pdf}
pdf_file=${TVX_WALK_PDF_FILE:-$work/report.pdf}
step_limit=${TVX_WALK_STEP_LIMIT:-90}  # seconds any one step may take before the walk fails

log() { echo "walk: $*" | tee -a "$work/walk.log"; }
fail() {
    log "FAILED: $*"
    log "last lines of the view log:"
    tail -15 "$view_log" 2>/dev/null | sed 's/^/    /' | tee -a "$work/walk.log" >&2
    import -window root "$work/failed.png" 2>/dev/null || true
    exit 1
}

"$@" >"$work/window.out" 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

# The window: its title starts with " Tarvolinex v".
window=$(timeout 120 xdotool search --sync --onlyvisible --name 'Tarvolinex v' | head -1) ||
    fail "the window did not show within 120 s: $(tail -3 "$work/window.out")"
log "window $window is up"

# Lines of the view log seen so far: a wait looks only at what came after its mark.
mark=0
set_mark() { mark=$(wc -l <"$view_log" 2>/dev/null || echo 0); }
# Waits until a line after the mark matches the extended regular expression.
wait_for() {
    local pattern=$1 what=${2:-$1} limit=$((SECONDS + step_limit))
    until tail -n +"$((mark + 1))" "$view_log" 2>/dev/null | grep -Eq -- "$pattern"; do
        kill -0 $program 2>/dev/null || fail "the window ended while waiting for $what"
        [ $SECONDS -lt $limit ] || fail "no $what within $step_limit s"
        sleep 0.2
    done
}
# Where a control's centre is, in the window (the last line of its name counts).
centre() {
    awk -v name="$1" '$1 == name { x = $2 + int($4 / 2); y = $3 + int($5 / 2); found = 1 }
        END { if (!found) exit 1; print x, y }' "$geometry" || fail "no control $1 in $geometry"
}
# What the log says was applied may not be on the screen yet (a frame just shown is laid
# out and painted on the next turns of the window's event loop): each click waits a moment.
settle() { sleep 0.5; }
click() {
    local xy
    xy=$(centre "$1")
    settle
    set_mark
    # shellcheck disable=SC2086
    xdotool mousemove --window "$window" $xy click 1
    log "clicked $1 at $xy"
}
# A list item: its round indicator, at the left of the item.
click_item() {
    local x y w h
    read -r x y w h < <(awk -v name="$1" '$1 == name { v = $2 " " $3 " " $4 " " $5 } END { print v }' "$geometry")
    [ -n "$x" ] || fail "no list item $1 in $geometry"
    settle
    set_mark
    xdotool mousemove --window "$window" $((x + 8)) $((y + h / 2)) click 1
    log "chose $1"
}
# Waits until the session last made the control usable, then clicks it.
click_when_enabled() {
    local limit=$((SECONDS + step_limit))
    until [ "$(grep -E "^[0-9]+ enabled $1 [01]$" "$view_log" | tail -1 | cut -d' ' -f4)" = 1 ]; do
        kill -0 $program 2>/dev/null || fail "the window ended while waiting for $1"
        [ $SECONDS -lt $limit ] || fail "$1 not usable within $step_limit s"
        sleep 0.2
    done
    click "$1"
}
screenshot() {
    import -window "$window" "$work/$1"
    log "picture $1"
}

wait_for '^[0-9]+ frame Frame41$' "the settings screen"
click_item Frame41/RGCom_0
click_item Frame41/Language_0
click OK
wait_for '^[0-9]+ frame Frame31$' "the vehicle list"
click_item Frame31/DG1_4
click_when_enabled OK
wait_for '^[0-9]+ line 1 " CONNECT KESTRON 7340 TO"$' "the plug-in prompt"
click_when_enabled OK
wait_for '^[0-9]+ enabled ICU 1$' "the module menu with the ICU"

click pcm
click_when_enabled rdtc
wait_for '^[0-9]+ row 1 "P0087' "the PCM's first trouble code"
wait_for '^[0-9]+ line 3 "  PCM' "the module screen after reading"
log "PCM trouble codes: $(grep -Eo 'row [0-9] "P[0-9A-F]{4}[^"]*' "$view_log" | sed 's/.*"//' | sort -u | paste -sd ';')"

click live
wait_for '^[0-9]+ frame Frame71$' "the diesel live page"
wait_for '^[0-9]+ gauge rpmd " *[1-9]' "an engine speed on the gauges"
click gaugesAndChart
click Frame71/rpmp  # engine speed and rail pressure onto the chart
click Frame71/frpp
click recordLive
sleep 4
click recordLive
wait_for '^[0-9]+ gauge ' "live values after the recording"
sleep 2
screenshot live.png
click_when_enabled BACK
wait_for '^[0-9]+ line 1 " CONNECT KESTRON 7340 TO"$' "the plug-in prompt after live data"
click_when_enabled OK
wait_for '^[0-9]+ enabled ICU 1$' "the module menu again"
click ICU
click_when_enabled read_inj
wait_for '^[0-9]+ gauge edis4 "[0-9A-F]{16}"$' "injector 4's code"
log "injector codes: $(grep -Eo 'gauge edis[1-4] "[0-9A-F]{16}"' "$view_log" | tail -4 | sed 's/.*"\(.*\)"/\1/' | paste -sd ' ')"

# The records dialog, Save as PDF, the file dialog: the name typed, Enter.
click records
dialog=$(timeout 60 xdotool search --sync --onlyvisible --name "^(Workshop record|Servis kay)" | head -1) ||
    fail "the records dialog did not open"
log "records dialog $dialog is up"
sleep 1
if [ -n "${TVX_WALK_RECORDS_GEOMETRY:-}" ]; then
    geometry=$TVX_WALK_RECORDS_GEOMETRY window=$dialog click savePdf
else
    fail "no geometry of the records dialog (TVX_WALK_RECORDS_GEOMETRY)"
fi
sleep 3
# The suggested name goes (End, then select to the start: Wine's file dialog ignores Ctrl+A).
xdotool key --clearmodifiers End shift+Home BackSpace
xdotool type --delay 20 "$pdf_typed"
xdotool key Return
log "typed the PDF's name: $pdf_typed"
# TVX_WALK_PDF_SEARCH: folders (colon-separated) the typed name may also land in (under Wine
# the dialog opens in the user's documents, which Wine may link to the Linux home).
limit=$((SECONDS + 60))
until [ -s "$pdf_file" ]; do
    if [ -n "${TVX_WALK_PDF_SEARCH:-}" ]; then
        IFS=: read -r -a folders <<<"$TVX_WALK_PDF_SEARCH"
        found=$(find -L "${folders[@]}" -maxdepth 1 -name "$pdf_typed" -size +0 2>/dev/null | head -1)
        [ -n "$found" ] && pdf_file=$found && break
    fi
    [ $SECONDS -lt $limit ] || fail "no $pdf_file within 60 s"
    sleep 0.5
done
sleep 1
[ "$pdf_file" -ef "$work/report.pdf" ] || cp "$pdf_file" "$work/report.pdf"
log "report.pdf saved ($(stat -c %s "$work/report.pdf") bytes)"
# The dialog stays open after saving: Escape closes it, then EXIT ends the program.
xdotool windowfocus "$dialog" 2>/dev/null || true
xdotool key Escape
limit=$((SECONDS + 30))
while xdotool getwindowname "$dialog" >/dev/null 2>&1 &&
    xdotool search --onlyvisible --name "^(Workshop record|Servis kay)" >/dev/null 2>&1; do
    [ $SECONDS -lt $limit ] || fail "the records dialog did not close on Escape"
    sleep 0.5
done
click EXIT
limit=$((SECONDS + 30))
while kill -0 $program 2>/dev/null; do
    [ $SECONDS -lt $limit ] || fail "the window did not close on EXIT"
    sleep 0.5
done
trap - EXIT
log "done"
