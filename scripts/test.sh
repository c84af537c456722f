#!/bin/sh
# Builds and runs every test: a normal build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails.
# Each build's suite runs on classic SDL 1.2, then the quick loop's tests
# (label "rapido") and the scripts whose result depends on the SDL library
# (label "sdl") run again on the same binaries with
# the dynamic loader pointed at sdl12-compat (SDL 1.2 carried over SDL 2, what
# most distributions ship instead). The Windows build's suite runs under Wine
# (scripts/windows.sh test).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_TESTS=ON >/dev/null
cmake --build build -j"$jobs"

. tests/support/sdl12compat.sh
compat=$(sdl12compat build/app/calculadora) || { echo "test.sh: no sdl12-compat" >&2; exit 1; }

# suite DIR LIBRARY [CTEST ARG...]: DIR's tests on classic or sdl12-compat;
# CALC_TEST_SDL tells the tests which one they are meant to be on.
suite() {
    dir=$1 lib=$2
    shift 2
    echo "== $dir on $lib SDL 1.2"
    if [ "$lib" = classic ]; then
        (cd "$dir" && CALC_TEST_SDL=classic ctest --output-on-failure --no-tests=error -j"$jobs" "$@")
    else
        (cd "$dir" && CALC_TEST_SDL=sdl12-compat LD_LIBRARY_PATH="$compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
            ctest --output-on-failure --no-tests=error -j"$jobs" -L 'rapido|sdl' "$@")
    fi
}

suite build classic
suite build sdl12-compat

# The Windows build: cross-built with MinGW-w64 and run under Wine, its frames
# compared with those of build/ (one line and a skip without the SDL_image
# and SDL_ttf sources it needs).
echo "== Windows build under Wine"
sh scripts/windows.sh test

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCALC_SANITIZE=ON -DCALC_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
suite build-asan classic
# Under sdl12-compat every surface, the screen's too, is SDL 2's malloc'd
# memory, which ASan bounds-checks; classic SDL's X11 screen is shared memory
# that it does not see. So the program's drawing under X is checked here.
suite build-asan sdl12-compat
