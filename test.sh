#!/usr/bin/env bash
# Builds everything with the sanitizers on and runs every test. First cross-builds the
# command-line tester and the core for Windows and runs their tests under Wine; then the
# Windows tester on a Wine COM port and the Debian package (scripts/windows-tests.sh,
# scripts/package-tests.sh).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)

# --- Windows: MinGW-w64 cross build, its tests under Wine, the zip (scripts/) ---
./scripts/windows-tests.sh core
# ---

echo "== Build (AddressSanitizer + UndefinedBehaviorSanitizer) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTVX_SANITIZE=ON
cmake --build build -j "$jobs"

# --- Windows tester on a Wine COM port against this build's simulator; the .deb ---
./scripts/windows-tests.sh com-port build
./scripts/package-tests.sh
# ---

echo "== Tests =="
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd build
ctest --output-on-failure -j "$jobs"
cd ..

# ---- Fuzzing smoke run: every libFuzzer target about 20 s (clang, build-fuzz); fails on any
# finding. scripts/fuzz.sh runs them for longer.
echo "== Fuzzing smoke run =="
./scripts/fuzz-smoke.sh
