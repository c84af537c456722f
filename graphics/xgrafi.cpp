// Graphics layer: owns the graphics globals and everything that touches SDL's
// video, SDL_image and SDL_ttf. Read from the top: set-up (init, load_files),
// blits and text, then the primitives (putpixel up to bar).
#include "graphics/xgrafi.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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
SDL_EventFilter filtro_eventos = nullptr;

static const int MAX_TEXTO = 4096; // pixels: the widest and tallest text surface drawn

// --- Data files ---

// Data files are opened without waiting (a FIFO would hold open() until some
// writer came, for good) and only a regular file is kept: a FIFO, a device or
// a folder counts as a file that cannot be read.
static FILE* abrir_regular(const char* name) {
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

namespace {
// A file read front to back through a buffer of its own. `ir_a` moves within
// the buffer when it can and seeks only beyond it, so walking a file of
// millions of tiny PNG chunks costs a read per 64 KB, not a seek per chunk.
struct Lectura {
    FILE* f;
    long long tamano; // bytes in the file
    long long base;   // file offset of buf[0]
    size_t pos, fin;  // next byte and end of what buf holds
    unsigned char buf[1 << 16];

    void empezar(FILE* file, long long bytes) { f = file, tamano = bytes, base = 0, pos = fin = 0; }

    bool ir_a(long long offset) {
        if (offset < 0 || offset > tamano) return false;
        if (offset >= base && offset <= base + (long long)fin) {
            pos = (size_t)(offset - base);
            return true;
        }
        if (fseeko(f, (off_t)offset, SEEK_SET) != 0) return false;
        base = offset, pos = fin = 0;
        return true;
    }
    long long donde() const { return base + (long long)pos; }
    bool leer(unsigned char* out, size_t n) {
        while (n > 0) {
            if (pos == fin) {
                base += (long long)fin;
                pos = 0;
                fin = fread(buf, 1, sizeof buf, f);
                if (fin == 0) return false;
            }
            size_t k = n < fin - pos ? n : fin - pos;
            memcpy(out, buf + pos, k);
            pos += k, out += k, n -= k;
        }
        return true;
    }
    bool saltar(long long n) { return ir_a(donde() + n); }
    int byte() {
        unsigned char b;
        return leer(&b, 1) ? b : -1;
    }
};
} // namespace

static long long be16(const unsigned char* p) { return p[0] << 8 | p[1]; }
static long long be32(const unsigned char* p) { return be16(p) << 16 | be16(p + 2); }
static long long le16(const unsigned char* p) { return p[1] << 8 | p[0]; }
static long long le32s(const unsigned char* p) {
    return (int32_t)(uint32_t)(le16(p + 2) << 16 | le16(p));
}

// SDL_image 1.2 reads a PNG file without looking at what each read returns:
// past the end of the file it decodes stale data for as long as a chunk's
// stated length goes on. Every chunk must therefore end within the file, the
// first being IHDR with the image's size.
static bool medir_png(Lectura& l, long long& w, long long& h) {
    unsigned char c[16];
    if (!l.ir_a(8) || !l.leer(c, 16) || memcmp(c + 4, "IHDR", 4) != 0) return false;
    w = be32(c + 8), h = be32(c + 12);
    for (long long pos = 8; pos < l.tamano;) {
        if (!l.ir_a(pos) || !l.leer(c, 8)) return false;
        pos += 12 + be32(c); // length, type, data, CRC
        if (pos > l.tamano) return false;
        if (memcmp(c + 4, "IEND", 4) == 0) break;
    }
    return true;
}

// A BMP states its size in its info header: 16-bit fields in the old 12-byte
// one, signed 32-bit ones (a negative height is a top-down image) after.
static bool medir_bmp(Lectura& l, long long& w, long long& h) {
    unsigned char c[12];
    if (!l.ir_a(14) || !l.leer(c, 12)) return false;
    bool viejo = le32s(c) == 12;
    w = viejo ? le16(c + 4) : llabs(le32s(c + 4));
    h = viejo ? le16(c + 6) : llabs(le32s(c + 8));
    return true;
}

// A GIF's first image (the one SDL_image decodes) has a size of its own,
// after the colour table and any extension blocks; the screen's is checked too.
static bool medir_gif(Lectura& l, long long& w, long long& h) {
    unsigned char c[9];
    if (!l.ir_a(6) || !l.leer(c, 7)) return false;
    w = le16(c), h = le16(c + 2);
    if ((c[4] & 0x80) && !l.saltar(3LL << ((c[4] & 7) + 1))) return false;
    for (int b; (b = l.byte()) >= 0 && b != ';';) {
        if (b == '!') {
            if (l.byte() < 0) return false;
            for (int n; (n = l.byte()) != 0;)
                if (n < 0 || !l.saltar(n)) return false;
        } else if (b == ',') {
            if (!l.leer(c, 9)) return false;
            w = w > le16(c + 4) ? w : le16(c + 4);
            h = h > le16(c + 6) ? h : le16(c + 6);
            return true;
        } // SDL_image passes over any other byte, and so does this walk
    }
    return false;
}

// A JPEG states its size in its first start-of-frame segment.
static bool medir_jpeg(Lectura& l, long long& w, long long& h) {
    unsigned char c[5];
    if (!l.ir_a(2)) return false;
    for (;;) {
        int m = l.byte();
        if (m != 0xFF) return false;
        while ((m = l.byte()) == 0xFF) continue;
        if (m < 0 || m == 0xD9 || m == 0xDA) return false;   // the end, or the data, before a frame
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue; // markers without a length
        if (!l.leer(c, 2) || be16(c) < 2) return false;
        bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (frame) {
            if (!l.leer(c, 5)) return false;
            h = be16(c + 1), w = be16(c + 3);
            return true;
        }
        if (!l.saltar(be16(c) - 2)) return false;
    }
}

// The image formats whose size can be read before decoding, told apart by
// their first bytes as SDL_image tells them apart. SDL_image reads more
// formats, but those it reads only by allocating whatever they state.
static const struct {
    const char* firma;
    size_t largo;
    bool (*medir)(Lectura&, long long&, long long&);
} FORMATOS[] = {
    {"\x89PNG\r\n\x1a\n", 8, medir_png},
    {"BM", 2, medir_bmp},
    {"GIF87a", 6, medir_gif},
    {"GIF89a", 6, medir_gif},
    {"\xff\xd8", 2, medir_jpeg},
};

// The size an image file states, or false when it states none that can be
// trusted: an unknown format, a header cut short, a PNG chunk that runs past
// the end of the file.
static bool medir_imagen(FILE* f, long long& w, long long& h) {
    struct stat st;
    if (fstat(fileno(f), &st) != 0) return false;
    static Lectura l; // 64 KB, kept off the stack; one file at a time
    l.empezar(f, (long long)st.st_size);
    unsigned char firma[8] = {};
    if (!l.leer(firma, sizeof firma) && l.tamano >= (long long)sizeof firma) return false;
    for (const auto& formato : FORMATOS)
        if (memcmp(firma, formato.firma, formato.largo) == 0) return formato.medir(l, w, h);
    return false;
}

// SDL_image 1.2 does not look at what its reads return either: past the end
// of a short file it goes on with whatever its variables and buffers held
// before. Read through this, what the file cannot give comes as zeros, so
// such a file decodes the same way every time, and mostly fails at once.
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

// IMG_Load of an open file over that reader (the file is closed either way);
// the name's extension is the same hint IMG_Load gives.
static SDL_Surface* decode(FILE* f, const char* name) {
    rewind(f);
    SDL_RWops* file = SDL_RWFromFP(f, 1);
    SDL_RWops* rw = file ? SDL_AllocRW() : nullptr;
    if (!rw) {
        if (file)
            SDL_RWclose(file);
        else
            fclose(f);
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

// --- Text ---

// SDL_ttf 2.0 lays a text out from a pen at x = 0, moved right by the first
// glyph's left overhang and moved by the font's kerning between glyphs; each
// glyph lands at the pen plus its own left edge. It checks the end of its text
// surface but not the start: a glyph that lands left of x = 0 (a later glyph
// overhanging further than the pen has come, or a kerning pair pulling it
// back) is written before the surface's memory. The layout is therefore
// worked out here the same way first: the leftmost x any glyph lands at, or
// false when a glyph has no metrics (SDL_ttf then draws nothing either).
static bool izquierda_del_texto(TTF_Font* f, const char* text, long long& izquierda) {
    bool kerning = TTF_GetFontKerning(f) != 0;
    long long pen = 0;
    int anterior = 0;
    izquierda = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        int minx, maxx, miny, maxy, advance;
        if (TTF_GlyphMetrics(f, *p, &minx, &maxx, &miny, &maxy, &advance) != 0) return false;
        int indice = TTF_GlyphIsProvided(f, *p);
        if (kerning && anterior && indice) pen += TTF_GetFontKerningSize(f, anterior, indice);
        if (p == (const unsigned char*)text && minx < 0) pen -= minx;
        if (pen + minx < izquierda) izquierda = pen + minx;
        pen += advance;
        anterior = indice;
    }
    return true;
}

// The text drawn glyph by glyph into a surface of SDL_ttf's size for it,
// everything moved right by `desplazar` so that the leftmost glyph lands at
// x = 0; each glyph is cut to the surface.
static SDL_Surface* texto_por_glifos(TTF_Font* f, const char* text, SDL_Color colour, int w, int h,
                                     long long desplazar) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    if (!s) return nullptr;
    SDL_Color colores[2] = {
        {(Uint8)(255 - colour.r), (Uint8)(255 - colour.g), (Uint8)(255 - colour.b), 0}, colour};
    SDL_SetColors(s, colores, 0, 2);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0);
    SDL_FillRect(s, nullptr, 0);
    bool kerning = TTF_GetFontKerning(f) != 0;
    long long pen = desplazar;
    int anterior = 0, ascenso = TTF_FontAscent(f);
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        int minx, maxx, miny, maxy, advance;
        TTF_GlyphMetrics(f, *p, &minx, &maxx, &miny, &maxy, &advance);
        int indice = TTF_GlyphIsProvided(f, *p);
        if (kerning && anterior && indice) pen += TTF_GetFontKerningSize(f, anterior, indice);
        SDL_Surface* g = TTF_RenderGlyph_Solid(f, *p, colour);
        int ancho = g && g->w < maxx - minx ? g->w : maxx - minx; // as SDL_ttf caps it
        for (int y = 0; g && y < g->h; y++) {
            long long ty = (long long)ascenso - maxy + y;
            if (ty < 0 || ty >= h) continue;
            const Uint8* src = (const Uint8*)g->pixels + y * g->pitch;
            Uint8* dst = (Uint8*)s->pixels + ty * s->pitch;
            for (int x = 0; x < ancho; x++) {
                long long tx = pen + minx + x;
                if (tx >= 0 && tx < w) dst[tx] |= src[x];
            }
        }
        SDL_FreeSurface(g);
        pen += advance;
        anterior = indice;
    }
    return s;
}

