#!/usr/bin/python3
"""Generates "caltrq.png", the calculator face that the program blits at the
window's top-left corner: the case, a glossy upper panel with the model, a
solar strip and the name plate, the display window, and the twenty key caps
exactly at the rectangles where the program hit-tests its keys.

Start reading at cara(). Everything is drawn ESCALA times larger and reduced
at the end by a plain box average, which smooths every edge and gives the
same pixels on every run. The key labels use DejaVu Sans Bold from Debian's
fonts-dejavu-core; the unlit segments in the display window come from the
display font's own geometry (make_font.py), so they lie exactly under the
segments the program lights.

Usage: make_face.py OUT.png
"""

import os
import re
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_font  # noqa: E402

ANCHO, ALTO = 248, 501  # the window, pixels
ESCALA = 4
LETRA = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# The keys as the program places them, read from its one key table (TECLAS in
# app/keypad.cpp, sizes in app/keypad.h): label and top-left corner. Each
# answers clicks from x + 1 to x + 39, y + 1 to y + 23. Drawn row by row.
def teclas_del_programa():
    app = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app")
    tabla = open(os.path.join(app, "keypad.cpp")).read()
    tamanos = open(os.path.join(app, "keypad.h")).read()
    filas = re.findall(r'\{&\w+, "([^"]+)", (\d+), (\d+), \w+\}', tabla)
    ancho = re.search(r"ANCHO_TECLA = (\d+)", tamanos)
    alto = re.search(r"ALTO_TECLA = (\d+)", tamanos)
    if len(filas) != 20 or not ancho or not alto:
        sys.exit("make_face.py: no table of 20 keys in app/keypad.cpp")

    def clase(texto):
        if texto in ("on", "C"):
            return texto.lower()
        return "dig" if texto.isdigit() or texto == "." else "op"

    teclas = [(t, int(x), int(y), clase(t)) for t, x, y in filas]
    return sorted(teclas, key=lambda k: (k[2], k[1])), int(ancho.group(1)), int(alto.group(1))


TECLAS, TECLA_ANCHO, TECLA_ALTO = teclas_del_programa()
# Label sizes in pixels (14 unless listed) and labels drawn with the proper
# typographic sign.
TAMANO_ETIQUETA = {"on": 12, "sqr": 11, "%": 13, "X": 13, "/": 16, "-": 16, "+": 17, "=": 17,
                   ".": 22}
DIBUJO_ETIQUETA = {"-": "\u2212"}

# The display line: 15 columns of 15 px from (6, 168); SDL_ttf puts the
# font's baseline `ascent` pixels below the line's top.
LINEA_X, LINEA_Y, COLUMNAS, COLUMNA = 6, 168, 15, 15
LINEA_BASE = LINEA_Y + make_font.ASCENSO * 32 // make_font.UPM
CRISTAL = (5, 154, ANCHO - 6, 211)  # the display window, inclusive corners

# Colours (r, g, b). Pure cyan, the program's transparent colour, is nowhere.
ESCRITORIO = (196, 200, 206)  # behind the rounded corners
CANTO = (18, 20, 24)
BRILLO_CANTO = (104, 110, 122)
CUERPO_ARRIBA, CUERPO_ABAJO = (62, 67, 76), (38, 41, 48)
PANEL_BORDE = (70, 75, 84)
PANEL_ARRIBA, PANEL_ABAJO = (28, 30, 35), (16, 17, 21)
MODELO, MODELO_SUAVE = (206, 210, 216), (122, 128, 138)
SOLAR_MARCO, SOLAR_ARRIBA, SOLAR_ABAJO = (92, 70, 64), (74, 50, 46), (52, 36, 34)
PLACA_ARRIBA, PLACA_ABAJO = (92, 98, 110), (60, 65, 74)
PLACA_LETRA, PLACA_RELIEVE = (226, 229, 234), (30, 33, 38)
HUNDIDO, HUNDIDO_BORDE = (8, 9, 11), (58, 62, 70)
CRISTAL_ARRIBA, CRISTAL_ABAJO = (12, 22, 17), (17, 31, 23)
SEGMENTO_APAGADO = (22, 38, 29)

# Key colours by kind: face (top, bottom), skirt, label.
COLORES_TECLA = {
    "dig": ((238, 236, 230), (214, 211, 204), (150, 147, 140), (36, 38, 43)),
    "op": ((104, 116, 134), (82, 93, 109), (50, 57, 68), (244, 246, 248)),
    "c": ((232, 96, 72), (204, 70, 50), (132, 40, 28), (255, 255, 255)),
    "on": ((96, 178, 110), (66, 148, 84), (34, 92, 48), (255, 255, 255)),
}


