#!/usr/bin/env bash
# Builds the Windows (MinGW-w64) dependencies of the window, the workshop record and the
# shared history from source, once: Qt 6.4.2's base (Core, Gui, Widgets, PrintSupport, Test,
# the Windows and offscreen platform plugins, the Windows style, the JPEG image plugin), Qt
# Charts 6.4.2, SQLite 3.40.1, OpenSSL 3.0 and PostgreSQL 15's client library (libpq); for
# the tests only, libxml2 2.9.14 (they read the HTML report back as a browser would).
#
#   scripts/windows-deps.sh            builds what is missing, prints the prefix last
#   scripts/windows-deps.sh --prefix   prints the prefix the inputs map to (built or not)
#
# Each part (qt-base, qt-charts, sqlite, libxml2, openssl, libpq) is installed into its own
# folder $TVX_DEPS_CACHE/mingw-parts/PART-HASH (default cache ~/.cache/tarvolinex), the hash
# taken over the part's recipe (its function below), its source version, the compiler's
# version and the hashes of the parts it builds on (Qt Charts on Qt's base, libpq on
# OpenSSL); a folder with a "complete" stamp is reused. The programs' builds see one prefix,
# mingw-deps-HASH (hashed over the parts' hashes), put together from the parts with hard
# links, so a new or changed part rebuilds that part alone. The sources are Debian's source
# packages, fetched with a private apt configuration (the machine's own sources stay
# untouched); Qt Charts comes from TVX_QTCHARTS_TARBALL (default ../shared/third_party/
# beside the checkout), since Debian's mirror does not serve it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

qt_version=6.4.2
qt_deb_version=6.4.2+dfsg-10
sqlite_deb_version=3.40.1-2+deb12u2
libxml2_deb_version=2.9.14+dfsg-1.3~deb12u4
openssl_deb_version=3.0.20-1~deb12u2
postgresql_deb_version=15.18-0+deb12u1
charts_file=qtcharts-everywhere-src-$qt_version.tar.xz
charts_sha256=e3686c776025ca22f2a3a31d6940a06089502854a50c6d46648aa7cb05e0fa07
mirror=http://deb.debian.org/debian

cache=${TVX_DEPS_CACHE:-$HOME/.cache/tarvolinex}
charts_tarball=${TVX_QTCHARTS_TARBALL:-$root/../shared/third_party/$charts_file}
cc=x86_64-w64-mingw32-gcc-posix
cxx=x86_64-w64-mingw32-g++-posix
parts_dir=$cache/mingw-parts
# The sources and the build trees keep fixed paths, so that a changed recipe rebuilds only
# what changed (ninja, make, ccache) while the installed parts are keyed.
work=$cache/mingw-work
jobs=${TVX_DEPS_JOBS:-$(nproc)}
launcher=()
ccache=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    ccache=(ccache)
fi

# Prints a CMake toolchain file for the cross compilers, finding libraries in ROOT...
toolchain() { # root...
    cat <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $cc)
set(CMAKE_CXX_COMPILER $cxx)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $*)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
EOF
}

# Builds with ninja's step counter every 100 steps; the whole output goes to build.log.
build_logged() {
    cmake --build "$1" -j "$jobs" "${@:2}" 2>&1 | tee "$1/build.log" |
        awk '/^\[[0-9]+\/[0-9]+\] / { n++; if (n % 100 == 0) print "  " $1 } END { print "  " n + 0 " steps" }' ||
        { grep -B2 -A20 -m3 'error\|FAILED' "$1/build.log" >&2; return 1; }
}

# Runs a command with its output in LOG; on failure shows the log's end.
logged() { # log command...
    "${@:2}" >"$1" 2>&1 || { tail -40 "$1" >&2; return 1; }
}

