// Tests of the shell: the keyboard map, the click dispatch over the key
// table, the tick counters, the event loop fed through SDL's real queue, and
// the exit statuses of the program itself when its data files are bad.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <zlib.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/engine.h"
#include "app/keypad.h"
#include "app/shell.h"
#include "graphics/xgrafi.h"
#include "tests/support/display.h"
#include "tests/support/files.h"
#include "tests/support/sistema.h"
#include "tests/support/surface.h"
#include "widgets/objetos.h"

namespace {

using testsupport::read_file;
using testsupport::Rgb;
using testsupport::rgb_at;

void olvidar_widgets() {
    for (const Tecla& t : TECLAS) {
        delete *t.boton;
        *t.boton = nullptr;
    }
    delete lcd0;
    delete lcd0S;
    lcd0 = nullptr;
    lcd0S = nullptr;
}

// Starts the program as SDL_main does, from the data folder.
void arrancar() {
    olvidar_widgets();
    std::filesystem::current_path(CALC_DATA_DIR);
    ::testing::internal::CaptureStdout();
    int estado = arranque();
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(estado, 0);
}

std::string shown() { return testsupport::display_text(lcd0S->ValorS()); }

using Estado = std::tuple<std::string, char, int>;
Estado estado() { return {shown(), Fcomando, Fquit}; }

// "6 + 2": every key of the calculator leaves a different state from here.
void desde_seis_mas_dos() {
    FunC();
    Funcmd6();
    FunMas();
    Funcmd2();
    Fquit = 0;
}

class Shell : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { arrancar(); }
    void SetUp() override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) arrancar();
        desde_seis_mas_dos();
    }
    void TearDown() override { Fquit = 0; }
};

TEST_F(Shell, KeyboardMapReachesExactlyTheMappedHandler) {
    const Estado inicio = estado();
    for (const Atajo& c : MAPA) {
        desde_seis_mas_dos();
        c.handler();
        Estado esperado = estado();
        ASSERT_NE(esperado, inicio) << "the start state must tell every handler apart";
        desde_seis_mas_dos();
        keyFun(c.symbol);
        EXPECT_EQ(estado(), esperado) << "symbol " << c.symbol;
    }
    for (int i = 0; i <= 9; i++) {
        desde_seis_mas_dos();
        keyFun(SDLK_0 + i);
        EXPECT_EQ(shown(), "2" + std::to_string(i));
        desde_seis_mas_dos();
        keyFun(SDLK_KP0 + i);
        EXPECT_EQ(shown(), "2" + std::to_string(i));
    }
    const int unmapped_symbols[] = {47, 42, 61, 272, 'a', 'r', 's', 27, 0, 400, -1};
    for (int unmapped : unmapped_symbols) {
        desde_seis_mas_dos();
        keyFun(unmapped);
        EXPECT_EQ(estado(), inicio) << "symbol " << unmapped;
    }
}

SDL_Event tecla(int sym, int mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = (SDLKey)sym;
    e.key.keysym.mod = (SDLMod)mod;
    return e;
}

SDL_Event raton(Uint8 type, int x, int y, int button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = type;
    e.button.button = (Uint8)button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = (Uint16)x;
    e.button.y = (Uint16)y;
    return e;
}

