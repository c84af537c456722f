// Renders the frame the calculator shows after a sequence of keys, in-process
// on whatever video driver SDL picks, and saves it as a BMP. Run it in the
// folder of the data files: render_keys OUT.bmp KEYS, where KEYS uses the
// face's labels one character each (0-9 . + - X / = C), 's' for "sqr" and
// '%' for percent. render_keys --centros prints the centre of each key, one
// "label x y" line each, for the scripts that click them.
#include <cstdio>
#include <cstring>

#include "app/engine.h"
#include "app/keypad.h"
#include "app/shell.h"
#include "graphics/xgrafi.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        fprintf(stderr, "usage: render_keys OUT.bmp [KEYS] | render_keys --centros\n");
        return 2;
    }
    if (strcmp(argv[1], "--centros") == 0) {
        for (const Tecla& t : TECLAS)
            printf("%s %d %d\n", t.label, t.x + ANCHO_TECLA / 2, t.y + ALTO_TECLA / 2);
        return 0;
    }
    int estado = arranque();
    if (estado != 0) return estado;
    for (const char* k = argc > 2 ? argv[2] : ""; *k; k++) {
        const char* label = *k == 's' ? "sqr" : nullptr;
        for (const Tecla& t : TECLAS)
            if (label ? strcmp(t.label, label) == 0 : (t.label[0] == *k && !t.label[1]))
                t.handler();
    }
    Repaint();
    return SDL_SaveBMP(screen, argv[1]) == 0 ? 0 : 1;
}
