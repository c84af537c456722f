// Fuzzer of the widget toolkit. An input is a run of operations on one widget
// of every class: constructors with arbitrary numbers and texts (long, empty,
// with printf directives), Valor, Move, Text, Value, SetValue, Increm, Decrem,
// Append, get and Dibujar on a small surface held inside a guard pattern. It
// checks that texts are kept as their first 19 characters, that Valor stays
// inside `cadena`, that get changes nothing, that moves keep the size, that
// the spin boxes step by their rules and that a list index stays in the list.
// Start at LLVMFuzzerTestOneInput.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "widgets/objetos.h"

static const char* const kFuente = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
static const int kAncho = 64, kAlto = 40, kPitch = kAncho * 4 + 4;
static const int kGuarda = 64;
static const uint8_t kMarca = 0x5A;
static const int kExtremos[] = {INT_MIN, INT_MIN + 1, -65536,       -32768,      -1,     0,
                                32767,   65536,       INT_MAX - 24, INT_MAX - 1, INT_MAX};
static const char* const kTextos[] = {"",
                                      "%s%n",
                                      "%s%s%s%s%s%s%s%s%n%n%n",
                                      "%99999999d",
                                      "%.2147483647f",
                                      "abcdefghijklmnopqrs",
                                      "abcdefghijklmnopqrstuvwxyz0123456789",
                                      "0",
                                      "\"\\"};

static std::vector<uint8_t> memoria(2 * kGuarda + kPitch * kAlto);
static SDL_Surface* lienzo;
static TTF_Font* mono;

static int numero(FuzzedDataProvider& d) {
    switch (d.ConsumeIntegralInRange(0, 3)) {
    case 0:
    case 1: return d.ConsumeIntegralInRange(-30, 80);
    case 2: return d.ConsumeIntegral<int>();
    default: return d.PickValueInArray(kExtremos);
    }
}

// A text that stays alive until the input ends: SpinBoxS keeps the pointer.
static const char* texto(FuzzedDataProvider& d, std::deque<std::string>& vivos) {
    if (d.ConsumeBool())
        vivos.push_back(d.PickValueInArray(kTextos));
    else
        vivos.push_back(d.ConsumeRandomLengthString(48));
    return d.ConsumeIntegralInRange(0, 31) == 0 ? nullptr : vivos.back().c_str();
}

static float real(FuzzedDataProvider& d) {
    static const float kEspeciales[] = {INFINITY, -INFINITY, NAN,    FLT_MAX, -FLT_MAX,
                                        FLT_MIN,  -0.0f,     1e-45f, 0.005f,  -0.125f};
    return d.ConsumeBool() ? d.ConsumeFloatingPoint<float>() : d.PickValueInArray(kEspeciales);
}

static void fallo(const char* que) {
    fprintf(stderr, "%s\n", que);
    abort();
}

static std::string primeros19(const char* t) { return std::string(t ? t : "").substr(0, 19); }

static void comprobar_texto(const char* guardado, const char* dado) {
    if (strnlen(guardado, 20) > 19 || primeros19(dado) != guardado)
        fallo("a text was not kept as its first 19 characters");
}

static void comprobar_valor(const char* valor, const char* clase) {
    if (valor != cadena) fallo("Valor does not return cadena");
    if (strnlen(cadena, sizeof cadena) >= sizeof cadena) fallo("cadena is not terminated");
    std::string inicio = std::string("new ") + clase + "(";
    if (strncmp(cadena, inicio.c_str(), inicio.size()) != 0) fallo("Valor names another class");
}

static bool cabe(long long v) { return v >= INT_MIN && v <= INT_MAX; }

