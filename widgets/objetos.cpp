// Widget toolkit: every widget class of objetos.h and the shared buffer
// `cadena`. The static helpers at the top hold what the widgets share (text
// copies, hit tests, the button looks, the spin-box frame, label blits, the
// creation statements and the list spin boxes' core); the classes follow in
// the header's order, buttons first.
#include "widgets/objetos.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

char cadena[100];

static const int kTexto = 20;    // every widget text buffer: 19 characters and a terminator
static const int kEntradas = 15; // entries of a list spin box
static const int kFlechas = 18;  // column of the spin boxes' separator, from x
static const int kCampo = 20;    // column where a spin box's text starts, from x
static const int kLadoChequeo = 16;
static const SDL_Color kFondoEntero = {200, 150, 255, 0}; // SpinBox
static const SDL_Color kFondoLista = {150, 150, 255, 0};  // SpinBoxD and SpinBoxS

// One step of a button look: a grey, how far in from the edge, filled or outline.
struct Paso {
    unsigned char gris;
    int margen;
    bool relleno;
};

// Look A (raised) and look B (pressed); the steps run in this order.
static const Paso kElevado[] = {{230, 0, true}, {150, 2, false}, {100, 1, false}, {0, 0, false}};
static const Paso kHundido[] = {{150, 0, true}, {0, 0, false}, {250, 1, false}, {200, 2, false}};

// Corners and values near the ends of the int range: the sum is worked out
// wide and stored clamped to the range, so that ordinary sums are exact and a
// far corner never wraps round to the other side.
static int suma(long long a, long long b) {
    long long r = a + b;
    return r > INT_MAX ? INT_MAX : (r < INT_MIN ? INT_MIN : (int)r);
}

// Keeps the first 19 characters of `origen`; a null text counts as empty.
static void copiar(char* destino, const char* origen) {
    if (!origen) origen = "";
    size_t n = strnlen(origen, kTexto - 1);
    memcpy(destino, origen, n);
    destino[n] = '\0';
}

static bool dentro(int x, int y, int x2, int y2, int px, int py) {
    return x < px && px < x2 && y < py && py < y2;
}

// Moves a rectangle to (nx, ny) keeping its size.
static void mover(int& x, int& y, int& x2, int& y2, int nx, int ny) {
    x2 = suma(nx, (long long)x2 - x);
    y2 = suma(ny, (long long)y2 - y);
    x = nx;
    y = ny;
}

// Writes a creation statement into `cadena`, cut to its size, and returns it.
static char* sentencia(const char* formato, ...) __attribute__((format(printf, 1, 2)));
static char* sentencia(const char* formato, ...) {
    va_list argumentos;
    va_start(argumentos, formato);
    vsnprintf(cadena, sizeof cadena, formato, argumentos);
    va_end(argumentos);
    return cadena;
}

// One blit of `texto` in `color`; the rendered surface lives for that blit only.
static void dibujar_texto(int x, int y, const char* texto, SDL_Color color) {
    if (!font || !texto) return;
    SDL_Surface* imagen = texto_solido(font, texto, color);
    apply_surface(x, y, imagen, screen);
    SDL_FreeSurface(imagen);
}

static void dibujar_relieve(const Paso* pasos, int x, int y, int x2, int y2) {
    for (int i = 0; i < 4; i++) {
        const Paso& p = pasos[i];
        setcolor(p.gris, p.gris, p.gris);
        int m = p.margen;
        if (p.relleno) {
            bar(suma(x, m), suma(y, m), suma(x2, -m), suma(y2, -m));
        } else {
            box(suma(x, m), suma(y, m), suma(x2, -m), suma(y2, -m));
        }
    }
}

// The label is centred across the button (a failed measurement leaves it at the
// left edge) and hangs 2 pixels below its top.
static void dibujar_etiqueta(int x, int y, int x2, const char* etiqueta) {
    if (!font) return;
    SDL_Surface* imagen = texto_solido(font, etiqueta, textColor);
    int ancho = 0, alto = 0;
    long long margen = 0;
    if (TTF_SizeText(font, etiqueta, &ancho, &alto) != 0) {
        printf("Error tamaño texto");
    } else {
        margen = ((long long)x2 - x) / 2 - ancho / 2;
        if (margen < 0) margen = 0;
    }
    apply_surface(suma(x, margen), suma(y, 2), imagen, screen);
    SDL_FreeSurface(imagen);
}

