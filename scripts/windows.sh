#!/bin/sh
# Cross-builds the program for 64-bit Windows with Debian's MinGW-w64, every
# program linked statically, and packs it, all into out/windows/:
#   Calculadora-VERSION-win64/      calculadora.exe and its data files,
#                                   galeria.exe, consola.exe, the licences,
#                                   include/ and lib/ (the toolkit and the
#                                   serial helpers as static libraries)
#   Calculadora-VERSION-win64.zip   that folder
#   Calculadora-VERSION-setup.exe   the installer of the programs (NSIS)
#     sh scripts/windows.sh
# With "test" it then runs the test suite, cross-built too, under Wine (through
# CTest's emulator, tests/support/wine.sh) with one wineserver for the whole
# run, the calculator end to end under Xvfb, and the installer's test:
#     sh scripts/windows.sh test [CTEST ARG...]
# The libraries come from scripts/windows-deps.sh (cached); SDL_image and
# SDL_ttf from CALC_SDL_SOURCES (default: ../shared/vendor beside the clone).
# Without those two sources "test" says so in one line and skips.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mode="${1:-build}"
[ $# -gt 0 ] && shift # the rest goes to ctest, with "test"
export CALC_SDL_SOURCES="${CALC_SDL_SOURCES:-$(dirname "$root")/shared/vendor}"
build="$root/build-windows"
out="$root/out/windows"

if [ ! -f "$CALC_SDL_SOURCES/SDL_image-1.2/SDL_image.h" ] || [ ! -f "$CALC_SDL_SOURCES/SDL_ttf-2.0/SDL_ttf.h" ]; then
    msg="no SDL_image 1.2 and SDL_ttf 2.0 sources in $CALC_SDL_SOURCES (set CALC_SDL_SOURCES; README, Windows)"
    [ "$mode" = test ] && { echo "windows: skipped: $msg"; exit 0; }
    echo "windows: $msg" >&2
    exit 1
fi

# step NAME COMMAND...: runs the command and says on stderr how long it took.
step() {
    step_name=$1
    shift
    step_t0=$(date +%s%N)
    "$@"
    awk -v a="$step_t0" -v b="$(date +%s%N)" -v n="$step_name" \
        'BEGIN { printf "windows: %s: %.1f s\n", n, (b - a) / 1e9 }' >&2
}

step packages scripts/deps.sh windows
deps="$(step dependencies sh scripts/windows-deps.sh | tail -n 1)"
[ -d "$deps" ] || { echo "windows: no dependency folder" >&2; exit 1; }

# The tests compare the frames under Wine with those the Linux build draws:
# render_keys of build/, the build scripts/test.sh makes.
tests=OFF
render=""
if [ "$mode" = test ]; then
    tests=ON
    render="$root/build/tests/app/render_keys"
    [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_TESTS=ON >/dev/null
    step "Linux render_keys" cmake --build build -j2 --target render_keys >/dev/null
fi
configure() {
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCALC_WINDOWS_DEPS="$deps" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_TESTS=$tests \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/support/wine.sh" \
        -DCALC_HOST_RENDER_KEYS="$render" >/dev/null
}
step configure configure
step build nice -n 10 cmake --build "$build" -j2

# The folder, the zip and the installer.
pack() {
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    name="Calculadora-$version-win64"
    stage="$out/$name"
    rm -rf "$stage" "$out/$name.zip" "$out/Calculadora-$version-setup.exe"
    mkdir -p "$out"
    cmake --install "$build" --prefix "$stage" --component calculadora --strip >/dev/null
    # The installer's list of files: the program's component, which is flat.
    list="$build/installer-files.nsh"
    {
        echo '!macro FILES ACTION'
        (cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r f; do
            case $f in */*) echo "windows: the installer takes no folders: $f" >&2; exit 1 ;; esac
            echo "  !insertmacro \${ACTION} \"$f\""
        done
        echo '!macroend'
    } >"$list"
    cmake --install "$build" --prefix "$stage" --component dev --strip >/dev/null
    (cd "$out" && zip -qr9X "$name.zip" "$name")
    makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$list" \
        -DICON="$build/calculadora.ico" -DOUTFILE="$out/Calculadora-$version-setup.exe" \
        packaging/windows/calculadora.nsi
    ls -l "$out/$name.zip" "$out/Calculadora-$version-setup.exe" | awk '{print "windows:", $9, $5, "bytes"}'
}
step package pack
[ "$mode" = test ] || exit 0

# --- The tests, under Wine --------------------------------------------------
# One X server for the whole run, up before Wine starts (Wine's desktop
# process stays on the display it first meets), with a window manager: Wine
# waits up to 2 s at each window's close for one to withdraw it. A fresh Wine
# prefix; one wineserver kept up for all of it (each Wine start then costs
# milliseconds, not seconds); Wine's own messages off.
. tests/support/xvfb.sh
xvfb_start 71 "$work/xvfb.log" || { echo "windows: Xvfb did not start" >&2; exit 1; }
export CALC_DISPLAY="$DISPLAY"
wm_start "$work/openbox.log" || { echo "windows: openbox did not start" >&2; exit 1; }
export WINEPREFIX="$work/wine" WINEDEBUG=-all
# No offer to install Mono or Gecko, no menu entries in the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine_finish() {
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    x_finish
}
trap wine_finish EXIT
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wineserver -p >/dev/null 2>&1
wineboot() { /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1; }
step wineboot wineboot
cd "$build"
step tests ctest --output-on-failure -j2 "$@"