SDL_Surface* texto_solido(TTF_Font* f, const char* text, SDL_Color colour) {
    int w = 0, h = 0;
    long long izquierda = 0;
    if (!f || !text || TTF_SizeText(f, text, &w, &h) != 0) return nullptr;
    // SDL 1.2 keeps a surface's row length in 16 bits and its byte count in
    // an int: a text surface is held well inside both.
    if (w <= 0 || h <= 0 || w > MAX_TEXTO || h > MAX_TEXTO) return nullptr;
    if (!izquierda_del_texto(f, text, izquierda)) return nullptr;
    if (izquierda >= 0) return TTF_RenderText_Solid(f, text, colour);
    return texto_por_glifos(f, text, colour, w, h, -izquierda);
}

// --- Fonts ---

// What a font must do to be kept: draw some ink for each of the ten digits,
// and for the digits, the point and the minus sign written as one number.
// A damaged file can open and still draw nothing (FreeType gives every glyph
// past a cut as an empty one; a glyph without metrics blanks every text it is
// in); any other font draws safely, since all text goes through texto_solido.
static bool tiene_tinta(TTF_Font* f, const char* text) {
    SDL_Surface* s = texto_solido(f, text, SDL_Color{255, 255, 255, 0});
    bool tinta = false;
    for (int y = 0; s && y < s->h && !tinta; y++)
        for (int x = 0; x < s->w && !tinta; x++) tinta = ((Uint8*)s->pixels)[y * s->pitch + x] != 0;
    SDL_FreeSurface(s);
    return tinta;
}

