// Fuzzer of the calculator engine. Every input byte is one key: one of the
// twenty key handlers of the face, or a key symbol through keyFun (mapped or
// not). After each key it checks what must always hold: the display line has
// 15 columns, the entry holds exactly `caracteres` (0..11) characters, and the
// line shows what that key must show: the entry as typed, the value by the
// display rules (worked out here from the value's exact decimal expansion,
// not the way the engine does it), the error text when the latch closes, or
// the old line. Start at LLVMFuzzerTestOneInput.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/engine.h"
#include "app/keypad.h"
#include "app/shell.h"
#include "tests/support/display.h"
#include "widgets/objetos.h"

// Symbols the keyboard map leaves alone; the fuzzer sends these and the map's own.
static const int kSueltos[] = {SDLK_ESCAPE, SDLK_r,         SDLK_SLASH, SDLK_ASTERISK,
                               SDLK_EQUALS, SDLK_KP_EQUALS, SDLK_a,     0};

struct Estado {
    std::string linea, lcd;
    float display, acumulador;
    char comando, ciento;
    bool error, punto;
    int caracteres;
};

static Estado leer() {
    return {testsupport::display_text(lcd0S->ValorS()),
            LCD,
            DISPLAY,
            ACUMULADOR,
            Fcomando,
            Fciento,
            Ferror,
            Fpunto,
            caracteres};
}

static bool igual(float a, float b) { return memcmp(&a, &b, sizeof a) == 0; }

static bool mismo_estado(const Estado& a, const Estado& b) {
    return a.linea == b.linea && igual(a.display, b.display) && igual(a.acumulador, b.acumulador) &&
           a.comando == b.comando && a.ciento == b.ciento && a.error == b.error &&
           a.punto == b.punto && a.caracteres == b.caracteres &&
           (a.caracteres == 0 || a.lcd == b.lcd);
}

// The display rules: the integer part, a point and three truncated decimals
// unless they are all zero, a minus sign only in front of a non-zero text,
// "%.6e" when that passes 15 columns. Every float is a decimal fraction of at
// most 149 digits, so "%.160f" prints it exactly and nothing is rounded.
static std::string regla(float v) {
    if (std::isnan(v)) return "Error";
    if (std::isinf(v)) return v > 0 ? "Infinite" : "-Infinite";
    char exacto[256];
    snprintf(exacto, sizeof exacto, "%.160f", std::fabs((double)v));
    std::string s = exacto;
    size_t punto = s.find('.');
    std::string texto = s.substr(0, punto);
    std::string decimales = s.substr(punto + 1, 3);
    if (decimales != "000") texto += "." + decimales;
    if (std::signbit(v) && texto != "0") texto = "-" + texto;
    if (texto.size() > 15) {
        snprintf(exacto, sizeof exacto, "%.6e", (double)v);
        texto = exacto;
    }
    return texto;
}

static void fallo(const char* que, const Estado& antes, const Estado& ahora, const char* tecla) {
    fprintf(stderr,
            "%s after key %s\n  before: [%s] entry [%s] %d DISPLAY %.9g ACUMULADOR %.9g op %d\n"
            "  now:    [%s] entry [%s] %d DISPLAY %.9g ACUMULADOR %.9g op %d error %d\n",
            que, tecla, antes.linea.c_str(), antes.lcd.c_str(), antes.caracteres,
            (double)antes.display, (double)antes.acumulador, antes.comando, ahora.linea.c_str(),
            ahora.lcd.c_str(), ahora.caracteres, (double)ahora.display, (double)ahora.acumulador,
            ahora.comando, ahora.error);
    abort();
}

