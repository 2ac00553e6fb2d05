#!/bin/sh
# Idle cost of the running program: CPU time per second and resident memory, with the
# window shown (offscreen) and hidden in the tray (---StartupByTaskMinWindow).
#
#   tools/measure_idle.sh [build-dir] [seconds] [real|fake]
#
# The sensor library is the build's own (real, default) or the test one (fake); the
# USB display is the test hidapi library, so one report per second is written as with
# a device attached. Figures come from /proc/<pid>/stat (utime + stime) and
# /proc/<pid>/status (VmRSS, VmHWM), sampled after a 5 s settling time.
set -eu

build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
sensors=${3:-real}
ticks=$(getconf CLK_TCK)

[ -x "$build/quillon" ] || { echo "no $build/quillon" >&2; exit 1; }
[ -f "$build/tests/fakehidapi/libhidapi-hidraw.so.0" ] || {
    echo "build the fakehidapi_shared target first" >&2; exit 1; }
libs="$build/tests/fakehidapi"
if [ "$sensors" = fake ]; then
    libs="$build/tests/fakesdk/complete:$libs"
fi

# utime + stime in clock ticks; the command name may hold blanks, so cut after ")".
cpu_ticks() {
    sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
status_kb() {
    awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

printf '%-7s %8s %12s %10s %10s %8s\n' mode seconds 'cpu ms/s' 'VmRSS MB' 'VmHWM MB' reports
for mode in shown hidden; do
    root=$(mktemp -d)
    mkdir -p "$root/home" "$root/config" "$root/data" "$root/tmp" "$root/runtime"
    chmod 700 "$root/runtime"
    arg=""
    [ "$mode" = hidden ] && arg="---StartupByTaskMinWindow"
    env HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
        XDG_RUNTIME_DIR="$root/runtime" TMPDIR="$root/tmp" QT_QPA_PLATFORM=offscreen \
        LD_LIBRARY_PATH="$libs" FAKEHID_WRITE_LOG="$root/writes.hex" \
        "$build/quillon" $arg >"$root/output.txt" 2>&1 &
    pid=$!
    sleep 5
    if ! kill -0 $pid 2>/dev/null; then
        echo "$mode: the program ended during start-up:" >&2
        cat "$root/output.txt" >&2
        exit 1
    fi
    start_ticks=$(cpu_ticks $pid)
    start_reports=$(wc -l < "$root/writes.hex" 2>/dev/null || echo 0)
    sleep "$seconds"
    end_ticks=$(cpu_ticks $pid)
    end_reports=$(wc -l < "$root/writes.hex" 2>/dev/null || echo 0)
    rss=$(status_kb $pid VmRSS)
    hwm=$(status_kb $pid VmHWM)
    kill -TERM $pid
    status=0
    wait $pid || status=$?
    awk -v m="$mode" -v s="$seconds" -v t=$((end_ticks - start_ticks)) -v hz="$ticks" \
        -v r="$rss" -v h="$hwm" -v n=$((end_reports - start_reports)) \
        'BEGIN { printf "%-7s %8d %12.2f %10.1f %10.1f %8d\n", m, s, t * 1000 / hz / s, r / 1024, h / 1024, n }'
    [ "$status" -eq 0 ] || { echo "  (exit status $status)"; tail -5 "$root/output.txt"; }
    rm -rf "$root"
done
