#!/bin/sh
# Builds the benchmarks in build-bench (Release) and runs them: the frame, key
# and primitive benchmarks beside their floors, then the start-up, memory and
# idle comparison with xcalc under Xvfb on both SDL 1.2 libraries, and the
# same start-up timed from inside with perf. Installs what is missing first.
# REPS (default 9) sets the benchmark repetitions whose medians are reported,
# STARTS (default 7) the starts of each program, IDLE (default 10) the idle
# seconds measured after each start; extra arguments go to the
# benchmark program.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh bench

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCALC_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target benchmarks

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load: $(cat /proc/loadavg)"
build-bench/bench/bench_calculadora --benchmark_repetitions="${REPS:-9}" \
    --benchmark_report_aggregates_only=true "$@"
echo
sh bench/startup.sh build-bench/app/calculadora data build-bench/bench/medir_arranque \
    build-bench/bench/sdl_vacio
echo
sh bench/perfil.sh build-bench/app/calculadora data
