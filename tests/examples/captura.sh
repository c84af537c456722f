#!/bin/sh
# A guide shows its program as it is, and the program's first frame: the
# guide's first C++ block must be SOURCE from its first #include on; then
# PROGRAM runs on SDL's dummy video driver with primer_cuadro preloaded (the
# first flip saved, then the window's close request), must end by itself with
# status 0, and its first frame must be PICTURE pixel for pixel.
# With CALC_ESCRIBIR=1 it writes the frame to PICTURE instead (a PNG without
# time stamps), the way to make the picture again after changing the program.
# usage: captura.sh SHIM GUIDE SOURCE PICTURE PROGRAM [ARGUMENT...]
# Exits 77 (skipped) when ImageMagick is missing.
set -u
shim=$1 guide=$2 source=$3 picture=$4
shift 4
command -v compare >/dev/null && command -v convert >/dev/null || { echo "skipped: no ImageMagick"; exit 77; }
work=$(mktemp -d) && [ -d "$work" ] || { echo "FAIL: no scratch folder"; exit 1; }
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

sed -n '/^```cpp$/,/^```$/p' "$guide" | sed '1d; /^```$/,$d' >"$work/guide.cpp"
sed -n '/^#include/,$p' "$source" | diff - "$work/guide.cpp" ||
    fail "the program in $guide differs from $source (above: < the source, > the guide)"
echo "ok: $guide shows $(basename "$source") as it is"

# Under ASan the shim loads before the sanitizer's runtime, which must be told.
CALC_CAPTURA=$work/frame.bmp LD_PRELOAD=$shim SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" \
    timeout 20 "$@" >"$work/out.txt" 2>&1
status=$?
[ "$status" = 0 ] || fail "$1 ended with status $status: $(cat "$work/out.txt")"
[ -s "$work/frame.bmp" ] || fail "$1 drew no frame"

if [ "${CALC_ESCRIBIR:-}" = 1 ]; then
    convert "$work/frame.bmp" -strip "PNG24:$picture" || fail "cannot write $picture"
    echo "written: $picture"
    exit 0
fi
[ -f "$picture" ] || fail "no $picture (CALC_ESCRIBIR=1 makes it)"
d=$(compare -metric AE "$work/frame.bmp" "$picture" null: 2>&1)
[ "$d" = 0 ] || fail "the first frame differs from $picture: $d (CALC_ESCRIBIR=1 writes it anew)"
echo "ok: the first frame of $(basename "$1") is $picture, and it ends with status 0"