static void dibujar_boton(const Xboton& b, bool pulsado) {
    dibujar_relieve(pulsado ? kHundido : kElevado, b.x, b.y, b.x2, b.y2);
    dibujar_etiqueta(b.x, b.y, b.x2, b.label);
}

// A spin box of any kind: fill, outline, separator, divider, the two arrow
// triangles (their apexes touch the top and bottom edges) and the text in the
// field right of the arrows.
static void dibujar_selector(int x, int y, int x2, int y2, SDL_Color fondo, const char* texto) {
    int m = suma(y, ((long long)y2 - y) / 2);
    int punta = suma(x, kFlechas / 2);
    int borde = suma(x, kFlechas);
    setcolor(fondo.r, fondo.g, fondo.b);
    bar(x, y, x2, y2);
    setcolor(0, 0, 0);
    box(x, y, x2, y2);
    line(borde, y, borde, y2);
    line(x, m, borde, m);
    line(x, m, punta, y);
    line(punta, y, borde, m);
    line(x, m, punta, y2);
    line(punta, y2, borde, m);
    dibujar_texto(suma(x, kCampo), suma(y, 2), texto, textColor);
}

// 1 on the upper arrow, 2 on the lower, 0 elsewhere. The hit midline lies one
// row below the drawn divider when the height is odd, and belongs to neither.
static int tocar_flechas(int x, int y, int y2, int px, int py) {
    int medio = suma(y2, -(((long long)y2 - y) / 2));
    if (!(x < px && px < suma(x, kCampo))) return 0;
    if (y < py && py < medio) return 1;
    if (medio < py && py < y2) return 2;
    return 0;
}

// The list spin boxes' core, for SpinBoxD and SpinBoxS alike. The two differ
// only in how an entry is held: SpinBoxD copies the text (at most 19
// characters) and an entry is free while empty, so an empty text adds nothing;
// SpinBoxS keeps the caller's pointer and an entry is free while null, so an
// empty text takes an entry. `libre` and `guardar` say which.
static bool libre(const SpinBoxD& l, int i) { return l.items[i][0] == '\0'; }
static bool libre(const SpinBoxS& l, int i) { return !l.items[i]; }
static void guardar(SpinBoxD& l, int i, const char* texto) { copiar(l.items[i], texto); }
static void guardar(SpinBoxS& l, int i, const char* texto) { l.items[i] = texto; }

// The index stays within the 15 entries, whatever the caller asks.
static int acotar_indice(int i) { return i < 0 ? 0 : (i > kEntradas - 1 ? kEntradas - 1 : i); }

// Entries fill in order from entry 0 and are never emptied, so the used ones
// are the run before the first free one.
template <class Lista> static int usadas(const Lista& l) {
    int n = 0;
    while (n < kEntradas && !libre(l, n)) n++;
    return n;
}

// Stops at the last used entry; never wraps.
template <class Lista> static void avanzar(Lista& l) {
    if (l.value < usadas(l) - 1) l.value++;
}

template <class Lista> static void retroceder(Lista& l) {
    if (l.value > 0) l.value--;
}

// Into the first free entry; with none free the text is dropped.
template <class Lista> static void anadir(Lista& l, const char* texto) {
    for (int i = 0; i < kEntradas; i++) {
        if (libre(l, i)) {
            guardar(l, i, texto);
            return;
        }
    }
}

// Nothing at all while the shown entry is free; at most its first 19
// characters otherwise.
template <class Lista> static void dibujar_lista(const Lista& l) {
    if (libre(l, l.value)) return;
    char texto[kTexto];
    copiar(texto, l.items[l.value]);
    dibujar_selector(l.x, l.y, l.x2, l.y2, kFondoLista, texto);
}

// Xboton

Xboton::Xboton(int x, int y, int w, int h, const char* label)
    : x(x), y(y), x2(suma(x, w)), y2(suma(y, h)), value(false), visible(true) {
    copiar(this->label, label);
}

Xboton::Xboton(int x, int y, const char* label) : Xboton(x, y, 100, 24, label) {}

void Xboton::SetLabel(const char* label) { copiar(this->label, label); }

bool Xboton::get(int px, int py) const { return dentro(x, y, x2, y2, px, py); }

int Xboton::ValorX() const { return x; }

int Xboton::ValorY() const { return y; }

char* Xboton::ValorS() { return label; }

void Xboton::Move(int nx, int ny) { mover(x, y, x2, y2, nx, ny); }

