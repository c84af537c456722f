#!/bin/sh
# The Windows kit as a programmer meets it: the zip unpacked into a fresh
# folder, with no build cache within reach (HOME elsewhere, no dependency
# folder named anywhere in the kit), builds its two example programs
# (examples/minimo and examples/serie, window programs of the toolkit) and a
# console program of the serial helpers alone (consola.cpp) with MinGW-w64,
# once through the kit's pkg-config files and once through its CMake package
# (each example's own CMakeLists.txt) and toolchain file. Each runs under
# Wine: minimo opens its window and ends with status 0 on Escape; serie and
# the console run their own main and say why they cannot open a port nobody
# has, with status 1. Runs in the Wine prefix and on the display of
# scripts/windows.sh test.
# usage: kit_wine.sh ZIP SOURCE_DIR
# Exits 77 (skipped) when the zip has not been made or a tool is missing.
set -u
zip=$1 src=$2
wine="${CALC_WINE:-/usr/lib/wine/wine64}"
cxx=x86_64-w64-mingw32-g++-posix
[ -f "$zip" ] || { echo "skipped: no $zip (sh scripts/windows.sh makes it)"; exit 77; }
. "$(dirname "$0")/../support/xvfb.sh"
necesita unzip pkg-config cmake $cxx
xvfb_start 93 "$work/xvfb.log" || fail "no X server"

mkdir "$work/kit" "$work/home" "$work/uso"
(cd "$work/kit" && unzip -q "$zip") || fail "unzip $zip"
kit=$(echo "$work"/kit/Calculadora-*-win64)
[ -d "$kit" ] || fail "no Calculadora-*-win64 folder in $zip"
# The builds below run with another HOME; Wine keeps the real one, whose
# prefix the suite shares (Wine points a user's shell folders into HOME).
casa=$HOME
export HOME="$work/home"
unset XDG_CACHE_HOME CALC_WINDOWS_DEPS PKG_CONFIG_PATH
named=$(grep -rlI -e '/calculadora/windows/' -e "$src" "$kit")
[ -z "$named" ] || fail "the kit names the build machine's folders: $named"
echo "ok: the kit, $(du -sk "$kit" | cut -f1) KB unpacked, names no folder of the build machine"

# elapsed T0: seconds since T0 (date +%s%N), to a tenth.
elapsed() { awk -v a="$1" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }'; }
uso=$work/uso
cp -R "$kit/examples/minimo" "$kit/examples/serie" "$uso/" || fail "no examples in the kit"
mkdir "$uso/consola"
cp "$src/examples/consola.cpp" "$uso/consola/"
cat >"$uso/consola/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(consola CXX)
find_package(Calculadora 1.0 CONFIG REQUIRED)
add_executable(consola consola.cpp)
target_link_libraries(consola PRIVATE Calculadora::port)
EOF

export PKG_CONFIG_LIBDIR="$kit/lib/pkgconfig"
for entry in minimo:calculadora-objetos "serie:calculadora-objetos calculadora-port" \
    consola:calculadora-port; do
    program=${entry%%:*} libs=${entry#*:}
    flags=$(pkg-config --static --cflags --libs $libs) || fail "pkg-config $libs"
    t0=$(date +%s%N)
    $cxx -std=c++17 -static -o "$uso/$program-pc.exe" "$uso/$program/$program.cpp" $flags \
        >"$work/pc.log" 2>&1 || fail "$program with pkg-config $libs ($flags): $(cat "$work/pc.log")"
    echo "ok: $program.exe through pkg-config $libs in $(elapsed "$t0") s"
done
unset PKG_CONFIG_LIBDIR

for program in minimo serie consola; do
    t0=$(date +%s%N)
    cmake -S "$uso/$program" -B "$uso/$program/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Calculadora/mingw-w64.cmake" >"$work/cmake.log" 2>&1 &&
        cmake --build "$uso/$program/build" >>"$work/cmake.log" 2>&1 ||
        fail "cmake $program: $(cat "$work/cmake.log")"
    found=$(sed -n 's/^Calculadora_DIR:PATH=//p' "$uso/$program/build/CMakeCache.txt")
    [ "$found" = "$kit/lib/cmake/Calculadora" ] || fail "find_package took $found"
    cp "$uso/$program/build/$program.exe" "$uso/$program-cmake.exe"
    echo "ok: $program.exe through its CMakeLists.txt and the CMake package in $(elapsed "$t0") s"
done

export HOME="$casa"
fuente=$(echo "Z:$kit/DejaVuSans.ttf" | tr / '\\')
for how in pc cmake; do
    SDL_AUDIODRIVER=dummy "$wine" "$uso/minimo-$how.exe" "$fuente" >"$work/out.txt" 2>&1 &
    app_pid=$!
    t0=$(date +%s%N)
    # A program Wine has never run before has taken over 10 s to map its
    # window on a loaded machine: 30 s here.
    wid=$(timeout 30 xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1)
    running=ended
    kill -0 "$app_pid" 2>/dev/null && running="still running"
    [ -n "$wid" ] ||
        fail "no window of minimo-$how.exe after $(elapsed "$t0") s ($running): $(cat "$work/out.txt")"
    escape_acaba "minimo-$how.exe"
    for program in serie consola; do
        "$wine" "$uso/$program-$how.exe" COM250 </dev/null >"$work/out.txt" 2>"$work/err.txt"
        status=$?
        [ "$status" = 1 ] || fail "$program-$how.exe COM250: status $status: $(cat "$work/err.txt")"
        grep -q "^$program: cannot open COM250: " "$work/err.txt" ||
            fail "$program-$how.exe said: $(cat "$work/err.txt")"
        echo "ok: $program-$how.exe runs its own main: $(cat "$work/err.txt")"
    done
done