// After a move the corner is where it was asked to be, and the size is kept
// whenever the new far corner is a representable int.
template <class W> static void mover(W& w, int nx, int ny) {
    long long ancho = (long long)w.x2 - w.x, alto = (long long)w.y2 - w.y;
    w.Move(nx, ny);
    if (w.ValorX() != nx || w.ValorY() != ny) fallo("Move put the widget elsewhere");
    if (cabe(nx + ancho) && (long long)w.x2 - w.x != ancho) fallo("Move changed the width");
    if (cabe(ny + alto) && (long long)w.y2 - w.y != alto) fallo("Move changed the height");
}

template <class W> static void sin_cambios(const W& antes, const W& despues) {
    if (memcmp(&antes, &despues, sizeof antes) != 0) fallo("get changed the widget");
}

template <class W> static int tocar(W& w, int px, int py) {
    W antes = w;
    int r = w.get(px, py);
    sin_cambios(antes, w);
    return r;
}

static void comprobar_guarda() {
    for (size_t i = 0; i < memoria.size(); i++) {
        long off = (long)i - kGuarda;
        bool dentro = off >= 0 && off / kPitch < kAlto && off % kPitch < kAncho * 4;
        if (!dentro && memoria[i] != kMarca) fallo("a widget drew outside the surface");
    }
}

static long long acotado(long long v) {
    return v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : v);
}

