// Graphics layer, the data files: load_files() and load_image(), and what
// makes them safe with any file. Each file is read once, whole, into memory,
// and only if it is a regular file within its bound: what is checked is what
// is decoded, even if the file changes meanwhile. An image is decoded only
// when medir_imagen (medidas.cpp) finds its size within MAX_LADO_IMAGEN and
// its cost within the limits of medidas.h, through a reader that gives zeros
// past its end; a font is kept only when it draws the app's sample text.
// Read from abrir_regular down to load_files, the entry.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>
#include <sys/stat.h>

#include "graphics/medidas.h"
#include "graphics/sistema.h"
#include "graphics/xgrafi.h"

// Only a regular file is kept: a FIFO, a device or a folder counts as a file
// that cannot be read. It is opened without waiting (sistema.h).
static FILE* abrir_regular(const char* name) {
    FILE* f = sistema::abrir_lectura(name);
    struct stat st;
    if (f && (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode))) {
        fclose(f);
        f = nullptr;
    }
    return f;
}

// The whole of a regular file, read once into `bytes`: false when it cannot
// be read, or when it holds more than `tope` bytes (then `excede` too).
static bool leer_entero(const char* name, size_t tope, std::vector<unsigned char>& bytes,
                        bool& excede) {
    FILE* f = abrir_regular(name);
    size_t n = 0;
    bytes.assign(f ? 1 << 16 : 0, 0);
    while (f && n <= tope) {
        if (n == bytes.size()) bytes.resize(std::min(tope + 1, 2 * n));
        size_t k = fread(bytes.data() + n, 1, bytes.size() - n, f);
        if (k == 0) break;
        n += k;
    }
    bool leido = f && !ferror(f);
    if (f) fclose(f);
    excede = n > tope;
    bytes.resize(std::min(n, tope));
    return leido && !excede;
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

// IMG_Load of the bytes over that reader; the name's extension is the same
// hint IMG_Load gives.
static SDL_Surface* decodificar(const std::vector<unsigned char>& bytes, const char* name) {
    SDL_RWops* mem = SDL_RWFromConstMem(bytes.data(), (int)bytes.size());
    SDL_RWops* rw = mem ? SDL_AllocRW() : nullptr;
    if (!rw) {
        if (mem) SDL_RWclose(mem);
        return nullptr;
    }
    rw->hidden.unknown.data1 = mem;
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
    std::vector<unsigned char> bytes;
    bool excede = false;
    Medida m;
    bool medida = leer_entero(name, MAX_BYTES_IMAGEN, bytes, excede) &&
                  medir_imagen(bytes.data(), bytes.size(), m);
    bool cabe = medida && m.ancho <= MAX_LADO_IMAGEN && m.alto <= MAX_LADO_IMAGEN;
    if (excede)
        traza_fallo(stdout, "Imagen demasiado grande: %s ocupa más de %d bytes\n", name,
                    MAX_BYTES_IMAGEN);
    else if (m.limite[0])
        traza_fallo(stdout, "Imagen demasiado costosa: %s tiene %s\n", name, m.limite);
    else if (medida && !cabe)
        traza_fallo(stdout,
                    "Imagen demasiado grande: %s mide %lld x %lld píxeles (máximo %d x %d)\n", name,
                    m.ancho, m.alto, MAX_LADO_IMAGEN, MAX_LADO_IMAGEN);
    SDL_Surface* loaded = cabe ? decodificar(bytes, name) : nullptr;
    if (loaded && !bien_formada(loaded)) {
        SDL_FreeSurface(loaded);
        loaded = nullptr;
    }
    if (!loaded) {
        traza_fallo(stdout, "Error al cargar %s\n", name);
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

// The font file's bytes, read once by load_files and kept while its fonts
// are open: FreeType reads a font's tables as it needs them.
static std::vector<unsigned char> fuente_bytes;
enum { MAX_BYTES_FUENTE = 64 << 20 }; // bytes; the largest TrueType fonts hold a few tens of MB

static TTF_Font* abrir_fuente(int size) {
    SDL_RWops* rw = SDL_RWFromConstMem(fuente_bytes.data(), (int)fuente_bytes.size());
    TTF_Font* f = rw ? TTF_OpenFontRW(rw, 1, size) : nullptr;
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
    // A second load_files replaces the fonts: the old ones read the old bytes.
    for (TTF_Font** f : {&font, &font1, &font2}) {
        if (*f) TTF_CloseFont(*f);
        *f = nullptr;
    }
    bool excede = false;
    bool leida = leer_entero(fontfile, MAX_BYTES_FUENTE, fuente_bytes, excede);
    if (excede)
        traza_fallo(stdout, "Fuente demasiado grande: %s ocupa más de %d bytes\n", fontfile,
                    MAX_BYTES_FUENTE);
    font = leida ? abrir_fuente(SIZEfont) : nullptr;
    if (!font) {
        traza_fallo(stdout, "Error cargando Font\n");
        return 0;
    }
    font1 = abrir_fuente(SIZEfont1);
    if (!font1) {
        traza_fallo(stdout, "Error cargando Font1\n");
        return 0;
    }
    font2 = abrir_fuente(SIZEfont2);
    if (!font2) {
        traza_fallo(stdout, "Error cargando Font2\n");
        return 0;
    }
    return 1;
}