# Unpacks Debian's source package PACKAGE=VERSION into $work/FOLDER, fetching it once with
# a private apt configuration.
fetch_source() { # package version folder
    local dir=$work/$3 apt_dir=$cache/apt
    [ -d "$dir" ] && return 0
    mkdir -p "$cache/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    cat > "$apt_dir/sources.list" <<EOF
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror-security bookworm-security main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm-updates main
EOF
    local apt_options=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o Dir::Etc::sourceparts=-
        -o "Dir::State::lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
        -o APT::Sandbox::User=root -qq)
    if ! ls "$cache/sources/${1}_${2#*:}.dsc" >/dev/null 2>&1; then
        [ -n "$(ls "$apt_dir/lists" | grep -v partial)" ] || apt-get "${apt_options[@]}" update
        (cd "$cache/sources" && apt-get "${apt_options[@]}" source --download-only "$1=$2")
    fi
    (cd "$cache/sources" && dpkg-source --no-check -x "${1}_${2#*:}.dsc" "$dir" >/dev/null)
}

# ---- The parts: each function builds one into the folder it is given ----

build_qt_base() { # folder
    fetch_source qt6-base "$qt_deb_version" qtbase-src
    # Qt's Windows print engine reaches for the DirectWrite font engine, which Gui has only
    # with Direct2D (off here): the print engine gets the condition Gui's font database has.
    local print_engine=$work/qtbase-src/src/printsupport/platform/windows/qprintengine_win.cpp
    if grep -q '^#if QT_CONFIG(directwrite)$' "$print_engine"; then
        sed -i 's/^#if QT_CONFIG(directwrite)$/#if QT_CONFIG(directwrite) \&\& QT_CONFIG(direct2d)/' "$print_engine"
    fi
    # Qt's qt.toolchain.cmake loads the toolchain the base was configured with: a fixed path
    # in the work folder (the prefix the programs use has its own, see compose).
    local toolchain_file=$work/mingw-w64.cmake
    toolchain > "$toolchain_file.new"
    if cmp -s "$toolchain_file.new" "$toolchain_file"; then rm "$toolchain_file.new"; else mv "$toolchain_file.new" "$toolchain_file"; fi
    # What the programs do not use is switched off, so that the default target holds little
    # more than the targets below (and installing needs nothing else). Qt's Gui has the
    # DirectWrite 3 font database only with Direct2D, which the Windows platform plugin then
    # must not ask for.
    local off_features=(sql network dbus opengl concurrent xml tabletevent dynamicgl vulkan
        sql_sqlite accessibility_atspi_bridge direct2d gif ico directwrite3) feature_args=() f
    for f in "${off_features[@]}"; do feature_args+=("-DFEATURE_$f=OFF"); done
    echo "  configure"
    logged "$work/qtbase-configure.log" cmake -S "$work/qtbase-src" -B "$work/qtbase-build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" "${launcher[@]}" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$1" -DBUILD_SHARED_LIBS=ON \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_TOOLS_BY_DEFAULT=OFF \
        -DFEATURE_printsupport=ON "${feature_args[@]}"
    echo "  build (Core, Gui, Widgets, PrintSupport, Test, plugins)"
    build_logged "$work/qtbase-build" --target Core Gui Widgets PrintSupport Test \
        EntryPointImplementation QWindowsIntegrationPlugin QOffscreenIntegrationPlugin \
        QWindowsVistaStylePlugin QJpegPlugin
    build_logged "$work/qtbase-build"  # what is left of the default target (the minimal plugin)
    echo "  install"
    cmake --install "$work/qtbase-build" >"$work/qtbase-install.log"
}

# Qt Charts with the MinGW Qt's own qt-cmake (the Qt base part's).
build_qt_charts() { # folder
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
    if [ ! -d "$work/qtcharts-src" ]; then
        tar -C "$work" -xf "$charts_tarball"
        mv "$work/qtcharts-everywhere-src-$qt_version" "$work/qtcharts-src"
    fi
    # A build tree made against another Qt keeps that Qt in its cache: it starts afresh.
    local qt
    qt=$(part_dir qt-base)
    if [ -f "$work/qtcharts-build/CMakeCache.txt" ] &&
        ! grep -q "^Qt6_DIR:PATH=$qt/" "$work/qtcharts-build/CMakeCache.txt"; then
        rm -rf "$work/qtcharts-build"
    fi
    logged "$work/qtcharts-configure.log" "$qt/bin/qt-cmake" -S "$work/qtcharts-src" \
        -B "$work/qtcharts-build" -G Ninja -Wno-dev "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    build_logged "$work/qtcharts-build"
    cmake --install "$work/qtcharts-build" --prefix "$1" >"$work/qtcharts-install.log"
}

