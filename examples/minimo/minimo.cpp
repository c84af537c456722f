// The smallest program of the toolkit: a window, a button and a label that
// counts the button's clicks; Escape or closing the window ends it. The guide
// docs/toolkit.md walks through it. Start reading at main().
#include "graphics/xgrafi.h"
#include "widgets/objetos.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    // Any TrueType font: the one named on the command line, else a system one.
#ifdef _WIN32
    const char* fuente = argc > 1 ? argv[1] : "C:\\Windows\\Fonts\\arial.ttf";
#else
    const char* fuente = argc > 1 ? argv[1] : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
#endif
    if (!init(320, 100)) return 1;
    SDL_WM_SetCaption("Minimo", nullptr);
    SIZEfont = 14; // before load_files: the 32-point default overflows 24-pixel widgets
    if (!load_files(nullptr, nullptr, fuente)) return 2;

    // Widgets own nothing: they may live on the stack, as long as the loop.
    Boton boton(20, 38, 120, 24, "Pulsar");
    TextoS rotulo(160, 40, "Sin pulsar");
    int veces = 0;
    bool apretado = false; // the left button went down on the button
    bool encima = false;   // and the pointer is still over it

    SDL_Event e;
    for (bool fin = false; !fin;) {
        // The program draws: background, widgets, then one flip.
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 240, 240, 240));
        boton.Dibujar(apretado && encima); // true: the pressed look
        rotulo.Dibujar();
        SDL_Flip(screen);

        if (!SDL_WaitEvent(&e)) break;
        if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE))
            fin = true;
        if (e.type == SDL_MOUSEMOTION) encima = boton.get(e.motion.x, e.motion.y);
        if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT)
            apretado = encima = boton.get(e.button.x, e.button.y);
        if (e.type == SDL_MOUSEBUTTONUP && e.button.button == SDL_BUTTON_LEFT) {
            // A click: pressed and released on the button.
            if (apretado && boton.get(e.button.x, e.button.y)) {
                char texto[32]; // the label keeps the first 19 characters
                snprintf(texto, sizeof texto, "Pulsado %d veces", ++veces);
                rotulo.Text(texto);
            }
            apretado = false;
        }
    }
    clean_up();
    return 0;
}
