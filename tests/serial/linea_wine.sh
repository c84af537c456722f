#!/bin/sh
# Runs a command, a Windows test under Wine, with a serial line to test on:
# socat joins two pseudo-terminals end to end, and two links in
# $WINEPREFIX/dosdevices make them COM ports for Wine. The command finds the
# port names in CALC_PUERTO (the helpers' port) and CALC_PUERTO_EXTREMO (the
# far end, which the test plays), and in CALC_COLGAR a file whose making hangs
# the line up. Without socat it runs without the line, and the tests that need
# one skip.
#   sh tests/serial/linea_wine.sh wine test_port.exe [ARG...]
# Each run takes the first two free COM numbers from 5 on, so runs side by
# side get lines of their own. Exit status: the command's.
set -u
prefix=${WINEPREFIX:-$HOME/.wine}
if ! command -v socat >/dev/null 2>&1 || [ ! -d "$prefix/dosdevices" ]; then
    exec "$@"
fi

dir=$(mktemp -d)
links=
colgador_pid=
terminar() {
    for link in $links; do rm -f "$link"; done
    if [ -n "$colgador_pid" ]; then
        kill "$colgador_pid" 2>/dev/null
        wait "$colgador_pid" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap terminar EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The line lives in a process of its own, the colgador, which also makes
# hang-ups, the one thing no Windows program can do while socat holds both
# ends: the test creates the file CALC_COLGAR names; socat goes (both ports
# are then dead for whoever holds them) and a new line takes the same names,
# for the tests after it; the file goes once that line is up.
# rawer makes both ends raw before anyone opens them: raw mode set later would
# throw away the bytes already waiting.
linea() {
    rm -f "$dir/a" "$dir/b"
    socat pty,rawer,link="$dir/a" pty,rawer,link="$dir/b" 2>"$dir/socat.log" &
    socat_pid=$!
    vueltas=0
    until [ -e "$dir/a" ] && [ -e "$dir/b" ]; do
        vueltas=$((vueltas + 1))
        if [ "$vueltas" -gt 500 ] || ! kill -0 "$socat_pid" 2>/dev/null; then
            echo "linea_wine.sh: socat made no line" >&2
            cat "$dir/socat.log" >&2
            exit 1
        fi
        sleep 0.01
    done
}
colgador() {
    trap 'kill "$socat_pid" 2>/dev/null; wait "$socat_pid" 2>/dev/null; exit 0' TERM
    linea
    touch "$dir/lista"
    while :; do
        until [ -e "$dir/colgar" ]; do sleep 0.01; done
        kill "$socat_pid" 2>/dev/null
        wait "$socat_pid" 2>/dev/null
        linea
        rm -f "$dir/colgar"
    done
}
colgador &
colgador_pid=$!
until [ -e "$dir/lista" ]; do
    kill -0 "$colgador_pid" 2>/dev/null || exit 1
    sleep 0.01
done
CALC_COLGAR="Z:$(echo "$dir/colgar" | tr / '\\')"
export CALC_COLGAR

# reclamar PTY: links the first free comN to PTY and sets $puerto to COMn.
# ln -s refuses a name that is taken, so two runs never get the same one; a
# link to nothing is a run's that was killed, and goes.
reclamar() {
    n=5
    while [ "$n" -le 99 ]; do
        link=$prefix/dosdevices/com$n
        if [ -L "$link" ] && [ ! -e "$link" ]; then rm -f "$link"; fi
        if ln -s "$1" "$link" 2>/dev/null; then
            links="$links $link"
            puerto=COM$n
            return 0
        fi
        n=$((n + 1))
    done
    echo "linea_wine.sh: no free COM port in $prefix/dosdevices" >&2
    exit 1
}
reclamar "$dir/a"
CALC_PUERTO=$puerto
reclamar "$dir/b"
CALC_PUERTO_EXTREMO=$puerto
export CALC_PUERTO CALC_PUERTO_EXTREMO

"$@"