def e(v):
    """Face pixels to canvas pixels."""
    return round(v * ESCALA)


def caja(x1, y1, x2, y2):
    """A face rectangle with inclusive corners, on the canvas."""
    return (e(x1), e(y1), e(x2 + 1) - 1, e(y2 + 1) - 1)


def gradiente(tam, arriba, abajo):
    rampa = Image.linear_gradient("L").resize(tam, Image.BILINEAR)
    return Image.composite(Image.new("RGB", tam, abajo), Image.new("RGB", tam, arriba), rampa)


def mascara(tam, dibuja):
    m = Image.new("L", tam, 0)
    dibuja(ImageDraw.Draw(m))
    return m


def pinta(lienzo, relleno, m, desde=(0, 0)):
    """Paints a colour or an RGB image through a mask."""
    if isinstance(relleno, tuple):
        relleno = Image.new("RGB", m.size, relleno)
    lienzo.paste(relleno, desde, m)


def redondeado(lienzo, x1, y1, x2, y2, radio, relleno):
    """A rounded rectangle in face pixels, filled with a colour or with a
    vertical gradient given as [top, bottom]."""
    c = caja(x1, y1, x2, y2)
    tam = (c[2] - c[0] + 1, c[3] - c[1] + 1)
    m = mascara(tam, lambda d: d.rounded_rectangle((0, 0, tam[0] - 1, tam[1] - 1), e(radio),
                                                   fill=255))
    if isinstance(relleno, list):
        relleno = gradiente(tam, *relleno)
    pinta(lienzo, relleno, m, c[:2])


def difuso(lienzo, color, radio, dibuja):
    """Paints a colour through a blurred mask: shadows and reflections."""
    m = mascara(lienzo.size, dibuja).filter(ImageFilter.GaussianBlur(e(radio)))
    pinta(lienzo, color, m)


def letra(tam):
    # The basic layout engine: the same on every machine, with or without raqm.
    return ImageFont.truetype(LETRA, e(tam), layout_engine=ImageFont.Layout.BASIC)


def espaciado(dibujo, x, y, texto, fuente, espacio, color):
    """Text with extra room between the letters; (x, y) its top-left corner."""
    for c in texto:
        dibujo.text((x, y), c, font=fuente, fill=color)
        x += dibujo.textlength(c, font=fuente) + espacio


def cuerpo(lienzo):
    """The case: a dark outline, a bright rim along its top, a body that
    darkens downwards."""
    redondeado(lienzo, 0, 0, ANCHO - 1, ALTO - 1, 22, CANTO)
    redondeado(lienzo, 1, 1, ANCHO - 2, ALTO - 2, 21, [BRILLO_CANTO, CUERPO_ABAJO])
    redondeado(lienzo, 2, 3, ANCHO - 3, ALTO - 3, 20, [CUERPO_ARRIBA, CUERPO_ABAJO])


def panel(lienzo):
    """The glossy dark upper panel, with a faint reflection at its upper
    left that stays inside the panel."""
    redondeado(lienzo, 4, 5, ANCHO - 5, 226, 18, PANEL_BORDE)
    redondeado(lienzo, 4, 4, ANCHO - 5, 225, 18, [PANEL_ARRIBA, PANEL_ABAJO])
    reflejo = mascara(lienzo.size, lambda d: d.polygon(
        [(e(4), e(4)), (e(150), e(4)), (e(60), e(140)), (e(4), e(140))], fill=10))
    reflejo = reflejo.filter(ImageFilter.GaussianBlur(e(12)))
    dentro = mascara(lienzo.size, lambda d: d.rounded_rectangle(caja(4, 4, ANCHO - 5, 225),
                                                                e(18), fill=255))
    pinta(lienzo, (255, 255, 255), ImageChops.darker(reflejo, dentro))


def placa(lienzo):
    """Above the display: the model and a solar strip, then the name plate,
    a metal plate with the name in raised letters."""
    d = ImageDraw.Draw(lienzo)
    espaciado(d, e(18), e(25), "CD-15", letra(12), e(1), MODELO)
    espaciado(d, e(18), e(44), "15 D\u00cdGITOS", letra(7.5), e(0.9), MODELO_SUAVE)
    redondeado(lienzo, 128, 22, 231, 54, 3, SOLAR_MARCO)
    for i in range(4):
        x = 129.5 + i * 25.5
        redondeado(lienzo, x, 23, x + 24, 53, 1, [SOLAR_ARRIBA, SOLAR_ABAJO])

    redondeado(lienzo, 16, 91, 231, 127, 5, HUNDIDO)
    redondeado(lienzo, 16, 90, 231, 126, 5, [PLACA_ARRIBA, PLACA_ABAJO])
    fuente, espacio = letra(15), e(2.2)
    nombre = "CALCULADORA"
    ancho = sum(d.textlength(c, font=fuente) for c in nombre) + espacio * (len(nombre) - 1)
    x = e(ANCHO / 2) - ancho / 2
    espaciado(d, x, e(100.6), nombre, fuente, espacio, PLACA_RELIEVE)
    espaciado(d, x, e(100), nombre, fuente, espacio, PLACA_LETRA)