void Xboton::Visible(bool v) { visible = v; }

// Boton

Boton::Boton(int x, int y, int w, int h, const char* label) : Xboton(x, y, w, h, label) {}

Boton::Boton(int x, int y, const char* label) : Xboton(x, y, label) {}

void Boton::Dibujar(bool look) {
    if (!visible) return;
    dibujar_boton(*this, look);
}

char* Boton::Valor() {
    return sentencia("new Boton(%d,%d,%lld,%lld,(char*)\"%s\");", x, y, (long long)x2 - x,
                     (long long)y2 - y, label);
}

// CBoton

CBoton::CBoton(int x, int y, int w, int h, const char* label) : Xboton(x, y, w, h, label) {}

CBoton::CBoton(int x, int y, const char* label) : Xboton(x, y, label) {}

void CBoton::Dibujar() {
    if (!visible) return;
    dibujar_boton(*this, !value);
}

void CBoton::SetValue(bool v) { value = v; }

bool CBoton::GetValue() const { return value; }

char* CBoton::Valor() {
    return sentencia("new CBoton(%d,%d,%lld,%lld,(char*)\"%s\");", x, y, (long long)x2 - x,
                     (long long)y2 - y, label);
}

// TextoE

TextoE::TextoE(int x, int y, const char* texto) : TextoE(x, y, 100, 24, texto) {}

TextoE::TextoE(int x, int y, int w, int h, const char* texto)
    : x(x), y(y), x2(suma(x, w)), y2(suma(y, h)) {
    copiar(this->texto, texto);
}

void TextoE::Text(const char* s) { copiar(texto, s); }

void TextoE::Value(const char* s) { copiar(texto, s); }

void TextoE::Value(int v) {
    char s[16];
    snprintf(s, sizeof s, "%d", v);
    copiar(texto, s);
}

void TextoE::Value(float v) {
    char s[64]; // "%.2f" of the largest float is 43 characters
    snprintf(s, sizeof s, "%.2f", (double)v);
    copiar(texto, s);
}

void TextoE::Dibujar() {
    setcolor(200, 200, 255);
    bar(x, y, x2, y2);
    setcolor(0, 0, 0);
    box(x, y, x2, y2);
    dibujar_texto(suma(x, 2), suma(y, 2), texto, textColor);
}

bool TextoE::get(int px, int py) const { return dentro(x, y, suma(x, 100), suma(y, 24), px, py); }

char* TextoE::Valor() { return sentencia("new TextoE(%d,%d,(char*)\"%s\");", x, y, texto); }

int TextoE::ValorX() const { return x; }

int TextoE::ValorY() const { return y; }

char* TextoE::ValorS() { return texto; }

void TextoE::Move(int nx, int ny) { mover(x, y, x2, y2, nx, ny); }

// TextoS

TextoS::TextoS(int x, int y, const char* texto) : x(x), y(y) { copiar(this->texto, texto); }

void TextoS::Text(const char* s) { copiar(texto, s); }

void TextoS::Dibujar() { dibujar_texto(x, y, texto, textColor); }

void TextoS::DibujarColor() { dibujar_texto(x, y, texto, ColorDefault); }

bool TextoS::get(int px, int py) const { return dentro(x, y, suma(x, 24), suma(y, 24), px, py); }

char* TextoS::Valor() { return sentencia("new TextoS(%d,%d,(char*)\"%s\");", x, y, texto); }

int TextoS::ValorX() const { return x; }

int TextoS::ValorY() const { return y; }

char* TextoS::ValorS() { return texto; }

void TextoS::Move(int nx, int ny) {
    x = nx;
    y = ny;
}

// Chequeo

Chequeo::Chequeo(int x, int y, const char* label) : Chequeo(x, y, label, false) {}

Chequeo::Chequeo(int x, int y, const char* label, bool on)
    : x(x), y(y), x2(suma(x, kLadoChequeo)), y2(suma(y, kLadoChequeo)), state(on) {
    copiar(this->label, label);
}

void Chequeo::Dibujar() {
    setcolor(230, 230, 230);
    bar(x, y, x2, y2);
    setcolor(0, 0, 0);
    box(x, y, x2, y2);
    if (state) {
        setcolor(255, 0, 0);
        bar(suma(x, 4), suma(y, 4), suma(x2, -4), suma(y2, -4));
    }
    dibujar_texto(suma(x2, 4), y, label, textColor);
}

