#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, when missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libcli11-dev
    libsqlite3-dev poppler-utils libxml2-dev
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev libjpeg-dev
    qt6-charts-dev libqt6opengl6-dev  # Qt Charts needs the OpenGL files but does not pull them in
    g++-mingw-w64-x86-64
    xvfb xauth fonts-dejavu-core
    # Windows tests under Wine and the packages (scripts/windows-tests.sh, package-tests.sh)
    googletest wine wine64 dpkg-dev unzip
)

# ---- Fuzzing (scripts/fuzz.sh): clang with its libFuzzer runtime, and the symbolizer ----
packages+=(clang libclang-rt-dev llvm)
# ------------------------------------------------------------------------------------------

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
