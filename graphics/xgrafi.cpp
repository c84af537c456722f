// Graphics layer: owns the graphics globals and everything that touches SDL's
// video, SDL_image and SDL_ttf. Read from the top: set-up (init, load_files),
// blits and text, then the primitives (putpixel up to bar).
#include "graphics/xgrafi.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#define CALC_AVX2 1
#include <immintrin.h>
#endif

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

// A damaged font file can open and still be unusable: FreeType gives every
// glyph past a cut as an empty one (a blank display), broken metrics can make
// a digit thousands of pixels tall or wide (a surface that size at every
// repaint, or none at all), and SDL_ttf 2.0 shifts only the first glyph of a
// text right by its left overhang, so a later glyph that starts further left
// of its origin than the narrowest advance is drawn before the start of the
// text surface. A font therefore counts as one that cannot be opened unless
// every character the display line can show overhangs less than that, stays
// within 4 times the point size, and a number measures and draws some ink.
static bool usable(TTF_Font* f, int size) {
    static const char display[] = "-.0123456789 EIQRSTefinort+";
    static const char numero[] = "-.0123456789";
    int minx[sizeof display], advance[sizeof display], narrowest = 4 * size;
    for (int i = 0; display[i]; i++) {
        int maxx, miny, maxy;
        Uint16 c = (Uint16)display[i];
        if (TTF_GlyphMetrics(f, c, &minx[i], &maxx, &miny, &maxy, &advance[i]) != 0) return false;
        if (advance[i] < 0 || maxx > 4 * size || advance[i] > 4 * size) return false;
        if (advance[i] < narrowest) narrowest = advance[i];
    }
    for (int i = 0; display[i]; i++)
        if (minx[i] < -narrowest) return false;
    int w = 0, h = 0;
    if (TTF_SizeText(f, numero, &w, &h) != 0 || w < 1 || h < 1 || h > 4 * size) return false;
    SDL_Surface* s = TTF_RenderText_Solid(f, numero, SDL_Color{255, 255, 255, 0});
    bool ink = false;
    for (int y = 0; s && y < s->h && !ink; y++)
        for (int x = 0; x < s->w && !ink; x++) ink = ((Uint8*)s->pixels)[y * s->pitch + x] != 0;
    SDL_FreeSurface(s);
    return ink;
}

static TTF_Font* open_font(const char* fontfile, int size, TTF_Font* previous) {
    // A second load_files replaces the fonts; close the old ones so they don't leak.
    if (previous) TTF_CloseFont(previous);
    TTF_Font* f = TTF_OpenFont(fontfile, size);
    if (f && !usable(f, size)) {
        TTF_CloseFont(f);
        f = nullptr;
    }
    return f;
}

// SDL_image 1.2 reads a PNG file without looking at what each read returns:
// past the end of the file it decodes stale data for as long as a chunk's
// stated length goes on, and a damaged length field makes that minutes. A
// PNG file is therefore walked first; a chunk that runs past its end makes
// the file one that cannot be read. Other files go to SDL_image as they are.
static bool png_chunks_fit(const char* name) {
    FILE* f = fopen(name, "rb");
    if (!f) return true;
    unsigned char h[8];
    bool fit = true;
    if (fread(h, 1, 8, f) == 8 && memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0) {
        fseek(f, 0, SEEK_END);
        long long size = ftell(f), pos = 8;
        while (fit && pos < size && fseek(f, (long)pos, SEEK_SET) == 0 && fread(h, 1, 8, f) == 8) {
            long long length = (long long)h[0] << 24 | h[1] << 16 | h[2] << 8 | h[3];
            pos += 12 + length; // length, type, data, CRC
            fit = pos <= size;
            if (memcmp(h + 4, "IEND", 4) == 0) break;
        }
    }
    fclose(f);
    return fit;
}

// SDL_image 1.2 does not look at what its reads return either: past the end
// of a short or empty file it goes on with whatever its variables and buffers
// held before (an empty file can pass for a BMP with a header of leftovers).
// Read through this, what the file cannot give comes as zeros, so such a file
// decodes the same way every time, and mostly fails at once.
static int read_or_zeros(SDL_RWops* rw, void* ptr, int size, int count) {
    int got = SDL_RWread((SDL_RWops*)rw->hidden.unknown.data1, ptr, size, count);
    if (got < 0) got = 0;
    if (size > 0 && got < count)
        memset((Uint8*)ptr + (size_t)got * size, 0, (size_t)(count - got) * size);
    return got;
}

static int seek_file(SDL_RWops* rw, int offset, int whence) {
    return SDL_RWseek((SDL_RWops*)rw->hidden.unknown.data1, offset, whence);
}

static int no_write(SDL_RWops*, const void*, int, int) { return -1; }

static int close_file(SDL_RWops* rw) {
    SDL_RWclose((SDL_RWops*)rw->hidden.unknown.data1);
    SDL_FreeRW(rw);
    return 0;
}

// IMG_Load over that reader: the name's extension is the same hint it gives.
static SDL_Surface* decode(const char* name) {
    SDL_RWops* file = SDL_RWFromFile(name, "rb");
    SDL_RWops* rw = file ? SDL_AllocRW() : nullptr;
    if (!rw) {
        if (file) SDL_RWclose(file);
        return nullptr;
    }
    rw->hidden.unknown.data1 = file;
    rw->read = read_or_zeros;
    rw->seek = seek_file;
    rw->write = no_write;
    rw->close = close_file;
    const char* ext = strrchr(name, '.');
    return IMG_LoadTyped_RW(rw, 1, (char*)(ext ? ext + 1 : nullptr));
}

