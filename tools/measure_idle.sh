#!/bin/sh
# Idle cost of the running program: CPU time per second and memory, with the window
# shown and hidden in the tray (---StartupByTaskMinWindow).
#
#   tools/measure_idle.sh [build-dir] [seconds] [real|fake|moving] [offscreen|xvfb]
#
# The sensor library is the build's own (real, default), the test one (fake), or the
# test one with temperatures that move by a few degrees every second (moving), as on
# a working machine, so that the dials animate. The USB display is the test hidapi
# library, so one report per second is written as with a device attached.
#
# offscreen (default): Qt's offscreen platform. xvfb: a private Xvfb display, with
# conky beside the program on the same display over the same seconds (update_interval
# 1: CPU, frequency, memory, disk, temperatures) for comparison; needs the packages
# xvfb and conky-std. The display gets a tray (trayer) when it is installed, so that
# "hidden" is the window waiting in the tray; without one the window is minimised,
# and with no window manager to take it away it stays on screen and keeps painting.
# Each row also says which OpenGL driver libraries are mapped. With moving sensors on
# xvfb, when the qtfloor target is built, the shown rows also have "qtfloor": a bare Qt
# Widgets program that makes exactly the window's dial frames (each dial's 10 ms ticks
# and steps after each one-second refresh, each step repainting the area the dial
# repaints, in a window of the main window's size) with one fill each, the least those
# frames cost on this display. The last line gives shown / qtfloor and hidden / conky.
#
# CPU time is the sum of the threads' run time in /proc/<pid>/task/*/schedstat (ns;
# "ticks" is utime + stime from /proc/<pid>/stat, coarser, for a cross-check); memory
# is VmRSS and VmHWM from /proc/<pid>/status and Pss from /proc/<pid>/smaps_rollup.
# Sampling starts after a warm-up of WARMUP seconds (default 8).
set -eu

build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
sensors=${3:-real}
display=${4:-offscreen}
warmup=${WARMUP:-8}
ticks=$(getconf CLK_TCK)

[ -x "$build/quillon" ] || { echo "no $build/quillon" >&2; exit 1; }
[ -f "$build/tests/fakehidapi/libhidapi-hidraw.so.0" ] || {
    echo "build the fakehidapi_shared target first" >&2; exit 1; }
libs="$build/tests/fakehidapi"
case "$sensors" in
real) sdk="" ;;
fake) sdk=complete ;;
moving) sdk=moving ;;
*) echo "sensors: real, fake or moving" >&2; exit 1 ;;
esac
if [ -n "$sdk" ]; then
    [ -f "$build/tests/fakesdk/$sdk/libquillon-sensors.so" ] || {
        echo "build the fakesdk_$sdk target first" >&2; exit 1; }
    libs="$build/tests/fakesdk/$sdk:$libs"
fi

# Whatever this script started goes with it, also when it is interrupted.
pid=""
conky_pid=""
floor_pid=""
xvfb_pid=""
tray_pid=""
sleep_pid=""
cleanup() {
    for p in $pid $conky_pid $floor_pid $tray_pid $xvfb_pid $sleep_pid; do
        kill "$p" 2>/dev/null || true
    done
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# A sleep that a signal cuts short: the shell runs its traps only between commands.
pause() {
    sleep "$1" &
    sleep_pid=$!
    wait "$sleep_pid"
    sleep_pid=""
}

case "$display" in
offscreen)
    platform=offscreen
    ;;
xvfb)
    command -v Xvfb >/dev/null && command -v conky >/dev/null || {
        echo "xvfb needs Xvfb and conky: apt-get install xvfb conky-std" >&2; exit 1; }
    platform=xcb
    # The first free display number from :90 up.
    number=90
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
        number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    waited=0
    while [ ! -e "/tmp/.X11-unix/X$number" ]; do
        waited=$((waited + 1))
        [ "$waited" -le 50 ] && kill -0 "$xvfb_pid" 2>/dev/null || {
            echo "Xvfb :$number did not start" >&2; exit 1; }
        sleep 0.1
    done
    export DISPLAY=":$number"
    if command -v trayer >/dev/null; then
        trayer >/dev/null 2>&1 &
        tray_pid=$!
    fi
    ;;
*) echo "display: offscreen or xvfb" >&2; exit 1 ;;
esac

