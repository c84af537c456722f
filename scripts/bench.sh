#!/bin/sh
# Builds the benchmarks in build-bench (Release) and runs them: the frame, key
# and primitive benchmarks beside their floors, then the start-up, memory and
# idle comparison with xcalc under Xvfb. Installs what is missing first, the
# same way scripts/deps.sh does. REPS (default 9) sets the benchmark
# repetitions whose medians are reported, STARTS (default 7) the starts of
# each program; extra arguments go to the benchmark program.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh

packages="libbenchmark-dev libx11-dev x11-apps x11-utils xvfb"
missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCALC_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target benchmarks

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load: $(cat /proc/loadavg)"
build-bench/bench/bench_calculadora --benchmark_repetitions="${REPS:-9}" \
    --benchmark_report_aggregates_only=true "$@"
echo
sh bench/startup.sh build-bench/app/calculadora data build-bench/bench/medir_arranque \
    build-bench/bench/sdl_vacio
