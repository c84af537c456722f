#!/bin/sh
# The Windows kit as a programmer meets it: the zip unpacked into a fresh
# folder, with no build cache within reach (HOME elsewhere, no dependency
# folder named anywhere in the kit), builds a window program of the toolkit
# (galeria.cpp) and a console program of the serial helpers alone
# (consola.cpp) with MinGW-w64, once through the kit's pkg-config files and
# once through its CMake package and toolchain file. Each runs under Wine:
# the window program opens its window and ends with status 0 on Escape; the
# console's own main runs and says why it cannot open a port nobody has,
# with status 1. Runs in the Wine prefix and on the display of
# scripts/windows.sh test.
# usage: kit_wine.sh ZIP SOURCE_DIR
# Exits 77 (skipped) when the zip has not been made or a tool is missing.
set -u
zip=$1 src=$2
wine="${CALC_WINE:-/usr/lib/wine/wine64}"
cxx=x86_64-w64-mingw32-g++-posix
[ -f "$zip" ] || { echo "skipped: no $zip (sh scripts/windows.sh makes it)"; exit 77; }
for tool in unzip pkg-config cmake $cxx; do
    command -v $tool >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done
. "$(dirname "$0")/../support/xvfb.sh"
xvfb_start 93 "$work/xvfb.log" || fail "no X server"

mkdir "$work/kit" "$work/home" "$work/uso"
(cd "$work/kit" && unzip -q "$zip") || fail "unzip $zip"
kit=$(echo "$work"/kit/Calculadora-*-win64)
[ -d "$kit" ] || fail "no Calculadora-*-win64 folder in $zip"
export HOME="$work/home"
unset XDG_CACHE_HOME CALC_WINDOWS_DEPS PKG_CONFIG_PATH
named=$(grep -rlI -e '/calculadora/windows/' -e "$src" "$kit")
[ -z "$named" ] || fail "the kit names the build machine's folders: $named"
echo "ok: the kit, $(du -sk "$kit" | cut -f1) KB unpacked, names no folder of the build machine"

cp "$src/examples/galeria.cpp" "$src/examples/consola.cpp" "$work/uso/"
# elapsed T0: seconds since T0 (date +%s%N), to a tenth.
elapsed() { awk -v a="$1" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }'; }

export PKG_CONFIG_LIBDIR="$kit/lib/pkgconfig"
for pair in galeria:objetos consola:port; do
    program=${pair%:*} lib=calculadora-${pair#*:}
    flags=$(pkg-config --static --cflags --libs "$lib") || fail "pkg-config $lib"
    t0=$(date +%s%N)
    $cxx -std=c++17 -static -o "$work/uso/$program-pc.exe" "$work/uso/$program.cpp" $flags \
        >"$work/pc.log" 2>&1 || fail "$program with pkg-config $lib ($flags): $(cat "$work/pc.log")"
    echo "ok: $program.exe through pkg-config $lib in $(elapsed "$t0") s"
done
unset PKG_CONFIG_LIBDIR

cat >"$work/uso/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(uso CXX)
find_package(Calculadora 1.0 CONFIG REQUIRED)
add_executable(galeria galeria.cpp)
target_link_libraries(galeria PRIVATE Calculadora::objetos Calculadora::ventana)
add_executable(consola consola.cpp)
target_link_libraries(consola PRIVATE Calculadora::port)
EOF
t0=$(date +%s%N)
cmake -S "$work/uso" -B "$work/uso/build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Calculadora/mingw-w64.cmake" >"$work/cmake.log" 2>&1 &&
    cmake --build "$work/uso/build" -j2 >>"$work/cmake.log" 2>&1 || fail "cmake: $(cat "$work/cmake.log")"
found=$(sed -n 's/^Calculadora_DIR:PATH=//p' "$work/uso/build/CMakeCache.txt")
[ "$found" = "$kit/lib/cmake/Calculadora" ] || fail "find_package took $found"
echo "ok: galeria.exe and consola.exe through the CMake package in $(elapsed "$t0") s"

cp "$kit/DejaVuSans.ttf" "$work/uso/" && cp "$kit/DejaVuSans.ttf" "$work/uso/build/" ||
    fail "no DejaVuSans.ttf in the kit"
for galeria in "$work/uso/galeria-pc.exe" "$work/uso/build/galeria.exe"; do
    SDL_AUDIODRIVER=dummy "$wine" "$galeria" >"$work/out.txt" 2>&1 &
    app_pid=$!
    t0=$(date +%s%N)
    wid=$(app_window)
    [ -n "$wid" ] || fail "no window of $galeria after $(elapsed "$t0") s: $(cat "$work/out.txt")"
    xdotool windowfocus --sync "$wid" 2>/dev/null
    xdotool key Escape
    app_wait Escape
    [ "$status" = 0 ] || fail "$galeria: status $status after Escape"
    echo "ok: $galeria opens its window and ends with 0 on Escape"
done
for consola in "$work/uso/consola-pc.exe" "$work/uso/build/consola.exe"; do
    "$wine" "$consola" COM250 </dev/null >"$work/out.txt" 2>"$work/err.txt"
    status=$?
    [ "$status" = 1 ] || fail "$consola COM250: status $status: $(cat "$work/err.txt")"
    grep -q '^consola: cannot open COM250: ' "$work/err.txt" || fail "$consola said: $(cat "$work/err.txt")"
    echo "ok: $consola runs its own main: $(cat "$work/err.txt")"
done
