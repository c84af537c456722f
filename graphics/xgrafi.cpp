// Graphics layer: the program-wide graphics globals, start-up and shut-down.
// Start here: init() brings up SDL, a window system and the window, then
// load_files() (datos.cpp) loads the face and the display font. The layer's
// other rooms: datos.cpp vets and loads the data files, texto.cpp draws text
// that stays inside its surface, blit.cpp copies surfaces (with a fast copy
// for colour-keyed images), primitivas.cpp draws pixels, lines and boxes;
// what differs between the systems is behind sistema.h, in sistema_posix.cpp
// and sistema_win32.cpp (blit.cpp alone picks its row copy by the
// processor's instruction set).
#include "graphics/xgrafi.h"
#include "graphics/sistema.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int SCREEN_WIDTH = 800;
int SCREEN_HEIGHT = 600;
int SCREEN_BPP = 32;
int SIZEfont = 32;
int SIZEfont1 = 30;
int SIZEfont2 = 20;

SDL_Color textColor = {25, 25, 25, 0};
SDL_Color ColorDefault = {0, 100, 0, 0};

SDL_Surface* screen = nullptr;
SDL_Surface* background = nullptr;
SDL_Surface* dots = nullptr;
TTF_Font* font = nullptr;
TTF_Font* font1 = nullptr;
TTF_Font* font2 = nullptr;
SDL_EventFilter filtro_eventos = nullptr;
const char* texto_muestra = nullptr;

// Where no video driver is named, SDL 1.2 goes down its whole list when no
// window system answers and ends with drivers that draw no window (aalib and
// libcaca draw the calculator into the terminal). Only the system's window
// systems (sistema.h) are asked for here; a driver named in SDL_VIDEODRIVER
// is used as SDL uses it.

static bool driver_pedido = false; // the user named a driver in SDL_VIDEODRIVER

static bool iniciar_video() {
    driver_pedido = getenv("SDL_VIDEODRIVER") != nullptr;
    if (driver_pedido) return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    for (const char* const* v = sistema::VENTANAS; *v; v++) {
        sistema::poner_entorno("SDL_VIDEODRIVER", *v);
        int r = SDL_InitSubSystem(SDL_INIT_VIDEO);
        sistema::poner_entorno("SDL_VIDEODRIVER", nullptr);
        if (r == 0) return true;
    }
    SDL_SetError("%s", sistema::SIN_VENTANAS);
    return false;
}

// sdl12-compat takes the video mode further: with no window system it opens
// it on SDL 2's off-screen driver, a window nobody sees. Unless the user named
// the driver, the one in use must be a window system.
static bool en_una_ventana() {
    char nombre[32];
    if (driver_pedido) return true;
    if (SDL_VideoDriverName(nombre, sizeof nombre))
        for (const char* const* v = sistema::VENTANAS; *v; v++)
            if (strcmp(nombre, *v) == 0) return true;
    SDL_SetError("%s", sistema::SIN_VENTANAS);
    return false;
}

// SDL turns SIGINT and SIGTERM into quit requests from the start of its video
// subsystem on, and installing an event filter empties SDL's queue. Both
// signals are held back until the filter is in, so that a quit request that
// comes meanwhile is queued after the emptying, not lost in it; the filter
// goes in before the window opens, so that no event of the window is.
static bool iniciar_video_con_filtro() {
    sistema::retener_senales(); // until the filter is in
    bool hecho = iniciar_video();
    if (hecho && filtro_eventos) SDL_SetEventFilter(filtro_eventos);
    sistema::soltar_senales();
    return hecho;
}

// Settings SDL reads from the environment, given before it starts; a value
// the user has set stays.
// - sdl12-compat (SDL 1.2 carried over SDL 2) shows the video surface through
//   an SDL 2 renderer, and on X11 SDL 2 takes its OpenGL renderer for that and
//   OpenGL again for the window's own framebuffer: without a graphics card
//   that starts Mesa's software OpenGL (LLVM and its threads), about 90 MB and
//   tens to hundreds of milliseconds to show a 248 x 501 surface. The first
//   two keep both on the processor; the pixels are the same. Classic SDL 1.2
//   reads neither.
// - Nothing here plays sound, but SDL starts its audio with the rest and
//   probes the sound servers and cards for it: on a machine without a sound
//   card ALSA writes eight lines to standard error at every start. Both SDL
//   1.2 libraries have a silent driver, which starts at once.
static const struct {
    const char* nombre;
    const char* valor;
} AJUSTES_SDL[] = {
    {"SDL_RENDER_DRIVER", "software"},
    {"SDL_FRAMEBUFFER_ACCELERATION", "0"},
    {"SDL_AUDIODRIVER", "dummy"},
};

int init(int width, int height) {
    for (const auto& a : AJUSTES_SDL)
        if (!getenv(a.nombre)) sistema::poner_entorno(a.nombre, a.valor);
    if (SDL_Init(SDL_INIT_EVERYTHING & ~SDL_INIT_VIDEO) == -1) return 0;
    // SDL's timer subsystem runs a thread that wakes every millisecond; nothing
    // here uses SDL timers (SDL_Delay and SDL_GetTicks work without it).
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    if (!iniciar_video_con_filtro()) return 0;
    SCREEN_WIDTH = width;
    SCREEN_HEIGHT = height;
    screen = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_SWSURFACE);
    if (!screen || !en_una_ventana()) return 0;
    printf("Profundidad bit=%d  byte=%d\n", screen->format->BitsPerPixel,
           screen->format->BytesPerPixel);
    if (TTF_Init() == -1) {
        traza_fallo(stdout, "TTF_Init: %s\n", SDL_GetError());
        return 0;
    }
    return 1;
}

void traza_fallo(FILE* destino, const char* formato, ...) {
    va_list a;
    va_start(a, formato);
    char texto[512];
    va_list b;
    va_copy(b, a);
    vsnprintf(texto, sizeof texto, formato, b);
    va_end(b);
    vfprintf(destino, formato, a);
    va_end(a);
    fflush(destino);
    recordar_fallo(texto);
}

void clean_up() {
    SDL_FreeSurface(background);
    SDL_FreeSurface(dots);
    background = nullptr;
    dots = nullptr;
    SDL_Quit();
}
