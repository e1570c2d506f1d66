#!/usr/bin/env bash
# Builds everything with the sanitizers on and runs every test. First cross-builds the
# command-line tester and the core for Windows and runs their tests under Wine; then the
# Windows tester on a Wine COM port, the Windows window with the record and its setup
# program, and the Debian package (scripts/windows-tests.sh, scripts/package-tests.sh).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)

# A machine that has ccache reuses what earlier runs compiled (CMake takes the launcher from
# these variables when it first configures a build folder); CI on a fresh machine has none.
if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
    # Paths relative to the checkout, and the build folder left out of the hash, so a clone in
    # another folder finds them too (only the debug information's folder differs).
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1
fi

# --- Windows: MinGW-w64 cross build, its tests under Wine, the zip (scripts/) ---
./scripts/windows-tests.sh core
# ---

echo "== Build (AddressSanitizer + UndefinedBehaviorSanitizer) =="
# Set before the build: it runs each test executable once to list its tests, and the
# window's tests must find the suppressions of the system libraries then too.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTVX_SANITIZE=ON
cmake --build build -j "$jobs"

# --- Windows tester on a Wine COM port against this build's simulator; the Windows window,
# record and setup program (their Qt and SQLite built once into ~/.cache/tarvolinex), walked
# through under Wine against this build's simulator; the .deb ---
./scripts/windows-tests.sh com-port build
./scripts/windows-tests.sh window build
./scripts/package-tests.sh
# ---

echo "== Tests =="
# The shared history's tests need a PostgreSQL server: one of their own (Debian's
# PostgreSQL 15 in a temporary folder, a Unix socket and 127.0.0.1 only), removed when this
# script ends, whatever happened. Without it the sync tests fail.
pg_dir=$(mktemp -d /tmp/tvx-pg.XXXXXX)
trap '"$tvx_top"/tests/sync/pg-server.sh remove "$pg_dir"' EXIT
tvx_top=$PWD
pg_env=$(./tests/sync/pg-server.sh start "$pg_dir")
set -a
eval "$pg_env"
set +a
cd build
ctest --output-on-failure -j "$jobs"
# The record's fault runs (two programs at once, damaged files) print their counts; so do
# the shared history's bays.
grep -h "^fault run:" Testing/Temporary/LastTest.log || true
grep -h "^sync counts:" Testing/Temporary/LastTest.log || true

# Kill -9 of the command-line tester at random moments of programming, restore, clearing
# and live recording (seeded: the seed is printed, TVX_KILL_SEED repeats a run).
echo "== Kill -9 runs =="
tests/cli/cli_kill_tests --gtest_brief=1

# ---------------------------------------------------------------------------------------
# ThreadSanitizer: the tests that run threads (the session runner and its interruptible
# waits, the queued view, whole window sessions, the pseudo-terminal end to end, the
# shared history's sync thread and the window's sync settings) built
# again with -fsanitize=thread in build-tsan. Only our code is instrumented: Qt and the
# system libraries come from Debian as they are, so ThreadSanitizer cannot follow their
# locks; tests/tsan.supp names such libraries only, never a function of ours.
cd ..
echo "== Threaded tests under ThreadSanitizer =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTVX_TSAN=ON -DTVX_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs" --target \
    session_thread_tests session_pty_tests pty_end_to_end_tests ui_thread_tests sync_tests
# GCC 12's ThreadSanitizer cannot place its shadow memory under the wider address
# randomisation of newer kernels; without randomisation it always can.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    no_aslr=(setarch "$(uname -m)" -R)
fi
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:second_deadlock_stack=1:history_size=4"
# The shared history's sync thread (pushes and pulls, the server halted mid-batch, the
# command line's box commands syncing beside a session) and the window's sync settings run
# against the PostgreSQL server started above, still up until this script ends.
for tests in session/session_thread_tests session/session_pty_tests sim/pty_end_to_end_tests \
    ui/ui_thread_tests sync/sync_tests; do
    echo "-- $tests"
    "${no_aslr[@]}" "build-tsan/tests/$tests" --gtest_brief=1
done

# ---- Fuzzing smoke run: every libFuzzer target about 20 s (clang, build-fuzz); fails on any
# finding. scripts/fuzz.sh runs them for longer.
echo "== Fuzzing smoke run =="
./scripts/fuzz-smoke.sh
