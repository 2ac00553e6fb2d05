#!/usr/bin/env bash
# The Windows setup programs, from the deploy folders of tools/windows-build.sh:
#   build-win32/Quillon-<version>-setup.exe        (i686)
#   build-win64/Quillon-<version>-win64-setup.exe  (x86_64)
# with NSIS (makensis), from packaging/windows/quillon.nsi.
#
#   packaging/windows/installer.sh [i686] [x86_64]   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/../.."
ARCHES=("$@")
[ ${#ARCHES[@]} -gt 0 ] || ARCHES=(i686 x86_64)
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

for arch in "${ARCHES[@]}"; do
    if [ "$arch" = i686 ]; then
        build=build-win32 setup=Quillon-$version-setup.exe
    else
        build=build-win64 setup=Quillon-$version-win64-setup.exe
    fi
    deploy=$PWD/$build/Quillon
    [ -e "$deploy/quillon.exe" ] || { echo "$deploy is missing: run make windows first." >&2; exit 1; }
    # The files to install and, in reverse, exactly those to remove: the uninstaller
    # never deletes what it did not put there.
    install=$PWD/$build/installer-files.nsh
    remove=$PWD/$build/uninstaller-files.nsh
    : >"$install"
    : >"$remove"
    (cd "$deploy" && find . -type d | sort) | while read -r dir; do
        win=${dir#.}
        win=${win//\//\\}
        echo "SetOutPath \"\$INSTDIR$win\"" >>"$install"
        (cd "$deploy/$dir" && find . -maxdepth 1 -type f | sort) | while read -r f; do
            echo "File \"$deploy/${dir#./}/${f#./}\"" >>"$install"
            echo "Delete \"\$INSTDIR$win\\${f#./}\"" >>"$remove"
        done
    done
    (cd "$deploy" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
        win=${dir#.}
        echo "RMDir \"\$INSTDIR${win//\//\\}\"" >>"$remove"
    done
    echo 'SetOutPath "$INSTDIR"' >>"$install"
    sed -i 's#File "\(.*\)/\./#File "\1/#' "$install"
    # The logon task the program registers: its name and the AppID of its appConfig.ini.
    appid=$(sed -n 's/^AppID=//p' "$deploy/configDir/appConfig.ini" | tr -d '\r')
    makensis -V2 -DVERSION="$version" -DARCH="$arch" -DTASK_NAME="quillonStartupTaskOKver---$appid" -DICON="$PWD/packaging/windows/quillon.ico" \
        -DOUTFILE="$PWD/$build/$setup" -DFILELIST="$install" -DUNFILELIST="$remove" \
        packaging/windows/quillon.nsi
    echo "installer: $build/$setup ($(du -h "$build/$setup" | cut -f1))"
done
