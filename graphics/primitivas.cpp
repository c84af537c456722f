// Graphics layer, primitives: setcolor() and the pixel, line, outline and
// filled-rectangle drawing on `screen` in the one current colour. Each maps
// its colour once and writes the pixel bytes itself.
#include <cstdint>

#include "graphics/xgrafi.h"

void setcolor(unsigned char r, unsigned char g, unsigned char b) {
    ColorDefault.r = r;
    ColorDefault.g = g;
    ColorDefault.b = b;
}

// One pixel of a mapped value, stored with as many bytes as the screen has
// per pixel, least significant byte first whatever the host's byte order.
// Any other pixel size writes nothing.
static inline void escribir_uno(Uint8* p, int bytes, Uint32 value) {
    Uint8 b0 = (Uint8)value, b1 = (Uint8)(value >> 8), b2 = (Uint8)(value >> 16);
    Uint8 b3 = (Uint8)(value >> 24);
    switch (bytes) {
    case 1: p[0] = b0; break;
    case 2: p[0] = b0, p[1] = b1; break;
    case 3: p[0] = b0, p[1] = b1, p[2] = b2; break;
    case 4: p[0] = b0, p[1] = b1, p[2] = b2, p[3] = b3; break;
    }
}

// n pixels of one mapped value from p on, `paso` bytes apart; one loop per
// pixel size, so that each loop stores a fixed number of bytes.
static void escribir(Uint8* p, int bytes, int paso, int n, Uint32 value) {
    switch (bytes) {
    case 1:
        for (int i = 0; i < n; i++, p += paso) escribir_uno(p, 1, value);
        break;
    case 2:
        for (int i = 0; i < n; i++, p += paso) escribir_uno(p, 2, value);
        break;
    case 3:
        for (int i = 0; i < n; i++, p += paso) escribir_uno(p, 3, value);
        break;
    case 4:
        // A row of 32-bit pixels has a fixed step, which lets the compiler
        // store several pixels at once.
        if (paso == 4)
            for (int i = 0; i < n; i++) escribir_uno(p + 4 * i, 4, value);
        else
            for (int i = 0; i < n; i++, p += paso) escribir_uno(p, 4, value);
        break;
    }
}

// The screen as a line draws on it, read once per line: otherwise every store
// into the pixels would make the compiler read `screen` again.
namespace {
struct Destino {
    Uint8* pixels;
    int w, h, pitch, bytes;
};
} // namespace

static Destino destino() {
    return {(Uint8*)screen->pixels, screen->w, screen->h, screen->pitch,
            screen->format->BytesPerPixel};
}

// One pixel of a value already mapped for the screen; off the screen, nothing.
static inline void poner(const Destino& l, int x, int y, Uint32 value) {
    if (x < 0 || y < 0 || x >= l.w || y >= l.h) return;
    escribir_uno(l.pixels + y * l.pitch + x * l.bytes, l.bytes, value);
}

void putpixel(int x, int y, SDL_Color colour) {
    if (!screen) return;
    poner(destino(), x, y, SDL_MapRGB(screen->format, colour.r, colour.g, colour.b));
}

void plot(int x, int y) { putpixel(x, y, ColorDefault); }

// Sloping lines walk from the upper end point; the minor coordinate moves only
// when the error term reaches the major delta (no half-way rounding).
static void linea_inclinada(const Destino& l, int x1, int y1, int x2, int y2, Uint32 value) {
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
    poner(l, x, y, value);
    if (dx > dy) {
        for (uint16_t i = 0; i < dx; i++) {
            x += xstep;
            error = (uint16_t)(error + dy);
            if (error >= dx) {
                error = (uint16_t)(error - dx);
                y++;
            }
            poner(l, x, y, value);
        }
    } else {
        for (uint16_t i = 0; i < dy; i++) {
            y++;
            error = (uint16_t)(error + dx);
            if (error >= dy) {
                error = (uint16_t)(error - dy);
                x += xstep;
            }
            poner(l, x, y, value);
        }
    }
}

void line(int x1, int y1, int x2, int y2) {
    if (!screen) return;
    int w = screen->w, h = screen->h;
    // Every pixel of a line has the current colour on the same screen: one
    // mapping serves them all.
    Uint32 value = SDL_MapRGB(screen->format, ColorDefault.r, ColorDefault.g, ColorDefault.b);
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
        // The run's other coordinate can still be off the screen: then nothing.
        if (lo > hi || (vertical ? x1 >= w : y1 >= h)) return;
        Destino l = destino();
        Uint8* p =
            l.pixels + (vertical ? lo * l.pitch + x1 * l.bytes : y1 * l.pitch + lo * l.bytes);
        escribir(p, l.bytes, vertical ? l.pitch : l.bytes, hi - lo + 1, value);
        return;
    }
    linea_inclinada(destino(), x1, y1, x2, y2, value);
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

static int acotar(int v, int last) { return v < 0 ? 0 : (v > last ? last : v); }

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
    x1 = acotar(x1, screen->w - 1);
    x2 = acotar(x2, screen->w - 1);
    y1 = acotar(y1, screen->h - 1);
    y2 = acotar(y2, screen->h - 1);
    // The bottom row y2 is left out; a frame drawn over the same corners supplies it.
    for (int y = y1; y < y2; y++) line(x1, y, x2, y);
}
