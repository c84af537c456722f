#!/bin/sh
# Installs the component "dev" (the toolkit and the serial helpers as a
# library) into a scratch prefix and uses it as a developer would, out of the
# source tree: exactly the expected files, the same whether the install
# follows a build of everything or of the three libraries alone (in a build
# folder of its own); a project of its own whose CMakeLists.txt is the
# five lines of docs/instalar.md (plus the console) finds it with find_package and
# builds the example programs galeria and consola against it, with the
# include folder and the SDL libraries from the imported targets alone (the
# console, of the serial helpers alone, without any of SDL's compiler
# flags); the templates minimo and serie build from their installed folders
# with their own CMakeLists.txt; all four build with the flags of the
# pkg-config files. Then each gallery runs under Xvfb (F1 lists its 22
# widgets, Escape ends it with status 0) and each console over a
# pseudo-terminal (bytes both ways, status 0 at the end of its input).
# usage: library_x.sh CMAKE BUILD_DIR SOURCE_DIR CXX LIBDIR
# Exits 77 (skipped) when Xvfb, xdotool, pkg-config, python3 or doxygen is missing.
set -u
cmake=$1 build=$2 src=$3 cxx=$4 libdir=$5
. "$(dirname "$0")/../support/xvfb.sh"
necesita Xvfb xdotool pkg-config python3 doxygen

docdir=/share/doc/calculadora-dev
LC_ALL=C sort >"$work/expected" <<EOF
/$libdir/calculadora/libobjetos.a
/$libdir/calculadora/libport.a
/$libdir/calculadora/libxgrafi.a
/$libdir/cmake/Calculadora/CalculadoraConfig.cmake
/$libdir/cmake/Calculadora/CalculadoraConfigVersion.cmake
/$libdir/cmake/Calculadora/CalculadoraTargets-BUILD_TYPE.cmake
/$libdir/cmake/Calculadora/CalculadoraTargets.cmake
/$libdir/pkgconfig/calculadora-objetos.pc
/$libdir/pkgconfig/calculadora-port.pc
/$libdir/pkgconfig/calculadora-xgrafi.pc
/include/calculadora/graphics/xgrafi.h
/include/calculadora/serial/port.h
/include/calculadora/widgets/objetos.h
$docdir/changelog.gz
$docdir/copyright
$docdir/examples/minimo/CMakeLists.txt
$docdir/examples/minimo/minimo.cpp
$docdir/examples/serie/CMakeLists.txt
$docdir/examples/serie/serie.cpp
$docdir/html/index.html
$docdir/minimo.png
$docdir/serie.md
$docdir/toolkit.md
EOF
# The reference's pages are doxygen's to name: its first page stands for them.
installed() {
    {
        (cd "$1" && find . ! -type d | sed 's|^\.||; s|Targets-[a-z]*\.cmake$|Targets-BUILD_TYPE.cmake|' |
            grep -v "^$docdir/html/")
        [ -f "$1$docdir/html/index.html" ] && echo "$docdir/html/index.html"
    } | LC_ALL=C sort
}
# The rows: the test's own build, everything built; a build folder of its own
# with the three libraries alone, which make the component's other files.
libs=$work/libs
"$cmake" -S "$src" -B "$libs" -DCALC_TESTS=OFF -DCMAKE_INSTALL_LIBDIR="$libdir" \
    >"$work/libs.log" 2>&1 && "$cmake" --build "$libs" -j2 --target xgrafi objetos port \
    >>"$work/libs.log" 2>&1 || fail "building the libraries alone: $(cat "$work/libs.log")"
sdk=$work/sdk
for row in "everything built|$build|$sdk" "the libraries alone|$libs|$work/sdk-libs"; do
    IFS='|' read -r what from to <<EOF
$row
EOF
    "$cmake" --install "$from" --prefix "$to" --component dev >"$work/install.log" 2>&1 ||
        fail "cmake --install after $what: $(cat "$work/install.log")"
    installed "$to" >"$work/installed"
    diff "$work/expected" "$work/installed" || fail "after $what, installed files differ from the list above"
    echo "ok: the installed files, after $what"
done

uso=$work/uso
mkdir "$uso"
cp "$src/examples/galeria.cpp" "$src/examples/consola.cpp" "$uso/"
cat >"$uso/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(migaleria CXX)
find_package(Calculadora 1.0 CONFIG REQUIRED)
add_executable(galeria galeria.cpp)
target_link_libraries(galeria PRIVATE Calculadora::objetos)
add_executable(consola consola.cpp)
target_link_libraries(consola PRIVATE Calculadora::port)
EOF
"$cmake" -S "$uso" -B "$uso/build" -DCMAKE_PREFIX_PATH="$sdk" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    >"$work/cmake.log" 2>&1 || fail "configure: $(cat "$work/cmake.log")"
found=$(sed -n 's/^Calculadora_DIR:PATH=//p' "$uso/build/CMakeCache.txt")
[ "$found" = "$sdk/$libdir/cmake/Calculadora" ] || fail "find_package took $found"
"$cmake" --build "$uso/build" -j2 >"$work/build.log" 2>&1 || fail "build: $(cat "$work/build.log")"
grep -qF -- " $sdk/include/calculadora " "$uso/build/compile_commands.json" ||
    fail "the targets do not bring the installed include folder"