int Chequeo::get(int px, int py) const { return dentro(x, y, x2, y2, px, py) ? 1 : 0; }

void Chequeo::set(bool on) { state = on; }

bool Chequeo::value() const { return state; }

void Chequeo::Text(const char* text) { copiar(label, text); }

char* Chequeo::Valor() { return sentencia("new Chequeo(%d,%d,(char*)\"%s\");", x, y, label); }

int Chequeo::ValorX() const { return x; }

int Chequeo::ValorY() const { return y; }

char* Chequeo::ValorS() { return label; }

void Chequeo::Move(int nx, int ny) {
    x = nx;
    y = ny;
    x2 = suma(nx, kLadoChequeo);
    y2 = suma(ny, kLadoChequeo);
}

// SpinBox

SpinBox::SpinBox(int x, int y, int w, int h, int min, int max, int step)
    : x(x), y(y), x2(suma(x, w)), y2(suma(y, h)), max(max), min(min), step(step), value(min) {}

SpinBox::SpinBox(int x, int y) : SpinBox(x, y, 50, 24, 0, 10, 1) {}

void SpinBox::SetValue(int v) { value = v; }

int SpinBox::GetValue() const { return value; }

int SpinBox::get(int px, int py) const { return tocar_flechas(x, y, y2, px, py); }

void SpinBox::Increm() {
    value = suma(value, step);
    if (value > max) value = max;
}

void SpinBox::Decrem() {
    value = suma(value, -(long long)step);
    if (value < min) value = min;
}

void SpinBox::Dibujar() {
    char texto[kTexto];
    snprintf(texto, sizeof texto, "%d", value);
    dibujar_selector(x, y, x2, y2, kFondoEntero, texto);
}

char* SpinBox::Valor() { return sentencia("new SpinBox(%d,%d,50,24,0,100,1);", x, y); }

int SpinBox::ValorX() const { return x; }

int SpinBox::ValorY() const { return y; }

void SpinBox::Move(int nx, int ny) { mover(x, y, x2, y2, nx, ny); }

// SpinBoxD and SpinBoxS: the same operations over the list core above. The
// empty `items()` marks every entry free in both: empty texts, null pointers.

SpinBoxD::SpinBoxD(int x, int y, int w, int h)
    : x(x), y(y), x2(suma(x, w)), y2(suma(y, h)), value(0), items() {}

SpinBoxD::SpinBoxD(int x, int y) : SpinBoxD(x, y, 100, 24) {}

void SpinBoxD::SetValue(int i) { value = acotar_indice(i); }

int SpinBoxD::GetValue() const { return value; }

void SpinBoxD::Increm() { avanzar(*this); }

void SpinBoxD::Decrem() { retroceder(*this); }

void SpinBoxD::Append(const char* text) { anadir(*this, text); }

void SpinBoxD::Dibujar() { dibujar_lista(*this); }

int SpinBoxD::get(int px, int py) const { return tocar_flechas(x, y, y2, px, py); }

char* SpinBoxD::Valor() { return sentencia("new SpinBoxD(%d,%d,70,24);", x, y); }

int SpinBoxD::ValorX() const { return x; }

int SpinBoxD::ValorY() const { return y; }

void SpinBoxD::Move(int nx, int ny) { mover(x, y, x2, y2, nx, ny); }

SpinBoxS::SpinBoxS(int x, int y, int w, int h)
    : x(x), y(y), x2(suma(x, w)), y2(suma(y, h)), value(0), items() {}

SpinBoxS::SpinBoxS(int x, int y) : SpinBoxS(x, y, 100, 24) {}

void SpinBoxS::SetValue(int i) { value = acotar_indice(i); }

int SpinBoxS::GetValue() const { return value; }

void SpinBoxS::Increm() { avanzar(*this); }

void SpinBoxS::Decrem() { retroceder(*this); }

void SpinBoxS::Append(const char* text) { anadir(*this, text); }

void SpinBoxS::Dibujar() { dibujar_lista(*this); }

int SpinBoxS::get(int px, int py) const { return tocar_flechas(x, y, y2, px, py); }

char* SpinBoxS::Valor() { return sentencia("new SpinBoxS(%d,%d,70,24);", x, y); }

int SpinBoxS::ValorX() const { return x; }

int SpinBoxS::ValorY() const { return y; }

void SpinBoxS::Move(int nx, int ny) { mover(x, y, x2, y2, nx, ny); }
