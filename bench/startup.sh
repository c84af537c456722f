#!/bin/sh
# Start-up, memory and idle cost of calculadora beside xcalc (Debian's
# x11-apps), under one Xvfb in the same run. The programs start in turn,
# STARTS times each (default 7); every start is measured by medir_arranque:
# exec to the window mapped, exec to the first drawn frame, resident memory
# one second after the map, processor time and wake-ups over 10 idle seconds.
# With a fourth argument, sdl_vacio (an empty window on the same libraries)
# takes its turn too, as the floor. Prints every start, the medians with the
# ratios calculadora / xcalc, and the per-thread figures of the last start of
# each program.
# usage: startup.sh CALCULADORA DATA_DIR MEDIR_ARRANQUE [SDL_VACIO]
set -eu
calc=$1 data=$2 medir=$3 vacio=${4:-}
starts=${STARTS:-7}
programs="calculadora xcalc"
[ -n "$vacio" ] && programs="$programs sdl_vacio"
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
for tool in Xvfb xcalc xdpyinfo; do
    command -v $tool >/dev/null 2>&1 || { echo "startup.sh: $tool missing" >&2; exit 1; }
done
calc=$(absolute "$calc")
medir=$(absolute "$medir")
[ -n "$vacio" ] && vacio=$(absolute "$vacio")

. "$(dirname "$0")/../tests/support/xvfb.sh"
xvfb_start 91 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; exit 1; }

echo "load before: $(cat /proc/loadavg)"
k=1
while [ $k -le "$starts" ]; do
    for prog in $programs; do
        case $prog in
            calculadora) line=$(cd "$data" && "$medir" -v "$calc") ;;
            xcalc) line=$("$medir" -v xcalc) ;;
            sdl_vacio) line=$("$medir" -v "$vacio") ;;
        esac
        echo "$line" | grep -v '^thread' | sed "s/^/$prog $k: /"
        echo "$line" | grep -v '^thread' >>"$work/$prog.txt"
        echo "$line" | grep '^thread' >"$work/$prog.threads"
    done
    k=$((k + 1))
done
echo "load after: $(cat /proc/loadavg)"

# median FILE FIELD: the median of the numeric FIELD=value over the lines of
# FILE, "-" when there is none.
median() {
    sed -n "s/.*$2=\([0-9][0-9.]*\).*/\1/p" "$1" | sort -n | awk '{ v[NR] = $1 } END {
        if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
        else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
printf '%-22s %12s %12s %12s %12s\n' "median of $starts starts" calculadora xcalc "calc/xcalc" \
    "${vacio:+sdl_vacio}"
for f in map_ms draw_ms rss_kb cpu_pct wakeups_per_s threads; do
    a=$(median "$work/calculadora.txt" $f)
    b=$(median "$work/xcalc.txt" $f)
    r=$(awk -v a="$a" -v b="$b" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    v=
    [ -n "$vacio" ] && v=$(median "$work/sdl_vacio.txt" $f)
    printf '%-22s %12s %12s %12s %12s\n' "$f" "$a" "$b" "$r" "$v"
done

echo
for prog in $programs; do
    echo "threads of the last $prog start (10 idle seconds):"
    sed 's/^/  /' "$work/$prog.threads"
done
