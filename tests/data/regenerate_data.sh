#!/bin/sh
# Regenerates the font, the face and the icons into a temporary folder and
# compares them byte for byte with the committed files in data/: a generator
# that is not deterministic, or data/ left stale after a generator changed,
# fails here.
# Usage: regenerate_data.sh SOURCE_DIR. Exits 77 (skipped) when Debian's
# python3 lacks fontTools or PIL.
set -u
root="$1"
if ! /usr/bin/python3 -c "import fontTools, PIL" 2>/dev/null; then
    echo "skipped: /usr/bin/python3 cannot import fontTools and PIL"
    exit 77
fi
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
sh "$root/scripts/make-data.sh" "$tmp" || exit 1
status=0
for f in fontlcd.ttf caltrq.png; do
    if cmp "$root/data/$f" "$tmp/$f"; then
        echo "$f: identical"
    else
        echo "$f: differs from a fresh run of scripts/make-data.sh"
        status=1
    fi
done
if diff -r "$root/data/icons" "$tmp/icons"; then
    echo "icons: identical"
else
    echo "icons: differ from a fresh run of scripts/make-data.sh"
    status=1
fi
exit $status