TEST_F(Shell, ShiftedMainKeyboardKeysEnterNothingAndTheRestIgnoreShift) {
    // With Shift a main-keyboard key types another character than the one
    // SDL 1.2 names: Shift+8 '*', Shift+minus '_', Shift+period '>' (US),
    // Shift with the plus key '*' (Spanish). These enter nothing.
    const int otra[] = {SDLK_0, SDLK_1, SDLK_5, SDLK_8, SDLK_9, SDLK_MINUS, SDLK_PERIOD, SDLK_PLUS};
    // The keypad and the editing keys act the same with or without Shift.
    const int misma[] = {SDLK_KP0,       SDLK_KP8,       SDLK_KP_PLUS,     SDLK_KP_MINUS,
                         SDLK_KP_PERIOD, SDLK_KP_DIVIDE, SDLK_KP_MULTIPLY, SDLK_KP_ENTER,
                         SDLK_RETURN,    SDLK_BACKSPACE, SDLK_DELETE,      SDLK_ESCAPE};
    const Estado inicio = estado();
    for (int shift : {KMOD_LSHIFT, KMOD_RSHIFT}) {
        for (int sym : otra) {
            desde_seis_mas_dos();
            atender(tecla(sym));
            EXPECT_NE(estado(), inicio) << "symbol " << sym << " without Shift";
            desde_seis_mas_dos();
            atender(tecla(sym, shift));
            EXPECT_EQ(estado(), inicio) << "symbol " << sym << " with Shift";
        }
        for (int sym : misma) {
            desde_seis_mas_dos();
            atender(tecla(sym));
            Estado sin = estado();
            EXPECT_NE(sin, inicio) << "symbol " << sym << " without Shift";
            desde_seis_mas_dos();
            atender(tecla(sym, shift));
            EXPECT_EQ(estado(), sin) << "symbol " << sym << " with Shift";
        }
    }
    desde_seis_mas_dos();
    atender(tecla(SDLK_3, KMOD_LCTRL));
    atender(tecla(SDLK_MINUS, KMOD_CAPS));
    EXPECT_EQ(estado(), (Estado{"29", '-', 0})) << "Ctrl and Caps Lock are not Shift";
}

TEST_F(Shell, ClickDispatchAnswersStrictlyInsideEachKey) {
    const Estado inicio = estado();
    for (const Tecla& t : TECLAS) {
        desde_seis_mas_dos();
        t.handler();
        Estado esperado = estado();
        ASSERT_NE(esperado, inicio) << t.label;
        const int inside[][2] = {{t.x + 1, t.y + 1}, {t.x + 39, t.y + 23}, {t.x + 20, t.y + 12}};
        for (auto p : inside) {
            desde_seis_mas_dos();
            mouse_x = p[0], mouse_y = p[1];
            Eventos();
            EXPECT_EQ(estado(), esperado) << t.label << " at " << p[0] << "," << p[1];
        }
        const int edges[][2] = {
            {t.x, t.y + 12}, {t.x + 40, t.y + 12}, {t.x + 20, t.y}, {t.x + 20, t.y + 24}};
        for (auto p : edges) {
            desde_seis_mas_dos();
            mouse_x = p[0], mouse_y = p[1];
            Eventos();
            EXPECT_EQ(estado(), inicio) << t.label << " edge " << p[0] << "," << p[1];
        }
    }
    const int nowhere[][2] = {{60, 260}, {16, 249}, {56, 260}, {100, 175}, {0, 0}, {247, 500}};
    for (auto p : nowhere) {
        desde_seis_mas_dos();
        mouse_x = p[0], mouse_y = p[1];
        Eventos();
        EXPECT_EQ(estado(), inicio) << p[0] << "," << p[1];
    }
}

TEST_F(Shell, TickCountersWrapAtTheirReloads) {
    tiempo1 = 25, tiempo2 = 50, tiempo3 = 100, segundos = 0;
    struct Mark {
        int passes, tiempo1, tiempo2, tiempo3, segundos;
    };
    const Mark marks[] = {
        {25, 0, 25, 75, 0}, {26, 25, 24, 74, 0}, {51, 0, 50, 49, 0},
        {100, 3, 1, 0, 0},  {101, 2, 0, 100, 1},
    };
    int pass = 0;
    for (const Mark& m : marks) {
        while (pass < m.passes) MiTimer(), pass++;
        EXPECT_EQ(tiempo1, m.tiempo1) << "after " << pass << " passes";
        EXPECT_EQ(tiempo2, m.tiempo2) << "after " << pass << " passes";
        EXPECT_EQ(tiempo3, m.tiempo3) << "after " << pass << " passes";
        EXPECT_EQ(segundos, m.segundos) << "after " << pass << " passes";
    }
    while (pass < 202) MiTimer(), pass++;
    EXPECT_EQ(segundos, 2);
    EXPECT_EQ(tiempo3, 100);
}

