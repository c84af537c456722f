// Graphics layer, the data files: load_files() and load_image(), and what
// makes them safe with any file. Each file is opened only if it is a regular
// file; an image is decoded only when its header states a size within the
// bound, read through a reader that gives zeros past the end of the file; a
// font is kept only when it draws the app's sample text. Read from
// abrir_regular down to load_files, the entry.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "graphics/xgrafi.h"

// Only a regular file is kept: a FIFO, a device or a folder counts as a file
// that cannot be read. On POSIX systems the file is opened without waiting (a
// FIFO would hold open() until some writer came, for good); Windows has no
// FIFO that could hold an open, and fopen refuses a folder there.
static FILE* abrir_regular(const char* name) {
#ifdef _WIN32
    FILE* f = fopen(name, "rb");
#else
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    FILE* f = fd >= 0 && fcntl(fd, F_SETFL, 0) == 0 ? fdopen(fd, "rb") : nullptr;
    if (fd >= 0 && !f) close(fd);
#endif
    struct stat st;
    if (f && (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode))) {
        fclose(f);
        f = nullptr;
    }
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
static int leer_o_ceros(SDL_RWops* rw, void* ptr, int size, int count) {
    int got = SDL_RWread((SDL_RWops*)rw->hidden.unknown.data1, ptr, size, count);
    if (got < 0) got = 0;
    if (size > 0 && got < count)
        memset((Uint8*)ptr + (size_t)got * size, 0, (size_t)(count - got) * size);
    return got;
}

static int situar(SDL_RWops* rw, int offset, int whence) {
    return SDL_RWseek((SDL_RWops*)rw->hidden.unknown.data1, offset, whence);
}

static int sin_escritura(SDL_RWops*, const void*, int, int) { return -1; }

static int cerrar_lectura(SDL_RWops* rw) {
    SDL_RWclose((SDL_RWops*)rw->hidden.unknown.data1);
    SDL_FreeRW(rw);
    return 0;
}

// IMG_Load of an open file over that reader (the file is closed either way);
// the name's extension is the same hint IMG_Load gives.
static SDL_Surface* decodificar(FILE* f, const char* name) {
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
    rw->read = leer_o_ceros;
    rw->seek = situar;
    rw->write = sin_escritura;
    rw->close = cerrar_lectura;
    const char* ext = strrchr(name, '.');
    return IMG_LoadTyped_RW(rw, 1, (char*)(ext ? ext + 1 : nullptr));
}

// SDL 1.2's BMP reader keeps the low byte of a damaged header's bit count
// and can make a surface of 8 or fewer bits per pixel without a palette,
// which SDL_DisplayFormat then reads through a null pointer.
static bool bien_formada(const SDL_Surface* s) {
    const SDL_PixelFormat* f = s->format;
    return f && f->BytesPerPixel >= 1 && f->BytesPerPixel <= 4 &&
           (f->BitsPerPixel > 8 || f->palette);
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
        loaded = decodificar(f, name); // closes f
        f = nullptr;
    }
    if (f) fclose(f);
    if (loaded && !bien_formada(loaded)) {
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

// What a font must do to be kept: draw texto_muestra, each of its characters
// alone and all of them together, with some ink. A damaged file can open and
// still draw nothing (FreeType gives every glyph past a cut as an empty one; a
// glyph without metrics blanks every text it is in); any other font draws
// safely, since all text goes through texto_solido.
static bool tiene_tinta(TTF_Font* f, const char* text) {
    SDL_Surface* s = texto_solido(f, text, SDL_Color{255, 255, 255, 0});
    bool tinta = false;
    for (int y = 0; s && y < s->h && !tinta; y++)
        for (int x = 0; x < s->w && !tinta; x++) tinta = ((Uint8*)s->pixels)[y * s->pitch + x] != 0;
    SDL_FreeSurface(s);
    return tinta;
}

static bool dibuja_muestra(TTF_Font* f) {
    if (!texto_muestra) return true;
    for (const char* c = texto_muestra; *c; c++) {
        const char uno[2] = {*c, '\0'};
        if (!tiene_tinta(f, uno)) return false;
    }
    return tiene_tinta(f, texto_muestra);
}

// One size of the font file, opened only if it is a regular file; a second
// load_files replaces the fonts, so the old one is closed first.
static TTF_Font* abrir_fuente(const char* fontfile, int size, TTF_Font* previous) {
    if (previous) TTF_CloseFont(previous);
    FILE* file = abrir_regular(fontfile);
    SDL_RWops* rw = file ? SDL_RWFromFP(file, 1) : nullptr;
    if (!rw) {
        if (file) fclose(file);
        return nullptr;
    }
    TTF_Font* f = TTF_OpenFontRW(rw, 1, size);
    if (f && !dibuja_muestra(f)) {
        TTF_CloseFont(f);
        f = nullptr;
    }
    return f;
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
    font = abrir_fuente(fontfile, SIZEfont, font);
    if (!font) {
        puts("Error cargando Font");
        return 0;
    }
    font1 = abrir_fuente(fontfile, SIZEfont1, font1);
    if (!font1) {
        puts("Error cargando Font1");
        return 0;
    }
    font2 = abrir_fuente(fontfile, SIZEfont2, font2);
    if (!font2) {
        puts("Error cargando Font2");
        return 0;
    }
    return 1;
}
