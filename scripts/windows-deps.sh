#!/usr/bin/env bash
# Builds the Windows (MinGW-w64) dependencies of the window and the workshop record from
# source, once: Qt 6.4.2's base (Core, Gui, Widgets, Test, the Windows and offscreen platform
# plugins, the Windows style, the JPEG image plugin), Qt Charts 6.4.2 and SQLite 3.40.1; for
# the tests only, libxml2 2.9.14 (they read the HTML report back as a browser would).
#
#   scripts/windows-deps.sh            builds what is missing, prints the prefix last
#   scripts/windows-deps.sh --prefix   prints the prefix the inputs map to (built or not)
#
# The result lives in $TVX_DEPS_CACHE (default ~/.cache/tarvolinex), in a folder named by a
# hash of the inputs (this script, the source versions, the Qt Charts tarball's sha256, the
# compiler's version), and is reused while they are unchanged. Qt's and SQLite's sources are
# Debian's source packages, fetched with a private apt configuration (the machine's own
# sources stay untouched); Qt Charts comes from TVX_QTCHARTS_TARBALL (default
# ../shared/third_party/ beside the checkout), since Debian's mirror does not serve it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

qt_version=6.4.2
qt_deb_version=6.4.2+dfsg-10
sqlite_deb_version=3.40.1-2+deb12u2
libxml2_deb_version=2.9.14+dfsg-1.3~deb12u4
charts_file=qtcharts-everywhere-src-$qt_version.tar.xz
charts_sha256=e3686c776025ca22f2a3a31d6940a06089502854a50c6d46648aa7cb05e0fa07
mirror=http://deb.debian.org/debian

cache=${TVX_DEPS_CACHE:-$HOME/.cache/tarvolinex}
charts_tarball=${TVX_QTCHARTS_TARBALL:-$root/../shared/third_party/$charts_file}
cc=x86_64-w64-mingw32-gcc-posix
cxx=x86_64-w64-mingw32-g++-posix

key=$( (cat "$0"
    echo "$qt_deb_version $sqlite_deb_version $libxml2_deb_version $charts_sha256"
    "$cxx" --version | head -1) | sha256sum | cut -c1-16)
prefix=$cache/mingw-deps-$key
if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi
if [ -f "$prefix/complete" ]; then
    echo "Windows dependencies: reusing $prefix"
    echo "$prefix"
    exit 0
fi

# The sources and the build trees keep fixed paths, so that a changed recipe rebuilds
# only what changed (ninja, ccache) while the installed result is keyed.
work=$cache/mingw-work
mkdir -p "$work" "$cache/sources"
jobs=${TVX_DEPS_JOBS:-$(nproc)}
launcher=()
ccache=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    ccache=(ccache)
fi
started=$SECONDS
part_start=$SECONDS
part() {
    [ -n "${part_name:-}" ] && echo "== $part_name: done in $((SECONDS - part_start)) s"
    part_name=$1
    part_start=$SECONDS
    [ -n "$part_name" ] && echo "== $part_name ($(date +%H:%M:%S))"
    return 0
}

# Builds with ninja's step counter every 100 steps; the whole output goes to build.log.
build_logged() {
    cmake --build "$1" -j "$jobs" "${@:2}" 2>&1 | tee "$1/build.log" |
        awk '/^\[[0-9]+\/[0-9]+\] / { n++; if (n % 100 == 0) print "  " $1 } END { print "  " n " steps" }' ||
        { grep -B2 -A20 -m3 'error\|FAILED' "$1/build.log" >&2; return 1; }
}

# ---- Sources ----
part "Sources: Debian's qt6-base $qt_deb_version and sqlite3 $sqlite_deb_version, Qt Charts"
if [ ! -f "$charts_tarball" ]; then
    cat >&2 <<EOF
