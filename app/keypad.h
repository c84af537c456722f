// Keypad layout and repaint: the twenty invisible keys over the face image,
// the two display widgets, and the composition of a whole frame.
#ifndef APP_KEYPAD_H
#define APP_KEYPAD_H

class Boton;

extern Boton *B_on_off, *Bcmd0, *Bcmd1, *Bcmd2, *Bcmd3, *Bcmd4, *Bcmd5, *Bcmd6, *Bcmd7, *Bcmd8,
    *Bcmd9, *BIgual, *BDIV, *BPor, *BMenos, *BMas, *BC, *BPunto, *BRaiz, *BCiento;

// One key of the face: where its widget pointer lives, its label, the top-left
// corner of its 40 x 24 rectangle and the handler a click calls.
struct Tecla {
    Boton** boton;
    const char* label;
    int x, y;
    void (*handler)();
};

enum { NUM_TECLAS = 20, ANCHO_TECLA = 40, ALTO_TECLA = 24 };

// The keys in creation order, which is also the order of drawing and of the
// click dispatch.
extern const Tecla TECLAS[NUM_TECLAS];

void Creacion();
void Redibujado();
void Repaint();

#endif
