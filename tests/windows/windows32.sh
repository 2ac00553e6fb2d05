#!/bin/sh
# The Windows program check on the 32-bit build, where a 32-bit Wine runs here.
#   windows32.sh <tst_windows> <build-win32> <i686 stand-ins> <version>
# Exit status 77 (skipped) with the reason where it cannot run.
test=$1 build=$2 standins=$3 version=$4
wine=$(command -v wine 2>/dev/null || true)
[ -n "$wine" ] || [ ! -x /usr/lib/wine/wine ] || wine=/usr/lib/wine/wine
if [ -z "$wine" ]; then
    echo "32-bit Windows check skipped: no 32-bit Wine loader here (Debian's wine32 needs the i386 architecture)."
    exit 77
fi
prefix=$(mktemp -d)
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null; rm -rf "$prefix"' EXIT
if ! WINEPREFIX=$prefix WINEDEBUG=-all timeout 120 "$wine" "$standins/wintool.exe" visible >/dev/null 2>&1; then
    echo "32-bit Windows check skipped: $wine cannot run a 32-bit program here (a kernel without IA-32 emulation)."
    exit 77
fi
QUILLON_WINE=$wine QUILLON_WINDOWS_DEPLOY=$build/Quillon QUILLON_WINDOWS_STANDINS=$standins \
QUILLON_WINDOWS_SETUP=$build/Quillon-$version-setup.exe exec "$test"
