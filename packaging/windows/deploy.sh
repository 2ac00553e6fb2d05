#!/usr/bin/env bash
# Lays out a Windows build's deploy folder as a user receives it, and zips it:
#   <build>/Quillon/   quillon.exe, configDir/, the Qt DLLs and plugins it loads,
#                      hidapi.dll and the MinGW runtime
#   <build>/Quillon-<version>-<suffix>.zip
# Every DLL that a file in the folder imports is either in the folder or one that
# Windows itself provides; anything else fails the deploy.
#
#   deploy.sh <build folder> <i686|x86_64> <version>
set -euo pipefail
build=$1
arch=$2
version=$3
triple=$arch-w64-mingw32
prefix=${QUILLON_WINDOWS_SDK:-$HOME/.cache/quillon}/mingw-$arch
suffix=$([ "$arch" = i686 ] && echo win32 || echo win64)
out=$build/Quillon
objdump=$triple-objdump

rm -rf "$out"
mkdir -p "$out/platforms" "$out/styles" "$out/imageformats"
cp "$build/quillon.exe" "$out/"
cp -r "$build/configDir" "$out/"
cp "$prefix/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$prefix/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
cp "$prefix/plugins/imageformats/qico.dll" "$prefix/plugins/imageformats/qgif.dll" "$out/imageformats/"

# Where imported DLLs are looked for: the Qt prefix, hidapi, and the compiler's runtime.
gcc_dir=$(dirname "$("$triple-g++-posix" -print-libgcc-file-name)")
pthread_dll=$("$triple-g++-posix" -print-file-name=libwinpthread-1.dll)
search=("$prefix/bin" "$gcc_dir" "$(dirname "$pthread_dll")" "/usr/$triple/lib")

# Windows' own DLLs: those Wine provides as its system libraries (the same names on
# 32- and 64-bit Windows).
system_dlls=$(find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows \
                   -maxdepth 1 -name '*.dll' -printf '%f\n' 2>/dev/null | tr 'A-Z' 'a-z' | sort -u || true)
[ -n "$system_dlls" ] || { echo "deploy: Wine's system DLLs (package wine64) are needed to tell Windows' own DLLs" >&2; exit 1; }

imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }

missing=0
queue=("$out/quillon.exe" "$out"/platforms/*.dll "$out"/styles/*.dll "$out"/imageformats/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(imports "$file"); do
        lower=$(echo "$dll" | tr 'A-Z' 'a-z')
        [ -e "$out/$dll" ] && continue
        found=""
        for dir in "${search[@]}"; do
            [ -e "$dir/$dll" ] && { found=$dir/$dll; break; }
        done
        if [ -n "$found" ]; then
            cp "$found" "$out/"
            queue+=("$out/$dll")
        elif ! grep -qx "$lower" <<<"$system_dlls"; then
            echo "deploy: $dll, imported by ${file#$out/}, is neither built nor a Windows DLL" >&2
            missing=1
        fi
    done
done
[ $missing = 0 ] || exit 1

# Release binaries without their symbol tables, as users get them.
find "$out" -name '*.exe' -o -name '*.dll' | xargs "$triple-strip" --strip-unneeded

zip=$build/Quillon-$version-$suffix.zip
rm -f "$zip"
(cd "$build" && zip -qr -X "$(basename "$zip")" Quillon)
echo "deploy: $out ($(du -sh "$out" | cut -f1)), $zip ($(du -h "$zip" | cut -f1))"