// The line that a key must leave, from the state before it. An empty result
// means "the old line".
static std::string esperada(void (*h)(), const Estado& a, const Estado& ahora) {
    bool entrada = h == Funcmd0 || h == Funcmd1 || h == Funcmd2 || h == Funcmd3 || h == Funcmd4 ||
                   h == Funcmd5 || h == Funcmd6 || h == Funcmd7 || h == Funcmd8 || h == Funcmd9;
    bool divide_por_cero = a.comando == '/' && a.display == 0;
    if (h == FunC) return "0";
    if (a.error || h == Fun_on_off) return a.linea;
    if (entrada || h == FunPunto) {
        bool acepta = a.caracteres < 11 && (entrada || !a.punto);
        return acepta ? ahora.lcd : a.linea;
    }
    if (h == FunIgual) {
        if (a.comando == 0) return a.linea;
        return divide_por_cero ? "Infinite" : regla(ahora.display);
    }
    if (h == FunRaiz) return a.display < 0 ? "Error SQRT -" : regla(ahora.display);
    if (h == FunCiento) {
        bool aplica = a.comando == '*' || a.comando == '+' || a.comando == '-';
        return aplica ? regla(ahora.display) : a.linea;
    }
    // "+", "-", "X" and "/": "+" and "-" complete a percent calculation in
    // place; otherwise a pending operation is completed into ACUMULADOR.
    if ((h == FunMas || h == FunMenos) && a.comando == '%') return regla(ahora.display);
    if (a.comando == 0) return a.linea;
    return divide_por_cero ? "Infinite" : regla(ahora.acumulador);
}

static void comprobar(void (*h)(), const char* tecla, const Estado& antes) {
    Estado ahora = leer();
    if (strlen(lcd0S->ValorS()) != COLUMNAS_LCD)
        fallo("the line is not 15 columns", antes, ahora, tecla);
    if (caracteres < 0 || caracteres > MAX_CARACTERES)
        fallo("caracteres out of 0..11", antes, ahora, tecla);
    if (caracteres > 0 && strlen(LCD) != (size_t)caracteres)
        fallo("the entry does not hold caracteres characters", antes, ahora, tecla);
    if (Fquit != (h == Fun_on_off)) fallo("only \"on\" quits", antes, ahora, tecla);
    if (ahora.linea != esperada(h, antes, ahora)) fallo("the line is wrong", antes, ahora, tecla);

    if (antes.error && h != FunC && !mismo_estado(antes, ahora))
        fallo("a key acted while the latch was set", antes, ahora, tecla);
    if (ahora.error && !antes.error && strcmp(lcd0->ValorS(), ahora.linea.c_str()) != 0)
        fallo("the display field does not hold the error text", antes, ahora, tecla);
    if (h == FunC && !(ahora.display == 0 && ahora.acumulador == 0 && ahora.comando == 0 &&
                       ahora.ciento == 0 && !ahora.error && !ahora.punto && ahora.caracteres == 0))
        fallo("C left something behind", antes, ahora, tecla);
    bool entro = !ahora.error && ahora.caracteres > 0 && ahora.caracteres != antes.caracteres;
    if (entro && !igual(ahora.display, (float)atof(LCD)))
        fallo("DISPLAY is not the entry's value", antes, ahora, tecla);
}

// The handler that the keyboard map reaches for a symbol; null for the
// symbols it leaves alone.
static void (*manejador(int simbolo))() {
    for (const Atajo& a : MAPA)
        if (a.symbol == simbolo) return a.handler;
    return nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FunC();
    lcd0->Text("TextoE1");
    Fquit = 0;
    const size_t n_simbolos = NUM_ATAJOS + sizeof kSueltos / sizeof kSueltos[0];
    for (size_t i = 0; i < size; i++) {
        Estado antes = leer();
        char tecla[32];
        void (*h)() = nullptr;
        if (data[i] < NUM_TECLAS) {
            const Tecla& t = TECLAS[data[i]];
            h = t.handler;
            snprintf(tecla, sizeof tecla, "\"%s\"", t.label);
            h();
        } else {
            size_t k = (data[i] - NUM_TECLAS) % n_simbolos;
            int simbolo = k < NUM_ATAJOS ? MAPA[k].symbol : kSueltos[k - NUM_ATAJOS];
            h = manejador(simbolo);
            snprintf(tecla, sizeof tecla, "symbol %d", simbolo);
            keyFun(simbolo);
        }
        if (h) {
            comprobar(h, tecla, antes);
        } else if (!mismo_estado(antes, leer())) {
            fallo("an unmapped symbol changed the state", antes, leer(), tecla);
        }
        Fquit = 0;
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // "END" is not the fuzzer's output.
    if (!freopen("/dev/null", "w", stdout)) return 0;
    Creacion(); // the widgets the engine writes into; no window is opened

    return 0;
}
