#!/bin/sh
# The calculator on both SDL 1.2 libraries, side by side: classic SDL 1.2 and
# sdl12-compat (SDL 1.2 carried over SDL 2, what most distributions ship),
# the same binaries with the dynamic loader pointed at one or the other.
# Frames drawn in-process by render_keys must be the same bytes on both, and
# so must the window under a real X server. There the window class is
# "calculadora" on both (the desktop entry's StartupWMClass), sdl12-compat
# shows the window without OpenGL and within twice classic SDL's resident
# memory, and an SDL 2 renderer the user chose is the one SDL 2 takes. Under
# openbox, closing the window ends the program on both.
# Exits 77 (skipped) when Xvfb, xdotool, xprop or ImageMagick is missing, or
# sdl12-compat is not installed (Debian: libsdl1.2-compat).
# usage: dos_sdl_x.sh CALCULADORA RENDER_KEYS DATA_DIR
set -u
exe=$1 render=$2 data=$3
. "$(dirname "$0")/../support/xvfb.sh"
necesita Xvfb xdotool xprop import convert compare

. "$(dirname "$0")/../support/sdl12compat.sh"
compat=$(sdl12compat "$exe") || { echo "skipped: no sdl12-compat"; exit 77; }
# on LIBRARY COMMAND...: runs COMMAND on that SDL 1.2 (exec, so $! is its pid).
on() {
    lib=$1
    shift
    if [ "$lib" = classic ]; then
        exec env -u LD_LIBRARY_PATH "$@"
    else
        exec env LD_LIBRARY_PATH="$compat" "$@"
    fi
}
cd "$data" || fail "no data folder"

# In-process, on the dummy driver: every key of the face, the error frame, a
# long number, and the pixels compared as raw bytes.
n=0
for keys in "" "123+" "6X7=" "7/0=" "2s" "50%" "1.5-3=" "9999999X99999999=" "C0.00-.5=" "8/3="; do
    for lib in classic sdl12-compat; do
        (on $lib env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$render" "$work/$lib.bmp" "$keys") \
            >/dev/null 2>&1 || fail "render_keys «$keys» on $lib"
        convert "$work/$lib.bmp" "rgb:$work/$lib.rgb" || fail "convert $lib.bmp"
    done
    cmp -s "$work/classic.rgb" "$work/sdl12-compat.rgb" ||
        fail "keys «$keys»: the frames differ, $(differ classic.bmp sdl12-compat.bmp) pixels"
    n=$((n + 1))
done
echo "ok: $n frames drawn in-process, the same bytes on both libraries"

xvfb_start 91 "$work/xvfb.log" || fail "Xvfb did not start"
# OpenGL as Mesa loads it: the dispatch libraries, the software driver, LLVM.
opengl='libGL\.so|libGLX|libEGL|swrast_dri|libgallium|libLLVM'

# run LIBRARY NAME [VAR=VALUE...]: starts the calculator on LIBRARY, checks
# its first frame (render_keys' frame, so the same pixels on every run) and
# its window class, lists the OpenGL libraries it mapped in $gl and its
# resident memory in $rss_NAME, and ends it with Escape.
run() {
    lib=$1 name=$2
    shift 2
    (on "$lib" env "$@" "$exe") >"$work/out.txt" 2>&1 &
    app_pid=$!
    primer_cero "$name"
    class=$(xprop -id "$wid" WM_CLASS)
    [ "$class" = 'WM_CLASS(STRING) = "calculadora", "calculadora"' ] || fail "$name: $class"
    gl=$(grep -E "$opengl" "/proc/$app_pid/maps" | awk '{ n = split($6, p, "/"); print p[n] }' | sort -u | tr '\n' ' ')
    eval "rss_$name=$(awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status")"
    escape_acaba "$name"
}

run classic classic
[ -z "$gl" ] || fail "classic SDL 1.2 mapped OpenGL: $gl"
run sdl12-compat compat
[ -z "$gl" ] || fail "sdl12-compat mapped OpenGL: $gl"
echo "ok: the window, class calculadora, the same pixels on both; no OpenGL on sdl12-compat"
# Mesa's software OpenGL alone came to about 90 MB more.
[ "$rss_compat" -le $((2 * rss_classic)) ] ||
    fail "sdl12-compat takes $rss_compat kB against classic's $rss_classic kB"
echo "ok: resident memory $rss_compat kB on sdl12-compat, $rss_classic kB on classic"

# What the user set is left alone: asked for, SDL 2 takes its OpenGL renderer
# (where OpenGL is installed at all), and the pixels stay the same. Mesa's
# driver, unloaded by then, leaves allocations that a sanitizer build would
# report at exit as leaks of an unknown module: not the program's.
run sdl12-compat asked SDL_RENDER_DRIVER=opengl SDL_FRAMEBUFFER_ACCELERATION=1 \
    ASAN_OPTIONS=detect_leaks=0
if /sbin/ldconfig -p | grep -q 'libGL\.so\.1 '; then
    [ -n "$gl" ] || fail "SDL_RENDER_DRIVER=opengl from the user was not followed"
    echo "ok: the user's SDL_RENDER_DRIVER=opengl followed (it mapped $gl), same pixels"
else
    echo "ok: same pixels with SDL_RENDER_DRIVER=opengl (no libGL here, SDL 2 falls back)"
fi

# Closing the window, as a desktop does it: openbox's Alt+F4 sends
# WM_DELETE_WINDOW; on both libraries the program ends with status 0 and
# without "END" (that line belongs to the "on" key).
command -v openbox >/dev/null 2>&1 || { echo "ok: (no openbox here: the close request not tried)"; exit 0; }
wm_start "$work/openbox.log" || fail "openbox did not start: $(tail -n 1 "$work/openbox.log")"
for lib in classic sdl12-compat; do
    (on "$lib" "$exe") >"$work/out.txt" 2>&1 &
    app_pid=$!
    primer_cero "$lib under openbox"
    xdotool windowactivate --sync "$wid" 2>/dev/null
    xdotool key alt+F4
    app_wait "Alt+F4 on $lib"
    [ "$status" = 0 ] || fail "closed on $lib: exit status $status"
    grep -qx END "$work/out.txt" && fail "closed on $lib: an END line"
done
echo "ok: closing the window through openbox ends it with status 0 on both"
