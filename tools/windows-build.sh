#!/usr/bin/env bash
# The Windows program from the same CMake files as the Linux one, warnings as errors:
#   build-win32/quillon.exe (i686, shipped) and build-win64/quillon.exe (x86_64, which
#   the checks run under wine64), each with its deploy folder Quillon/ and zip.
#
#   tools/windows-build.sh [i686] [x86_64]      (both when none is named)
#   tools/windows-build.sh --check              x86_64, and i686 where its Qt is built
set -euo pipefail
cd "$(dirname "$0")/.."
SDK=${QUILLON_WINDOWS_SDK:-$HOME/.cache/quillon}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
ARCHES=("$@")
[ ${#ARCHES[@]} -gt 0 ] || ARCHES=(i686 x86_64)
if [ "${ARCHES[0]}" = --check ]; then
    ARCHES=(x86_64)
    if [ -e "$SDK/mingw-i686/.complete" ]; then
        ARCHES+=(i686)
    else
        echo "The 32-bit program is not built: no Qt for i686 Windows in $SDK (make deps-windows)."
    fi
fi
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

for arch in "${ARCHES[@]}"; do
    if [ ! -e "$SDK/mingw-$arch/.complete" ]; then
        echo "Qt and hidapi for $arch Windows are not in $SDK: run make deps-windows first." >&2
        exit 1
    fi
    build=build-$([ "$arch" = i686 ] && echo win32 || echo win64)
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQUILLON_WERROR=ON >/dev/null
    cmake --build "$build" -j "$JOBS" --target quillon
    packaging/windows/deploy.sh "$build" "$arch" "$version"
done
