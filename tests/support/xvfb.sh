# Sourced by the scripts that run a program under a real X server. Sourcing
# makes a scratch folder, $work, and arranges that the server ($xvfb_pid),
# its window manager ($wm_pid), the program under test ($app_pid) and the
# folder go when the script ends. Then: necesita (the tools a test needs),
# xvfb_start, wm_start, app_window, primer_cero (the first frame's «0»),
# app_wait, escape_acaba, wait_line, the keys' centres (centre), and the screenshots and
# their comparison (shot, reference, differ, same). The program's output goes
# to $work/out.txt (stderr apart in $work/err.txt): a failure here shows it.
work=$(mktemp -d) && [ -d "$work" ] || { echo "FAIL: no scratch folder"; exit 1; }
xvfb_pid='' wm_pid='' app_pid=''
x_finish() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap x_finish EXIT
fail() { echo "FAIL: $*"; exit 1; }
# salida: the program's last lines of output, for a failure.
salida() { cat "$work/out.txt" "$work/err.txt" 2>/dev/null | tail -n 20; }
# necesita TOOL...: the test is skipped (status 77) when one is missing.
necesita() {
    for necesita_t in "$@"; do
        command -v "$necesita_t" >/dev/null 2>&1 || { echo "skipped: $necesita_t missing"; exit 77; }
    done
}

# xvfb_start FIRST LOG starts Xvfb (640 x 700, 24 bits) on the first free
# display from FIRST up, its output in LOG, and returns once the server
# answers, with DISPLAY exported; 1 when none came up. A display whose lock
# another server takes first is passed over. CALC_DISPLAY names a server the
# caller keeps up for a whole run instead (scripts/windows.sh test: Wine's
# own processes stay on the display they first met).
xvfb_start() {
    if [ -n "${CALC_DISPLAY:-}" ]; then
        export DISPLAY="$CALC_DISPLAY"
        return 0
    fi
    xvfb_n=$1
    while [ "$xvfb_n" -lt $(($1 + 50)) ]; do
        if [ ! -e /tmp/.X$xvfb_n-lock ] && [ ! -e /tmp/.X11-unix/X$xvfb_n ]; then
            Xvfb :$xvfb_n -screen 0 640x700x24 -nolisten tcp -noreset >"$2" 2>&1 &
            xvfb_pid=$!
            export DISPLAY=:$xvfb_n
            xvfb_i=0
            # The server that answers must be this one: its socket in this
            # /tmp (a test with a /tmp of its own sees no other server's
            # lock, and a client reaches through the abstract socket the
            # server another such test started on the same number).
            while kill -0 "$xvfb_pid" 2>/dev/null; do
                [ -S /tmp/.X11-unix/X$xvfb_n ] &&
                    { xdpyinfo || xdotool getmouselocation; } >/dev/null 2>&1 &&
                    sleep 0.1 && kill -0 "$xvfb_pid" 2>/dev/null && return 0
                xvfb_i=$((xvfb_i + 1))
                [ $xvfb_i -gt 100 ] && return 1
                sleep 0.05
            done
        fi
        xvfb_n=$((xvfb_n + 1))
    done
    return 1
}

# wm_start LOG starts openbox on $DISPLAY, its output in LOG, and returns
# once it manages windows; 1 when it did not in 10 s. It runs its --startup
# command only then: a window mapped while it still starts can be left
# unmanaged, never shown (seen on a fresh system, where openbox's first
# start writes a font cache).
wm_start() {
    rm -f "$work/wm.ready"
    openbox --startup "touch $work/wm.ready" >"$1" 2>&1 &
    wm_pid=$!
    wm_i=0
    until [ -e "$work/wm.ready" ]; do
        wm_i=$((wm_i + 1))
        { [ $wm_i -gt 200 ] || ! kill -0 "$wm_pid" 2>/dev/null; } && return 1
        sleep 0.05
    done
}

# The window of the program under test, waited for up to 10 s; nothing when
# none appeared.
app_window() {
    timeout 10 xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1
}