# SQLite: the amalgamation, a static library (public domain, linked into the programs).
build_sqlite() { # folder
    fetch_source sqlite3 "$sqlite_deb_version" sqlite-src
    mkdir -p "$work/sqlite-build" "$1/include" "$1/lib"
    (cd "$work/sqlite-build" &&
        { [ -f sqlite3.c ] || { ../sqlite-src/configure --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null; }; } &&
        "${ccache[@]}" "$cc" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_JSON1 \
            -DSQLITE_OMIT_LOAD_EXTENSION -c sqlite3.c -o sqlite3.o &&
        x86_64-w64-mingw32-ar rcs "$1/lib/libsqlite3.a" sqlite3.o &&
        cp sqlite3.h sqlite3ext.h "$1/include/")
}

# libxml2 (tests only: never shipped), a static library.
build_libxml2() { # folder
    fetch_source libxml2 "$libxml2_deb_version" libxml2-src
    toolchain > "$work/libxml2-toolchain.cmake"
    logged "$work/libxml2-configure.log" cmake -S "$work/libxml2-src" -B "$work/libxml2-build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$work/libxml2-toolchain.cmake" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$1" -DBUILD_SHARED_LIBS=OFF \
        -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
        -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF \
        -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_PROGRAMS=OFF
    build_logged "$work/libxml2-build"
    cmake --install "$work/libxml2-build" >"$work/libxml2-install.log"
}

# OpenSSL 3 (libpq's TLS): libcrypto-3-x64.dll and libssl-3-x64.dll with their import
# libraries. The folders compiled in are Windows' usual ones (only administrators write
# there), never the cache's; the openssl program and the engines are not built.
build_openssl() { # folder
    fetch_source openssl "$openssl_deb_version" openssl-src
    mkdir -p "$work/openssl-build"
    echo "  configure"
    (cd "$work/openssl-build" && logged ../openssl-configure.log ../openssl-src/Configure mingw64 \
        --cross-compile-prefix=x86_64-w64-mingw32- no-tests "--prefix=C:/Program Files/OpenSSL" \
        "--openssldir=../Common Files/SSL" --libdir=lib)
    echo "  build"
    logged "$work/openssl-build.log" make -C "$work/openssl-build" -j "$jobs" \
        CC="${ccache[*]} $cc" build_libs
    logged "$work/openssl-install.log" make -C "$work/openssl-build" INSTALLTOP="$1" install_dev
}

