#!/bin/sh
# Builds the fuzzers with clang and libFuzzer, or runs one of them for a
# bounded number of inputs over its checked-in seed corpus. New inputs go to a
# scratch corpus in the build folder; the checked-in one is only read. Exits
# 77 (skipped) when clang or libFuzzer is missing.
# usage: fuzz.sh build SOURCE_DIR BUILD_DIR
#        fuzz.sh run SOURCE_DIR BUILD_DIR NAME [RUNS [SECONDS]]
set -u
mode=$1
# Absolute paths: the loading fuzzer works in a scratch folder of its own.
src=$(cd "$2" && pwd) || exit 1
mkdir -p "$3" && out=$(cd "$3" && pwd) || exit 1

# Inputs per fuzzer in CI, and a time cap in case the machine is slow.
runs_of() {
    case $1 in
        engine) echo 100000 ;; widgets) echo 20000 ;; primitives) echo 8000 ;; loading) echo 2000 ;;
    esac
}

case $mode in
build)
    command -v clang++ >/dev/null 2>&1 || { echo "skipped: no clang++"; exit 77; }
    probe=$(mktemp -d)
    printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' \
        >"$probe/p.cpp"
    if ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
        rm -rf "$probe"
        echo "skipped: clang++ cannot link libFuzzer"
        exit 77
    fi
    rm -rf "$probe"
    CC=clang CXX=clang++ cmake -S "$src/../.." -B "$out" -DCALC_FUZZ=ON -DCMAKE_BUILD_TYPE=None \
        >/dev/null || exit 1
    cmake --build "$out" -j"$(nproc)" --target fuzzers || exit 1
    ;;
run)
    name=$4
    runs=${5:-$(runs_of "$name")}
    seconds=${6:-60}
    exe=$out/tests/fuzz/fuzz_$name
    [ -x "$exe" ] || { echo "skipped: $exe not built"; exit 77; }
    work=$out/work/$name
    rm -rf "$work"
    mkdir -p "$work" "$out/artifacts"
    export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
    # libFuzzer's own exit status for a fault is 77, which CTest would take for
    # a skip.
    # A fuzzer with a dictionary of its formats' tokens (NAME.dict) gets it.
    dict=
    [ -f "$src/$name.dict" ] && dict=-dict=$src/$name.dict
    "$exe" -runs="$runs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -error_exitcode=1 -timeout_exitcode=1 $dict \
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
        "$work" "$src/corpus/$name"
    ;;
*)
    echo "usage: fuzz.sh build SOURCE_DIR BUILD_DIR | run SOURCE_DIR BUILD_DIR NAME [RUNS [SECONDS]]"
    exit 2
    ;;
esac
