#!/bin/sh
# The Windows half of the program, checked on Linux.
#
#   wincheck.sh <conf> compile   every Windows and shared source through the 32-bit
#                                MinGW compiler (-fsyntax-only, against this machine's Qt
#                                headers): Windows-only compile errors and warnings fail.
#   wincheck.sh <conf> cmake     the project configured for a 32-bit Windows target with
#                                the MinGW compilers, and its five libraries built (Qt
#                                is not linked): the Windows branches of the CMake files
#                                hold, and every _win.cpp file is part of that build.
#   wincheck.sh <conf> wine      the Win32 parts, built with the 64-bit MinGW compiler
#                                into tst_win32.exe with its test libraries, run under
#                                wine64 in a Wine prefix of their own.
#
# <conf> is written by CMake (tests/win32/CMakeLists.txt): compilers, Wine, include
# folders and the compile definitions of the real build.
set -u
conf=$1
mode=$2
. "$conf"

compile_one() {
    # One source file; prints one verdict line, and the compiler's words on failure.
    file=$1
    if out=$("$CXX32" "@$SYNTAX_RSP" "$SRC/$file" 2>&1); then
        printf 'ok    %s\n' "$file"
    else
        printf 'FAIL  %s\n%s\n' "$file" "$out"
        return 1
    fi
}

case "$mode" in
compile)
    # The check must be able to fail: a known-bad Windows source has to be refused.
    if "$CXX32" "@$SYNTAX_RSP" "$SRC/tests/win32/canary_win.cpp" >/dev/null 2>&1; then
        echo "FAIL  the compile check accepted tests/win32/canary_win.cpp; it checks nothing"
        exit 1
    fi
    echo "ok    tests/win32/canary_win.cpp is refused, as it must be"
    files=$(cd "$SRC" && for d in $SUBSYSTEMS; do ls $d/*.cpp 2>/dev/null; done |
        grep -Ev '_(linux|unix)\.cpp$')
    count=$(printf '%s\n' $files | wc -l)
    # xargs runs this script again for each file, $JOBS at a time.
    if printf '%s\n' $files | xargs -P "$JOBS" -n 1 "$0" "$conf" one; then
        echo "Windows compile check (i686-w64-mingw32, -fsyntax-only): $count files, all ok"
    else
        echo "Windows compile check (i686-w64-mingw32, -fsyntax-only): failures above"
        exit 1
    fi
    ;;
one)
    compile_one "$3"
    ;;
cmake)
    dir="$WORK/cmake-i686"
    # Qt's package files are this machine's: they give headers and moc, never a
    # library to link, as only static libraries are built. hidapi is named, not found.
    "$CMAKE" -Wno-dev -S "$SRC" -B "$dir" -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_C_COMPILER="$CC32" -DCMAKE_CXX_COMPILER="$CXX32" \
        -DCMAKE_CXX_FLAGS=-Werror -DQt5_DIR="$QT5_DIR" \
        -DHIDAPI_INCLUDE_DIR="$HIDAPI_INCLUDE_DIR" -DHIDAPI_LIBRARY="$dir/hidapi.lib" \
        >"$WORK/cmake-i686.log" 2>&1 || {
        cat "$WORK/cmake-i686.log"
        echo "FAIL  configuring for Windows"
        exit 1
    }
    echo "ok    configured for Windows (i686-w64-mingw32)"
    targets=""
    for d in $SUBSYSTEMS; do
        [ "$d" = numeric ] || targets="$targets quillon_$d"
    done
    "$CMAKE" --build "$dir" -j "$JOBS" --target $targets >"$WORK/cmake-i686-build.log" 2>&1 || {
        grep -E -A5 "error|warning" "$WORK/cmake-i686-build.log"
        echo "FAIL  building the libraries for Windows"
        exit 1
    }
    echo "ok    built$targets"
    status=0
    for file in $(cd "$SRC" && for d in $SUBSYSTEMS; do ls $d/*_win.cpp 2>/dev/null; done); do
        if [ -n "$(find "$dir" -name "$(basename "$file").obj")" ]; then
            echo "ok    $file is built"
        else
            echo "FAIL  $file is not part of the Windows build"
            status=1
        fi
    done
    stray=$(find "$dir" -name '*_linux.cpp.obj' -o -name '*_unix.cpp.obj')
    if [ -n "$stray" ]; then
        echo "FAIL  Linux files in the Windows build: $stray"
        status=1
    fi
    exit $status
    ;;
wine)
    run="$WORK/run"
    mkdir -p "$run" || exit 1
    cd "$run" || exit 1
    rm -f ./*.exe ./*.dll ./*.txt
    flags="-std=c++17 -O1 -Wall -Wextra -Werror"
    dll="$flags -shared -static-libgcc -static-libstdc++"
    t="$SRC/tests/win32"
    echo "Building the Win32 test program with $CXX64"
    "$CXX64" $dll -o fakesdk_complete.dll "$t/fakesdk_win.cpp" "$t/fakesdk.def" &&
        "$CXX64" $dll -o fakesdk_no943.dll "$t/fakesdk_win.cpp" "$t/fakesdk_no943.def" &&
        "$CXX64" $dll -DFAKESDK_INIT_RESULT=3 -o fakesdk_init3.dll "$t/fakesdk_win.cpp" \
            "$t/fakesdk.def" &&
        "$CXX64" $flags -static -o schtasks.exe "$t/schtasks_recorder_win.cpp" &&
        "$CXX64" $flags -static -I"$SRC" -I"$SRC/app" -I"$SRC/shell" -I"$SRC/sensors" -I"$SRC/device" -I"$SRC/usage" \
            -o tst_win32.exe "$t/tst_win32.cpp" \
            "$SRC/sensors/sensorsdk.cpp" "$SRC/sensors/sdkloader_win.cpp" \
            "$SRC/app/crashhandler.cpp" "$SRC/app/crashhandler_win.cpp" \
            "$SRC/shell/schtasks.cpp" "$SRC/shell/schtasks_win.cpp" \
            "$SRC/device/devicebroadcast.cpp" "$SRC/device/devicebroadcast_win.cpp" \
            "$SRC/usage/win32usage_win.cpp" -lshell32 -luser32 ||
        exit 1

    # A prefix of our own, no window system, no Mono or Gecko installers, and no
    # debugger on a fault (the no-restart case must simply end).
    export WINEPREFIX="$WORK/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
    unset DISPLAY WAYLAND_DISPLAY
    echo "Running tst_win32.exe under $WINE"
    timeout 150 "$WINE" tst_win32.exe
    status=$?
    # Nothing of the prefix may outlive the test.
    "$WINESERVER" -k 2>/dev/null
    exit $status
    ;;
*)
    echo "usage: $0 <conf> compile|wine" >&2
    exit 2
    ;;
esac