// A red mark over the display: gone after a repaint, still there without one.
void marcar() {
    setcolor(255, 0, 0);
    bar(100, 170, 110, 180);
}
bool marcado() { return rgb_at(screen, 105, 175) == (Rgb{255, 0, 0}); }

TEST_F(Shell, EveryReleaseRepaintsAndOnlyTheLeftButtonDispatches) {
    marcar();
    atender(raton(SDL_MOUSEBUTTONDOWN, 36, 308));
    EXPECT_EQ(mouse_x, 36);
    EXPECT_EQ(mouse_y, 308);
    EXPECT_EQ(shown(), "2") << "a press never dispatches";
    EXPECT_TRUE(marcado()) << "a press never repaints";

    atender(raton(SDL_MOUSEBUTTONUP, 100, 308, SDL_BUTTON_RIGHT));
    EXPECT_EQ(mouse_x, 100);
    EXPECT_EQ(shown(), "2") << "the right button does not press keys";
    EXPECT_FALSE(marcado()) << "every release repaints";

    marcar();
    atender(raton(SDL_MOUSEBUTTONUP, 60, 260));
    EXPECT_EQ(shown(), "2");
    EXPECT_FALSE(marcado());

    atender(raton(SDL_MOUSEBUTTONUP, 100, 308)); // released over "8": that key acts
    EXPECT_EQ(shown(), "28");

    marcar();
    atender(tecla('a'));
    EXPECT_TRUE(marcado());
    atender(tecla('r'));
    EXPECT_FALSE(marcado()) << "r repaints";
    EXPECT_EQ(estado(), (Estado{"28", '+', 0}));
}

void empujar(const SDL_Event& e) {
    SDL_Event copia = e;
    ASSERT_EQ(SDL_PushEvent(&copia), 0);
}

TEST_F(Shell, LoopHandlesEventsQueuedBehindAQuitRequest) {
    FunC();
    empujar(raton(SDL_MOUSEBUTTONDOWN, 36, 308));
    empujar(raton(SDL_MOUSEBUTTONUP, 36, 308));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    empujar(quit);
    empujar(tecla(SDLK_5));
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(bucle(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(shown(), "75");
    EXPECT_EQ(Fquit, 1);
}

TEST_F(Shell, MouseMotionBurstsLeaveTheQueueToKeysAndClicks) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    // The dummy driver turns each warp into a motion event when motion is queued.
    for (int i = 0; i < 300; i++) SDL_WarpMouse((Uint16)(10 + i % 200), (Uint16)(150 + i % 2));
    int empujados = 0;
    for (int i = 0; i < 100; i++) {
        SDL_Event k = i % 2 ? raton(SDL_MOUSEBUTTONUP, 36, 308) : tecla(SDLK_1);
        empujados += SDL_PushEvent(&k) == 0;
    }
    EXPECT_EQ(empujados, 100) << "SDL 1.2's queue holds 128 events";
    int teclas = 0, clics = 0, otros = 0;
    while (SDL_PollEvent(&e)) {
        teclas += e.type == SDL_KEYDOWN;
        clics += e.type == SDL_MOUSEBUTTONUP;
        otros += e.type != SDL_KEYDOWN && e.type != SDL_MOUSEBUTTONUP;
    }
    EXPECT_EQ(teclas, 50);
    EXPECT_EQ(clics, 50);
    EXPECT_EQ(otros, 0);
}

TEST_F(Shell, OnKeyEndsTheLoopWithEndAndEscapeWithout) {
    struct Case {
        SDL_Event events[2];
        const char* output;
    };
    const Case cases[] = {
        {{raton(SDL_MOUSEBUTTONDOWN, 30, 255), raton(SDL_MOUSEBUTTONUP, 30, 255)}, "END\n"},
        {{tecla(SDLK_ESCAPE), tecla(SDLK_ESCAPE)}, ""},
    };
    for (const auto& c : cases) {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) arrancar();
        Fquit = 0;
        for (const auto& e : c.events) empujar(e);
        ::testing::internal::CaptureStdout();
        Uint32 antes = SDL_GetTicks();
        EXPECT_EQ(bucle(), 0);
        Uint32 tiempo = SDL_GetTicks() - antes;
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
        EXPECT_GE(tiempo, 500u) << "the program sleeps 500 ms on its way out";
        EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO)) << "clean_up ran";
    }
}

