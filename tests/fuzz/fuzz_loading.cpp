// Fuzzer of loading the data files. The first byte of an input says which of
// the two files the rest of it replaces: even, the face "caltrq.png"; odd, the
// font "fontlcd.ttf". The other file is the real one from data/ (or the file
// that CALC_FUZZ_FACE / CALC_FUZZ_FONT names). Both are written to a scratch
// folder and load_files runs there as the program runs it. It must return 0
// or 1, print nothing on success and exactly the message of what failed
// otherwise, and a successful load must keep the face within the size bound
// and draw a first frame. Start at LLVMFuzzerTestOneInput.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "app/engine.h"
#include "graphics/xgrafi.h"
#include "tests/support/files.h"

static std::string cara_real, fuente_real;       // contents of the real files
static char carpeta[] = "/tmp/calc-fuzz-XXXXXX"; // the scratch folder, the working directory
static char salida[] = "salida.txt";             // captured standard output, in it

static void escribir(const char* ruta, const uint8_t* data, size_t size) {
    FILE* f = fopen(ruta, "wb");
    if (!f) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}

static void fallo(const char* que, int r, const std::string& dicho) {
    fprintf(stderr, "%s: load_files returned %d and printed [%s]\n", que, r, dicho.c_str());
    abort();
}

// load_files as the program calls it, with its standard output captured.
static int cargar(std::string& dicho) {
    fflush(stdout);
    int guardado = dup(1);
    int fd = open(salida, O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (guardado < 0 || fd < 0) abort();
    dup2(fd, 1);
    close(fd);
    int r = load_files("caltrq.png", nullptr, "fontlcd.ttf");
    fflush(stdout);
    dup2(guardado, 1);
    close(guardado);
    dicho = testsupport::read_file(salida);
    return r;
}

static bool tinta(TTF_Font* f) {
    SDL_Surface* s = texto_solido(f, CIFRAS_LCD, SDL_Color{255, 255, 255, 0});
    int n = 0;
    for (int y = 0; s && y < s->h; y++)
        for (int x = 0; x < s->w; x++) n += ((Uint8*)s->pixels)[y * s->pitch + x] != 0;
    SDL_FreeSurface(s);
    return n > 0;
}

static void soltar() {
    SDL_FreeSurface(background);
    background = nullptr;
    for (TTF_Font** f : {&font, &font1, &font2}) {
        if (*f) TTF_CloseFont(*f);
        *f = nullptr;
    }
}

static void quitar_carpeta() {
    for (const char* f : {"caltrq.png", "fontlcd.ttf", (const char*)salida}) unlink(f);
    rmdir(carpeta);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    bool es_fuente = data[0] & 1;
    const uint8_t* resto = data + 1;
    size_t n = size - 1;
    const std::string& otro = es_fuente ? cara_real : fuente_real;
    escribir(es_fuente ? "fontlcd.ttf" : "caltrq.png", resto, n);
    escribir(es_fuente ? "caltrq.png" : "fontlcd.ttf", (const uint8_t*)otro.data(), otro.size());

    std::string dicho;
    int r = cargar(dicho);
    if (r != 0 && r != 1) fallo("not 0 or 1", r, dicho);
    if (dots) fallo("a second image appeared", r, dicho);
    if (r == 1) {
        if (!dicho.empty()) fallo("a successful load printed something", r, dicho);
        if (!background || !font || !font1 || !font2)
            fallo("a successful load lacks a file", r, dicho);
        if (background->w > MAX_LADO_IMAGEN || background->h > MAX_LADO_IMAGEN)
            fallo("a face larger than the bound loaded", r, dicho);
        // The first frame: the face, then the display line in each font,
        // which must show its digits.
        apply_surface(0, 0, background, screen);
        setcolor(133, 248, 73);
        // Lines as the display pads them: kerning between the blanks and
        // what follows them is where a glyph can be pulled off its text.
        static const char* const lineas[] = {"  -0123456789.E", "              0",
                                             "       Infinite", "   Error SQRT -"};
        for (TTF_Font* f : {font, font1, font2}) {
            for (const char* linea : lineas) PrintTexto(6, 168, linea, f);
            if (!tinta(f)) fallo("a loaded font draws no number", r, dicho);
        }
    } else if (!background) {
        // The face failed: its message, or none when only the conversion failed.
        if (es_fuente) fallo("the real face did not load", r, dicho);
        // Its message, after one saying which bound it is over, if any.
        const std::string mensaje = "Error al cargar caltrq.png\n";
        size_t antes = dicho.size() - mensaje.size();
        bool dice_limite = false;
        for (const std::string limite : {"Imagen demasiado grande: caltrq.png mide ",
                                         "Imagen demasiado costosa: caltrq.png tiene "})
            dice_limite = dice_limite || (dicho.compare(0, limite.size(), limite) == 0 &&
                                          dicho.find('\n') + 1 == antes);
        if (!dicho.empty() && dicho != mensaje &&
            !(dicho.size() > mensaje.size() && dicho.compare(antes, mensaje.size(), mensaje) == 0 &&
              dice_limite))
            fallo("a bad face printed another message", r, dicho);
        if (font) fallo("a font opened after the face failed", r, dicho);
    } else {
        if (dicho != "Error cargando Font\n" && dicho != "Error cargando Font1\n" &&
            dicho != "Error cargando Font2\n")
            fallo("a bad font printed another message", r, dicho);
        if (!es_fuente) fallo("the real font did not load", r, dicho);
    }
    soltar();
    return 0;
}

// A broken font can state a negative height, for which SDL_ttf asks SDL for a
// surface of a wrapped-round size; without ASan that allocation fails, SDL
// returns null and nothing is drawn. Let ASan's allocator fail the same way.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const char* cara = getenv("CALC_FUZZ_FACE");
    const char* fuente = getenv("CALC_FUZZ_FONT");
    cara_real = testsupport::read_file(cara ? cara : CALC_DATA_DIR "/caltrq.png");
    fuente_real = testsupport::read_file(fuente ? fuente : CALC_DATA_DIR "/fontlcd.ttf");
    if (cara_real.empty() || fuente_real.empty()) {
        fprintf(stderr, "fuzz_loading: the real data files are missing\n");
        abort();
    }
    if (!mkdtemp(carpeta) || chdir(carpeta) != 0) abort();
    texto_muestra = CIFRAS_LCD; // as the program loads its font
    atexit(quitar_carpeta);
    if (!init(248, 501)) abort();
    return 0;
}
