#!/usr/bin/python3
"""Packs PNG icons into one Windows icon file (.ico), each size stored as
the PNG it is (Windows Vista and later read such entries), largest last.
The Windows build runs it over data/icons/ for the program's icon resource
and the installer's icon; the same PNGs always give the same bytes.

Usage: make_ico.py OUT.ico ICON.png...
"""

import struct
import sys

FIRMA_PNG = b"\x89PNG\r\n\x1a\n"


def lado(png, nombre):
    """The side of a square PNG, from its IHDR chunk."""
    if png[:8] != FIRMA_PNG or png[12:16] != b"IHDR":
        sys.exit(f"make_ico.py: {nombre} is not a PNG file")
    ancho, alto = struct.unpack(">II", png[16:24])
    if ancho != alto or not 1 <= ancho <= 256:
        sys.exit(f"make_ico.py: {nombre} is {ancho} x {alto}; icons are squares of 1 to 256")
    return ancho


def main(salida, nombres):
    iconos = []
    for nombre in nombres:
        with open(nombre, "rb") as f:
            png = f.read()
        iconos.append((lado(png, nombre), png))
    iconos.sort(key=lambda i: i[0])

    cabecera = struct.pack("<HHH", 0, 1, len(iconos))  # reserved, type 1 (icon), count
    entradas, datos = b"", b""
    posicion = len(cabecera) + 16 * len(iconos)
    for n, png in iconos:
        # width, height (0 means 256), colours, reserved, planes, bits, size, offset
        entradas += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(png), posicion)
        datos += png
        posicion += len(png)
    with open(salida, "wb") as f:
        f.write(cabecera + entradas + datos)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