// --- The program itself ---

std::string temp_dir() { return testsupport::temp_dir("calc-shell"); }

std::string be32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[i] = char(v >> (24 - 8 * i));
    return s;
}

std::string trozo(const char* tipo, const std::string& datos) {
    std::string t = tipo + datos;
    return be32((uint32_t)datos.size()) + t + be32(crc32(0, (const Bytef*)t.data(), t.size()));
}

// A PNG of w x h pixels all of one colour, RGB or RGBA, its rows compressed
// one at a time: a huge black image is a small file.
std::string png(int w, int h, bool alfa, const unsigned char rgba[4]) {
    std::string fila(1, '\0');
    for (int x = 0; x < w; x++) fila.append((const char*)rgba, alfa ? 4 : 3);
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_RLE);
    std::string idat;
    char buf[1 << 16];
    for (int y = 0; y < h; y++) {
        z.next_in = (Bytef*)fila.data();
        z.avail_in = (uInt)fila.size();
        do {
            z.next_out = (Bytef*)buf;
            z.avail_out = sizeof buf;
            deflate(&z, y + 1 == h ? Z_FINISH : Z_NO_FLUSH);
            idat.append(buf, sizeof buf - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    std::string ihdr = be32(w) + be32(h) + char(8) + char(alfa ? 6 : 2) + std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1a\n", 8) + trozo("IHDR", ihdr) + trozo("IDAT", idat) +
           trozo("IEND", "");
}

// What a test puts in place of a data file.
enum Contenido {
    REAL,
    FALTA,
    VACIO,
    CORTADO,
    TEXTO,
    CABECERA_PNG,
    DEL_OTRO,
    PEQUENA,
    GRANDE,
    ALFA,
    FIFO,       // a named pipe that nobody writes to
    CARPETA,    // a folder
    ENORME,     // a black PNG of 16000 x 16000 pixels, 746 KB
    ANCHA,      // a PNG one pixel wider than the bound
    EN_EL_TOPE, // a PNG as wide as the bound
    MIL_TROZOS, // the face's header, then 100 MB of empty chunks; for a font, 100 MB of it
    CORPUS,     // the fuzzers' file of a fault once found (the Case's `archivo`)
};

void poner(const std::string& dir, const char* nombre, const char* otro, Contenido c,
           const char* archivo = nullptr) {
    const std::string data = CALC_DATA_DIR, ruta = dir + "/" + nombre;
    const unsigned char azul[4] = {0, 0, 200, 0}, negro[4] = {0, 0, 0, 0};
    std::string real = read_file(data + "/" + nombre);
    std::string texto;
    switch (c) {
    case REAL: texto = real; break;
    case FALTA: return;
    case VACIO: break;
    case CORTADO: texto = real.substr(0, real.size() / 2); break;
    case TEXTO: texto = "This is not a data file.\n" + std::string(2000, 'x'); break;
    case CABECERA_PNG: texto = "\x89PNG\r\n\x1a\nnot really"; break;
    case DEL_OTRO: texto = read_file(data + "/" + otro); break;
    case PEQUENA: texto = png(100, 80, false, azul); break;
    case GRANDE: texto = png(400, 600, false, azul); break;
    case ALFA: texto = png(248, 501, true, azul); break;
#ifdef _WIN32
    case FIFO: return; // Windows has none: the case is left out there
#else
    case FIFO: ASSERT_EQ(mkfifo(ruta.c_str(), 0600), 0); return;
#endif
    case CARPETA: ASSERT_TRUE(std::filesystem::create_directory(ruta)); return;
    case ENORME: texto = png(16000, 16000, false, negro); break;
    case ANCHA: texto = png(MAX_LADO_IMAGEN + 1, 1, false, azul); break;
    case EN_EL_TOPE: texto = png(MAX_LADO_IMAGEN, 1, false, azul); break;
    case MIL_TROZOS:
        ASSERT_TRUE(testsupport::write_file(ruta, real.substr(0, 33))); // signature and IHDR
        std::filesystem::resize_file(ruta, 100 << 20);
        return;
    case CORPUS: // its first byte tells the fuzzer which file it is
        texto = read_file(std::string(CALC_FUZZ_DIR "/corpus/loading/") + archivo).substr(1);
        break;
    }
    ASSERT_TRUE(testsupport::write_file(ruta, texto)) << ruta;
}

TEST(Program, BadDataFilesEndWithStatusTwoAndTheirMessage) {
    const char* face = "Error al cargar caltrq.png\n";
    const char* font = "Error cargando Font\n";
    const std::string enorme = "Imagen demasiado grande: caltrq.png mide 16000 x 16000 píxeles "
                               "(máximo 2048 x 2048)\n" +
                               std::string(face);
    const std::string ancha = "Imagen demasiado grande: caltrq.png mide 2049 x 1 píxeles "
                              "(máximo 2048 x 2048)\n" +
                              std::string(face);
    const std::string escondida = "Imagen demasiado grande: caltrq.png mide 4000 x 4000 píxeles "
                                  "(máximo 2048 x 2048)\n" +
                                  std::string(face);
    auto costosa = [&](const char* limite) {
        return "Imagen demasiado costosa: caltrq.png tiene " + std::string(limite) + "\n" + face;
    };
    const std::string textos = costosa("más de 4194304 bytes de texto (PNG)"),
                      trozos = costosa("más de 64 trozos de texto (PNG)"),
                      barridos = costosa("más de 64 barridos (JPEG)"),
                      bloques = costosa("barridos de más de 1572864 bloques (JPEG)"),
                      pesada = "Imagen demasiado grande: caltrq.png ocupa más de 41943040 bytes\n" +
                               std::string(face),
                      pesada_fuente = "Fuente demasiado grande: fontlcd.ttf ocupa más de 67108864 "
                                      "bytes\n" +
                                      std::string(font);
    struct Case {
        const char* name;
        Contenido face, font;
        const char* message;           // null: it runs until asked to stop
        const char* archivo = nullptr; // for CORPUS: the fault's file in the fuzzers' corpus
    };
    const Case cases[] = {
        {"nothing", FALTA, FALTA, face},
        {"no face", FALTA, REAL, face},
        {"empty face", VACIO, REAL, face},
        {"truncated face", CORTADO, REAL, face},
        {"face that is text", TEXTO, REAL, face},
        {"corrupt face", CABECERA_PNG, REAL, face},
        {"face that is a font", DEL_OTRO, REAL, face},
        {"face that is a FIFO", FIFO, REAL, face},
        {"face that is a folder", CARPETA, REAL, face},
        {"face of 16000 x 16000", ENORME, REAL, enorme.c_str()},
        {"face one pixel too wide", ANCHA, REAL, ancha.c_str()},
        {"face of 100 MB of empty chunks", MIL_TROZOS, REAL, pesada.c_str()},
        {"face with 5 texts of 1 MB", CORPUS, REAL, textos.c_str(),
         "fault-png-texts-over-the-limit"},
        {"face with 100 empty texts", CORPUS, REAL, trozos.c_str(),
         "fault-png-texts-over-the-count"},
        {"JPEG face of 100 empty scans", CORPUS, REAL, barridos.c_str(),
         "fault-jpeg-scans-over-the-limit"},
        {"JPEG face whose 30 scans cover the whole image", CORPUS, REAL, bloques.c_str(),
         "fault-jpeg-scans-over-the-block-limit"},
        {"GIF face whose image is 0 x 5", CORPUS, REAL, face, "fault-gif-image-of-no-width"},
        {"no font", REAL, FALTA, font},
        {"empty font", REAL, VACIO, font},
        {"truncated font", REAL, CORTADO, font},
        {"font that is text", REAL, TEXTO, font},
        {"font that is an image", REAL, DEL_OTRO, font},
        {"font that is a FIFO", REAL, FIFO, font},
        {"font that is a folder", REAL, CARPETA, font},
        {"font of 100 MB", REAL, MIL_TROZOS, pesada_fuente.c_str()},
        {"smaller face", PEQUENA, REAL, nullptr},
        {"larger face", GRANDE, REAL, nullptr},
        {"face with alpha", ALFA, REAL, nullptr},
        {"face as wide as the bound", EN_EL_TOPE, REAL, nullptr},
        {"font whose kerning pulls digits off its text", REAL, CORPUS, nullptr,
         "fault-font-kerning-draws-before-its-surface"},
        // The faults the fuzzers found, as the files that found them.
        {"JPEG face that hides its size of 4000 x 4000", CORPUS, REAL, escondida.c_str(),
         "fault-jpeg-hides-its-size-behind-a-stuffed-zero"},
        {"GIF face whose extension runs to the end", CORPUS, REAL, face,
         "fault-gif-extension-runs-to-the-end"},
        {"GIF face whose image has no height", CORPUS, REAL, face, "fault-gif-image-of-no-height"},
        {"GIF face whose codes' prefixes loop", CORPUS, REAL, face,
         "fault-gif-codes-whose-prefixes-loop"},
        {"BMP face of 8 bits without a palette", CORPUS, REAL, face,
         "fault-bmp-bit-count-without-palette"},
        {"BMP face of 6145 bits a pixel", CORPUS, REAL, face, "fault-bmp-bit-count-of-6145"},
        {"PNG face with a chunk past its end", CORPUS, REAL, face, "fault-png-chunk-past-the-end"},
        {"font with a digit thousands of pixels tall", REAL, CORPUS, font,
         "fault-font-digit-thousands-of-pixels-tall"},
        {"font that draws 0 but not every digit", REAL, CORPUS, font,
         "fault-font-draws-0-but-not-every-digit"},
        {"font of a negative height", REAL, CORPUS, font, "fault-font-negative-height"},
        {"truncated font that draws blank", REAL, CORPUS, font, "fault-truncated-font-draws-blank"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.face == FIFO || c.font == FIFO) continue;
#endif
        std::string dir = temp_dir();
        poner(dir, "caltrq.png", "fontlcd.ttf", c.face, c.archivo);
        poner(dir, "fontlcd.ttf", "caltrq.png", c.font, c.archivo);
        testsupport::Programa p;
        ASSERT_TRUE(p.lanzar(CALC_EXE, dir, dir + "/salida.txt",
                             {{"SDL_VIDEODRIVER", testsupport::kDriverQueSePuedeCerrar}}));
        // A refusal comes at once; a hang or a slow walk through the file fails.
        bool ended = p.esperar(c.message ? 3000 : 1500);
        if (!c.message) {
            EXPECT_FALSE(ended) << c.name << ": it should keep running";
            if (!ended) {
                p.pedir_fin();
                ended = p.esperar(5000);
            }
        }
        if (!ended) {
            p.matar();
            ADD_FAILURE() << c.name << ": hangs";
        } else {
            ASSERT_EQ(p.senal, 0) << c.name << ": crashed";
            EXPECT_EQ(p.codigo, c.message ? 2 : 0) << c.name;
            EXPECT_EQ(testsupport::salida(dir + "/salida.txt"),
                      "Profundidad bit=32  byte=4\n" + std::string(c.message ? c.message : ""))
                << c.name;
            // A decoder's complaint there means it went into a file it should refuse first.
            EXPECT_EQ(testsupport::salida(dir + "/salida.txt.err"), "") << c.name;
        }
        testsupport::remove_tree(dir);
    }
}

// The frame of a face of another size, or with an alpha channel, as far as it
// goes: the face's own colour where it lies, the start-up green elsewhere, and
// the display line over it.
TEST(Program, AFaceOfAnotherSizeShowsWhatItCan) {
    const Rgb azul = {0, 0, 200}, verde = {21, 170, 48}, linea = {133, 248, 73};
    struct Case {
        Contenido face;
        Rgb dentro, fuera; // at (50, 40) and at (200, 400)
    };
    const Case cases[] = {{PEQUENA, azul, verde}, {GRANDE, azul, azul}, {ALFA, azul, azul}};
    for (const auto& c : cases) {
        std::string dir = temp_dir();
        poner(dir, "caltrq.png", "", c.face);
        poner(dir, "fontlcd.ttf", "", REAL);
        olvidar_widgets();
        std::filesystem::current_path(dir);
        ::testing::internal::CaptureStdout();
        int estado = arranque();
        ::testing::internal::GetCapturedStdout();
        ASSERT_EQ(estado, 0) << c.face;
        EXPECT_EQ(rgb_at(screen, 50, 40), c.dentro) << c.face;
        EXPECT_EQ(rgb_at(screen, 200, 400), c.fuera) << c.face;
        int tinta = 0;
        for (int y = 168; y < 210; y++)
            for (int x = 6; x < 248; x++) tinta += rgb_at(screen, x, y) == linea;
        EXPECT_GT(tinta, 20) << c.face << ": the display line's «0»";
        clean_up();
        std::filesystem::current_path(CALC_DATA_DIR);
        testsupport::remove_tree(dir);
    }
}

TEST(Program, NoVideoDriverEndsWithStatusOne) {
    std::string dir = temp_dir();
    testsupport::Programa p;
    ASSERT_TRUE(p.lanzar(CALC_EXE, CALC_DATA_DIR, dir + "/salida.txt",
                         {{"SDL_VIDEODRIVER", "nonexistent"}}));
    ASSERT_TRUE(p.esperar(5000)) << "still running after 5 s";
    EXPECT_EQ(p.senal, 0);
    EXPECT_EQ(p.codigo, 1);
    EXPECT_EQ(testsupport::salida(dir + "/salida.txt"), "");
    testsupport::remove_tree(dir);
}

#ifdef _WIN32
// Signals sent from another process, /proc and pseudo-terminals are POSIX's.
// On Windows a quit request is the window's close (the bad data files' test
// sends it), and SDL 1.2 has no driver that draws into a terminal.
TEST(Program, QuitRequestAtAnyMomentEndsWithStatusZero) {
    GTEST_SKIP() << "SIGTERM and SIGINT from outside: POSIX only";
}
TEST(Program, NoWindowSystemEndsWithStatusOneAndLeavesTheTerminalAlone) {
    GTEST_SKIP() << "no terminal drivers nor DISPLAY: POSIX only";
}
#else
// Whether the process catches `signal` yet: its handler is in.
bool atrapa(pid_t pid, int signal) {
    std::string estado = read_file("/proc/" + std::to_string(pid) + "/status");
    size_t at = estado.find("SigCgt:");
    return at != std::string::npos &&
           (std::stoull(estado.substr(at + 7), nullptr, 16) >> (signal - 1) & 1);
}

// A quit request ends the program with status 0 whenever it comes: as soon as
// the program can catch it, before SDL starts, while the window opens (SIGTERM
// raised by a preloaded library right after SDL_SetVideoMode), while it runs,
// and in the half-second pause after it shut SDL down, when a second request
// comes. Status 143 is the signal's default action.
TEST(Program, QuitRequestAtAnyMomentEndsWithStatusZero) {
    struct Case {
        const char* name;
        bool shim;               // SIGTERM raised from inside as the window opens
        int primera;             // the first signal sent
        int primero_ms;          // sent this long after the handler is in; -1: none
        int segundo_ms;          // a second SIGTERM, this long after the first; -1: none
        bool sin_lector = false; // standard output a pipe whose reader is gone
    };
    const Case cases[] = {
        {"as soon as it is caught", false, SIGTERM, 0, -1},
        {"2 ms after that", false, SIGTERM, 2, -1},
        {"4 ms after that", false, SIGTERM, 4, -1},
        {"right after the window opens", true, 0, -1, -1},
        {"while it runs", false, SIGTERM, 600, -1},
        {"again in the pause after shutting down", false, SIGTERM, 300, 150},
        {"Ctrl+C, then SIGTERM in the pause", false, SIGINT, 300, 150},
        {"with standard output a pipe nobody reads", false, SIGTERM, 300, -1, true},
    };
    const testsupport::Entorno shim = {
        {"LD_PRELOAD", SIGTERM_SHIM},
        {"ASAN_OPTIONS", "verify_asan_link_order=0"}}; // the shim loads before ASan
    for (const auto& c : cases) {
        testsupport::Programa p;
        auto t0 = std::chrono::steady_clock::now();
        ASSERT_TRUE(p.lanzar_con_tubos(CALC_EXE, {}, CALC_DATA_DIR,
                                       c.shim ? shim : testsupport::Entorno{}));
        if (c.sin_lector) testsupport::cerrar(&p.salida);
        if (c.primero_ms >= 0) {
            bool ended = false;
            while (!atrapa(p.pid(), SIGTERM) && !(ended = p.esperar(0)))
                if (std::chrono::steady_clock::now() - t0 > std::chrono::seconds(5)) break;
            ASSERT_FALSE(ended) << c.name << ": ended before it was asked to";
            usleep(c.primero_ms * 1000);
            p.enviar(c.primera);
            if (c.segundo_ms >= 0) {
                usleep(c.segundo_ms * 1000);
                p.enviar(SIGTERM);
            }
        }
        if (!p.esperar(5000)) {
            ADD_FAILURE() << c.name << ": the quit request was lost: still running after 5 s";
            continue;
        }
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_TRUE(p.senal == 0 && p.codigo == 0)
            << c.name << ": " << (p.senal ? "ended by signal " : "status ")
            << (p.senal ? p.senal : p.codigo);
        EXPECT_LT(s, 2.5) << c.name << ": start, first frame and the half-second goodbye";
    }
}

// Without a window system SDL 1.2 would fall back to drawing in the terminal
// with its text-mode drivers; the calculator ends with status 1 and a line on
// standard error instead, unless the user names such a driver. Run in a
// pseudo-terminal, as from a shell.
TEST(Program, NoWindowSystemEndsWithStatusOneAndLeavesTheTerminalAlone) {
    struct Case {
        const char* name;
        const char* display; // null: unset
    };
    const Case cases[] = {{"no DISPLAY", nullptr}, {"a DISPLAY nobody answers", ":87"}};
    for (const auto& c : cases) {
        testsupport::Programa p;
        ASSERT_TRUE(p.lanzar_en_terminal(CALC_EXE, CALC_DATA_DIR,
                                         {{"SDL_VIDEODRIVER", nullptr},
                                          {"WAYLAND_DISPLAY", nullptr},
                                          {"DISPLAY", c.display},
                                          {"TERM", "xterm"}}));
        std::string pantalla;
        bool ended = false;
        for (int ms = 0; ms < 10000 && !ended; ms += 10) {
            testsupport::tomar(p.salida, &pantalla);
            ended = p.esperar(10);
        }
        testsupport::tomar(p.salida, &pantalla);
        ASSERT_TRUE(ended) << c.name << ": still running after 10 s";
        ASSERT_EQ(p.senal, 0) << c.name;
        EXPECT_EQ(p.codigo, 1) << c.name << ": " << pantalla;
        EXPECT_EQ(pantalla.find('\x1b'), std::string::npos) << c.name << ": drew " << pantalla;
        EXPECT_NE(pantalla.find("calculadora: no window"), std::string::npos) << c.name;
    }
}

#endif

} // namespace
