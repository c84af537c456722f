#!/bin/sh
# End to end under a real X server: starts calculadora in the data folder,
# clicks keys and types with xdotool, and compares screenshots with frames
# that render_keys draws in-process for the same keys; "on" ends it with END
# and status 0, a second start ends with Escape. Exits 77 (skipped) when
# Xvfb, xdotool or ImageMagick is missing. CALC_RUN, when set, is a command
# that runs the program and execs it (tests/support/wine.sh for the Windows
# build, whose frames are so compared with those of the Linux build).
# usage: e2e_x.sh CALCULADORA RENDER_KEYS DATA_DIR
set -u
exe=$1 render=$2 data=$3
. "$(dirname "$0")/../support/xvfb.sh"
necesita Xvfb xdotool import convert compare
xvfb_start 91 "$work/xvfb.log" || fail "Xvfb did not start"

cd "$data" || fail "no data folder"
start() {
    ${CALC_RUN:+"$CALC_RUN"} "$exe" >"$work/out.txt" 2>&1 &
    app_pid=$!
    primer_cero calculadora
}
start

click() {
    for k in "$@"; do
        set -- $(centre "$k")
        xdotool mousemove --window "$wid" "$1" "$2" click 1
    done
}

click 1 2 3 +
shot clicked
reference ref123 "123+"
same clicked.png ref123.bmp

click C
xdotool mousemove --window "$wid" 124 100
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key --delay 30 1 2 3 KP_Add
shot typed
same typed.png clicked.png

# Shifted main-keyboard keys type other characters ('_', '>', '+', '*' on
# the US layout) and enter nothing; an unshifted 4 after them still counts.
xdotool key --delay 30 shift+minus shift+period shift+equal shift+8
shot shifted
same shifted.png typed.png
xdotool key --delay 30 4
shot typed4
reference ref1234 "123+4"
same typed4.png ref1234.bmp

# Keyboard equivalents: keypad operators, Return as "=", Delete as "C".
xdotool key --delay 30 Delete 6 KP_Multiply 7 Return
shot typed42
reference ref42 "6X7="
same typed42.png ref42.bmp

click C 7 / 0 =
shot error
reference referr "7/0="
same error.png referr.bmp
d=$(differ error.png cero.png)
[ "$d" -gt 50 ] || fail "the error frame looks like the start frame"
echo "ok: the error frame differs from the start frame in $d pixels"

click on
app_wait "on"
[ "$status" = 0 ] || fail "exit status $status"
# Windows' C library ends a text stream's lines with \r\n.
tr -d '\r' <"$work/out.txt" | grep -qx END || fail "no END line: $(cat "$work/out.txt")"
echo "ok: on ends with status 0 and END"

start
escape_acaba calculadora
tr -d '\r' <"$work/out.txt" | grep -qx END && fail "Escape wrote END"
echo "ok: no END line after Escape"
