#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, when missing.
#   scripts/install-deps.sh          everything ./test.sh needs
#   scripts/install-deps.sh window   only what building and running the window needs (./run.sh)
set -euo pipefail

# ---- The window and the command-line tester: build and run ----
packages=(
    cmake ninja-build g++ pkg-config
    nlohmann-json3-dev libcli11-dev libsqlite3-dev
    libpq-dev  # the shared history on PostgreSQL (src/sync)
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev libjpeg-dev
    qt6-charts-dev libqt6opengl6-dev  # Qt Charts needs the OpenGL files but does not pull them in
    qt6-translations-l10n  # Qt's own dialogs (file dialogs, message boxes) in Turkish
)

if [ "${1:-}" != window ]; then
    # ---- Tests, benchmarks, packages ----
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev
        poppler-utils libxml2-dev
        postgresql  # the sync tests' own server (tests/sync/pg-server.sh)
        xvfb xauth fonts-dejavu-core dpkg-dev unzip
    )
    # ---- Windows (scripts/windows-deps.sh, windows-tests.sh, package-tests.sh): the MinGW-w64
    # cross compiler, GoogleTest's sources, Wine, NSIS for the setup program, Debian's source
    # packages unpacked (dpkg-source from dpkg-dev), xdotool and ImageMagick for the window
    # under Wine, the PostgreSQL 15 server and the openssl program for libpq's checks ----
    packages+=(g++-mingw-w64-x86-64 googletest wine wine64 nsis xdotool imagemagick xz-utils
        postgresql-15 openssl)
    # ---- Fuzzing (scripts/fuzz.sh): clang with its libFuzzer runtime, and the symbolizer ----
    packages+=(clang libclang-rt-dev llvm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
