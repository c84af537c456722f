#!/bin/sh
# Regenerates the calculator's two data files, the display font "fontlcd.ttf"
# and the face "caltrq.png", and the desktop icons made from the face (icons/),
# into data/ or into the folder given as argument:
#   scripts/make-data.sh [FOLDER]
# The generators run on Debian's own Python with python3-fonttools and
# python3-pil (scripts/deps.sh test installs them); a python3 that comes first
# on PATH may be another interpreter without them.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/data}"
python=/usr/bin/python3
export PYTHONDONTWRITEBYTECODE=1

mkdir -p "$out"
"$python" "$root/tools/make_font.py" "$out/fontlcd.ttf"
"$python" "$root/tools/make_face.py" "$out/caltrq.png"
"$python" "$root/tools/make_icon.py" "$out/caltrq.png" "$out/icons"
