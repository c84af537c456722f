// Calculator engine. Read entry first (insertar, the digit keys, the point,
// "C"), then the display text (setDisplay, printLCD), then the operators:
// precalculo starts an operation, calculo completes the pending one.
// Operands are floats; each operation is computed in long double and rounded
// once to float when it is stored.
#include "app/engine.h"

#include <cmath>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "widgets/objetos.h"

float DISPLAY = 0;
float ACUMULADOR = 0;
char Fcomando = 0;
char Fciento = 0;
bool Ferror = false;
bool Fpunto = false;
int caracteres = 0;
char LCD[20] = "";
char tmp[40] = "";
TextoS* lcd0S = nullptr;
TextoE* lcd0 = nullptr;
volatile sig_atomic_t Fquit = 0;
void (*repintar)() = nullptr;

static void guardar(long double v) { DISPLAY = (float)v; }

// --- Display text ---

void printLCD(const char* text) {
    size_t len = strlen(text);
    if (len > COLUMNAS_LCD) text += len - COLUMNAS_LCD;
    char linea[COLUMNAS_LCD + 1];
    snprintf(linea, sizeof linea, "%*.*s", (int)COLUMNAS_LCD, (int)COLUMNAS_LCD, text);
    if (lcd0S) lcd0S->Text(linea);
    if (repintar) repintar();
}

// The text of a value: the integer part, and a point with exactly three
// truncated decimals when they are not all zero; "-" only in front of a
// non-zero text. Values too wide for 15 columns fall back to "%.6e".
static void formatear(float v, char* out, size_t size) {
    if (std::isnan(v)) {
        snprintf(out, size, "Error");
        return;
    }
    if (std::isinf(v)) {
        snprintf(out, size, v > 0 ? "Infinite" : "-Infinite");
        return;
    }
    long double m = fabsl((long double)v);
    if (m < 9223372036854775808.0L) {
        int64_t a = (int64_t)m;
        int64_t b = (int64_t)((m - (long double)a) * 1000.0L);
        const char* signo = (v < 0 && (a != 0 || b != 0)) ? "-" : "";
        int n = b != 0 ? snprintf(out, size, "%s%" PRId64 ".%03" PRId64, signo, a, b)
                       : snprintf(out, size, "%s%" PRId64, signo, a);
        if (n >= 0 && n <= COLUMNAS_LCD) return;
    }
    snprintf(out, size, "%.6e", (double)v);
}

void setDisplay() {
    if (Ferror) {
        if (lcd0) lcd0->Text("Error");
        return;
    }
    formatear(DISPLAY, tmp, sizeof tmp);
    printLCD(tmp);
}

// The error texts go to the display field and, so the user sees them, to the
// display line as well.
static void error(const char* texto) {
    Ferror = true;
    if (lcd0) lcd0->Text(texto);
    printLCD(texto);
}

// --- Entry ---

void insertar(char c) {
    if (Ferror || caracteres >= MAX_CARACTERES) return;
    if (caracteres == 0) {
        snprintf(LCD, sizeof LCD, "%c", c);
    } else {
        snprintf(tmp, sizeof tmp, "%s%c", LCD, c);
        snprintf(LCD, sizeof LCD, "%.19s", tmp);
    }
    caracteres++;
    DISPLAY = (float)atof(LCD);
    printLCD(LCD);
}

void Funcmd0() { insertar('0'); }
void Funcmd1() { insertar('1'); }
void Funcmd2() { insertar('2'); }
void Funcmd3() { insertar('3'); }
void Funcmd4() { insertar('4'); }
void Funcmd5() { insertar('5'); }
void Funcmd6() { insertar('6'); }
void Funcmd7() { insertar('7'); }
void Funcmd8() { insertar('8'); }
void Funcmd9() { insertar('9'); }

void FunPunto() {
    if (Ferror || Fpunto) return;
    insertar('.');
    // Set even when a full entry refused the point: one point per entry.
    Fpunto = true;
}

void FunC() {
    printLCD("0");
    Fpunto = false;
    caracteres = 0;
    DISPLAY = 0;
    ACUMULADOR = 0;
    Ferror = false;
    Fciento = 0;
    Fcomando = 0;
}

// --- Operators ---

void calculo() {
    long double d = DISPLAY, a = ACUMULADOR;
    switch (Fcomando) {
    case '+': guardar(d + a), setDisplay(); break;
    case '-': guardar(a - d), setDisplay(); break;
    case '*': guardar(a * d), setDisplay(); break;
    case '/':
        // NaN does not compare equal to 0, so it is divided like any other value.
        if (DISPLAY == 0) {
            error("Infinite");
        } else {
            guardar(a / d), setDisplay();
        }
        break;
    case '%':
        if (Fciento == '+') guardar(a + d);
        if (Fciento == '-') guardar(a - d);
        setDisplay();
        break;
    default: break;
    }
    Fcomando = 0;
}

void precalculo() {
    if (Fcomando != 0) calculo();
    ACUMULADOR = DISPLAY;
    DISPLAY = 0;
    Fpunto = false;
    caracteres = 0;
    // After a "+" or "-" percent calculation the first operand is also the second.
    long double a = ACUMULADOR, d = DISPLAY;
    if (Fciento == '+') guardar(a + d);
    if (Fciento == '-') guardar(a - d);
}

// "+" and "-" right after "%" complete the percent calculation in place.
static void operador(char op) {
    if (Ferror) return;
    if ((op == '+' || op == '-') && Fcomando == '%') {
        long double d = DISPLAY, a = ACUMULADOR;
        guardar(op == '+' ? d + a : a - d);
        setDisplay();
        Fcomando = 0;
        return;
    }
    precalculo();
    Fcomando = op;
}

void FunMas() { operador('+'); }
void FunMenos() { operador('-'); }
void FunPor() { operador('*'); }
void FunDIV() { operador('/'); }

void FunIgual() {
    if (!Ferror) calculo();
}

void FunRaiz() {
    if (Ferror) return;
    if (DISPLAY < 0) {
        error("Error SQRT -");
        return;
    }
    DISPLAY = (float)sqrt((double)DISPLAY);
    setDisplay();
}

void FunCiento() {
    if (Ferror) return;
    if (Fcomando == '*' || Fcomando == '+' || Fcomando == '-') {
        guardar((long double)ACUMULADOR * DISPLAY / 100.0L);
        Fciento = Fcomando;
        setDisplay();
    }
    Fcomando = '%';
}

void Fun_on_off() {
    puts("END");
    Fquit = 1;
}
