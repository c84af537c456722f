#!/bin/sh
# Calculadora's start-up seen from inside, on the configurations startup.sh
# measures from outside: classic SDL 1.2, sdl12-compat, and sdl12-compat with
# the user asking SDL 2 for OpenGL, under Xvfb with a window manager. perf
# uprobes on init, SDL_SetVideoMode, load_files and Repaint time each step
# from the calculator's exec; the last column, the return of the first
# Repaint (the face with «0» flipped to the window), is what startup.sh's
# frame_ms sees from outside. perf also samples the processor 10,000 times a
# second: where SDL_SetVideoMode's time goes, library by library (on a
# processor; waiting for the X server is the rest of its wall time).
# Medians [min-max] over STARTS starts (default 7). Needs perf (Debian:
# linux-perf) and the right to add uprobes (root). WM=none: no window manager.
# usage: perfil.sh CALCULADORA DATA_DIR
set -eu
calc=$1 data=$2
starts=${STARTS:-7} wm=${WM:-openbox}
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
calc=$(absolute "$calc")
data=$(absolute "$data")
command -v perf >/dev/null 2>&1 || { echo "perfil.sh: no perf (Debian: linux-perf)"; exit 0; }
classic_lib=$(readlink -f "$(env -u LD_LIBRARY_PATH ldd "$calc" | sed -n 's/.*libSDL-1\.2\.so\.0 => \([^ ]*\) .*/\1/p')")
. "$(dirname "$0")/../tests/support/sdl12compat.sh"
compat=$(sdl12compat "$calc")
compat_lib=$(readlink -f "$compat/libSDL-1.2.so.0" 2>/dev/null || true)

# The probes, removed again on the way out whatever happens.
added=''
probe() { # probe FILE NAME=WHERE, WHERE as perf probe takes it
    perf probe -q -x "$1" --add "$2" 2>/dev/null && added="$added ${2%%=*}"
}
drop_probes() { for p in $added; do perf probe -q -d "probe_*:$p*" 2>/dev/null || true; done; }
. "$(dirname "$0")/../tests/support/xvfb.sh"
trap 'drop_probes; x_finish' EXIT
probe "$calc" "cinit=init" && probe "$calc" "cinit=init%return" && probe "$calc" "cload=load_files" &&
    probe "$calc" "cload=load_files%return" && probe "$calc" "crepaint=Repaint%return" &&
    probe "$classic_lib" "kinit=SDL_Init%return" && probe "$classic_lib" "ksvm=SDL_SetVideoMode" &&
    probe "$classic_lib" "ksvm=SDL_SetVideoMode%return" ||
    { echo "perfil.sh: perf cannot add uprobes here (root and tracefs needed)"; exit 0; }
configs="classic"
if [ -n "$compat_lib" ]; then
    probe "$compat_lib" "qinit=SDL_Init%return" && probe "$compat_lib" "qsvm=SDL_SetVideoMode" &&
        probe "$compat_lib" "qsvm=SDL_SetVideoMode%return" && configs="classic compat compat-gl"
fi

xvfb_start 91 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; exit 1; }
if [ "$wm" != none ] && command -v openbox >/dev/null 2>&1; then
    wm_start "$work/wm.log" || { echo "openbox did not start" >&2; exit 1; }
fi

# one CONFIG K: one start under perf record; writes the step times (ms from
# exec) to $work/CONFIG.txt and SDL_SetVideoMode's samples by library to
# $work/CONFIG.dso.
one() {
    case $1 in
        classic) set -- env -u LD_LIBRARY_PATH ;;
        compat) set -- env LD_LIBRARY_PATH="$compat" ;;
        compat-gl) set -- env LD_LIBRARY_PATH="$compat" SDL_RENDER_DRIVER=opengl SDL_FRAMEBUFFER_ACCELERATION=1 ;;
    esac
    (cd "$data" && perf record -q -o "$work/perf.data" -F 10000 -e cpu-clock -e sched:sched_process_exec \
        -e 'probe_calculadora:*' -e 'probe_libSDL:*' -- "$@" timeout 1.5 "$calc" \
        >/dev/null 2>&1) || true # timeout ends it: a status of 124
    perf script -i "$work/perf.data" -F comm,time,event,ip,dso 2>/dev/null | awk -v out="$work/$config.txt" \
        -v dso="$work/$config.dso" '
        { t = $2; sub(":", "", t); t *= 1000; ev = $3; sub(":$", "", ev); sub(".*:", "", ev)
          sub("^[kq]", "s", ev) } # the same probe in either library
        ev == "sched_process_exec" && $1 == "calculadora" { t0 = t; next }
        !t0 { next }
        ev == "cpu-clock" { if (in_svm) { d = $NF; gsub("[()]", "", d); sub(".*/", "", d); n[d]++ } next }
        ev == "ssvm" { in_svm = 1; svm0 = t }
        ev == "ssvm__return" { in_svm = 0; if (svm0) svm = t - svm0 }
        ev == "crepaint__return" { if (!face) face = t - t0; next }
        !(ev in at) { at[ev] = t - t0 }
        function ms(x) { return x == "" ? "none" : sprintf("%.1f", x) }
        END {
            printf "init=%s sdl_init_done=%s set_video_mode=%s video_mode_done=%s load_files=%s loaded=%s face=%s\n",
                ms(at["cinit"]), ms(at["sinit__return"]), ms(svm), ms(at["ssvm__return"]), ms(at["cload"]),
                ms(at["cload__return"]), ms(face) >> out
            for (d in n) printf "%s %d\n", d, n[d] >> dso
        }'
}

echo "load before: $(cat /proc/loadavg)"
k=1
while [ $k -le "$starts" ]; do
    for config in $configs; do one "$config"; done
    k=$((k + 1))
done
echo "load after: $(cat /proc/loadavg)"

. "$(dirname "$0")/cifras.sh"
echo
echo "ms from exec, median [min-max] of $starts starts; set_video_mode is its duration"
table config 19 "$configs" "init sdl_init_done set_video_mode video_mode_done load_files loaded face"
echo
echo "SDL_SetVideoMode on a processor, ms a start by library (0.1 ms a sample), the top ones:"
for config in $configs; do
    echo "  $config:"
    awk -v s="$starts" '{ n[$1] += $2 } END { for (d in n) printf "%8.1f  %s\n", n[d] / s / 10, d }' \
        "$work/$config.dso" | sort -rn | head -8 | sed 's/^/  /'
done
