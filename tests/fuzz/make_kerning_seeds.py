#!/usr/bin/python3
"""Writes the loading fuzzer's kerning seeds into corpus/loading/: the display
font with a legacy 'kern' table added, so that mutations start from inputs
that reach the kerning between glyphs. Each input's first byte is 1 (the rest
replaces the font). The fault seed is the font whose blank-to-digit pairs pull
each digit 30000 units left with the ascent at the digits' top, which SDL_ttf
2.0 alone draws before the start of its text surface.
usage: /usr/bin/python3 tests/fuzz/make_kerning_seeds.py  (needs python3-fonttools)"""
import io
import os

from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus", "loading")
DISPLAY = "-.0123456789 EIQRSTefinort+"


def with_kerning(pairs, top_ascent=False):
    font = TTFont(os.path.join(ROOT, "data", "fontlcd.ttf"), recalcTimestamp=False)
    cmap = font.getBestCmap()
    table = KernTable_format_0()
    table.version, table.coverage, table.format = 0, 1, 0
    table.kernTable = {(cmap[ord(a)], cmap[ord(b)]): v for (a, b), v in pairs.items()}
    kern = newTable("kern")
    kern.version, kern.kernTables = 0, [table]
    font["kern"] = kern
    if top_ascent:
        top = font["glyf"][cmap[ord("0")]].yMax
        font["hhea"].ascent = font["OS/2"].usWinAscent = font["OS/2"].sTypoAscender = top
    out = io.BytesIO()
    font.save(out)
    return b"\x01" + out.getvalue()


SEEDS = {
    "fault-font-kerning-draws-before-its-surface":
        with_kerning({(" ", d): -30000 for d in "0123456789"}, top_ascent=True),
    # Every pair of display characters a little closer or further apart.
    "kerning-every-display-pair": with_kerning(
        {(a, b): (i * 7 + j * 13) % 200 - 100
         for i, a in enumerate(DISPLAY) for j, b in enumerate(DISPLAY)}),
    # A point that kerns back over the digit before it, as an LCD point does.
    "kerning-point-over-digit": with_kerning({(d, "."): -520 for d in "0123456789"}),
}

for name, data in SEEDS.items():
    with open(os.path.join(CORPUS, name), "wb") as f:
        f.write(data)