static int usadas(const SpinBoxD& l) {
    int n = 0;
    while (n < 15 && l.items[n][0] != '\0') n++;
    return n;
}
static int usadas_s(const SpinBoxS& l) {
    int n = 0;
    while (n < 15 && l.items[n]) n++;
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider d(data, size);
    std::deque<std::string> vivos;
    Boton boton(16, 440, 40, 24, "7");
    CBoton cboton(5, 5, "c");
    TextoE campo(32, 160, 192, 32, "TextoE1");
    TextoS linea(6, 168, "TextoE1S");
    Chequeo caja(10, 20, "label");
    SpinBox spin(3, 4);
    SpinBoxD lista(1, 2);
    SpinBoxS punteros(1, 2);
    screen = lienzo;
    font = mono;

    while (d.remaining_bytes() > 0) {
        int op = d.ConsumeIntegralInRange(0, 12);
        int k = d.ConsumeIntegralInRange(0, 7);
        switch (op) {
        case 0: { // constructors
            int x = numero(d), y = numero(d), w = numero(d), h = numero(d);
            const char* t = texto(d, vivos);
            bool corto = d.ConsumeBool();
            switch (k) {
            case 0: boton = corto ? Boton(x, y, t) : Boton(x, y, w, h, t); break;
            case 1: cboton = corto ? CBoton(x, y, t) : CBoton(x, y, w, h, t); break;
            case 2: campo = corto ? TextoE(x, y, t) : TextoE(x, y, w, h, t); break;
            case 3: linea = TextoS(x, y, t); break;
            case 4: caja = corto ? Chequeo(x, y, t) : Chequeo(x, y, t, d.ConsumeBool()); break;
            case 5:
                spin = corto ? SpinBox(x, y) : SpinBox(x, y, w, h, numero(d), numero(d), numero(d));
                break;
            case 6: lista = corto ? SpinBoxD(x, y) : SpinBoxD(x, y, w, h); break;
            default: punteros = corto ? SpinBoxS(x, y) : SpinBoxS(x, y, w, h); break;
            }
            if (k == 0) comprobar_texto(boton.ValorS(), t);
            if (k == 1) comprobar_texto(cboton.ValorS(), t);
            if (k == 2) comprobar_texto(campo.ValorS(), t);
            if (k == 3) comprobar_texto(linea.ValorS(), t);
            if (k == 4) comprobar_texto(caja.ValorS(), t);
            if (!corto && k != 3 && k != 4 && cabe((long long)x + w) && cabe((long long)y + h)) {
                long long x2[] = {boton.x2, cboton.x2, campo.x2, 0,
                                  0,        spin.x2,   lista.x2, punteros.x2};
                long long y2[] = {boton.y2, cboton.y2, campo.y2, 0,
                                  0,        spin.y2,   lista.y2, punteros.y2};
                if (x2[k] != (long long)x + w || y2[k] != (long long)y + h)
                    fallo("a constructor did not keep x + w and y + h");
            }
            break;
        }
        case 1: // Valor
            switch (k) {
            case 0: comprobar_valor(boton.Valor(), "Boton"); break;
            case 1: comprobar_valor(cboton.Valor(), "CBoton"); break;
            case 2: comprobar_valor(campo.Valor(), "TextoE"); break;
            case 3: comprobar_valor(linea.Valor(), "TextoS"); break;
            case 4: comprobar_valor(caja.Valor(), "Chequeo"); break;
            case 5: comprobar_valor(spin.Valor(), "SpinBox"); break;
            case 6: comprobar_valor(lista.Valor(), "SpinBoxD"); break;
            default: comprobar_valor(punteros.Valor(), "SpinBoxS"); break;
            }
            break;
        case 2: { // Move
            int nx = numero(d), ny = numero(d);
            switch (k) {
            case 0: mover(boton, nx, ny); break;
            case 1: mover(cboton, nx, ny); break;
            case 2: mover(campo, nx, ny); break;
            case 3:
                linea.Move(nx, ny);
                if (linea.ValorX() != nx || linea.ValorY() != ny) fallo("TextoS moved elsewhere");
                break;
            case 4:
                caja.Move(nx, ny);
                if (caja.ValorX() != nx || caja.ValorY() != ny) fallo("Chequeo moved elsewhere");
                if (cabe((long long)nx + 16) && cabe((long long)ny + 16) &&
                    (caja.x2 != nx + 16 || caja.y2 != ny + 16))
                    fallo("Chequeo is not 16 square");
                break;
            case 5: mover(spin, nx, ny); break;
            case 6: mover(lista, nx, ny); break;
            default: mover(punteros, nx, ny); break;
            }
            break;
        }
        case 3: { // texts
            const char* t = texto(d, vivos);
            switch (k % 6) {
            case 0: boton.SetLabel(t), comprobar_texto(boton.ValorS(), t); break;
            case 1: cboton.SetLabel(t), comprobar_texto(cboton.ValorS(), t); break;
            case 2: campo.Text(t), comprobar_texto(campo.ValorS(), t); break;
            case 3: campo.Value(t), comprobar_texto(campo.ValorS(), t); break;
            case 4: linea.Text(t), comprobar_texto(linea.ValorS(), t); break;
            default: caja.Text(t), comprobar_texto(caja.ValorS(), t); break;
            }
            break;
        }
        case 4: { // TextoE::Value of numbers
            char esperado[80];
            if (d.ConsumeBool()) {
                int v = numero(d);
                campo.Value(v);
                snprintf(esperado, sizeof esperado, "%d", v);
            } else {
                float v = real(d);
                campo.Value(v);
                snprintf(esperado, sizeof esperado, "%.2f", (double)v);
            }
            comprobar_texto(campo.ValorS(), esperado);
            break;
        }
        case 5: { // SetValue
            int v = numero(d);
            spin.SetValue(v);
            if (spin.GetValue() != v) fallo("SpinBox::SetValue changed the value");
            lista.SetValue(v), punteros.SetValue(v);
            cboton.SetValue(v & 1), caja.set(v & 2);
            if (cboton.GetValue() != (bool)(v & 1) || caja.value() != (bool)(v & 2))
                fallo("a two-state widget lost its value");
            break;
        }
        case 6: { // Increm
            long long esperado = (long long)spin.GetValue() + spin.step;
            if (esperado > spin.max) esperado = spin.max;
            spin.Increm();
            if (spin.GetValue() != acotado(esperado)) fallo("SpinBox::Increm");
            int v = lista.GetValue(), n = usadas(lista);
            lista.Increm();
            if (lista.GetValue() != (v < n - 1 ? v + 1 : v)) fallo("SpinBoxD::Increm");
            v = punteros.GetValue(), n = usadas_s(punteros);
            punteros.Increm();
            if (punteros.GetValue() != (v < n - 1 ? v + 1 : v)) fallo("SpinBoxS::Increm");
            break;
        }
        case 7: { // Decrem
            long long esperado = (long long)spin.GetValue() - spin.step;
            if (esperado < spin.min) esperado = spin.min;
            spin.Decrem();
            if (spin.GetValue() != acotado(esperado)) fallo("SpinBox::Decrem");
            int v = lista.GetValue();
            lista.Decrem();
            if (lista.GetValue() != (v > 0 ? v - 1 : v)) fallo("SpinBoxD::Decrem");
            v = punteros.GetValue();
            punteros.Decrem();
            if (punteros.GetValue() != (v > 0 ? v - 1 : v)) fallo("SpinBoxS::Decrem");
            break;
        }
        case 8: { // Append
            const char* t = texto(d, vivos);
            int n = usadas(lista), ns = usadas_s(punteros);
            if (k & 1) {
                lista.Append(t);
                if (n < 15 && t && *t) comprobar_texto(lista.items[n], t);
            } else {
                punteros.Append(t);
                if (ns < 15 && punteros.items[ns] != t) fallo("SpinBoxS did not keep the pointer");
            }
            break;
        }
        case 9: { // get
            int px = numero(d), py = numero(d);
            int r = 0;
            switch (k) {
            case 0: r = tocar(boton, px, py); break;
            case 1: r = tocar(cboton, px, py); break;
            case 2: r = tocar(campo, px, py); break;
            case 3: r = tocar(linea, px, py); break;
            case 4: r = tocar(caja, px, py); break;
            case 5: r = tocar(spin, px, py); break;
            case 6: r = tocar(lista, px, py); break;
            default: r = tocar(punteros, px, py); break;
            }
            if (r < 0 || r > (k >= 5 ? 2 : 1)) fallo("get answered out of its range");
            break;
        }
        case 10: // Dibujar
            switch (k) {
            case 0: boton.Dibujar(d.ConsumeBool()); break;
            case 1: cboton.Dibujar(); break;
            case 2: campo.Dibujar(); break;
            case 3: {
                // A label whose corner lies past the right or bottom edge, or
                // far beyond the left or top one, leaves the surface as it is.
                std::vector<uint8_t> antes = memoria;
                d.ConsumeBool() ? linea.Dibujar() : linea.DibujarColor();
                bool fuera =
                    linea.x >= kAncho || linea.y >= kAlto || linea.x < -4096 || linea.y < -4096;
                if (fuera && antes != memoria) fallo("a label far off the surface drew on it");
                break;
            }
            case 4: caja.Dibujar(); break;
            case 5: spin.Dibujar(); break;
            case 6: lista.Dibujar(); break;
            default: punteros.Dibujar(); break;
            }
            comprobar_guarda();
            break;
        case 11: boton.Visible(d.ConsumeBool()), cboton.Visible(d.ConsumeBool()); break;
        default: font = d.ConsumeIntegralInRange(0, 3) == 0 ? nullptr : mono; break;
        }
        if (lista.GetValue() < 0 || lista.GetValue() > 14 || punteros.GetValue() < 0 ||
            punteros.GetValue() > 14)
            fallo("a list index left the list");
    }
    screen = nullptr;
    font = nullptr;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    // "Error tamaño texto" is not the fuzzer's output.
    if (!freopen("/dev/null", "w", stdout)) return 0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || TTF_Init() != 0) abort();
    mono = TTF_OpenFont(kFuente, 12);
    if (!mono) abort();
    memoria.assign(memoria.size(), kMarca);
    lienzo = SDL_CreateRGBSurfaceFrom(memoria.data() + kGuarda, kAncho, kAlto, 32, kPitch, 0xFF0000,
                                      0x00FF00, 0x0000FF, 0);
    if (!lienzo) abort();
    SDL_FillRect(lienzo, nullptr, 0);
    return 0;
}