static bool dibuja_numeros(TTF_Font* f) {
    for (char cifra[2] = "0"; cifra[0] <= '9'; cifra[0]++)
        if (!tiene_tinta(f, cifra)) return false;
    return tiene_tinta(f, "-.0123456789");
}

// One size of the font file, opened only if it is a regular file; a second
// load_files replaces the fonts, so the old one is closed first.
static TTF_Font* open_font(const char* fontfile, int size, TTF_Font* previous) {
    if (previous) TTF_CloseFont(previous);
    FILE* file = abrir_regular(fontfile);
    SDL_RWops* rw = file ? SDL_RWFromFP(file, 1) : nullptr;
    if (!rw) {
        if (file) fclose(file);
        return nullptr;
    }
    TTF_Font* f = TTF_OpenFontRW(rw, 1, size);
    if (f && !dibuja_numeros(f)) {
        TTF_CloseFont(f);
        f = nullptr;
    }
    return f;
}

// Where no video driver is named, SDL 1.2 goes down its whole list when no
// window system answers and ends with its text-mode drivers (aalib, libcaca),
// which draw the calculator into the terminal. Only window systems are asked
// for here; a driver named in SDL_VIDEODRIVER is used as SDL uses it.
static const char* const SISTEMAS_DE_VENTANAS[] = {"x11", "wayland"};

