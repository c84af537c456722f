#!/bin/sh
# Start-up, memory and idle cost of calculadora on both SDL 1.2 libraries,
# classic SDL 1.2 and sdl12-compat (SDL 1.2 over SDL 2), beside xcalc
# (Debian's x11-apps), under one Xvfb with a window manager (openbox) in the
# same run; calc.compat-gl is calculadora on sdl12-compat with the user asking
# SDL 2 for OpenGL, as SDL 2 does by itself when nothing asks otherwise. With a
# fourth argument sdl_vacio, an empty SDL window on the same libraries that
# starts SDL as init() does, takes its turn on each library too, as the floor.
# Each program starts once unmeasured, and the frame it shows one second after
# its window maps is kept as its settled frame (calculadora's: the face with
# «0», checked to be the same on both libraries). Then the programs start in
# turn, STARTS times each (default 7), every start measured by medir_arranque:
# exec to the window mapped, to the first frame of more than one colour
# (paint_ms, what earlier runs called the first drawn frame), to the first
# frame equal to the settled one (frame_ms), resident memory one second after
# the map, processor time and wake-ups over IDLE seconds (default 10). Prints
# every start, then the median, minimum and maximum of each figure, the
# ratios, and the per-thread figures of the last start of each program.
# WM=none leaves the window manager out; COMPAT names the folder of
# sdl12-compat's libSDL-1.2.so.0 (default: sdl12-compat/ beside the classic one).
# usage: startup.sh CALCULADORA DATA_DIR MEDIR_ARRANQUE [SDL_VACIO]
set -eu
calc=$1 data=$2 medir=$3 vacio=${4:-}
starts=${STARTS:-7} idle=${IDLE:-10} wm=${WM:-openbox}
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
for tool in Xvfb xcalc xdpyinfo xprop; do
    command -v $tool >/dev/null 2>&1 || { echo "startup.sh: $tool missing" >&2; exit 1; }
done
calc=$(absolute "$calc")
data=$(absolute "$data")
medir=$(absolute "$medir")
[ -n "$vacio" ] && vacio=$(absolute "$vacio")
. "$(dirname "$0")/../tests/support/sdl12compat.sh"
compat=${COMPAT:-$(sdl12compat "$calc")}
programs="calc.classic calc.compat calc.compat-gl xcalc"
[ -e "$compat/libSDL-1.2.so.0" ] || { echo "no sdl12-compat in $compat: classic SDL only"; programs="calc.classic xcalc"; }
[ -n "$vacio" ] && case $programs in
    *compat*) programs="$programs vacio.classic vacio.compat" ;;
    *) programs="$programs vacio.classic" ;;
esac

. "$(dirname "$0")/../tests/support/xvfb.sh"
xvfb_start 91 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; exit 1; }
if [ "$wm" != none ]; then
    command -v openbox >/dev/null 2>&1 || { echo "startup.sh: openbox missing (WM=none runs without)" >&2; exit 1; }
    wm_start "$work/wm.log" || { echo "openbox did not start" >&2; exit 1; }
fi

# measure PROGRAM ARG...: one start of PROGRAM through medir_arranque with ARGs.
measure() {
    prog=$1
    shift
    case $prog in
        calc.classic) (cd "$data" && "$medir" "$@" env -u LD_LIBRARY_PATH "$calc") ;;
        calc.compat) (cd "$data" && "$medir" "$@" env LD_LIBRARY_PATH="$compat" "$calc") ;;
        calc.compat-gl) (cd "$data" && "$medir" "$@" env LD_LIBRARY_PATH="$compat" \
            SDL_RENDER_DRIVER=opengl SDL_FRAMEBUFFER_ACCELERATION=1 "$calc") ;;
        xcalc) "$medir" "$@" env -u LD_LIBRARY_PATH xcalc ;;
        vacio.classic) "$medir" "$@" env -u LD_LIBRARY_PATH "$vacio" ;;
        vacio.compat) "$medir" "$@" env LD_LIBRARY_PATH="$compat" "$vacio" ;;
    esac
}

echo "window manager: $wm; sdl12-compat: $compat; programs: $programs"
echo "load before: $(cat /proc/loadavg)"
for prog in $programs; do
    measure "$prog" -i 0 -g "$work/$prog.ppm" | sed "s/^/$prog settling start (not counted): /"
done
if [ -f "$work/calc.compat.ppm" ]; then
    if cmp -s "$work/calc.classic.ppm" "$work/calc.compat.ppm"; then
        echo "calculadora's settled frame: the same bytes on both libraries"
    else
        echo "calculadora's settled frame DIFFERS between the libraries"
    fi
fi
k=1
while [ $k -le "$starts" ]; do
    echo "round $k, load: $(cut -d' ' -f1-3 /proc/loadavg)"
    for prog in $programs; do
        line=$(measure "$prog" -v -i "$idle" -r "$work/$prog.ppm")
        echo "$line" | grep -v '^thread' | sed "s/^/$prog $k: /"
        echo "$line" | grep -v '^thread' >>"$work/$prog.txt"
        echo "$line" | grep '^thread' >"$work/$prog.threads" || true
    done
    k=$((k + 1))
done
echo "load after: $(cat /proc/loadavg)"

. "$(dirname "$0")/cifras.sh"
median() { stat "$1" "$2" | cut -d' ' -f1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0 && a != "-") printf "%.2f", a / b; else print "-" }'; }

echo
echo "median [min-max] of $starts starts each, $(nproc) cores"
table program 22 "$programs" "map_ms paint_ms frame_ms rss_kb cpu_pct wakeups_per_s threads"
echo
# ratio_line A B: the medians of A over those of B, figure by figure.
ratio_line() {
    printf '%-28s' "$1 / $2"
    for f in map_ms frame_ms rss_kb; do
        printf ' %s %s' "$f" "$(ratio "$(median "$work/$1.txt" $f)" "$(median "$work/$2.txt" $f)")"
    done
    echo
}
ratio_line calc.classic xcalc
case $programs in *calc.compat*)
    ratio_line calc.compat calc.classic
    ratio_line calc.compat-gl calc.classic
    ratio_line calc.compat xcalc
    ;;
esac

echo
for prog in $programs; do
    echo "threads of the last $prog start ($idle idle seconds):"
    sed 's/^/  /' "$work/$prog.threads"
done
