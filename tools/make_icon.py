#!/usr/bin/python3
"""Generates the desktop icon, "calculadora-N.png" for every size N of
TAMANOS, from the calculator face "caltrq.png": the whole face, reduced to
the icon's height (less a small margin) and centred on a transparent square.

Start reading at recorta(): the face has no transparency of its own, so the
desktop colour behind its rounded corners becomes transparent, and the
smoothed rim pixels, blends of that colour with the case's outer edge, are
turned back into the edge colour with the matching opacity. Both colours are
read from the face itself. The reduction is Lanczos on premultiplied alpha,
so the same face gives the same bytes on every run.

Usage: make_icon.py FACE.png OUT_FOLDER
"""

import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

TAMANOS = (16, 24, 32, 48, 64, 128, 256)  # icon sides, pixels
MARGEN = 1 / 16  # of the side, shared between top and bottom
MARCA = (255, 0, 255)  # floods the corners; nowhere on the face


def recorta(cara):
    """The face as RGBA, transparent outside the case."""
    ancho, alto = cara.size
    fondo = cara.getpixel((0, 0))
    canto = cara.getpixel((0, alto // 2))  # the case's outer edge, mid-height
    marcada = cara.copy()
    for esquina in ((0, 0), (ancho - 1, 0), (0, alto - 1), (ancho - 1, alto - 1)):
        ImageDraw.floodfill(marcada, esquina, MARCA, thresh=0)
    fuera = Image.eval(ImageChops.difference(marcada, Image.new("RGB", cara.size, MARCA))
                       .convert("L"), lambda v: 255 if v == 0 else 0)
    borde = ImageChops.subtract(fuera.filter(ImageFilter.MaxFilter(3)), fuera)

    alfa = Image.new("L", cara.size, 255)
    alfa.paste(0, (0, 0), fuera)
    rgb = cara.copy()
    rango = sum(f - c for f, c in zip(fondo, canto))
    for y in range(alto):
        for x in range(ancho):
            if borde.getpixel((x, y)):
                p = cara.getpixel((x, y))
                a = sum(f - v for f, v in zip(fondo, p)) * 255 // rango
                alfa.putpixel((x, y), max(0, min(255, a)))
                rgb.putpixel((x, y), canto)
    rgb.putalpha(alfa)
    return rgb


def icono(cara, lado):
    alto = round(lado * (1 - MARGEN))
    ancho = round(cara.width * alto / cara.height)
    chica = cara.convert("RGBa").resize((ancho, alto), Image.LANCZOS).convert("RGBA")
    lienzo = Image.new("RGBA", (lado, lado), (0, 0, 0, 0))
    lienzo.paste(chica, ((lado - ancho) // 2, (lado - alto) // 2))
    return lienzo


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_icon.py FACE.png OUT_FOLDER")
    with Image.open(sys.argv[1]) as f:
        cara = recorta(f.convert("RGB"))
    os.makedirs(sys.argv[2], exist_ok=True)
    for lado in TAMANOS:
        # Without ancillary chunks the bytes depend on the picture alone.
        icono(cara, lado).save(os.path.join(sys.argv[2], f"calculadora-{lado}.png"),
                               format="PNG", optimize=False, compress_level=9)


if __name__ == "__main__":
    main()
