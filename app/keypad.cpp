// Keypad layout and repaint. TECLAS is the one table of the twenty keys;
// Creacion, Redibujado and the shell's click dispatch all walk it in order.
// A frame is the face image, the (hidden) keys and the display line, flipped.
#include "app/keypad.h"

#include "app/engine.h"
#include "graphics/xgrafi.h"
#include "widgets/objetos.h"

Boton *B_on_off, *Bcmd0, *Bcmd1, *Bcmd2, *Bcmd3, *Bcmd4, *Bcmd5, *Bcmd6, *Bcmd7, *Bcmd8, *Bcmd9,
    *BIgual, *BDIV, *BPor, *BMenos, *BMas, *BC, *BPunto, *BRaiz, *BCiento;

// widget       label  x    y    handler
const Tecla TECLAS[NUM_TECLAS] = {
    {&B_on_off, "on", 16, 248, Fun_on_off},
    {&Bcmd0, "0", 16, 440, Funcmd0},
    {&Bcmd1, "1", 16, 392, Funcmd1},
    {&Bcmd2, "2", 80, 392, Funcmd2},
    {&Bcmd3, "3", 136, 392, Funcmd3},
    {&Bcmd4, "4", 16, 344, Funcmd4},
    {&Bcmd5, "5", 80, 344, Funcmd5},
    {&Bcmd6, "6", 136, 344, Funcmd6},
    {&Bcmd7, "7", 16, 296, Funcmd7},
    {&Bcmd8, "8", 80, 296, Funcmd8},
    {&Bcmd9, "9", 136, 296, Funcmd9},
    {&BIgual, "=", 136, 440, FunIgual},
    {&BDIV, "/", 192, 296, FunDIV},
    {&BPor, "X", 192, 344, FunPor},
    {&BMenos, "-", 192, 392, FunMenos},
    {&BMas, "+", 192, 440, FunMas},
    {&BC, "C", 192, 248, FunC},
    {&BPunto, ".", 80, 440, FunPunto},
    {&BRaiz, "sqr", 80, 248, FunRaiz},
    {&BCiento, "%", 136, 248, FunCiento},
};

static const int LINEA_X = 6, LINEA_Y = 168; // top-left of the display line

void Creacion() {
    for (const Tecla& t : TECLAS) *t.boton = new Boton(t.x, t.y, ANCHO_TECLA, ALTO_TECLA, t.label);
    lcd0 = new TextoE(32, 160, 192, 32, "TextoE1");
    lcd0S = new TextoS(LINEA_X, LINEA_Y, "TextoE1S");
    repintar = Repaint; // the engine shows every change of the display line in a whole frame
    // The face image shows the keys; the widgets only answer clicks. "on" is hidden last.
    for (int i = 1; i <= NUM_TECLAS; i++) (*TECLAS[i % NUM_TECLAS].boton)->Visible(false);
}

void Redibujado() {
    for (const Tecla& t : TECLAS)
        if (*t.boton) (*t.boton)->Dibujar(false);
    setcolor(133, 248, 73);
    if (lcd0S) lcd0S->DibujarColor();
}

void Repaint() {
    apply_surface(0, 0, background, screen);
    Redibujado();
    if (screen) SDL_Flip(screen);
}
