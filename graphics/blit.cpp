// Graphics layer, blits: apply_surface() and apply_surfaceB() over SDL's
// blit, with a copy of its own for the one blit of every frame that counts,
// a colour-keyed 32-bit image onto a surface of the same format.
#include <cstdint>
#include <cstring>

#include "graphics/xgrafi.h"

// SDL_Rect holds a position in 16 bits. A position beyond that range is held
// at its end rather than cut to its low bits, which would wrap it round onto
// the surface: a blit that far off still lands off it.
static Sint16 coordenada_rect(int v) {
    return (Sint16)(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

static bool mismo_formato_rgb32(const SDL_PixelFormat* a, const SDL_PixelFormat* b) {
    return a->BytesPerPixel == 4 && b->BytesPerPixel == 4 && !a->palette && !b->palette &&
           !a->Amask && !b->Amask && a->Rmask == b->Rmask && a->Gmask == b->Gmask &&
           a->Bmask == b->Bmask && !a->Rloss && !a->Gloss && !a->Bloss;
}

// Four pixels at a time: GCC and Clang do these operations in one vector
// register each (SSE2 on x86-64, NEON on ARM), whatever the optimisation level.
typedef Uint32 Cuatro __attribute__((vector_size(16)));

// The last w % 8 pixels of a row, one at a time.
static void copiar_resto(const Uint8* s, Uint8* d, int desde, int w, Uint32 clave, Uint32 rgb) {
    for (int i = desde; i < w; i++) {
        Uint32 p;
        memcpy(&p, s + 4 * i, sizeof p);
        if (p == clave) continue;
        p &= rgb;
        memcpy(d + 4 * i, &p, sizeof p);
    }
}

// One row: each source pixel that is not the key lands with only its red,
// green and blue bits; the destination keeps its pixel under the key. Eight
// pixels without the key among them, which is most of a face, are stored
// without reading the destination: that read, more than the arithmetic, is
// what a keyed copy costs beyond memcpy. Kept out of line: inlined into the
// clipping below, GCC 12's loop took a fifth longer per frame (benchmarked).
__attribute__((noinline)) static void copiar_fila(const Uint8* s, Uint8* d, int w, Uint32 clave,
                                                  Uint32 rgb) {
    const Cuatro k = {clave, clave, clave, clave}, m = {rgb, rgb, rgb, rgb};
    int i = 0;
    for (; i + 8 <= w; i += 8) {
        Cuatro a, a2;
        memcpy(&a, s + 4 * i, sizeof a);
        memcpy(&a2, s + 4 * i + 16, sizeof a2);
        Cuatro es = (Cuatro)(a == k), es2 = (Cuatro)(a2 == k);
        a &= m, a2 &= m;
        Cuatro alguna = es | es2;
        uint64_t mitades[2];
        memcpy(mitades, &alguna, sizeof mitades);
        if (mitades[0] | mitades[1]) {
            Cuatro b, b2;
            memcpy(&b, d + 4 * i, sizeof b);
            memcpy(&b2, d + 4 * i + 16, sizeof b2);
            a = (a & ~es) | (b & es);
            a2 = (a2 & ~es2) | (b2 & es2);
        }
        memcpy(d + 4 * i, &a, sizeof a);
        memcpy(d + 4 * i + 16, &a2, sizeof a2);
    }
    copiar_resto(s, d, i, w, clave, rgb);
}

// SDL 1.2 blits a colour-keyed surface onto one of the same 32-bit format one
// pixel at a time, taking each pixel apart into red, green and blue and
// putting it together again. With no alpha channel on either side that comes
// to: every source pixel that is not exactly the key lands with its unused
// byte cleared. This does the same for a whole source, clipped as
// SDL_UpperBlit clips it, a row at a time; for any other source or
// destination it returns false and leaves the blit to SDL.
static bool blit_con_clave(SDL_Surface* src, SDL_Surface* dst, int x, int y) {
    const Uint32 otros = SDL_SRCALPHA | SDL_RLEACCEL | SDL_RLEACCELOK | SDL_HWSURFACE | SDL_HWACCEL;
    if (!src || !dst || src == dst || src->locked || dst->locked) return false;
    if ((src->flags & (SDL_SRCCOLORKEY | otros)) != SDL_SRCCOLORKEY) return false;
    if ((dst->flags & SDL_HWSURFACE) || SDL_MUSTLOCK(src) || SDL_MUSTLOCK(dst)) return false;
    if (!mismo_formato_rgb32(src->format, dst->format)) return false;
    // Rows are read and written eight pixels at a time: the two must not share memory.
    uintptr_t s0 = (uintptr_t)src->pixels, d0 = (uintptr_t)dst->pixels;
    uintptr_t s1 = s0 + (uintptr_t)src->pitch * src->h, d1 = d0 + (uintptr_t)dst->pitch * dst->h;
    if (!s0 || !d0 || (s0 < d1 && d0 < s1)) return false;

    const SDL_Rect& c = dst->clip_rect;
    int sx = 0, sy = 0, w = src->w, h = src->h;
    int d = c.x - x;
    if (d > 0) w -= d, x += d, sx += d;
    d = x + w - c.x - c.w;
    if (d > 0) w -= d;
    d = c.y - y;
    if (d > 0) h -= d, y += d, sy += d;
    d = y + h - c.y - c.h;
    if (d > 0) h -= d;

    Uint32 clave = src->format->colorkey;
    Uint32 rgb = src->format->Rmask | src->format->Gmask | src->format->Bmask;
    for (int f = 0; f < h && w > 0; f++) {
        const Uint8* s = (const Uint8*)src->pixels + (sy + f) * src->pitch + sx * 4;
        Uint8* t = (Uint8*)dst->pixels + (y + f) * dst->pitch + x * 4;
        copiar_fila(s, t, w, clave, rgb);
    }
    return true;
}

void apply_surfaceB(int x, int y, SDL_Surface* source, SDL_Surface* destination, SDL_Rect* clip) {
    SDL_Rect offset;
    offset.x = coordenada_rect(x);
    offset.y = coordenada_rect(y);
    offset.w = 0;
    offset.h = 0;
    if (!clip && blit_con_clave(source, destination, offset.x, offset.y)) return;
    // SDL refuses a null source or destination; that refusal is the intended no-op.
    SDL_UpperBlit(source, clip, destination, &offset);
}

void apply_surface(int x, int y, SDL_Surface* source, SDL_Surface* destination) {
    apply_surfaceB(x, y, source, destination, nullptr);
}