# PostgreSQL's client library: libpq.dll with its import library and the headers a client
# includes (libpq-fe.h, libpq-events.h, postgres_ext.h, pg_config_ext.h; pg_config.h for the
# version). TLS through the OpenSSL part, whose DLLs are copied beside libpq.dll: its bin/
# holds all that a program using libpq ships. No readline, ICU or zlib (libpq uses none).
build_libpq() { # folder
    local ssl
    ssl=$(part_dir openssl)
    fetch_source postgresql-15 "$postgresql_deb_version" postgresql-src
    mkdir -p "$work/postgresql-build" "$1/bin" "$1/lib" "$1/include"
    echo "  configure"
    (cd "$work/postgresql-build" && logged ../postgresql-configure.log ../postgresql-src/configure \
        --host=x86_64-w64-mingw32 --without-readline --without-icu --without-zlib \
        --with-ssl=openssl CC="${ccache[*]} $cc" CPPFLAGS="-I$ssl/include" LDFLAGS="-L$ssl/lib")
    echo "  build (src/interfaces/libpq with the src/port and src/common pieces it needs)"
    local b=$work/postgresql-build
    logged "$work/postgresql-build.log" make -C "$b/src/interfaces/libpq" -j "$jobs"
    cp "$b/src/interfaces/libpq/libpq.dll" "$ssl"/bin/*.dll "$1/bin/"
    cp "$b/src/interfaces/libpq/libpq.a" "$1/lib/libpq.dll.a"
    cp "$work/postgresql-src/src/interfaces/libpq/libpq-fe.h" \
        "$work/postgresql-src/src/interfaces/libpq/libpq-events.h" \
        "$work/postgresql-src/src/include/postgres_ext.h" \
        "$b/src/include/pg_config_ext.h" "$b/src/include/pg_config.h" "$1/include/"
}

# ---- The parts' keys, the prefix ----
part_names=(sqlite libxml2 openssl libpq qt-base qt-charts)  # in build order, quick ones first
declare -A key
part_key() { # function inputs...: the recipe, what it builds from, the compiler
    { declare -f "$1" toolchain; echo "${@:2}"; "$cxx" --version | head -1; } | sha256sum | cut -c1-16
}
key[qt-base]=$(part_key build_qt_base "$qt_deb_version")
key[qt-charts]=$(part_key build_qt_charts "$charts_sha256 ${key[qt-base]}")
key[sqlite]=$(part_key build_sqlite "$sqlite_deb_version")
key[libxml2]=$(part_key build_libxml2 "$libxml2_deb_version")
key[openssl]=$(part_key build_openssl "$openssl_deb_version")
key[libpq]=$(part_key build_libpq "$postgresql_deb_version ${key[openssl]}")
part_dir() { echo "$parts_dir/$1-${key[$1]}"; }

# The programs' prefix: qt/ (Qt's base with Qt Charts), sqlite/, libxml2/, openssl/, libpq/
# and mingw-w64.cmake finding them, all hard links to the parts' files but Qt's toolchain
# file, which loads this prefix's toolchain.
compose() { # prefix
    local tmp=$1.partial p
    rm -rf "$tmp"
    mkdir -p "$tmp"
    cp -al "$(part_dir qt-base)" "$tmp/qt"
    cp -alf "$(part_dir qt-charts)/." "$tmp/qt/"
    for p in sqlite libxml2 openssl libpq; do cp -al "$(part_dir "$p")" "$tmp/$p"; done
    rm -f "$tmp"/*/complete
    toolchain "$1/qt" "$1/sqlite" "$1/libxml2" "$1/openssl" "$1/libpq" > "$tmp/mingw-w64.cmake"
    local qt_toolchain=$tmp/qt/lib/cmake/Qt6/qt.toolchain.cmake
    sed "s|^set(__qt_initially_configured_toolchain_file .*|set(__qt_initially_configured_toolchain_file \"$1/mingw-w64.cmake\")|" \
        "$qt_toolchain" > "$qt_toolchain.new"
    rm "$qt_toolchain"
    mv "$qt_toolchain.new" "$qt_toolchain"
    touch "$tmp/complete"
    rm -rf "$1"
    mv "$tmp" "$1"
}
prefix=$cache/mingw-deps-$( { declare -f compose toolchain
    for p in "${part_names[@]}"; do echo "$p ${key[$p]}"; done; } | sha256sum | cut -c1-16)
if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi
if [ -f "$prefix/complete" ]; then
    echo "Windows dependencies: reusing $prefix"
    echo "$prefix"
    exit 0
fi

# ---- Build what is missing ----
mkdir -p "$work" "$parts_dir"
started=$SECONDS
for p in "${part_names[@]}"; do
    dir=$(part_dir "$p")
    if [ -f "$dir/complete" ]; then
        echo "== $p: reusing $dir"
        continue
    fi
    echo "== $p ($(date +%H:%M:%S)) into $dir"
    part_started=$SECONDS
    rm -rf "$dir"
    mkdir -p "$dir"
    "build_${p//-/_}" "$dir"
    touch "$dir/complete"
    echo "== $p: built in $((SECONDS - part_started)) s"
done
compose "$prefix"
echo "Windows dependencies ready in $((SECONDS - started)) s: $prefix"
echo "$prefix"
