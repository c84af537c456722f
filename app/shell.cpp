// Application shell. Start reading at SDL_main: arranque() brings the window,
// the data files and the first frame up, bucle() sleeps 10 ms a pass, ticks
// the counters and drains the event queue through atender().
#include "app/shell.h"

#include <csignal>
#include <cstdio>

#include "app/engine.h"
#include "app/keypad.h"
#include "graphics/xgrafi.h"
#include "widgets/objetos.h"

int pantaX = 248;
int pantaY = 501;
SDL_Event event;
int mouse_x = 0;
int mouse_y = 0;
int tiempo1 = 25;
int tiempo2 = 50;
int tiempo3 = 100;
int segundos = 0;

// clang-format off
const Atajo MAPA[NUM_ATAJOS] = {
    // symbol          handler    shifted
    {SDLK_BACKSPACE,   FunC,      MISMA},
    {SDLK_DELETE,      FunC,      MISMA},
    {SDLK_RETURN,      FunIgual,  MISMA},
    {SDLK_KP_ENTER,    FunIgual,  MISMA},
    {SDLK_PLUS,        FunMas,    OTRA},
    {SDLK_KP_PLUS,     FunMas,    MISMA},
    {SDLK_MINUS,       FunMenos,  OTRA},
    {SDLK_KP_MINUS,    FunMenos,  MISMA},
    {SDLK_PERIOD,      FunPunto,  OTRA},
    {SDLK_KP_PERIOD,   FunPunto,  MISMA},
    {SDLK_KP_DIVIDE,   FunDIV,    MISMA},
    {SDLK_KP_MULTIPLY, FunPor,    MISMA},
    {SDLK_0,           Funcmd0,   OTRA},
    {SDLK_1,           Funcmd1,   OTRA},
    {SDLK_2,           Funcmd2,   OTRA},
    {SDLK_3,           Funcmd3,   OTRA},
    {SDLK_4,           Funcmd4,   OTRA},
    {SDLK_5,           Funcmd5,   OTRA},
    {SDLK_6,           Funcmd6,   OTRA},
    {SDLK_7,           Funcmd7,   OTRA},
    {SDLK_8,           Funcmd8,   OTRA},
    {SDLK_9,           Funcmd9,   OTRA},
    {SDLK_KP0,         Funcmd0,   MISMA},
    {SDLK_KP1,         Funcmd1,   MISMA},
    {SDLK_KP2,         Funcmd2,   MISMA},
    {SDLK_KP3,         Funcmd3,   MISMA},
    {SDLK_KP4,         Funcmd4,   MISMA},
    {SDLK_KP5,         Funcmd5,   MISMA},
    {SDLK_KP6,         Funcmd6,   MISMA},
    {SDLK_KP7,         Funcmd7,   MISMA},
    {SDLK_KP8,         Funcmd8,   MISMA},
    {SDLK_KP9,         Funcmd9,   MISMA},
};
// clang-format on

void keyFun(int key) {
    for (const auto& m : MAPA)
        if (m.symbol == key) {
            m.handler();
            return;
        }
}

void Eventos() {
    for (const Tecla& t : TECLAS)
        if (*t.boton && (*t.boton)->get(mouse_x, mouse_y)) t.handler();
}

void MiTimer() {
    tiempo1--, tiempo2--, tiempo3--;
    if (tiempo1 < 0) tiempo1 = 25;
    if (tiempo2 < 0) tiempo2 = 50;
    if (tiempo3 < 0) {
        tiempo3 = 100;
        segundos++;
    }
}

// Event types the loop has no use for. SDL 1.2's queue holds 128 events and
// drops what arrives while it is full, so a burst of mouse motion or key
// releases would crowd out the key presses and clicks behind it. The filter
// that init() puts in before the window opens keeps them out of the queue;
// SDL_EventState would too, but it empties the whole queue as it is called,
// and with it a quit request already there.
static const Uint8 IGNORADOS[] = {
    SDL_ACTIVEEVENT,   SDL_KEYUP,        SDL_MOUSEMOTION,   SDL_JOYAXISMOTION,
    SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP,
    SDL_SYSWMEVENT,    SDL_VIDEORESIZE,  SDL_VIDEOEXPOSE,
};

static int SDLCALL filtro(const SDL_Event* e) {
    for (Uint8 tipo : IGNORADOS)
        if (e->type == tipo) return 0;
    return 1;
}

// A key of the map that types another character with the Shift held.
static bool otra_con_shift(const SDL_keysym& k) {
    if (!(k.mod & KMOD_SHIFT)) return false;
    for (const auto& m : MAPA)
        if (m.symbol == k.sym) return m.con_shift == OTRA;
    return false;
}

void atender(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
        if (!otra_con_shift(e.key.keysym)) keyFun(e.key.keysym.sym);
        if (e.key.keysym.sym == SDLK_ESCAPE)
            Fquit = 1;
        else if (e.key.keysym.sym == SDLK_r)
            Repaint();
        break;
    case SDL_MOUSEBUTTONDOWN:
        mouse_x = e.button.x;
        mouse_y = e.button.y;
        break;
    case SDL_MOUSEBUTTONUP:
        mouse_x = e.button.x;
        mouse_y = e.button.y;
        if (e.button.button == SDL_BUTTON_LEFT) Eventos();
        Repaint();
        break;
    case SDL_QUIT: Fquit = 1; break;
    default: break;
    }
}

int arranque() {
    filtro_eventos = filtro;
    if (!init(pantaX, pantaY)) {
        traza_fallo(stderr, "calculadora: no window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 21, 170, 48));
    if (SDL_Flip(screen) == -1) return 3;
    texto_muestra = CIFRAS_LCD; // a display font must draw every number
    // From the working directory, else (on Windows) from beside the program.
    if (!load_files(dato("caltrq.png").c_str(), nullptr, dato("fontlcd.ttf").c_str())) return 2;
    Creacion();
    FunC();
    Repaint();
    return 0;
}

int bucle() {
    // Fquit is tested only once the queue is drained: events behind a quit
    // request are still handled.
    while (!Fquit) {
        SDL_Delay(10);
        MiTimer();
        while (SDL_PollEvent(&event)) atender(event);
    }
    clean_up();
    SDL_Delay(500);
    return 0;
}

// SIGINT and SIGTERM are quit requests from the program's first instruction
// on. SDL turns them into quit events only while its video runs, and leaves
// in place a handler it finds there; this one also covers the start before
// SDL and the pause after clean_up(), where SDL's defaults would end the
// program with the signal instead of status 0.
static void pedir_fin(int) { Fquit = 1; }

int SDL_main(int, char*[]) {
    signal(SIGINT, pedir_fin);
    signal(SIGTERM, pedir_fin);
#ifdef SIGPIPE
    // Standard output may be a pipe nobody reads any more: the trace lines
    // are then dropped, and the status stays the program's own.
    signal(SIGPIPE, SIG_IGN);
#endif
    int estado = arranque();
    return estado != 0 ? avisar_fallo("Calculadora", estado) : bucle();
}
