// Graphics layer, blits: apply_surface() and apply_surfaceB() over SDL's
// blit, with a copy of its own for the one blit of every frame that counts,
// a colour-keyed 32-bit image onto a surface of the same format. That copy
// goes a row at a time through the widest row copy the processor runs (the
// table COPIAS_FILA); start reading at blit_con_clave.
#include <cstdint>
#include <cstring>

#include "graphics/blit.h"
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

// One rule for every pixel of a keyed blit: a source pixel that is not the
// key lands with only its red, green and blue bits; under the key the
// destination keeps its pixel. Here pixel by pixel. Where the processor can
// store some lanes of a vector and leave the others (AVX-512), the compiler
// makes this loop sixteen pixels a step that store only the lanes off the
// key, reading no destination and taking no branch: the fastest row of all
// (benchmarked; graphics/CMakeLists.txt has GCC do it at -O2 too). Source and
// destination never share memory.
static inline void copiar_pixeles(const Uint8* __restrict s, Uint8* __restrict d, int desde, int w,
                                  Uint32 clave, Uint32 rgb) {
    for (int i = desde; i < w; i++) {
        Uint32 p;
        memcpy(&p, s + 4 * i, sizeof p);
        if (p == clave) continue;
        p &= rgb;
        memcpy(d + 4 * i, &p, sizeof p);
    }
}

// Elsewhere the rule goes a vector of pixels at a time: four in 16 bytes
// (SSE2 on x86-64, NEON on ARM), eight in 32 (AVX2). AVX2 has a lane store
// too, but AMD processors take it in many steps: the frame took three and a
// half times as long (benchmarked). Each width is one the processor holds in
// a register; a wider one that the compiler splits into halves costs more
// than it saves (GCC 12 compares it a lane at a time, through memory).
typedef Uint32 Cuatro __attribute__((vector_size(16)));
typedef Uint32 Ocho __attribute__((vector_size(32)));

// Whether any bit of v is set: its 16-byte quarters folded into one, that
// one into two words.
template <typename V> __attribute__((always_inline)) static inline bool alguna(const V& v) {
    Cuatro c[sizeof(V) / 16];
    memcpy(c, &v, sizeof c);
    for (size_t n = 1; n < sizeof c / sizeof c[0]; n++) c[0] |= c[n];
    uint64_t mitades[2];
    memcpy(mitades, &c[0], sizeof mitades);
    return (mitades[0] | mitades[1]) != 0;
}

// N vectors of pixels. A group without the key among them, which is most of
// a face, is stored without reading the destination: that read, more than
// the arithmetic, is what a keyed copy costs beyond memcpy.
template <typename V, int N>
__attribute__((always_inline)) static inline void grupo(const Uint8* s, Uint8* d, const V& k,
                                                        const V& m) {
    V a[N], es[N], todas = {};
    for (int n = 0; n < N; n++) {
        memcpy(&a[n], s + n * sizeof(V), sizeof(V));
        es[n] = (V)(a[n] == k);
        todas |= es[n];
        a[n] &= m;
    }
    if (alguna(todas))
        for (int n = 0; n < N; n++) {
            V b;
            memcpy(&b, d + n * sizeof(V), sizeof b);
            a[n] = (a[n] & ~es[n]) | (b & es[n]);
        }
    for (int n = 0; n < N; n++) memcpy(d + n * sizeof(V), &a[n], sizeof(V));
}

// A row two vectors a step, one test for the key per step; then one vector,
// then the last pixels one at a time.
template <typename V>
__attribute__((always_inline)) static inline void fila(const Uint8* s, Uint8* d, int w,
                                                       Uint32 clave, Uint32 rgb) {
    const int P = sizeof(V) / 4;
    const V k = V{} + clave, m = V{} + rgb;
    int i = 0;
    for (; i + 2 * P <= w; i += 2 * P) grupo<V, 2>(s + 4 * i, d + 4 * i, k, m);
    for (; i + P <= w; i += P) grupo<V, 1>(s + 4 * i, d + 4 * i, k, m);
    copiar_pixeles(s, d, i, w, clave, rgb);
}

// The row copies, each the rule above compiled for one instruction set. The
// wider ones are x86-64 only, and not on Windows: MinGW's GCC has put 32-byte
// values on a stack aligned to 16 with aligned moves, and no Windows build
// here has run them.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define CALC_FILAS_ANCHAS 1
#endif

typedef void (*CopiaFila)(const Uint8* s, Uint8* d, int w, Uint32 clave, Uint32 rgb);

static void fila_base(const Uint8* s, Uint8* d, int w, Uint32 clave, Uint32 rgb) {
    fila<Cuatro>(s, d, w, clave, rgb);
}
static bool siempre() { return true; }

#ifdef CALC_FILAS_ANCHAS
__attribute__((target("avx2"))) static void fila_avx2(const Uint8* s, Uint8* d, int w, Uint32 clave,
                                                      Uint32 rgb) {
    fila<Ocho>(s, d, w, clave, rgb);
}
__attribute__((target("avx512f,avx512vl"))) static void
fila_avx512(const Uint8* __restrict s, Uint8* __restrict d, int w, Uint32 clave, Uint32 rgb) {
    copiar_pixeles(s, d, 0, w, clave, rgb);
}
static bool con_avx2() { return __builtin_cpu_supports("avx2"); }
static bool con_avx512() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}
#endif

// Widest first: a blit uses the first one this processor runs. All give the
// same bytes.
static const struct {
    const char* nombre;
    bool (*corre)();
    CopiaFila copia;
} COPIAS_FILA[] = {
#ifdef CALC_FILAS_ANCHAS
    {"avx512", con_avx512, fila_avx512},
    {"avx2", con_avx2, fila_avx2},
#endif
    {"base", siempre, fila_base},
};

static CopiaFila copia_fila = nullptr; // the one in use; chosen at the first keyed blit

bool usar_copia_fila(const char* nombre) {
    for (const auto& c : COPIAS_FILA)
        if ((!nombre || strcmp(nombre, c.nombre) == 0) && c.corre()) {
            copia_fila = c.copia;
            return true;
        }
    return false;
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
    // Rows are read and written many pixels at a time: the two must not share memory.
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

    if (!copia_fila) usar_copia_fila(nullptr);
    Uint32 clave = src->format->colorkey;
    Uint32 rgb = src->format->Rmask | src->format->Gmask | src->format->Bmask;
    for (int f = 0; f < h && w > 0; f++) {
        const Uint8* s = (const Uint8*)src->pixels + (sy + f) * src->pitch + sx * 4;
        Uint8* t = (Uint8*)dst->pixels + (y + f) * dst->pitch + x * 4;
        copia_fila(s, t, w, clave, rgb);
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
