// Application shell. Start reading at SDL_main: arranque() brings the window,
// the data files and the first frame up, bucle() sleeps 10 ms a pass, ticks
// the counters and drains the event queue through atender().
#include "app/shell.h"

#include "app/engine.h"
#include "app/keypad.h"
#include "graphics/xgrafi.h"
#include "widgets/objetos.h"

int pantaX = 248;
int pantaY = 501;
SDL_Event event;
int mouse_x = 0;
int mouse_y = 0;
int Fquit = 0;
int tiempo1 = 25;
int tiempo2 = 50;
int tiempo3 = 100;
int segundos = 0;

// The main keyboard and the numeric keypad feed the same handlers.
// clang-format off
static const struct {
    int symbol;
    void (*handler)();
} MAPA[] = {
    // symbol          handler
    {SDLK_BACKSPACE,   FunC},
    {SDLK_DELETE,      FunC},
    {SDLK_RETURN,      FunIgual},
    {SDLK_KP_ENTER,    FunIgual},
    {SDLK_PLUS,        FunMas},
    {SDLK_KP_PLUS,     FunMas},
    {SDLK_MINUS,       FunMenos},
    {SDLK_KP_MINUS,    FunMenos},
    {SDLK_PERIOD,      FunPunto},
    {SDLK_KP_PERIOD,   FunPunto},
    {SDLK_KP_DIVIDE,   FunDIV},
    {SDLK_KP_MULTIPLY, FunPor},
    {SDLK_0,           Funcmd0},
    {SDLK_1,           Funcmd1},
    {SDLK_2,           Funcmd2},
    {SDLK_3,           Funcmd3},
    {SDLK_4,           Funcmd4},
    {SDLK_5,           Funcmd5},
    {SDLK_6,           Funcmd6},
    {SDLK_7,           Funcmd7},
    {SDLK_8,           Funcmd8},
    {SDLK_9,           Funcmd9},
    {SDLK_KP0,         Funcmd0},
    {SDLK_KP1,         Funcmd1},
    {SDLK_KP2,         Funcmd2},
    {SDLK_KP3,         Funcmd3},
    {SDLK_KP4,         Funcmd4},
    {SDLK_KP5,         Funcmd5},
    {SDLK_KP6,         Funcmd6},
    {SDLK_KP7,         Funcmd7},
    {SDLK_KP8,         Funcmd8},
    {SDLK_KP9,         Funcmd9},
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
// releases would crowd out the key presses and clicks behind it; SDL stops
// queueing these types once told to ignore them.
static const Uint8 IGNORADOS[] = {
    SDL_ACTIVEEVENT,   SDL_KEYUP,        SDL_MOUSEMOTION,   SDL_JOYAXISMOTION,
    SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP,
    SDL_SYSWMEVENT,    SDL_VIDEORESIZE,  SDL_VIDEOEXPOSE,
};

// SDL 1.2 reports the unshifted symbol: Shift+8 ('*' on a US keyboard) would
// arrive as an 8. A shifted main-keyboard digit is some other character, not
// that digit, so it is dropped.
static bool digito_con_shift(const SDL_keysym& k) {
    return k.sym >= SDLK_0 && k.sym <= SDLK_9 && (k.mod & KMOD_SHIFT);
}

void atender(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
        if (!digito_con_shift(e.key.keysym)) keyFun(e.key.keysym.sym);
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
    if (!init(pantaX, pantaY)) return 1;
    for (Uint8 tipo : IGNORADOS) SDL_EventState(tipo, SDL_IGNORE);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 21, 170, 48));
    if (SDL_Flip(screen) == -1) return 3;
    if (!load_files("caltrq.png", nullptr, "fontlcd.ttf")) return 2;
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

int SDL_main(int, char*[]) {
    int estado = arranque();
    return estado != 0 ? estado : bucle();
}
