#!/usr/bin/python3
"""Generates "fontlcd.ttf", the calculator's display font: a monospaced
segment-display face of our own design (seven segments for the digits,
sixteen-segment shapes with diagonals for letters and signs).

Start reading at construye(). Every glyph is a list of named segments (see
SEGMENTOS and GLIFOS); glifo() turns the names into outlines in font units
and the FontBuilder calls in construye() pack them into a TrueType
font. The geometry sits on the 32-point pixel grid (32 units = 1 pixel at
32 points), so the program's unsmoothed text rendering draws crisp segments
there; the font carries no hinting program, so FreeType auto-hints the other
sizes (30 and 20 points).

Usage: make_font.py OUT.ttf
"""

import math
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

# Font units. At 32 points SDL_ttf scales 1024 units to 32 pixels.
UPM = 1024
AVANCE = 480  # every glyph: 15 px at 32 points
ASCENSO = 864  # 27 px above the baseline
DESCENSO = 192  # 6 px below it

# The digit cell: ink from x 64 to 448 and from the baseline to 736 (12 x 23
# px at 32 points), strokes of 3 px, 1 px between neighbouring segments. The
# centre strokes sit at x 192..288, whole pixels, half a pixel left of the
# cell's middle.
X0, X1 = 64, 448
Y0, Y1 = 0, 736
TRAZO = 96
HUECO = 32
PUNTO = 96  # side of the square decimal point

# Fixed so that every run writes the same bytes: 2024-01-01 00:00:00 UTC in
# seconds since 1904-01-01, the epoch of the head table.
FECHA = 3786912000

XL, XR, XC = X0 + TRAZO // 2, X1 - TRAZO // 2, 240
YB, YT, YM = Y0 + TRAZO // 2, Y1 - TRAZO // 2, (Y0 + Y1) // 2


def horizontal(x1, x2, y):
    """A bar whose stroke centre runs from x1 to x2 at height y, pointed ends."""
    m = TRAZO // 2
    a, b = x1 + HUECO, x2 - HUECO
    return [(a, y), (a + m, y + m), (b - m, y + m), (b, y), (b - m, y - m), (a + m, y - m)]


def vertical(x, y1, y2):
    """A bar whose stroke centre runs from y1 up to y2 at x, pointed ends."""
    m = TRAZO // 2
    a, b = y1 + HUECO, y2 - HUECO
    return [(x, a), (x - m, a + m), (x - m, b - m), (x, b), (x + m, b - m), (x + m, a + m)]


def recorta(poligono, eje, limite, menor):
    """Sutherland-Hodgman: keeps the part with coordinate `eje` <= limite
    (menor) or >= limite."""
    dentro = (lambda p: p[eje] <= limite) if menor else (lambda p: p[eje] >= limite)
    salida = []
    for i, p in enumerate(poligono):
        q = poligono[i - 1]
        if dentro(p) != dentro(q):
            t = (limite - q[eje]) / (p[eje] - q[eje])
            salida.append((q[0] + t * (p[0] - q[0]), q[1] + t * (p[1] - q[1])))
        if dentro(p):
            salida.append(p)
    return salida


def diagonal(desde, hasta):
    """A stroke between two points with horizontal ends, as thick as the bars
    across its own direction; an end on the cell's side is moved inwards so
    the stroke stays inside the cell."""
    (xa, ya), (xb, yb) = desde, hasta
    ancho = TRAZO * math.hypot(xb - xa, yb - ya) / abs(yb - ya)
    adentro = lambda x: x + ancho / 2 if x == X0 else x - ancho / 2 if x == X1 else x
    xa, xb = adentro(xa), adentro(xb)
    franja = [(xa - ancho / 2, ya), (xa + ancho / 2, ya), (xb + ancho / 2, yb),
              (xb - ancho / 2, yb)]
    for eje, limite, menor in ((0, X0, False), (0, X1, True), (1, Y0, False), (1, Y1, True)):
        franja = recorta(franja, eje, limite, menor)
    return franja


def cuadrado(xc, yc, lado):
    h = lado // 2
    return [(xc - h, yc - h), (xc - h, yc + h), (xc + h, yc + h), (xc + h, yc - h)]


# Ends of the diagonal strokes: corners, middles of the sides and the centre
# of the cell; a stroke "TL-MC" runs from the top left corner to the centre.
PUNTOS = {
    "TL": (X0, Y1), "TC": (XC, Y1), "TR": (X1, Y1),
    "ML": (X0, YM), "MC": (XC, YM), "MR": (X1, YM),
    "BL": (X0, Y0), "BC": (XC, Y0), "BR": (X1, Y0),
}

