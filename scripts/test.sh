#!/bin/sh
# Builds and runs every test twice: a normal build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCALC_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
# libX11 never frees the input context strings SDL 1.2 makes it allocate.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs")
