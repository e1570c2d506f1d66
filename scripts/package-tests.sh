#!/usr/bin/env bash
# The Debian package (called by test.sh): a release build of the programs (build-package),
# CPack's .deb, installed with dpkg; then the installed tarvolinex-cli scans the simulated
# car and the installed window starts offscreen, both finding their data under /usr/share.
# The package is removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi

cmake --preset deb >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/tarvolinex_*.deb)
echo "== $deb =="
$sudo dpkg -i "$deb" >/dev/null
trap '$sudo dpkg -r tarvolinex >/dev/null' EXIT

fail() {
    echo "package: $*" >&2
    exit 1
}
for file in /usr/bin/tarvolinex /usr/bin/tarvolinex-cli /usr/bin/tarvolinex-sim \
    /usr/share/tarvolinex/DTC5820EN.txt /usr/share/tarvolinex/DTC5820TR.txt \
    /usr/share/tarvolinex/start.jpg /usr/share/applications/tarvolinex.desktop \
    /usr/share/icons/hicolor/scalable/apps/tarvolinex.svg /usr/share/doc/tarvolinex/copyright; do
    dpkg -S "$file" >/dev/null 2>&1 || fail "$file is not in the package"
done

work=$(mktemp -d)
trap '$sudo dpkg -r tarvolinex >/dev/null; rm -rf "$work"' EXIT
cd "$work"  # nowhere near the source tree

scan=$(/usr/bin/tarvolinex-cli --simulate --data-dir "$work/cli" scan 2>/dev/null) ||
    fail "tarvolinex-cli --simulate scan failed"
[ "$(head -2 <<<"$scan")" = "box      answered
PCM      protocol 1" ] || fail "unexpected scan: $scan"
codes=$(/usr/bin/tarvolinex-cli --simulate --data-dir "$work/cli" dtc read PCM 2>/dev/null)
grep -qx "P0171 System Too Lean (Bank 1)" <<<"$codes" ||
    fail "the installed catalogue was not found: $codes"

# The window runs until it is closed: alive after a few seconds is a start.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/tarvolinex --simulate --data-dir "$work/window" \
    >"$work/window.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the window ended with $status: $(cat "$work/window.log")"
for file in DTC5820EN.txt DTC5820TR.txt start.jpg; do
    cmp -s "/usr/share/tarvolinex/$file" "$work/window/$file" || fail "the window did not install $file"
done
echo "Debian package: installs, tarvolinex-cli scans the simulated car, the window starts offscreen with its data"
