// Widgets and the serial helpers together: the spin box picks a value, the
// check box adds a line end, the button sends the value over the port named
// on the command line, and the label shows the reply. Escape or closing the
// window ends. Start reading at main(); enviar() and recibir() are the serial
// half, the rest is the event loop of docs/toolkit.md.
#include "graphics/xgrafi.h"
#include "serial/port.h"
#include "widgets/objetos.h"

#include <cstdio>
#include <cstring>

// The value as decimal text, "\r\n" after it when asked.
static void enviar(int valor, bool fin_de_linea) {
    char texto[16];
    int n = snprintf(texto, sizeof texto, fin_de_linea ? "%d\r\n" : "%d", valor);
    WriteSerie(hSerial, texto, n);
}

// Adds what the port received to `respuesta`, keeping its printable
// characters and the last 19 of them (what a label holds); true when
// something came. Reading one byte a call tells how many arrived.
// `perdido` is set when a read fails: the device is gone.
static bool recibir(char (&respuesta)[20], bool* perdido) {
    bool llego = false;
    char c;
    int r;
    while ((r = ReadSerie(hSerial, &c, 1)) == 1) {
        if (c < ' ' || c > '~') continue;
        size_t n = strlen(respuesta);
        if (n == sizeof respuesta - 1) memmove(respuesta, respuesta + 1, n--);
        respuesta[n] = c;
        respuesta[n + 1] = '\0';
        llego = true;
    }
    *perdido = r == -1; // -2: nothing within the time limits
    return llego;
}

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: serie DEVICE [FONT]\n");
        return 2;
    }
    MODEMDEVICE = argv[1];
    if (IniRs232() != 0) {
        fprintf(stderr, "serie: cannot open %s: %s\n", argv[1], TextoErrorRs232());
        return 1;
    }
#ifdef _WIN32
    const char* fuente = argc > 2 ? argv[2] : "C:\\Windows\\Fonts\\arial.ttf";
#else
    const char* fuente = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
#endif
    if (!init(320, 110)) return 1;
    SDL_WM_SetCaption("Serie", nullptr);
    SIZEfont = 14; // before load_files: labels that fit 24-pixel widgets
    if (!load_files(nullptr, nullptr, fuente)) return 2;

    SpinBox valor(20, 20, 90, 24, 0, 255, 1);
    Chequeo fin(130, 24, "Fin de linea", true);
    Boton boton(20, 64, 90, 24, "Enviar");
    TextoS rotulo(130, 66, "Sin respuesta");
    char respuesta[20] = "";
    bool apretado = false, encima = false, perdido = false;

    SDL_Event e;
    for (bool fin_programa = false, cambio = true; !fin_programa;) {
        if (cambio) {
            SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 240, 240, 240));
            valor.Dibujar();
            fin.Dibujar();
            boton.Dibujar(apretado && encima);
            rotulo.Dibujar();
            SDL_Flip(screen);
            cambio = false;
        }
        while (SDL_PollEvent(&e)) {
            cambio = true;
            if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE))
                fin_programa = true;
            if (e.type == SDL_MOUSEMOTION) encima = boton.get(e.motion.x, e.motion.y);
            if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT)
                apretado = encima = boton.get(e.button.x, e.button.y);
            if (e.type != SDL_MOUSEBUTTONUP || e.button.button != SDL_BUTTON_LEFT) continue;
            int x = e.button.x, y = e.button.y;
            if (valor.get(x, y) == 1) valor.Increm();
            if (valor.get(x, y) == 2) valor.Decrem();
            if (fin.get(x, y)) fin.set(!fin.value());
            if (apretado && boton.get(x, y) && !perdido) {
                respuesta[0] = '\0';
                rotulo.Text("Enviado");
                enviar(valor.GetValue(), fin.value());
            }
            apretado = false;
        }
        if (!perdido) {
            if (recibir(respuesta, &perdido)) rotulo.Text(respuesta), cambio = true;
            if (perdido) { // no more reads: each would fail again
                rotulo.Text(ErrorRs232() == SERIE_PERDIDO ? "Linea perdida" : TextoErrorRs232());
                cambio = true;
            }
        }
        SDL_Delay(10);
    }
    CloseRs232();
    clean_up();
    return 0;
}