# Run time of every thread of a process, in nanoseconds.
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'
}
# utime + stime in clock ticks; the command name may hold blanks, so cut after ")".
cpu_ticks() {
    sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
status_kb() {
    awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}
pss_kb() {
    awk '$1 == "Pss:" { print $2 }' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0
}
# OpenGL driver libraries mapped (Mesa, its DRI drivers, LLVM), or "none". The glvnd
# stubs libGL, libGLX and libGLdispatch are linked by libQt5Gui itself and not counted.
gl_mapped() {
    found=$(grep -oE '[^/]*(GLX_|EGL_|glapi|_dri|LLVM|gallium|mesa)[^/]*$' "/proc/$1/maps" |
        sort -u | tr '\n' ' ')
    echo "${found:-none}"
}

write_conky_config() {
    cat >"$1" <<'EOF'
conky.config = {
    out_to_x = true,
    out_to_console = false,
    own_window = true,
    own_window_type = 'normal',
    double_buffer = true,
    use_xft = true,
    font = 'DejaVu Sans:size=10',
    update_interval = 1,
    background = false,
    minimum_width = 300,
};
conky.text = [[
CPU ${cpu cpu0}% ${cpubar cpu0}
Frequency ${freq_g} GHz
Memory ${mem} / ${memmax} ${membar}
Disk ${fs_used /} / ${fs_size /} ${fs_bar /}
Temperatures ${hwmon 0 temp 1} °C ${acpitemp} °C
]]
EOF
}

# One result row: name, start ns, end ns, start ticks, end ticks, pid, reports. The
# row's CPU time per second is left in last_ms.
row() {
    last_ms=$(awk -v ns=$(($3 - $2)) -v s="$seconds" 'BEGIN { printf "%.3f", ns / 1e6 / s }')
    awk -v m="$1" -v s="$seconds" -v ns=$(($3 - $2)) -v t=$(($5 - $4)) -v hz="$ticks" \
        -v r="$(status_kb "$6" VmRSS)" -v h="$(status_kb "$6" VmHWM)" -v p="$(pss_kb "$6")" \
        -v n="$7" -v gl="$(gl_mapped "$6")" \
        'BEGIN { printf "%-7s %7d %9.2f %10.2f %9.1f %8.1f %9.1f %8s  %s\n", m, s, ns / 1e6 / s,
                 t * 1000 / hz / s, r / 1024, p / 1024, h / 1024, n, gl }'
}

# The row of a program run beside Quillon (name, pid, start ns, start ticks), which
# then stops.
companion_row() {
    row "$1" "$3" "$(cpu_ns "$2")" "$4" "$(cpu_ticks "$2")" "$2" -
    kill -TERM "$2"
    wait "$2" 2>/dev/null || true
}

# CPU time per second as a multiple of the comparison's, "-" where it did not run.
ratio() {
    if [ -z "$2" ]; then
        echo -
        return
    fi
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f\n", a / b; else print "-" }'
}

printf '%-7s %7s %9s %10s %9s %8s %9s %8s  %s\n' mode seconds 'cpu ms/s' 'ticks ms/s' \
    'VmRSS MB' 'PSS MB' 'VmHWM MB' reports 'GL driver libraries'
for mode in shown hidden; do
    root=$(mktemp -d)
    mkdir -p "$root/home" "$root/config" "$root/data" "$root/tmp" "$root/runtime"
    chmod 700 "$root/runtime"
    arg=""
    [ "$mode" = hidden ] && arg="---StartupByTaskMinWindow"
    env HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
        XDG_RUNTIME_DIR="$root/runtime" TMPDIR="$root/tmp" QT_QPA_PLATFORM=$platform \
        LD_LIBRARY_PATH="$libs" FAKEHID_WRITE_LOG="$root/writes.hex" \
        "$build/quillon" $arg >"$root/output.txt" 2>&1 &
    pid=$!
    conky_pid=""
    conky_ms=""
    floor_ms=""
    if [ "$display" = xvfb ]; then
        write_conky_config "$root/conky.conf"
        conky -c "$root/conky.conf" >"$root/conky.txt" 2>&1 &
        conky_pid=$!
        if [ "$mode" = shown ] && [ "$sensors" = moving ] &&
            [ -x "$build/tools/qtfloor/qtfloor" ]; then
            env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$root/runtime" \
                "$build/tools/qtfloor/qtfloor" "$build/configDir/" >"$root/qtfloor.txt" 2>&1 &
            floor_pid=$!
        fi
    fi
    pause "$warmup"
    if ! kill -0 $pid 2>/dev/null; then
        echo "$mode: the program ended during start-up:" >&2
        cat "$root/output.txt" >&2
        exit 1
    fi
    start_ns=$(cpu_ns $pid)
    start_ticks=$(cpu_ticks $pid)
    start_reports=$(wc -l <"$root/writes.hex" 2>/dev/null || echo 0)
    if [ -n "$conky_pid" ]; then
        conky_start_ns=$(cpu_ns $conky_pid)
        conky_start_ticks=$(cpu_ticks $conky_pid)
    fi
    if [ -n "$floor_pid" ]; then
        floor_start_ns=$(cpu_ns $floor_pid)
        floor_start_ticks=$(cpu_ticks $floor_pid)
    fi
    pause "$seconds"
    end_ns=$(cpu_ns $pid)
    end_ticks=$(cpu_ticks $pid)
    end_reports=$(wc -l <"$root/writes.hex" 2>/dev/null || echo 0)
    row "$mode" "$start_ns" "$end_ns" "$start_ticks" "$end_ticks" $pid \
        $((end_reports - start_reports))
    program_ms=$last_ms
    if [ -n "$conky_pid" ]; then
        companion_row conky "$conky_pid" "$conky_start_ns" "$conky_start_ticks"
        conky_pid=""
        conky_ms=$last_ms
    fi
    if [ -n "$floor_pid" ]; then
        companion_row qtfloor "$floor_pid" "$floor_start_ns" "$floor_start_ticks"
        floor_pid=""
        floor_ms=$last_ms
    fi
    case "$mode" in
    shown) shown_ratio=$(ratio "$program_ms" "${floor_ms:-}") ;;
    hidden) hidden_ratio=$(ratio "$program_ms" "${conky_ms:-}") ;;
    esac
    kill -TERM $pid
    status=0
    wait $pid || status=$?
    pid=""
    [ "$status" -eq 0 ] || { echo "  (exit status $status)"; tail -5 "$root/output.txt"; }
    rm -rf "$root"
done

if [ "$display" = xvfb ]; then
    echo "shown / qtfloor $shown_ratio   hidden / conky $hidden_ratio"
fi
