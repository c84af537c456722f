// Graphics layer, the data files: load_files() and load_image(), and what
// makes them safe with any file. Each file is opened only if it is a regular
// file; an image is decoded only when the size it will be decoded at is
// within the bound (medir_imagen, in medidas.cpp), read through a reader that
// gives zeros past the end of the file; a font is kept only when it draws the
// app's sample text. Read from abrir_regular down to load_files, the entry.
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "graphics/medidas.h"
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

// SDL_image 1.2 does not look at what its reads return: past the end of a
// short file it goes on with whatever its variables and buffers held
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

// SDL_DisplayFormat knows 1 to 4 bytes a pixel, and reads the palette of a
// surface of 8 bits or fewer through a pointer it does not check: whatever a
// decoder gives must be such a surface.
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
