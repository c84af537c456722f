// Graphics layer: owns the graphics globals and everything that touches SDL's
// video, SDL_image and SDL_ttf. Read from the top: set-up (init, load_files),
// blits and text, then the primitives (putpixel up to bar).
#include "graphics/xgrafi.h"

#include <cstdint>
#include <cstdio>

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

static TTF_Font* open_font(const char* fontfile, int size, TTF_Font* previous) {
    // A second load_files replaces the fonts; close the old ones so they don't leak.
    if (previous) TTF_CloseFont(previous);
    return TTF_OpenFont(fontfile, size);
}

int init(int width, int height) {
    if (SDL_Init(SDL_INIT_EVERYTHING) == -1) return 0;
    SCREEN_WIDTH = width;
    SCREEN_HEIGHT = height;
    screen = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BPP, SDL_SWSURFACE);
    if (!screen) return 0;
    printf("Profundidad bit=%d  byte=%d\n", screen->format->BitsPerPixel,
           screen->format->BytesPerPixel);
    if (TTF_Init() == -1) {
        printf("TTF_Init: %s\n", SDL_GetError());
        return 0;
    }
    return 1;
}

SDL_Surface* load_image(const char* name) {
    SDL_Surface* loaded = IMG_Load(name);
    if (!loaded) {
        printf("Error al cargar %s\n", name);
        return nullptr;
    }
    SDL_Surface* converted = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    // Pure cyan is the transparent colour of every loaded image.
    if (converted) SDL_SetColorKey(converted, SDL_SRCCOLORKEY, SDL_MapRGB(converted->format, 0, 255, 255));
    return converted;
}

int load_files(const char* first, const char* second, const char* fontfile) {
    if (first) {
        SDL_FreeSurface(background);
        background = load_image(first);
        if (!background) return 0;
    }
    if (second) {
        SDL_FreeSurface(dots);
        dots = load_image(second);
        if (!dots) return 0;
    }
    if (!fontfile) return 1;
    font = open_font(fontfile, SIZEfont, font);
    if (!font) {
        puts("Error cargando Font");
        return 0;
    }
    font1 = open_font(fontfile, SIZEfont1, font1);
    if (!font1) {
        puts("Error cargando Font1");
        return 0;
    }
    font2 = open_font(fontfile, SIZEfont2, font2);
    if (!font2) {
        puts("Error cargando Font2");
        return 0;
    }
    return 1;
}

void clean_up() {
    SDL_FreeSurface(background);
    SDL_FreeSurface(dots);
    background = nullptr;
    dots = nullptr;
    SDL_Quit();
}

void apply_surfaceB(int x, int y, SDL_Surface* source, SDL_Surface* destination, SDL_Rect* clip) {
    SDL_Rect offset;
    offset.x = (Sint16)x;
    offset.y = (Sint16)y;
    offset.w = 0;
    offset.h = 0;
    // SDL refuses a null source or destination; that refusal is the intended no-op.
    SDL_UpperBlit(source, clip, destination, &offset);
}

void apply_surface(int x, int y, SDL_Surface* source, SDL_Surface* destination) {
    apply_surfaceB(x, y, source, destination, nullptr);
}

void PrintTexto(int x, int y, const char* text, TTF_Font* f) {
    if (!f || !text) return;
    SDL_Surface* rendered = TTF_RenderText_Solid(f, text, ColorDefault);
    apply_surface(x, y, rendered, screen);
    SDL_FreeSurface(rendered);
}

void PrintTexto(int x, int y, const char* text) { PrintTexto(x, y, text, font); }

void setcolor(unsigned char r, unsigned char g, unsigned char b) {
    ColorDefault.r = r;
    ColorDefault.g = g;
    ColorDefault.b = b;
}

void putpixel(int x, int y, SDL_Color colour) {
    if (!screen || x < 0 || y < 0 || x >= screen->w || y >= screen->h) return;
    Uint32 value = SDL_MapRGB(screen->format, colour.r, colour.g, colour.b);
    int bytes = screen->format->BytesPerPixel;
    if (bytes < 1 || bytes > 4) return;
    Uint8* p = (Uint8*)screen->pixels + y * screen->pitch + x * bytes;
    // Least significant byte first, whatever the host's byte order.
    for (int i = 0; i < bytes; i++) p[i] = (Uint8)(value >> (8 * i));
}

void plot(int x, int y) { putpixel(x, y, ColorDefault); }

// Sloping lines walk from the upper end point; the minor coordinate moves only
// when the error term reaches the major delta (no half-way rounding).
static void sloping_line(int x1, int y1, int x2, int y2) {
    int sx = x1, sy = y1, ex = x2, ey = y2;
    if (y2 < y1) {
        sx = x2, sy = y2, ex = x1, ey = y1;
    }
    int xstep = ex > sx ? 1 : -1;
    int64_t wide_dx = (int64_t)ex - sx;
    uint16_t dx = (uint16_t)(wide_dx < 0 ? -wide_dx : wide_dx);
    uint16_t dy = (uint16_t)((int64_t)ey - sy);
    uint16_t error = 0;
    int x = sx, y = sy;
    plot(x, y);
    if (dx > dy) {
        for (uint16_t i = 0; i < dx; i++) {
            x += xstep;
            error = (uint16_t)(error + dy);
            if (error >= dx) {
                error = (uint16_t)(error - dx);
                y++;
            }
            plot(x, y);
        }
    } else {
        for (uint16_t i = 0; i < dy; i++) {
            y++;
            error = (uint16_t)(error + dx);
            if (error >= dy) {
                error = (uint16_t)(error - dy);
                x += xstep;
            }
            plot(x, y);
        }
    }
}

void line(int x1, int y1, int x2, int y2) {
    if (!screen) return;
    int w = screen->w, h = screen->h;
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (x1 == x2 || y1 == y2) {
        bool vertical = x1 == x2;
        int lo = vertical ? y1 : x1, hi = vertical ? y2 : x2;
        if (lo > hi) {
            int t = lo;
            lo = hi;
            hi = t;
        }
        int last = (vertical ? h : w) - 1;
        if (lo < 0) lo = 0;
        if (hi > last) hi = last;
        for (int i = lo; i <= hi; i++) vertical ? plot(x1, i) : plot(i, y1);
        return;
    }
    sloping_line(x1, y1, x2, y2);
}

void box(int x1, int y1, int x2, int y2) {
    if (x1 < 0) x1 = 0;
    if (y1 < 0) y1 = 0;
    if (x2 < 0) x2 = 0;
    if (y2 < 0) y2 = 0;
    line(x1, y1, x2, y1);
    line(x2, y1, x2, y2);
    line(x2, y2, x1, y2);
    line(x1, y2, x1, y1);
}

static int clamp_to(int v, int last) { return v < 0 ? 0 : (v > last ? last : v); }

void bar(int x1, int y1, int x2, int y2) {
    if (!screen) return;
    if (x1 > x2) {
        int t = x1;
        x1 = x2;
        x2 = t;
    }
    if (y1 > y2) {
        int t = y1;
        y1 = y2;
        y2 = t;
    }
    x1 = clamp_to(x1, screen->w - 1);
    x2 = clamp_to(x2, screen->w - 1);
    y1 = clamp_to(y1, screen->h - 1);
    y2 = clamp_to(y2, screen->h - 1);
    // The bottom row y2 is left out; a frame drawn over the same corners supplies it.
    for (int y = y1; y < y2; y++) line(x1, y, x2, y);
}
