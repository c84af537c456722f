#!/bin/sh
# End to end under a real X server: starts galeria, takes the widgets'
# positions from its F1 listing, then clicks check boxes, two-state buttons,
# a push button and the spin boxes' arrows and checks the screen after each.
# The listing must hold one statement per widget and compile as C++.
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick is missing. CALC_RUN,
# when set, runs the program and execs it (tests/support/wine.sh).
# usage: galeria_x.sh GALERIA CXX SOURCE_DIR
set -u
exe=$1 cxx=$2 src=$3
widgets=22 # what the gallery shows
. "$(dirname "$0")/../support/xvfb.sh"
necesita Xvfb xdotool import convert compare pkg-config
xvfb_start 91 "$work/xvfb.log" || fail "Xvfb did not start"

SDL_AUDIODRIVER=dummy ${CALC_RUN:+"$CALC_RUN"} "$exe" >"$work/out.txt" 2>"$work/err.txt" &
app_pid=$!
wid=$(app_window)
[ -n "$wid" ] || fail "no window"

# The listing: after the graphics layer's trace line, one statement per widget.
xdotool mousemove --window "$wid" 600 460
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key F1
wait_line '^new SpinBoxS' "$work/out.txt"
sleep 0.2
tr -d '\r' <"$work/out.txt" | grep -v '^Profundidad' >"$work/list.txt" # Windows ends lines in \r\n
lines=$(wc -l <"$work/list.txt")
[ "$lines" = $widgets ] || fail "F1 printed $lines lines for $widgets widgets"
grep -v '^new ' "$work/list.txt" && fail "the lines above are no creation statements"
[ "$(sort -u "$work/list.txt" | wc -l)" = $widgets ] || fail "a widget is listed twice"
{ echo '#include "widgets/objetos.h"'; echo 'void recrear() {'; cat "$work/list.txt"; echo '}'; } \
    >"$work/recrear.cpp"
"$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$src" $(pkg-config --cflags sdl SDL_ttf) \
    "$work/recrear.cpp" || fail "the listing does not compile"
echo "ok: F1 lists $widgets statements that compile"

# Position of the listed widget of CLASS whose statement contains TEXT.
pos() { sed -n "s/^new $1(\([0-9]*\),\([0-9]*\),.*$2.*/\1 \2/p" "$work/list.txt" | head -n 1; }
pixel() { convert "$work/$1.png" -format "%[hex:p{$2,$3}]" info:; }
crop() { convert "$work/$1.png" -crop "$2" +repage "$work/$3.png"; }
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }

# A click at (cx, cy) from the widget's corner flips what the pixel at (lx, ly) shows:
# the check box's mark (red or the grey square), the two-state button's face (230 on, 150 off).
while read -r class text cx cy lx ly before after <&3; do
    set -- $(pos "$class" "$text")
    [ $# = 2 ] || fail "$class $text is not listed"
    x=$1 y=$2
    shot before 0.3
    p=$(pixel before $((x + lx)) $((y + ly)))
    [ "$p" = "$before" ] || fail "$class $text shows $p before the click, not $before"
    click $((x + cx)) $((y + cy))
    shot after 0.3
    p=$(pixel after $((x + lx)) $((y + ly)))
    [ "$p" = "$after" ] || fail "$class $text shows $p after the click, not $after"
    echo "ok: $class $text went from $before to $after"
done 3<<EOF
Chequeo Cursiva 8  8  8 8  E6E6E6 FF0000
Chequeo Negrita 8  8  8 8  FF0000 E6E6E6
CBoton  Sonido  45 12 3 21 969696 E6E6E6
CBoton  Luz     45 12 3 21 E6E6E6 969696
EOF

# A push button shows the pressed face (150) only while the button is held over it;
# released over it, it writes its name into the text field.
set -- $(pos Boton Aceptar)
x=$1 y=$2
set -- $(pos TextoE '')
field="180x20+$(($1 + 2))+$(($2 + 2))"
shot rest 0.3
crop rest "$field" field_before
for step in "mousemove --window $wid $((x + 45)) $((y + 12)) mousedown 1:969696" \
            "mousemove --window $wid $((x + 45)) $((y + 60)):E6E6E6" \
            "mousemove --window $wid $((x + 45)) $((y + 12)):969696" \
            "mouseup 1:E6E6E6"; do
    xdotool ${step%:*}
    shot held 0.3
    p=$(pixel held $((x + 3)) $((y + 21)))
    [ "$p" = "${step#*:}" ] || fail "Aceptar shows $p after '${step%:*}', not ${step#*:}"
done
crop held "$field" field_after
[ "$(differ field_before.png field_after.png)" != 0 ] || fail "releasing Aceptar left the text field alone"
echo "ok: Aceptar looks pressed only while held over it, and its click reaches the field"

# Each spin box: the upper arrow changes the value field, the lower one brings it back.
for class in SpinBox SpinBoxD SpinBoxS; do
    set -- $(pos $class '')
    x=$1 y=$2 value="56x20+$(($1 + 20))+$(($2 + 2))"
    shot first 0.3
    crop first "$value" v0
    click $((x + 9)) $((y + 6))
    shot up 0.3
    crop up "$value" v1
    click $((x + 9)) $((y + 18))
    shot down 0.3
    crop down "$value" v2
    [ "$(differ v0.png v1.png)" != 0 ] || fail "$class: the upper arrow changed nothing"
    [ "$(differ v0.png v2.png)" = 0 ] || fail "$class: the lower arrow did not undo the upper one"
    echo "ok: $class steps up and back down"
done

escape_acaba galeria