// SDL 1.2's BMP reader keeps the low byte of a damaged header's bit count
// and can make a surface of 8 or fewer bits per pixel without a palette,
// which SDL_DisplayFormat then reads through a null pointer.
static bool well_formed(const SDL_Surface* s) {
    const SDL_PixelFormat* f = s->format;
    return f && f->BytesPerPixel >= 1 && f->BytesPerPixel <= 4 &&
           (f->BitsPerPixel > 8 || f->palette);
}

// sdl12-compat (SDL 1.2 carried over SDL 2) shows the video surface through
// an SDL 2 renderer, and on X11 SDL 2 takes its OpenGL renderer for that and
// OpenGL again for the window's own framebuffer: without a graphics card that
// starts Mesa's software OpenGL (LLVM and its threads), about 90 MB and tens
// to hundreds of milliseconds to show a 248 x 501 surface. These two SDL 2
// hints keep both on the processor; the pixels are the same. A value the user
// has set stays, and classic SDL 1.2 reads neither.
static void sin_opengl_en_sdl2() {
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
}

int init(int width, int height) {
    sin_opengl_en_sdl2();
    if (SDL_Init(SDL_INIT_EVERYTHING) == -1) return 0;
    // SDL's timer subsystem runs a thread that wakes every millisecond; nothing
    // here uses SDL timers (SDL_Delay and SDL_GetTicks work without it).
    SDL_QuitSubSystem(SDL_INIT_TIMER);
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
    SDL_Surface* loaded = png_chunks_fit(name) ? decode(name) : nullptr;
    if (loaded && !well_formed(loaded)) {
        SDL_FreeSurface(loaded);
        loaded = nullptr;
    }
    if (!loaded) {
        printf("Error al cargar %s\n", name);
        return nullptr;
    }
    SDL_Surface* converted = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    // Pure cyan is the transparent colour of every loaded image.
    if (converted)
        SDL_SetColorKey(converted, SDL_SRCCOLORKEY, SDL_MapRGB(converted->format, 0, 255, 255));
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

// SDL_Rect holds a position in 16 bits. A position beyond that range is held
// at its end rather than cut to its low bits, which would wrap it round onto
// the surface: a blit that far off still lands off it.
static Sint16 rect_coordinate(int v) {
    return (Sint16)(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

static bool mismo_formato_rgb32(const SDL_PixelFormat* a, const SDL_PixelFormat* b) {
    return a->BytesPerPixel == 4 && b->BytesPerPixel == 4 && !a->palette && !b->palette &&
           !a->Amask && !b->Amask && a->Rmask == b->Rmask && a->Gmask == b->Gmask &&
           a->Bmask == b->Bmask && !a->Rloss && !a->Gloss && !a->Bloss;
}

// Four pixels at a time: GCC and Clang do these operations in one vector
// register each (SSE2 on x86-64), whatever the optimisation level.
typedef Uint32 Cuatro __attribute__((vector_size(16)));

// The last w % 4 (or w % 8) pixels of a row, one at a time.
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
// green and blue bits; the destination keeps its pixel under the key.
static void copiar_fila_sse(const Uint8* s, Uint8* d, int w, Uint32 clave, Uint32 rgb) {
    const Cuatro k = {clave, clave, clave, clave}, m = {rgb, rgb, rgb, rgb};
    int i = 0;
    for (; i + 4 <= w; i += 4) {
        Cuatro a, b;
        memcpy(&a, s + 4 * i, sizeof a);
        memcpy(&b, d + 4 * i, sizeof b);
        Cuatro queda = (Cuatro)(a != k);
        b = (a & m & queda) | (b & ~queda);
        memcpy(d + 4 * i, &b, sizeof b);
    }
    copiar_resto(s, d, i, w, clave, rgb);
}

#ifdef CALC_AVX2
// The same row on processors with AVX2, eight pixels at a time. Eight pixels
// without the key among them, which is most of a face, are stored without
// reading the destination: that read, more than the arithmetic, is what a
// keyed copy costs beyond memcpy.
__attribute__((target("avx2"))) static void copiar_fila_avx2(const Uint8* s, Uint8* d, int w,
                                                             Uint32 clave, Uint32 rgb) {
    const __m256i k = _mm256_set1_epi32((int)clave), m = _mm256_set1_epi32((int)rgb);
    int i = 0;
    for (; i + 8 <= w; i += 8) {
        __m256i a = _mm256_loadu_si256((const __m256i*)(s + 4 * i));
        __m256i es = _mm256_cmpeq_epi32(a, k);
        a = _mm256_and_si256(a, m);
        if (!_mm256_testz_si256(es, es))
            a = _mm256_blendv_epi8(a, _mm256_loadu_si256((const __m256i*)(d + 4 * i)), es);
        _mm256_storeu_si256((__m256i*)(d + 4 * i), a);
    }
    copiar_resto(s, d, i, w, clave, rgb);
}
#endif

typedef void (*CopiaFila)(const Uint8* s, Uint8* d, int w, Uint32 clave, Uint32 rgb);

// Asked once, at the first keyed blit: both rows give the same bytes.
static CopiaFila elegir_copia_fila() {
#ifdef CALC_AVX2
    if (__builtin_cpu_supports("avx2")) return copiar_fila_avx2;
#endif
    return copiar_fila_sse;
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
    // Rows are read and written four pixels at a time: the two must not share memory.
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

    static const CopiaFila copiar_fila = elegir_copia_fila();
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
    offset.x = rect_coordinate(x);
    offset.y = rect_coordinate(y);
    offset.w = 0;
    offset.h = 0;
    if (!clip && blit_con_clave(source, destination, offset.x, offset.y)) return;
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
static void sloping_line(const Destino& l, int x1, int y1, int x2, int y2, Uint32 value) {
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
    sloping_line(destino(), x1, y1, x2, y2, value);
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
