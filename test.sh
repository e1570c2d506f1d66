#!/usr/bin/env bash
# Builds everything with the sanitizers on and runs every test. First checks that the
# portable core still cross-compiles for Windows.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)

echo "== Windows build check (MinGW-w64, portable core) =="
cmake -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTVX_CORE_ONLY=ON
cmake --build build-mingw -j "$jobs"

echo "== Build (AddressSanitizer + UndefinedBehaviorSanitizer) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTVX_SANITIZE=ON
cmake --build build -j "$jobs"

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
