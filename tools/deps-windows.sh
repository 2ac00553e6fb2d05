#!/usr/bin/env bash
# Qt (qtbase) and hidapi for Windows, cross-built from Debian's own source packages
# with the posix-thread MinGW-w64 compilers, for i686 (the shipped program) and
# x86_64 (the build the checks run under wine64). Idempotent: each step leaves a
# stamp, and a second run costs nothing.
#
#   tools/deps-windows.sh            both targets
#   tools/deps-windows.sh i686       one target
#
# Cache: $QUILLON_WINDOWS_SDK, or ~/.cache/quillon. Each target's prefix is
# <cache>/mingw-<arch>/ (Qt's bin, lib, plugins, include and hidapi).
set -euo pipefail

SDK=${QUILLON_WINDOWS_SDK:-$HOME/.cache/quillon}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
ARCHES=("$@")
[ ${#ARCHES[@]} -gt 0 ] || ARCHES=(i686 x86_64)
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)
START=$(date +%s)

step() { echo "== deps-windows [$(($(date +%s) - START)) s]: $*"; }

PACKAGES=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
          wine64 dpkg-dev xvfb x11-utils xdotool imagemagick nsis zip python3 perl)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    step "installing ${missing[*]}"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

mkdir -p "$SDK/src"
SRC=$SDK/src

# The source packages, through a private list naming the mirror this machine already
# uses; the system's own lists are never touched.
if [ ! -e "$SRC/.fetched" ]; then
    mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null \
             | grep -oE '^(URIs:|deb) *[^ ]+' | awk '{print $NF}' | grep -E '/debian/?$' | head -n 1 || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    step "fetching qtbase-opensource-src and hidapi from $mirror"
    state=$SDK/apt
    mkdir -p "$state/lists/partial" "$state/cache/archives/partial"
    echo "deb-src $mirror bookworm main" > "$state/sources.list"
    opts=(-o "Dir::Etc::SourceList=$state/sources.list" -o Dir::Etc::SourceParts=/nonexistent
          -o "Dir::State::Lists=$state/lists" -o "Dir::Cache=$state/cache")
    apt-get "${opts[@]}" update
    (cd "$SRC" && apt-get "${opts[@]}" source --download-only qtbase-opensource-src hidapi)
    touch "$SRC/.fetched"
fi
if [ ! -e "$SRC/.unpacked" ]; then
    step "unpacking the sources"
    (cd "$SRC" && rm -rf qtbase hidapi \
        && dpkg-source --no-check -x qtbase-opensource-src_*.dsc qtbase \
        && dpkg-source --no-check -x hidapi_*.dsc hidapi)
    # Debian's +dfsg tarball drops Wintab; the Windows plugin's legacy tablet back-end
    # then builds without it (tablets still work through Windows Ink).
    win=$SRC/qtbase/src/plugins/platforms/windows
    if [ ! -e "$SRC/qtbase/src/3rdparty/wintab/wintab.h" ]; then
        sed -i 's/^qtConfig(tabletevent) *{/false {/' "$win/windows.pri"
        grep -rl 'QT_CONFIG(tabletevent)' "$win" | xargs -r sed -i 's/QT_CONFIG(tabletevent)/0/g'
    fi
    touch "$SRC/.unpacked"
fi

