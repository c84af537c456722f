#!/bin/sh
# Builds the calculator and starts it; it reads its face and font from data/.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target calculadora
cd data
exec ../build/app/calculadora "$@"
