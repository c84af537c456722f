#!/bin/sh
# Runs a command, a Windows test under Wine, with a serial line to test on:
# socat joins two pseudo-terminals end to end, and two links in
# $WINEPREFIX/dosdevices make them COM ports for Wine. The command finds the
# port names in CALC_PUERTO (the helpers' port) and CALC_PUERTO_EXTREMO (the
# far end, which the test plays). Without socat it runs without the line, and
# the tests that need one skip.
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
socat_pid=
terminar() {
    for link in $links; do rm -f "$link"; done
    if [ -n "$socat_pid" ]; then
        kill "$socat_pid" 2>/dev/null
        wait "$socat_pid" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap terminar EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# rawer makes both ends raw before anyone opens them: raw mode set later would
# throw away the bytes already waiting.
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
