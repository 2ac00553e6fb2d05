#!/usr/bin/env bash
# Installs the Debian package, starts the installed program headless in a throw-away
# home and checks that it came up from /usr/lib/quillon (its configDir in the log, its
# sensor library loaded, the autostart entry naming /usr/bin/quillon), then purges the
# package and checks that nothing of it is left.
#
#     packaging/install-check.sh build/quillon_<version>_<arch>.deb
set -euo pipefail

deb=$(realpath "${1:?usage: $0 <package.deb>}")
sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
package=$(dpkg-deb --field "$deb" Package)
private=/usr/lib/$package

fail() {
    echo "install check: $*" >&2
    exit 1
}

# Everything the package ships, as absolute paths (directories end in '/').
mapfile -t shipped < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e '/^\/$/d')
# Names like ours outside the homes before the install, so that leftovers can be told
# from files that were there already.
ours() {
    find /etc /usr /var /opt -xdev -iname "*$package*" -not -path '/var/log/*' -not -path '/var/cache/*' 2>/dev/null | sort
}
before=$(ours)

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb"

[ "$(readlink /usr/bin/quillon)" = "../lib/$package/quillon" ] ||
    fail "/usr/bin/quillon is not the relative link to $private/quillon"
for f in "$private/quillon" "$private/libquillon-sensors.so" "$private/configDir/appConfig.ini"; do
    [ -f "$f" ] || fail "$f is not installed"
done

# A system service in the package (the power helper) is enabled by the installation.
for path in "${shipped[@]}"; do
    case "$path" in
    */lib/systemd/system/*.service)
        # deb-systemd-helper answers only maintainer scripts: look for the link itself.
        [ -n "$(find /etc/systemd/system -name "${path##*/}" -type l 2>/dev/null)" ] ||
            fail "${path##*/} is not enabled after the installation"
        echo "install check: ${path##*/} enabled"
        ;;
    esac
done

home=$(mktemp -d)
out=$home/stdout
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -rf "$home"
}
trap cleanup EXIT
mkdir -m 0700 "$home/tmp" "$home/run"

# A home, temporary folder (the single-instance key) and runtime folder of its own, so
# neither an instance of the user's nor the user's own files are touched.
env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" TMPDIR="$home/tmp" \
    XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    QT_QPA_PLATFORM=offscreen quillon >"$out" 2>&1 &
pid=$!

log_dir=$home/data/quillon/logDir
config_record="appConfig.ini Path: \"$private/configDir/\""
library=$private/libquillon-sensors.so
up=
for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || { cat "$out" >&2; fail "quillon ended during start-up"; }
    if grep -qsF "$config_record" "$log_dir"/*.log && grep -qsF "$library" "/proc/$pid/maps" &&
        grep -qF 'SDK HWiNFO -> INIT OK' "$out"; then
        up=yes
        break
    fi
    sleep 0.1
done
if [ -z "$up" ]; then
    cat "$out" >&2
    fail "after 30 s: no \"$config_record\" in the log, $library not loaded or not initialised"
fi
echo "install check: up; logged $config_record; loaded and initialised $library"

entry=$(find "$home/config/autostart" -name '*.desktop' 2>/dev/null | head -n 1)
[ -n "$entry" ] || fail "no autostart entry written"
exec_line=$(grep '^Exec=' "$entry")
[ "$exec_line" = 'Exec="/usr/bin/quillon" ---StartupByTaskMinWindow' ] ||
    fail "the autostart entry does not start /usr/bin/quillon: $exec_line"
echo "install check: autostart entry $exec_line"

# SIGTERM ends it cleanly; give it 10 s.
kill -TERM "$pid"
for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "quillon still running 10 s after SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || { cat "$out" >&2; fail "quillon ended with status $status after SIGTERM"; }

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y "$package"

if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q ' installed$'; then
    fail "$package is still installed"
fi
for path in "${shipped[@]}"; do
    if [ "${path%/}" != "$path" ]; then
        # A folder may stay when it holds others' files or another package owns it.
        if [ -d "$path" ] && [ -z "$(ls -A "$path")" ] && ! dpkg -S "${path%/}" >/dev/null 2>&1; then
            fail "folder $path is left"
        fi
    elif [ -e "$path" ] || [ -L "$path" ]; then
        fail "$path is left"
    fi
done
left=$(comm -13 <(printf '%s\n' "$before") <(ours))
[ -z "$left" ] || fail "left after the purge: $left"
echo "install check: purged, nothing of $package left"