def segmentos_apagados(lienzo):
    """The seven segments of every column, faint, where the display font
    lights them (font units / 32 = pixels at 32 points)."""
    d = ImageDraw.Draw(lienzo)
    for col in range(COLUMNAS):
        x0 = LINEA_X + col * COLUMNA
        for nombre in "abcdefg":
            poligono = make_font.SEGMENTOS[nombre]
            d.polygon([(e(x0 + x / 32), e(LINEA_BASE - y / 32)) for x, y in poligono],
                      fill=SEGMENTO_APAGADO)


def pantalla(lienzo):
    """The display window sunk into the panel: a dark recess, a lit lower
    lip, the glass with its unlit segments and a shadow under its top edge."""
    x1, y1, x2, y2 = CRISTAL
    redondeado(lienzo, x1 - 2, y1 - 2, x2 + 2, y2 + 2, 6, HUNDIDO)
    redondeado(lienzo, x1 - 1, y1 + 1, x2 + 1, y2 + 2, 5, HUNDIDO_BORDE)
    redondeado(lienzo, x1, y1, x2, y2, 4, [CRISTAL_ARRIBA, CRISTAL_ABAJO])
    segmentos_apagados(lienzo)
    difuso(lienzo, (0, 0, 0), 1.5, lambda d: d.rectangle(caja(x1, y1, x2, y1 + 2), fill=120))


def etiqueta(lienzo, texto, cx, cy, color):
    """A key's label with its ink centred on (cx, cy); a word of small
    letters centres its x-height, so a descender hangs below."""
    d = ImageDraw.Draw(lienzo)
    fuente = letra(TAMANO_ETIQUETA.get(texto, 14))
    dibujo = DIBUJO_ETIQUETA.get(texto, texto)
    izq, arr, der, aba = d.textbbox((0, 0), dibujo, font=fuente)
    if dibujo.islower():
        _, arr, _, aba = d.textbbox((0, 0), "x", font=fuente)
    d.text((e(cx) - (izq + der) / 2, e(cy) - (arr + aba) / 2), dibujo, font=fuente, fill=color)


def tecla(lienzo, texto, x, y, clase):
    """One key cap filling its rectangle: a darker skirt along the bottom, a
    face with a highlight along its top edge, the label on the face."""
    arriba, abajo, falda, tinta = COLORES_TECLA[clase]
    x2, y2 = x + TECLA_ANCHO - 1, y + TECLA_ALTO - 1
    redondeado(lienzo, x, y, x2, y2, 5, falda)
    redondeado(lienzo, x + 1, y, x2 - 1, y2 - 3, 4.5, [arriba, abajo])
    brillo = tuple(min(255, c + 24) for c in arriba)
    redondeado(lienzo, x + 3, y + 1, x2 - 3, y + 1.5, 0.5, brillo)
    etiqueta(lienzo, texto, x + TECLA_ANCHO / 2, y + 10, tinta)


def teclado(lienzo):
    # All shadows first: a key's shadow never falls on its neighbour's cap.
    for _, x, y, _ in TECLAS:
        difuso(lienzo, (0, 0, 0), 1.5, lambda d: d.rounded_rectangle(
            caja(x, y + 2, x + TECLA_ANCHO - 1, y + TECLA_ALTO + 1), e(5), fill=150))
    for texto, x, y, clase in TECLAS:
        tecla(lienzo, texto, x, y, clase)


def cara():
    lienzo = Image.new("RGB", (e(ANCHO), e(ALTO)), ESCRITORIO)
    cuerpo(lienzo)
    panel(lienzo)
    placa(lienzo)
    pantalla(lienzo)
    teclado(lienzo)
    imagen = lienzo.resize((ANCHO, ALTO), Image.BOX)
    if any(c == (0, 255, 255) for _, c in imagen.getcolors(ANCHO * ALTO)):
        sys.exit("make_face.py: a pixel came out in the transparent colour")
    return imagen


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_face.py OUT.png")
    # Without ancillary chunks (time, text, resolution) the bytes depend on
    # the picture alone.
    cara().save(sys.argv[1], format="PNG", optimize=False, compress_level=9)


if __name__ == "__main__":
    main()