Qt Charts' source is missing: $charts_tarball
Download $charts_file (Qt $qt_version, from Qt's download site,
https://download.qt.io/archive/qt/6.4/$qt_version/submodules/$charts_file) and put it
there, or name it with TVX_QTCHARTS_TARBALL. Its sha256 must be $charts_sha256.
EOF
    exit 1
fi
if [ "$(sha256sum < "$charts_tarball" | cut -d' ' -f1)" != "$charts_sha256" ]; then
    echo "$charts_tarball: sha256 is not $charts_sha256; fetch $charts_file again" >&2
    exit 1
fi
apt_dir=$cache/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
cat > "$apt_dir/sources.list" <<EOF
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror-security bookworm-security main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm-updates main
EOF
apt_options=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
    -o "Dir::State::lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o APT::Sandbox::User=root -qq)
fetch_source() { # package version folder
    local dir=$work/$3
    [ -d "$dir" ] && return 0
    if ! ls "$cache/sources/${1}_${2#*:}.dsc" >/dev/null 2>&1; then
        [ -n "$(ls "$apt_dir/lists" | grep -v partial)" ] || apt-get "${apt_options[@]}" update
        (cd "$cache/sources" && apt-get "${apt_options[@]}" source --download-only "$1=$2")
    fi
    (cd "$cache/sources" && dpkg-source --no-check -x "${1}_${2#*:}.dsc" "$work/$3" >/dev/null)
}
fetch_source qt6-base "$qt_deb_version" qtbase-src
fetch_source sqlite3 "$sqlite_deb_version" sqlite-src
fetch_source libxml2 "$libxml2_deb_version" libxml2-src
if [ ! -d "$work/qtcharts-src" ]; then
    tar -C "$work" -xf "$charts_tarball"
    mv "$work/qtcharts-everywhere-src-$qt_version" "$work/qtcharts-src"
fi

# ---- Qt base ----
part "Qt $qt_version base: configure"
# The toolchain stays with the result: Qt's qt.toolchain.cmake loads it, and so do the
# programs' builds (the windows-qt-cross preset). SQLite and libxml2 are found there too.
mkdir -p "$prefix"
cat > "$prefix/mingw-w64.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $cc)
set(CMAKE_CXX_COMPILER $cxx)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $prefix/qt $prefix/sqlite $prefix/libxml2)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
EOF
# What the programs do not use is switched off, so that the default target holds little more
# than the targets below (and installing needs nothing else). Qt's Gui has the DirectWrite 3
# font database only with Direct2D, which the Windows platform plugin then must not ask for.
off_features=(sql network dbus opengl concurrent xml tabletevent dynamicgl vulkan printsupport
    sql_sqlite accessibility_atspi_bridge direct2d gif ico directwrite3)
feature_args=()
for f in "${off_features[@]}"; do feature_args+=("-DFEATURE_$f=OFF"); done
cmake -S "$work/qtbase-src" -B "$work/qtbase-build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix/qt" -DBUILD_SHARED_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_TOOLS_BY_DEFAULT=OFF \
    "${feature_args[@]}" >"$work/qtbase-configure.log" 2>&1 ||
    { tail -40 "$work/qtbase-configure.log" >&2; exit 1; }
part "Qt $qt_version base: build (Core, Gui, Widgets, Test, plugins)"
qt_targets=(Core Gui Widgets Test EntryPointImplementation QWindowsIntegrationPlugin
    QOffscreenIntegrationPlugin QWindowsVistaStylePlugin QJpegPlugin)
build_logged "$work/qtbase-build" --target "${qt_targets[@]}"
build_logged "$work/qtbase-build"  # what is left of the default target (the minimal plugin)
part "Qt $qt_version base: install"
cmake --install "$work/qtbase-build" >"$work/qtbase-install.log"

# ---- Qt Charts, with the MinGW Qt's own qt-cmake ----
part "Qt Charts $qt_version: configure and build"
"$prefix/qt/bin/qt-cmake" -S "$work/qtcharts-src" -B "$work/qtcharts-build" -G Ninja -Wno-dev \
    "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    >"$work/qtcharts-configure.log" 2>&1 || { tail -40 "$work/qtcharts-configure.log" >&2; exit 1; }
build_logged "$work/qtcharts-build"
cmake --install "$work/qtcharts-build" >"$work/qtcharts-install.log"

# ---- SQLite: the amalgamation, a static library (public domain, linked into the programs) ----
part "SQLite for MinGW-w64"
mkdir -p "$work/sqlite-build" "$prefix/sqlite/include" "$prefix/sqlite/lib"
(cd "$work/sqlite-build" &&
    { [ -f sqlite3.c ] || { ../sqlite-src/configure --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null; }; } &&
    "${ccache[@]}" "$cc" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_JSON1 \
        -DSQLITE_OMIT_LOAD_EXTENSION -c sqlite3.c -o sqlite3.o &&
    rm -f "$prefix/sqlite/lib/libsqlite3.a" &&
    x86_64-w64-mingw32-ar rcs "$prefix/sqlite/lib/libsqlite3.a" sqlite3.o &&
    cp sqlite3.h sqlite3ext.h "$prefix/sqlite/include/")

# ---- libxml2 (tests only: never shipped), a static library ----
part "libxml2 for MinGW-w64 (tests only)"
cmake -S "$work/libxml2-src" -B "$work/libxml2-build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix/libxml2" -DBUILD_SHARED_LIBS=OFF \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
    -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF \
    -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_PROGRAMS=OFF \
    >"$work/libxml2-configure.log" 2>&1 || { tail -30 "$work/libxml2-configure.log" >&2; exit 1; }
build_logged "$work/libxml2-build"
cmake --install "$work/libxml2-build" >"$work/libxml2-install.log"

part ""
touch "$prefix/complete"
echo "Windows dependencies built in $((SECONDS - started)) s: $prefix"
echo "$prefix"
