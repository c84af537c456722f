#!/bin/sh
# The calculator drawing natively on a Wayland compositor: sdl12-compat with
# SDL 2's Wayland driver (SDL_VIDEODRIVER=wayland, no X connection of its
# own) under Debian's weston. Its first frame, found in weston's screenshot,
# must be the same pixels as render_keys' frame (which the X11 tests match
# to the X11 window), and so must the frame after keys typed through the
# compositor; Escape ends it with status 0. Classic SDL 1.2 has no Wayland
# driver.
# weston runs on its X11 backend inside Xvfb, a compositor on no physical
# display all the same: its headless backend offers no seat, and SDL 2.26's
# Wayland driver crashes in SDL_Init without one (a three-line SDL program
# does). Exits 77 (skipped), saying why, when weston, Xvfb, xdotool or PIL for
# /usr/bin/python3 is missing, sdl12-compat is not installed or the compositor
# cannot start.
# usage: wayland_x.sh CALCULADORA RENDER_KEYS DATA_DIR
set -u
exe=$1 render=$2 data=$3
/usr/bin/python3 -c 'import PIL' 2>/dev/null || { echo "skipped: no PIL for /usr/bin/python3"; exit 77; }

. "$(dirname "$0")/../support/xvfb.sh"
necesita Xvfb xdotool weston weston-screenshooter
. "$(dirname "$0")/../support/sdl12compat.sh"
compat=$(sdl12compat "$exe") || { echo "skipped: no sdl12-compat"; exit 77; }
cd "$data" || fail "no data folder"
(exec env -u LD_LIBRARY_PATH SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$render" "$work/ref.bmp" "") \
    >/dev/null 2>&1 || fail "render_keys"

xvfb_start 91 "$work/xvfb.log" || fail "Xvfb did not start"
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=calculadora-test
weston --backend=x11-backend.so --use-pixman --shell=desktop-shell.so --debug --idle-time=0 \
    --width=640 --height=700 --socket=$socket >"$work/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; x_finish' EXIT
i=0
until [ -S "$XDG_RUNTIME_DIR/$socket" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$weston_pid" 2>/dev/null; then
        echo "skipped: weston cannot start here: $(tail -n 1 "$work/weston.log")"
        exit 77
    fi
    sleep 0.05
done
# The desktop shell's panel and background come from clients of its own; a
# window mapped before they are up can be left without the keyboard focus,
# so the calculator starts once the panel stands drawn above the background.
mkdir "$work/shots"
i=0
until (cd "$work/shots" && rm -f ./*.png && WAYLAND_DISPLAY=$socket weston-screenshooter) \
        >/dev/null 2>&1 && /usr/bin/python3 - "$work"/shots/*.png <<'EOF'
import sys
from PIL import Image
s = Image.open(sys.argv[1]).convert("RGB")
panel, fondo = s.getpixel((320, 12)), s.getpixel((320, 400))
sys.exit(0 if panel != fondo and fondo != (0, 0, 0) else 1)
EOF
do
    i=$((i + 1))
    [ $i -gt 100 ] && fail "weston's desktop shell drew no panel in 10 s"
    sleep 0.1
done

# weston's seat has a keyboard focus to give only while its X window has the
# X server's: given before the calculator's window maps, the shell hands it
# on to it. Given later, the calculator can be left without it for good.
wid=$(timeout 10 xdotool search --sync --onlyvisible --class weston 2>/dev/null | head -n 1)
[ -n "$wid" ] || fail "no weston window on the X server"
xdotool windowfocus --sync "$wid" 2>/dev/null

# On Wayland SDL 2 has no software window surface: it draws through OpenGL
# (EGL) whatever the program asks, and Mesa's driver, unloaded by exit, leaves
# allocations a sanitizer build would report as leaks of an unknown module.
(exec env -u DISPLAY -u LD_LIBRARY_PATH LD_LIBRARY_PATH="$compat" SDL_VIDEODRIVER=wayland \
    WAYLAND_DISPLAY=$socket ASAN_OPTIONS=detect_leaks=0 "$exe") >"$work/out.txt" 2>&1 &
app_pid=$!

# where FILE: the position of the reference frame in the screenshot FILE, or
# "none" and how close the nearest place came.
where() {
    /usr/bin/python3 - "$1" "$work/ref.bmp" <<'EOF'
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("RGB")
ref = Image.open(sys.argv[2]).convert("RGB")
(W, H), (w, h) = shot.size, ref.size
s, r = shot.load(), ref.load()
probes = [(w // 2, h // 2), (30, 300), (200, 160), (5, 5)]
best = None
for y in range(H - h + 1):
    for x in range(W - w + 1):
        if all(s[x + i, y + j] == r[i, j] for i, j in probes):
            d = sum(s[x + i, y + j] != r[i, j] for j in range(h) for i in range(w))
            if d == 0:
                print(x, y)
                sys.exit(0)
            best = d if best is None else min(best, d)
print("none", "(nearest: %s pixels differ)" % best if best is not None else "")
EOF
}
i=0
while :; do
    kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid"; fail "ended with status $? on Wayland: $(cat "$work/out.txt")"; }
    sleep 0.3
    rm -f "$work"/shots/*.png
    (cd "$work/shots" && WAYLAND_DISPLAY=$socket weston-screenshooter) >/dev/null 2>&1
    set -- "$work"/shots/*.png
    [ -f "$1" ] || fail "weston-screenshooter wrote nothing"
    at=$(where "$1")
    case $at in none*) ;; *) break ;; esac
    i=$((i + 1))
    [ $i -gt 20 ] && fail "the first frame is not on the Wayland screen: $at"
done
echo "ok: the first frame under weston, at $at of its output, is render_keys' frame pixel for pixel"

# Keys through weston's seat (weston takes them from its X window): 7 + 8 =
# must show render_keys' frame for the same keys at the same place, then
# Escape ends the program with status 0. (Pointer motion from xdotool does not
# reach weston's X11 backend, so no clicks.)
# shows KEYS [LOOKS]: whether the window, at the place of the first frame,
# comes to show render_keys' frame for KEYS within LOOKS screenshots (5).
shows() {
    (exec env -u LD_LIBRARY_PATH SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$render" \
        "$work/ref.bmp" "$1") >/dev/null 2>&1 || fail "render_keys $1"
    n=0
    while [ $n -lt "${2:-5}" ]; do
        sleep 0.3
        rm -f "$work"/shots/*.png
        (cd "$work/shots" && WAYLAND_DISPLAY=$socket weston-screenshooter) >/dev/null 2>&1
        [ "$(where "$work"/shots/*.png)" = "$at" ] && return 0
        n=$((n + 1))
    done
    return 1
}
# The keyboard focus gets to the calculator when weston has passed it on:
# until then a 7 (after a Delete, "C") is typed again.
i=0
until xdotool windowfocus --sync "$wid" key Delete 7 2>/dev/null && shows 7 2; do
    i=$((i + 1))
    [ $i -gt 10 ] && fail "keys typed into weston never reach the calculator"
done
xdotool key --delay 30 KP_Add 8 Return
if ! shows "7+8=" 10; then
    for keys in "7+8" "78=" "8=" "7+" "7" ""; do
        shows "$keys" 1 && fail "after 7 + 8 = the window shows what «$keys» shows"
    done
    fail "after 7 + 8 = the window shows no frame render_keys drew"
fi
echo "ok: 7 + 8 = typed through weston shows render_keys' frame"
escape_acaba calculadora
