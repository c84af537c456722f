// Tests of the shell: the keyboard map, the click dispatch over the key
// table, the tick counters, the event loop fed through SDL's real queue, and
// the exit statuses of the program itself when its data files are bad.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "app/engine.h"
#include "app/keypad.h"
#include "app/shell.h"
#include "graphics/xgrafi.h"
#include "tests/support/surface.h"
#include "widgets/objetos.h"

namespace {

using testsupport::rgb_at;
using testsupport::Rgb;

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
    ASSERT_EQ(chdir(CALC_DATA_DIR), 0);
    ::testing::internal::CaptureStdout();
    int estado = arranque();
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(estado, 0);
}

std::string shown() {
    std::string line = lcd0S->ValorS();
    size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? "" : line.substr(first);
}

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
    struct Case {
        int symbol;
        void (*handler)();
    };
    const Case mapped[] = {
        {SDLK_BACKSPACE, FunC},  {SDLK_DELETE, FunC},       {SDLK_RETURN, FunIgual},
        {SDLK_KP_ENTER, FunIgual}, {SDLK_PLUS, FunMas},     {SDLK_KP_PLUS, FunMas},
        {SDLK_MINUS, FunMenos},  {SDLK_KP_MINUS, FunMenos}, {SDLK_PERIOD, FunPunto},
        {SDLK_KP_PERIOD, FunPunto}, {SDLK_KP_DIVIDE, FunDIV}, {SDLK_KP_MULTIPLY, FunPor},
        {SDLK_0, Funcmd0}, {SDLK_5, Funcmd5}, {SDLK_9, Funcmd9},
        {SDLK_KP0, Funcmd0}, {SDLK_KP1, Funcmd1}, {SDLK_KP9, Funcmd9},
    };
    const Estado inicio = estado();
    for (const auto& c : mapped) {
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

TEST_F(Shell, ShiftedMainKeyboardDigitsEnterNothing) {
    for (int mod : {KMOD_LSHIFT, KMOD_RSHIFT}) {
        desde_seis_mas_dos();
        atender(tecla(SDLK_8, mod));
        EXPECT_EQ(shown(), "2") << "Shift+8 is '*' on a US keyboard, not an 8";
        atender(tecla(SDLK_KP8, mod));
        EXPECT_EQ(shown(), "28") << "keypad digits are unaffected";
        atender(tecla(SDLK_KP_ENTER, mod));
        EXPECT_EQ(shown(), "34");
    }
    atender(tecla(SDLK_3, KMOD_LCTRL));
    EXPECT_EQ(shown(), "283") << "Ctrl+3 is a 3; after = the entry goes on";
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
        const int edges[][2] = {{t.x, t.y + 12}, {t.x + 40, t.y + 12}, {t.x + 20, t.y},
                                {t.x + 20, t.y + 24}};
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

std::string temp_dir() {
    char tmpl[] = "/tmp/calc-shell-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

void write_file(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs(text.c_str(), f);
    fclose(f);
}

void copy_file(const std::string& from, const std::string& to) {
    std::string cmd = "cp '" + from + "' '" + to + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
}

TEST(Program, BadDataFilesEndWithStatusTwoAndTheirMessage) {
    const std::string data = CALC_DATA_DIR;
    struct Case {
        const char* name;
        bool face, face_garbage, font, font_garbage;
        const char* message;
    };
    const Case cases[] = {
        {"nothing", false, false, false, false, "Error al cargar caltrq.png\n"},
        {"corrupt face", true, true, true, false, "Error al cargar caltrq.png\n"},
        {"no font", true, false, false, false, "Error cargando Font\n"},
        {"corrupt font", true, false, true, true, "Error cargando Font\n"},
    };
    for (const auto& c : cases) {
        std::string dir = temp_dir();
        if (c.face) {
            if (c.face_garbage)
                write_file(dir + "/caltrq.png", "\x89PNG\r\n\x1a\nnot really");
            else
                copy_file(data + "/caltrq.png", dir + "/caltrq.png");
        }
        if (c.font) {
            if (c.font_garbage)
                write_file(dir + "/fontlcd.ttf", std::string(2000, 'x'));
            else
                copy_file(data + "/fontlcd.ttf", dir + "/fontlcd.ttf");
        }
        std::string cmd = "cd '" + dir + "' && '" CALC_EXE "'";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        int status = pclose(p);
        ASSERT_TRUE(WIFEXITED(status)) << c.name << ": crashed";
        EXPECT_EQ(WEXITSTATUS(status), 2) << c.name;
        EXPECT_EQ(out, "Profundidad bit=32  byte=4\n" + std::string(c.message)) << c.name;
        std::string rm = "rm -rf '" + dir + "'";
        system(rm.c_str());
    }
}

TEST(Program, NoVideoDriverEndsWithStatusOne) {
    std::string cmd = "cd '" CALC_DATA_DIR "' && SDL_VIDEODRIVER=nonexistent '" CALC_EXE "'";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256];
    std::string out;
    while (fgets(buf, sizeof buf, p)) out += buf;
    int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(out, "");
}

} // namespace
