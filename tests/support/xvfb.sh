# Sourced by the scripts that run a program under a real X server. Sourcing
# makes a scratch folder, $work, and arranges that the server ($xvfb_pid),
# the program under test ($app_pid) and the folder go when the script ends.
work=$(mktemp -d)
xvfb_pid='' app_pid=''
x_finish() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap x_finish EXIT
fail() { echo "FAIL: $*"; exit 1; }

# xvfb_start FIRST LOG starts Xvfb (640 x 700, 24 bits) on the first free
# display from FIRST up, its output in LOG, and returns once the server
# answers, with DISPLAY exported; 1 when none came up. A display whose lock
# another server takes first is passed over.
xvfb_start() {
    xvfb_n=$1
    while [ "$xvfb_n" -lt $(($1 + 50)) ]; do
        if [ ! -e /tmp/.X$xvfb_n-lock ] && [ ! -e /tmp/.X11-unix/X$xvfb_n ]; then
            Xvfb :$xvfb_n -screen 0 640x700x24 -nolisten tcp -noreset >"$2" 2>&1 &
            xvfb_pid=$!
            export DISPLAY=:$xvfb_n
            xvfb_i=0
            while kill -0 "$xvfb_pid" 2>/dev/null; do
                { xdpyinfo || xdotool getmouselocation; } >/dev/null 2>&1 && return 0
                xvfb_i=$((xvfb_i + 1))
                [ $xvfb_i -gt 100 ] && return 1
                sleep 0.05
            done
        fi
        xvfb_n=$((xvfb_n + 1))
    done
    return 1
}

# The window of the program under test, waited for up to 10 s; nothing when
# none appeared.
app_window() {
    timeout 10 xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1
}

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

# sdl_library EXE: "sdl12-compat" when the dynamic loader gives EXE the SDL 1.2
# carried over SDL 2 (LD_LIBRARY_PATH pointing at it), "classic" otherwise.
sdl_library() {
    case $(ldd "$1" 2>/dev/null | grep 'libSDL-1\.2\.so') in
        *sdl12-compat*) echo sdl12-compat ;;
        *) echo classic ;;
    esac
}
