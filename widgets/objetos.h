/// \file
/// Widget toolkit: push and two-state buttons (Xboton, Boton, CBoton), the text
/// field and label (TextoE, TextoS), the check box (Chequeo) and the integer and
/// list spin boxes (SpinBox, SpinBoxD, SpinBoxS). Each widget draws itself on
/// `screen`, hit-tests a position its owner passes, and describes itself as a
/// creation statement in the shared buffer `cadena`. Start with Xboton.
#ifndef WIDGETS_OBJETOS_H
#define WIDGETS_OBJETOS_H

#include "graphics/xgrafi.h"

extern char cadena[100]; ///< the last Valor() statement of any widget; the next one overwrites it

/// Marks the text, check-box and spin-box widgets as members of the toolkit.
class Objetos {
  public:
    Objetos() {}
};

/// A rectangle with a label, a visibility flag and a two-state value; the
/// base of the buttons. Texts keep at most 19 characters.
class Xboton {
  public:
    Xboton(int x, int y, int w, int h, const char* label);
    Xboton(int x, int y, const char* label); ///< 100 x 24
    void SetLabel(const char* label);
    bool get(int px, int py) const; ///< strictly inside; ignores `visible`
    int ValorX() const;
    int ValorY() const;
    char* ValorS();
    void Move(int nx, int ny);
    void Visible(bool v);

    int x, y;
    int x2, y2; ///< x + width, y + height
    char label[20];
    bool value; ///< CBoton's state; starts false
    bool visible;
};

class Boton : public Xboton {
  public:
    Boton(int x, int y, int w, int h, const char* label);
    Boton(int x, int y, const char* label);
    void Dibujar(bool look); ///< false: raised look, true: pressed look
    char* Valor();
};

class CBoton : public Xboton {
  public:
    CBoton(int x, int y, int w, int h, const char* label);
    CBoton(int x, int y, const char* label);
    void Dibujar(); ///< raised when on, pressed when off
    void SetValue(bool v);
    bool GetValue() const;
    char* Valor();
};

/// A pale blue field with one line of text; hit area fixed at 100 x 24.
class TextoE : public Objetos {
  public:
    TextoE(int x, int y, const char* texto); ///< 100 x 24
    TextoE(int x, int y, int w, int h, const char* texto);
    void Text(const char* s);
    void Value(const char* s);
    void Value(int v);
    void Value(float v);
    void Dibujar();
    bool get(int px, int py) const;
    char* Valor();
    int ValorX() const;
    int ValorY() const;
    char* ValorS();
    void Move(int nx, int ny);

    int x, y;
    int x2, y2;
    char texto[20];
};

/// A bare line of text at a point; hit area fixed at 24 x 24.
class TextoS : public Objetos {
  public:
    TextoS(int x, int y, const char* texto);
    void Text(const char* s);
    void Dibujar();      ///< in textColor
    void DibujarColor(); ///< in the current drawing colour
    bool get(int px, int py) const;
    char* Valor();
    int ValorX() const;
    int ValorY() const;
    char* ValorS();
    void Move(int nx, int ny);

    int x, y;
    char texto[20];
};

/// A 16-pixel square with a label to its right; only the square is sensitive.
class Chequeo : public Objetos {
  public:
    Chequeo(int x, int y, const char* label);
    Chequeo(int x, int y, const char* label, bool on);
    void Dibujar();
    int get(int px, int py) const; ///< 1 inside the square, else 0
    void set(bool on);
    bool value() const;
    void Text(const char* text);
    char* Valor();
    int ValorX() const;
    int ValorY() const;
    char* ValorS();
    void Move(int nx, int ny);

    int x, y;
    int x2, y2; ///< always x + 16, y + 16
    bool state;
    char label[20];
};

/// An integer between limits with an up/down arrow column at its left.
/// get() answers 1 for the upper arrow, 2 for the lower one, 0 elsewhere.
class SpinBox : public Objetos {
  public:
    SpinBox(int x, int y, int w, int h, int min, int max, int step);
    SpinBox(int x, int y); ///< 50 x 24, 0..10, step 1
    void SetValue(int v);  ///< not clamped
    int GetValue() const;
    int get(int px, int py) const;
    void Increm();
    void Decrem();
    void Dibujar();
    char* Valor();
    int ValorX() const;
    int ValorY() const;
    void Move(int nx, int ny);

    int x, y;
    int x2, y2;
    int max;
    int min;
    int step;
    int value;
};

/// A spin box over up to 15 texts it copies (at most 19 characters each); an
/// empty text marks a free entry. The value is the index of the shown entry.
class SpinBoxD : public Objetos {
  public:
    SpinBoxD(int x, int y, int w, int h);
    SpinBoxD(int x, int y); ///< 100 x 24
    void SetValue(int i);   ///< clamped to 0..14
    int GetValue() const;
    void Increm();
    void Decrem();
    void Append(const char* text);
    void Dibujar();
    int get(int px, int py) const;
    char* Valor();
    int ValorX() const;
    int ValorY() const;
    void Move(int nx, int ny);

    int x, y;
    int x2, y2;
    int value;
    char items[15][20];
};

/// As SpinBoxD, but it keeps the caller's pointers; a null pointer marks a free
/// entry, and the caller's texts must outlive every Dibujar.
class SpinBoxS : public Objetos {
  public:
    SpinBoxS(int x, int y, int w, int h);
    SpinBoxS(int x, int y); ///< 100 x 24
    void SetValue(int i);   ///< clamped to 0..14
    int GetValue() const;
    void Increm();
    void Decrem();
    void Append(const char* text);
    void Dibujar(); ///< draws at most the first 19 characters of the entry
    int get(int px, int py) const;
    char* Valor();
    int ValorX() const;
    int ValorY() const;
    void Move(int nx, int ny);

    int x, y;
    int x2, y2;
    int value;
    const char* items[15];
};

#endif
