# Sourced by the scripts that run a program under a real X server.
# xvfb_start FIRST LOG starts Xvfb (640 x 700, 24 bits) on the first free
# display from FIRST up, its output in LOG, and returns once the server
# answers, with DISPLAY exported and its process in xvfb_pid; 1 when none
# came up. A display whose lock another server takes first is passed over.
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