grep -qF -- "$src" "$uso/build/compile_commands.json" && fail "the build reaches into the source tree"
python3 -c 'import json, sys
c = [e["command"] for e in json.load(open(sys.argv[1])) if e["file"].endswith("consola.cpp")]
sys.exit("SDL" in c[0])' "$uso/build/compile_commands.json" || fail "consola is compiled with SDL's flags"
echo "ok: find_package(Calculadora) builds galeria and consola"

# The templates as their users get them: the installed folder, copied and
# built with its own CMakeLists.txt.
for example in minimo serie; do
    cp -r "$sdk$docdir/examples/$example" "$work/$example"
    t0=$(date +%s%N)
    "$cmake" -S "$work/$example" -B "$work/$example/build" -DCMAKE_PREFIX_PATH="$sdk" \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/cmake.log" 2>&1 ||
        fail "configure $example: $(cat "$work/cmake.log")"
    "$cmake" --build "$work/$example/build" >"$work/build.log" 2>&1 ||
        fail "build $example: $(cat "$work/build.log")"
    t1=$(date +%s%N)
    [ -x "$work/$example/build/$example" ] || fail "no program $example"
    grep -qF -- "$src" "$work/$example/build/compile_commands.json" &&
        fail "$example's build reaches into the source tree"
    cp "$work/$example/$example.cpp" "$uso/"
    echo "ok: $example builds from its installed folder in $(((t1 - t0) / 1000000)) ms"
done

export PKG_CONFIG_PATH="$sdk/$libdir/pkgconfig"
pkg-config --cflags calculadora-port | grep -q SDL && fail "calculadora-port gives SDL's flags"
for row in galeria:objetos consola:port minimo:objetos serie:objetos,port; do
    program=${row%%:*} pcs=$(echo "${row#*:}" | sed 's/[a-z]*/calculadora-&/g; s/,/ /g')
    flags=$(pkg-config --cflags --libs $pcs) || fail "pkg-config $pcs"
    "$cxx" -std=c++17 -o "$uso/$program-pc" "$uso/$program.cpp" $flags >"$work/pc.log" 2>&1 ||
        fail "$program with pkg-config $pcs ($flags): $(cat "$work/pc.log")"
    echo "ok: pkg-config $pcs builds $program"
done

xvfb_start 131 "$work/xvfb.log" || fail "Xvfb did not start"
for galeria in "$uso/build/galeria" "$uso/galeria-pc"; do
    SDL_AUDIODRIVER=dummy "$galeria" >"$work/out.txt" 2>"$work/err.txt" &
    app_pid=$!
    wid=$(app_window)
    [ -n "$wid" ] || fail "no window of $galeria: $(cat "$work/err.txt")"
    xdotool mousemove --window "$wid" 600 460
    xdotool windowfocus --sync "$wid" 2>/dev/null
    xdotool key F1
    wait_line '^new SpinBoxS' "$work/out.txt"
    sleep 0.2
    n=$(grep -c '^new ' "$work/out.txt")
    [ "$n" = 22 ] || fail "$galeria listed $n widgets, not 22"
    escape_acaba "$galeria"
    echo "ok: $galeria lists its 22 widgets and ends with status 0"
done

# The device plays on the master side of a pseudo-terminal; the port is raw
# once the helpers have printed their "YES-- " line.
for consola in "$uso/build/consola" "$uso/consola-pc"; do
    python3 - "$consola" <<'EOF' || fail "$consola over a pseudo-terminal"
import os, select, subprocess, sys, time

master, slave = os.openpty()
p = subprocess.Popen([sys.argv[1], os.ttyname(slave)], stdin=subprocess.PIPE,
                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
out, err = p.stdout.fileno(), p.stderr.fileno()
got = {out: b"", err: b"", master: b""}

def pump(done):
    end = time.monotonic() + 5
    while not done():
        if time.monotonic() > end:
            sys.exit("timed out with %r" % got)
        for fd in select.select(list(got), [], [], 0.05)[0]:
            try:
                got[fd] += os.read(fd, 4096)
            except OSError:
                pass

pump(lambda: b"YES-- " in got[err])
os.write(master, b"hola\r\n")
p.stdin.write(b"AT\r")
p.stdin.close()
pump(lambda: got[out] == b"hola\r\n" and got[master] == b"AT\r")
sys.exit(p.wait(5))
EOF
    echo "ok: $consola passes bytes both ways and ends with status 0"
done