static bool iniciar_video() {
    if (getenv("SDL_VIDEODRIVER")) return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    for (const char* sistema : SISTEMAS_DE_VENTANAS) {
        setenv("SDL_VIDEODRIVER", sistema, 1);
        int r = SDL_InitSubSystem(SDL_INIT_VIDEO);
        unsetenv("SDL_VIDEODRIVER");
        if (r == 0) return true;
    }
    SDL_SetError("no window system answered (is DISPLAY set?)");
    return false;
}

// SDL turns SIGINT and SIGTERM into quit requests from the start of its video
// subsystem on, and installing an event filter empties SDL's queue. Both
// signals are held back until the filter is in, so that a quit request that
// comes meanwhile is queued after the emptying, not lost in it; the filter
// goes in before the window opens, so that no event of the window is.
static bool iniciar_video_con_filtro() {
    sigset_t senales, antes;
    sigemptyset(&senales);
    sigaddset(&senales, SIGINT);
    sigaddset(&senales, SIGTERM);
    sigprocmask(SIG_BLOCK, &senales, &antes);
    bool hecho = iniciar_video();
    if (hecho && filtro_eventos) SDL_SetEventFilter(filtro_eventos);
    sigprocmask(SIG_SETMASK, &antes, nullptr);
    return hecho;
}

int init(int width, int height) {
    if (SDL_Init(SDL_INIT_EVERYTHING & ~SDL_INIT_VIDEO) == -1) return 0;
    // SDL's timer subsystem runs a thread that wakes every millisecond; nothing
    // here uses SDL timers (SDL_Delay and SDL_GetTicks work without it).
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    if (!iniciar_video_con_filtro()) return 0;
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
    FILE* f = abrir_regular(name);
    long long w = 0, h = 0;
    bool medida = f && medir_imagen(f, w, h);
    if (medida && (w > MAX_LADO_IMAGEN || h > MAX_LADO_IMAGEN))
        printf("Imagen demasiado grande: %s mide %lld x %lld píxeles (máximo %d x %d)\n", name, w,
               h, MAX_LADO_IMAGEN, MAX_LADO_IMAGEN);
    SDL_Surface* loaded = nullptr;
    if (medida && w <= MAX_LADO_IMAGEN && h <= MAX_LADO_IMAGEN) {
        loaded = decode(f, name); // closes f
        f = nullptr;
    }
    if (f) fclose(f);
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
    SDL_Surface* rendered = texto_solido(f, text, ColorDefault);
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