# primer_cero WHAT [SECONDS]: the window of $app_pid, into $wid, must show «0» (encendidos)
# and, with $render, be render_keys' frame for no keys (drawn in $data) pixel for pixel.
primer_cero() {
    wid=$(app_window)
    [ -n "$wid" ] || fail "$1: no window: $(salida)"
    [ -z "${render:-}" ] || [ -s "$work/cero.bmp" ] || (cd "$data" && reference cero '') || exit 1
    # A shot each SECONDS (0.4) while the frame still changes: OpenGL and Wine take a while.
    cero_antes='' cero_i=0
    while shot cero "${2:-0.4}"; do
        cero_col=$(encendidos 15x35+216+168) cero_resto=$(encendidos 210x35+6+168) cero_d=0
        [ -z "${render:-}" ] || cero_d=$(differ cero.png cero.bmp)
        [ "$cero_col" -ge 100 ] && [ "$cero_resto" = 0 ] && [ "$cero_d" = 0 ] && break
        cero_suma=$(convert "$work/cero.png" rgb:- | cksum) cero_i=$((cero_i + 1))
        [ "$cero_suma" != "$cero_antes" ] && [ $cero_i -lt 20 ] || fail "$1: a wrong first frame ($cero_col" \
            "pixels lit in the last column, $cero_resto left of it${render:+, $cero_d unlike the frame of render_keys})"
        cero_antes=$cero_suma
    done
    echo "ok: $1 shows 0 in its first frame"
}
# encendidos CROP: the pixels of $work/cero.png in CROP in the display colour (133, 248, 73);
# a «0» lights over 100 in the last column (a "1" some 46), and nothing left of it.
encendidos() { convert "$work/cero.png" -crop "$1" +repage txt:- | grep -ci '#85F849'; }

# app_wait WHAT waits up to 5 s for the program to end after WHAT, then
# leaves its exit status in $status.
app_wait() {
    app_i=0
    while kill -0 "$app_pid" 2>/dev/null; do
        app_i=$((app_i + 1))
        [ $app_i -gt 100 ] && fail "still running after $1"
        sleep 0.05
    done
    wait "$app_pid"
    status=$?
    app_pid=''
}

# escape_acaba WHAT: Escape, typed into the window $wid (focused, the pointer
# over it), must end the program with status 0; WHAT names it in a failure.
escape_acaba() {
    xdotool mousemove --window "$wid" 124 100
    xdotool windowfocus --sync "$wid" 2>/dev/null
    xdotool key Escape
    app_wait "Escape"
    [ "$status" = 0 ] || fail "$1: status $status after Escape: $(salida)"
    echo "ok: Escape ends $1 with status 0"
}

# wait_line PATTERN FILE: waits up to 5 s for a line matching PATTERN in FILE.
wait_line() {
    wait_i=0
    until grep -q "$1" "$2"; do
        wait_i=$((wait_i + 1))
        [ $wait_i -gt 100 ] && fail "no line $1 in $2: $(cat "$2")"
        sleep 0.05
    done
}

# shot NAME [SECONDS]: a screenshot of the window $wid into $work/NAME.png,
# taken once the program has had SECONDS (default 0.4) to draw.
shot() {
    sleep "${2:-0.4}"
    import -window "$wid" "$work/$1.png" || fail "screenshot $1"
}

# reference NAME KEYS: the frame that render_keys ($render, run in the
# current folder, which holds the data files) draws after KEYS, as
# $work/NAME.bmp.
reference() {
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$render" "$work/$1.bmp" "$2" >/dev/null 2>&1 ||
        fail "render_keys $2"
}

# centre LABEL: "X Y", the centre of the face's key LABEL in the window, from
# the program's own key table ($render --centros).
centre() {
    [ -s "$work/centros" ] || "$render" --centros >"$work/centros" || fail "$render --centros"
    awk -v k="$1" '$1 == k { print $2, $3; f = 1 } END { exit !f }' "$work/centros" ||
        fail "no key $1 in the key table"
}

# differ A B: the number of pixels in which the pictures $work/A and $work/B differ.
differ() { compare -metric AE "$work/$1" "$work/$2" null: 2>&1 | cut -d' ' -f1; }

# same A B: fails unless $work/A and $work/B are the same picture.
same() {
    same_d=$(differ "$1" "$2")
    [ "$same_d" = 0 ] || fail "$1 and $2 differ in $same_d pixels"
    echo "ok: $1 = $2"
}

# sdl_library EXE: "sdl12-compat" when the dynamic loader gives EXE the SDL 1.2
# carried over SDL 2 (LD_LIBRARY_PATH pointing at it), "classic" otherwise.
sdl_library() {
    case $(ldd "$1" 2>/dev/null | grep 'libSDL-1\.2\.so') in
        *sdl12-compat*) echo sdl12-compat ;;
        *) echo classic ;;
    esac
}