# Segment names: a top, b upper right, c lower right, d bottom, e lower
# left, f upper left, g middle (seven-segment); halves a1/a2, d1/d2, g1/g2
# (left/right); i and l the upper and lower centre strokes; h, j, k, m the
# diagonals from the centre to the four corners (upper left, upper right,
# lower left, lower right); p the point and the few marks that are no bars.
SEGMENTOS = {
    "a": horizontal(XL, XR, YT),
    "a1": horizontal(XL, XC, YT),
    "a2": horizontal(XC, XR, YT),
    "d": horizontal(XL, XR, YB),
    "d1": horizontal(XL, XC, YB),
    "d2": horizontal(XC, XR, YB),
    "g": horizontal(XL, XR, YM),
    "g1": horizontal(XL, XC, YM),
    "g2": horizontal(XC, XR, YM),
    "b": vertical(XR, YM, YT),
    "c": vertical(XR, YB, YM),
    "e": vertical(XL, YB, YM),
    "f": vertical(XL, YM, YT),
    "i": vertical(XC, YM, YT),
    "l": vertical(XC, YB, YM),
    "h": diagonal(PUNTOS["TL"], PUNTOS["MC"]),
    "j": diagonal(PUNTOS["TR"], PUNTOS["MC"]),
    "k": diagonal(PUNTOS["BL"], PUNTOS["MC"]),
    "m": diagonal(PUNTOS["BR"], PUNTOS["MC"]),
    "p": cuadrado(XC, Y0 + PUNTO // 2, PUNTO),
    "punto_alto": cuadrado(XC, YM + 2 * PUNTO, PUNTO),
    "punto_i": cuadrado(XC, YM + 128, PUNTO),
    "coma": cuadrado(XC, Y0 + PUNTO // 2, PUNTO) + [(XC - PUNTO // 2, Y0 - PUNTO)],
}

# Each printable ASCII character and the segments it lights; a name with a
# dash is a diagonal stroke between two PUNTOS.
GLIFOS = {
    " ": "",
    "!": "i p",
    '"': "f i",
    "#": "b c d g i l",
    "$": "a f g c d i l",
    "%": "a1 f g1 i j k g2 l c d2",
    "&": "a1 h i g1 e d m",
    "'": "i",
    "(": "j m",
    ")": "h k",
    "*": "g1 g2 h i j k l m",
    "+": "g1 g2 i l",
    ",": "coma",
    "-": "g",
    ".": "p",
    "/": "j k",
    "0": "a b c d e f",
    "1": "b c",
    "2": "a b g e d",
    "3": "a b g c d",
    "4": "f g b c",
    "5": "a f g c d",
    "6": "a f g e c d",
    "7": "a b c",
    "8": "a b c d e f g",
    "9": "a b c d f g",
    ":": "punto_alto p",
    ";": "punto_alto coma",
    "<": "j m",
    "=": "g d",
    ">": "h k",
    "?": "a b g2 l",
    "@": "a b d e f g2 i",
    "A": "a b c e f g",
    "B": "a b c d g2 i l",
    "C": "a d e f",
    "D": "a b c d i l",
    "E": "a d e f g",
    "F": "a e f g",
    "G": "a c d e f g2",
    "H": "b c e f g",
    "I": "a d i l",
    "J": "b c d e",
    "K": "e f g1 j m",
    "L": "d e f",
    "M": "b c e f h j",
    "N": "b c e f h m",
    "O": "a b c d e f",
    "P": "a b e f g",
    "Q": "a b c d e f m",
    "R": "a b e f g m",
    "S": "a f g c d",
    "T": "a i l",
    "U": "b c d e f",
    "V": "TL-BC TR-BC",
    "W": "b c e f k m",
    "X": "h j k m",
    "Y": "h j l",
    "Z": "a j k d",
    "[": "a2 i l d2",
    "\\": "h m",
    "]": "a1 i l d1",
    "^": "ML-TC MR-TC",
    "_": "d",
    "`": "h",
    "a": "a b c d e g",
    "b": "c d e f g",
    "c": "d e g",
    "d": "b c d e g",
    "e": "a b d e f g",
    "f": "a2 g i l",
    "g": "a b c d f g",
    "h": "c e f g",
    "i": "l punto_i",
    "j": "d1 l punto_i",
    "k": "e f g1 j m",
    "l": "i l d2",
    "m": "c e g l",
    "n": "c e g",
    "o": "c d e g",
    "p": "a b e f g",
    "q": "a b c f g",
    "r": "e g",
    "s": "a f g c d",
    "t": "d e f g",
    "u": "c d e",
    "v": "ML-BC MR-BC",
    "w": "c d e l",
    "x": "ML-BR MR-BL",
    "y": "b c d f g",
    "z": "g MR-BL d",
    "{": "a2 i l d2 g1",
    "|": "i l",
    "}": "a1 i l d1 g2",
    "~": "a1 i g2",
}


def nombre_glifo(c):
    return "space" if c == " " else "uni%04X" % ord(c)


def horario(poligono):
    """TrueType fills outer contours drawn clockwise (y up)."""
    area = sum(
        poligono[i - 1][0] * p[1] - p[0] * poligono[i - 1][1] for i, p in enumerate(poligono)
    )
    return poligono if area < 0 else poligono[::-1]


def glifo(segmentos):
    pen = TTGlyphPen(None)
    for nombre in segmentos.split():
        if "-" in nombre:
            desde, hasta = nombre.split("-")
            poligono = diagonal(PUNTOS[desde], PUNTOS[hasta])
        else:
            poligono = SEGMENTOS[nombre]
        puntos = [(round(x), round(y)) for x, y in horario(poligono)]
        pen.moveTo(puntos[0])
        for p in puntos[1:]:
            pen.lineTo(p)
        pen.closePath()
    return pen.glyph()


def notdef():
    """An empty box: what a character outside ASCII shows."""
    pen = TTGlyphPen(None)
    for contorno in ([(X0, Y0), (X0, Y1), (X1, Y1), (X1, Y0)],
                     [(X0 + TRAZO, Y0 + TRAZO), (X1 - TRAZO, Y0 + TRAZO),
                      (X1 - TRAZO, Y1 - TRAZO), (X0 + TRAZO, Y1 - TRAZO)]):
        pen.moveTo(contorno[0])
        for p in contorno[1:]:
            pen.lineTo(p)
        pen.closePath()
    return pen.glyph()


def construye():
    caracteres = [chr(c) for c in range(32, 127)]
    orden = [".notdef"] + [nombre_glifo(c) for c in caracteres]
    glifos = {".notdef": notdef()}
    for c in caracteres:
        glifos[nombre_glifo(c)] = glifo(GLIFOS[c])

    fb = FontBuilder(UPM, isTTF=True)
    fb.updateHead(created=FECHA, modified=FECHA, fontRevision=1.0)
    fb.setupGlyphOrder(orden)
    fb.setupCharacterMap({ord(c): nombre_glifo(c) for c in caracteres})
    fb.setupGlyf(glifos)
    glyf = fb.font["glyf"]
    fb.setupHorizontalMetrics(
        {n: (AVANCE, getattr(glyf[n], "xMin", 0)) for n in orden})
    fb.setupHorizontalHeader(ascent=ASCENSO, descent=-DESCENSO, lineGap=0)
    fb.setupNameTable({
        "copyright": "Drawn by tools/make_font.py of the Calculadora project",
        "familyName": "Calculadora LCD",
        "styleName": "Regular",
        "uniqueFontIdentifier": "Calculadora LCD Regular 1.0",
        "fullName": "Calculadora LCD Regular",
        "version": "Version 1.000",
        "psName": "CalculadoraLCD-Regular",
    })
    fb.setupOS2(
        sTypoAscender=ASCENSO, sTypoDescender=-DESCENSO, sTypoLineGap=0,
        usWinAscent=ASCENSO, usWinDescent=DESCENSO,
        sxHeight=YM + TRAZO // 2, sCapHeight=Y1,
        achVendID="CALC", fsType=0,
        panose=_panose_monoespaciado())
    fb.setupPost(isFixedPitch=1, underlinePosition=-96, underlineThickness=64)
    return fb.font


def _panose_monoespaciado():
    """Latin text face, monospaced; every other PANOSE digit "any"."""
    campos = ("bFamilyType bSerifStyle bWeight bProportion bContrast bStrokeVariation "
              "bArmStyle bLetterForm bMidline bXHeight").split()
    panose = dict.fromkeys(campos, 0)
    panose.update(bFamilyType=2, bProportion=9)
    return panose


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_font.py OUT.ttf")
    construye().save(sys.argv[1])


if __name__ == "__main__":
    main()