for arch in "${ARCHES[@]}"; do
    triple=$arch-w64-mingw32
    prefix=$SDK/mingw-$arch
    shim=$SDK/shim-$arch
    build=$SDK/build/qtbase-$arch
    mkdir -p "$shim" "$build" "$prefix"
    # Qt's win32-g++ mkspec calls <triple>-g++; these names reach the posix-thread
    # drivers, which must not be mixed with the win32-thread ones.
    for t in gcc g++ c++ cpp; do
        ln -sf "/usr/bin/$triple-$t-posix" "$shim/$triple-$t" 2>/dev/null || true
    done
    ln -sf "/usr/bin/$triple-g++-posix" "$shim/$triple-c++"
    export PATH=$shim:$PATH

    if [ ! -e "$build/.configured" ]; then
        step "$arch: configuring qtbase"
        (cd "$build" && "$SRC/qtbase/configure" -xplatform win32-g++ -device-option CROSS_COMPILE=$triple- \
            -opensource -confirm-license -release -shared -nomake examples -nomake tests \
            -no-opengl -no-dbus -no-icu -no-pkg-config -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre \
            -qt-freetype -qt-harfbuzz -qt-doubleconversion -no-openssl -no-sql-sqlite -no-sql-odbc \
            -prefix "$prefix" > configure.log 2>&1) || { tail -40 "$build/configure.log"; exit 1; }
        touch "$build/.configured"
    fi
    if [ ! -e "$build/.built" ]; then
        step "$arch: building qtbase (long: about half an hour on 2 cores)"
        (cd "$build" && nice make -j"$JOBS" sub-src-qmake_all > make.log 2>&1 \
            && nice make -C src -j"$JOBS" sub-corelib sub-winmain sub-gui sub-widgets sub-testlib \
                sub-platformsupport sub-uic >> make.log 2>&1 \
            && nice make -C src -j"$JOBS" sub-plugins-qmake_all >> make.log 2>&1) \
            || { tail -40 "$build/make.log"; exit 1; }
        for p in platforms/windows styles/windowsvista imageformats/ico imageformats/gif; do
            nice make -C "$build/src/plugins/$p" -j"$JOBS" >> "$build/make.log" 2>&1 \
                || { tail -40 "$build/make.log"; exit 1; }
        done
        touch "$build/.built"
    fi
    if [ ! -e "$build/.installed" ]; then
        step "$arch: installing qtbase into $prefix"
        (cd "$build" && make install_mkspecs sub-qmake-qmake-aux-pro-install_subtargets > install.log 2>&1 \
            && make -C src sub-corelib-install_subtargets sub-winmain-install_subtargets \
                sub-gui-install_subtargets sub-widgets-install_subtargets sub-testlib-install_subtargets \
                sub-platformsupport-install_subtargets sub-moc-install_subtargets \
                sub-rcc-install_subtargets sub-uic-install_subtargets >> install.log 2>&1) \
            || { tail -40 "$build/install.log"; exit 1; }
        for p in platforms/windows styles/windowsvista imageformats/ico imageformats/gif; do
            make -C "$build/src/plugins/$p" install >> "$build/install.log" 2>&1 \
                || { tail -40 "$build/install.log"; exit 1; }
        done
        touch "$build/.installed"
    fi
    if [ ! -e "$prefix/bin/hidapi.dll" ]; then
        step "$arch: building hidapi.dll (hidapi's Windows back-end)"
        hb=$SDK/build/hidapi-$arch
        mkdir -p "$hb" "$prefix/include/hidapi" "$prefix/lib" "$prefix/bin"
        inc=(-I"$SRC/hidapi/hidapi")
        [ -d "$SRC/hidapi/windows" ] && inc+=(-I"$SRC/hidapi/windows")
        $triple-gcc-posix -O2 -shared "${inc[@]}" -DHID_API_EXPORT='__declspec(dllexport)' \
            "$SRC/hidapi/windows/hid.c" -o "$hb/hidapi.dll" \
            -Wl,--out-implib,"$hb/libhidapi.dll.a" -lsetupapi -lhid
        cp "$hb/hidapi.dll" "$prefix/bin/"
        cp "$hb/libhidapi.dll.a" "$prefix/lib/"
        cp "$SRC/hidapi/hidapi/hidapi.h" "$prefix/include/hidapi/"
        [ -e "$SRC/hidapi/windows/hidapi_winapi.h" ] && cp "$SRC/hidapi/windows/hidapi_winapi.h" "$prefix/include/hidapi/"
    fi
    touch "$prefix/.complete"
    step "$arch: ready in $prefix"
done
step "done in $(($(date +%s) - START)) s"
