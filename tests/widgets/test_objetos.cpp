// Tests of the widget toolkit: statements, texts, stepping and hit tests
// first, then drawing on small surfaces (button looks, label placement, the
// text widgets, the check box and the spin boxes), compared at key points.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fonts.h"
#include "tests/support/surface.h"
#include "widgets/objetos.h"

using testsupport::kMonoFont;
using testsupport::Rgb;

namespace {

using Puntos = std::vector<std::pair<int, int>>;
const Rgb kTinta = {25, 25, 25}, kNegro = {0, 0, 0}, kFondo = {255, 0, 255};
const char* const k19 = "abcdefghijklmnopqrs";
const char* const k25 = "abcdefghijklmnopqrstuvwxy";
const char* const k30 = "abcdefghijklmnopqrstuvwxyz0123";

template <class W> std::vector<int> movido(W w, int nx, int ny) {
    w.Move(nx, ny);
    return {w.ValorX(), w.ValorY(), w.x2, w.y2};
}

template <class W> char* movido_valor(W w, int nx, int ny) {
    w.Move(nx, ny);
    return w.Valor();
}

// A copy of the mono font with every outline damaged (4095 contours), so that
// FreeType refuses each glyph and SDL_ttf cannot measure text in it.
std::string fuente_danada() {
    return testsupport::damaged_copy(kMonoFont, ::testing::TempDir() + "objetos_fuente_danada.ttf",
                                     [](testsupport::FontBytes& f) {
                                         size_t head = f.table("head"), maxp = f.table("maxp"),
                                                loca = f.table("loca"), glyf = f.table("glyf");
                                         bool larga = f.u16(head + 50) != 0;
                                         auto inicio = [&](size_t g) {
                                             return larga ? f.u32(loca + 4 * g)
                                                          : 2 * f.u16(loca + 2 * g);
                                         };
                                         for (size_t g = 0; g < f.u16(maxp + 4); g++)
                                             if (inicio(g + 1) > inicio(g))
                                                 f.d[glyf + inicio(g)] = 0x0F,
                                                            f.d[glyf + inicio(g) + 1] = 0xFF;
                                     });
}

// `screen` is a fresh surface in kFondo and `font` the mono font; both, and the
// drawing colour, are restored after each test.
class Lienzo : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::start_sdl();
        antes_screen = screen, antes_font = font, antes_color = ColorDefault;
        usar(160, 48);
        usar_fuente(16);
    }
    void TearDown() override {
        SDL_FreeSurface(superficie);
        for (TTF_Font* f : fuentes) TTF_CloseFont(f);
        screen = antes_screen, font = antes_font, ColorDefault = antes_color;
    }
    void usar(int w, int h) {
        if (superficie) SDL_FreeSurface(superficie);
        screen = superficie = testsupport::make_surface(w, h);
        ASSERT_NE(superficie, nullptr);
        fondo = SDL_MapRGB(superficie->format, kFondo.r, kFondo.g, kFondo.b);
        SDL_FillRect(superficie, nullptr, fondo);
    }
    void usar_fuente(int puntos, const char* ruta = kMonoFont) {
        fuentes.push_back(font = TTF_OpenFont(ruta, puntos));
        ASSERT_NE(font, nullptr) << ruta;
    }
    Rgb pixel(int x, int y) { return testsupport::rgb_at(superficie, x, y); }
    Rgb color_actual() { return {ColorDefault.r, ColorDefault.g, ColorDefault.b}; }
    ::testing::AssertionResult nada_dibujado() {
        std::vector<std::string> vacio(superficie->h, std::string(superficie->w, '.'));
        return testsupport::same_picture(vacio, testsupport::picture(superficie, fondo));
    }
    void comprobar(const Puntos& puntos, Rgb esperado, int x = 0, int y = 0) {
        for (auto p : puntos)
            EXPECT_EQ(pixel(x + p.first, y + p.second), esperado) << p.first << "," << p.second;
    }
    // `texto` rendered alone and placed at (x, y) is exactly the ink of `color`
    // on the surface; an empty text means no such ink at all.
    ::testing::AssertionResult muestra(int x, int y, const char* texto, Rgb color = kTinta) {
        SDL_Surface* imagen =
            *texto ? TTF_RenderText_Solid(font, texto, SDL_Color{0, 0, 0, 0}) : nullptr;
        if (*texto && !imagen) return ::testing::AssertionFailure() << texto << " renders nothing";
        int esperada = 0, distintos = 0, total = 0;
        for (int j = 0; imagen && j < imagen->h; j++)
            for (int i = 0; i < imagen->w; i++) {
                if (x + i >= superficie->w || y + j >= superficie->h) continue;
                bool glifo = testsupport::raw_pixel(imagen, i, j) != 0;
                esperada += glifo;
                distintos += glifo != (pixel(x + i, y + j) == color);
            }
        SDL_FreeSurface(imagen);
        for (int j = 0; j < superficie->h; j++)
            for (int i = 0; i < superficie->w; i++) total += pixel(i, j) == color;
        if (distintos == 0 && total == esperada) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "\"" << texto << "\" at " << x << "," << y << ": " << distintos
               << " pixels differ, " << total << " ink pixels for " << esperada;
    }
    SDL_Surface *superficie = nullptr, *antes_screen = nullptr;
    TTF_Font* antes_font = nullptr;
    SDL_Color antes_color;
    Uint32 fondo = 0;
    std::vector<TTF_Font*> fuentes;
};

TEST(Objetos, ValorWritesEachStatementIntoSharedCadena) {
    struct Caso {
        std::function<char*()> valor;
        const char* esperado;
    } casos[] = {
        {[] { return Boton(10, 20, "on").Valor(); }, "new Boton(10,20,100,24,(char*)\"on\");"},
        {[] { return movido_valor(Boton(16, 440, 40, 24, "7"), 50, 60); },
         "new Boton(50,60,40,24,(char*)\"7\");"},
        {[] { return CBoton(1, 2, 3, 4, "c").Valor(); }, "new CBoton(1,2,3,4,(char*)\"c\");"},
        {[] { return CBoton(-1000000000, -1000000000, -1000000000, -1000000000, k30).Valor(); },
         "new CBoton(-1000000000,-1000000000,-1000000000,-1000000000,(char*)\""
         "abcdefghijklmnopqrs\");"},
        {[] { return TextoE(5, 6, 50, 20, "a").Valor(); }, "new TextoE(5,6,(char*)\"a\");"},
        {[] { return TextoE(-3, 4, k25).Valor(); },
         "new TextoE(-3,4,(char*)\"abcdefghijklmnopqrs\");"},
        {[] { return TextoS(0, 0, "%s%d%n").Valor(); }, "new TextoS(0,0,(char*)\"%s%d%n\");"},
        {[] { return TextoS(6, 168, "TextoE1S").Valor(); },
         "new TextoS(6,168,(char*)\"TextoE1S\");"},
        {[] { return Chequeo(10, 20, "ok", true).Valor(); }, "new Chequeo(10,20,(char*)\"ok\");"},
        {[] { return Chequeo(10, 20, "ok").Valor(); }, "new Chequeo(10,20,(char*)\"ok\");"},
        {[] { return movido_valor(Chequeo(10, 20, "ok"), 30, 40); },
         "new Chequeo(30,40,(char*)\"ok\");"},
        {[] { return SpinBox(7, 8, 30, 31, -5, 5, 2).Valor(); }, "new SpinBox(7,8,50,24,0,100,1);"},
        {[] { return SpinBox(7, 8).Valor(); }, "new SpinBox(7,8,50,24,0,100,1);"},
        {[] { return SpinBoxD(1, 2).Valor(); }, "new SpinBoxD(1,2,70,24);"},
        {[] { return SpinBoxS(5, 6).Valor(); }, "new SpinBoxS(5,6,70,24);"},
        {[] { return movido_valor(SpinBoxD(1, 2, 120, 30), -5, 7); }, "new SpinBoxD(-5,7,70,24);"},
        {[] { return movido_valor(SpinBoxS(1, 2, 9, 9), 8, -9); }, "new SpinBoxS(8,-9,70,24);"},
    };
    for (const Caso& c : casos) {
        char* r = c.valor();
        EXPECT_EQ(r, cadena);
        EXPECT_STREQ(r, c.esperado);
    }
    char* primero = Boton(1, 1, "uno").Valor();
    TextoS(2, 2, "dos").Valor();
    EXPECT_STREQ(primero, "new TextoS(2,2,(char*)\"dos\");");
}

TEST(Objetos, MoveKeepsSizeAndAccessorsFollow) {
    struct Caso {
        const char* nombre;
        std::vector<int> movido, esperado; // x, y, x2, y2
    } casos[] = {
        {"Boton", movido(Boton(16, 440, 40, 24, "7"), 50, 60), {50, 60, 90, 84}},
        {"CBoton 100x24", movido(CBoton(10, 20, "on"), 0, 1), {0, 1, 100, 25}},
        {"TextoE", movido(TextoE(5, 6, 50, 20, "a"), 15, 26), {15, 26, 65, 46}},
        {"TextoE 100x24", movido(TextoE(5, 6, "a"), 0, 0), {0, 0, 100, 24}},
        {"Chequeo", movido(Chequeo(30, 40, "a"), 0, 0), {0, 0, 16, 16}},
        {"SpinBox", movido(SpinBox(3, 4), 10, 10), {10, 10, 60, 34}},
        {"SpinBoxD", movido(SpinBoxD(1, 2), -5, 7), {-5, 7, 95, 31}},
        {"SpinBoxS", movido(SpinBoxS(1, 2, 30, 25), 4, 3), {4, 3, 34, 28}},
    };
    for (const Caso& c : casos) EXPECT_EQ(c.movido, c.esperado) << c.nombre;
    TextoS s(6, 168, "a");
    s.Move(1, 2);
    EXPECT_EQ(std::vector<int>({s.ValorX(), s.ValorY()}), std::vector<int>({1, 2}));
}

TEST(Objetos, StoredTextsKeepFirst19CharactersAsOwnCopy) {
    Boton b(0, 0, "");
    CBoton cb(0, 0, "");
    TextoE e(0, 0, "");
    TextoS s(0, 0, "");
    Chequeo ch(0, 0, "");
    SpinBoxD d(0, 0);
    struct Caso {
        const char* nombre;
        std::function<void(const char*)> guardar;
        const char* guardado;
    } casos[] = {
        {"Boton", [&](const char* t) { b = Boton(0, 0, t); }, b.ValorS()},
        {"SetLabel", [&](const char* t) { b.SetLabel(t); }, b.ValorS()},
        {"CBoton", [&](const char* t) { cb = CBoton(0, 0, 9, 9, t); }, cb.ValorS()},
        {"TextoE", [&](const char* t) { e = TextoE(0, 0, 9, 9, t); }, e.ValorS()},
        {"TextoE::Text", [&](const char* t) { e.Text(t); }, e.ValorS()},
        {"TextoE::Value", [&](const char* t) { e.Value(t); }, e.ValorS()},
        {"TextoS", [&](const char* t) { s = TextoS(0, 0, t); }, s.ValorS()},
        {"TextoS::Text", [&](const char* t) { s.Text(t); }, s.ValorS()},
        {"Chequeo", [&](const char* t) { ch = Chequeo(0, 0, t, true); }, ch.ValorS()},
        {"Chequeo::Text", [&](const char* t) { ch.Text(t); }, ch.ValorS()},
        {"SpinBoxD::Append", [&](const char* t) { (d = SpinBoxD(0, 0)).Append(t); }, d.items[0]},
    };
    for (const Caso& c : casos)
        for (const char* texto : {k19, k25, k30, (const char*)nullptr}) {
            std::string fuente = texto ? texto : "";
            c.guardar(texto ? &fuente[0] : nullptr);
            fuente.assign(fuente.size(), '#'); // the caller's text changes afterwards
            EXPECT_EQ(std::string(c.guardado), std::string(texto ? texto : "").substr(0, 19))
                << c.nombre << " of " << (texto ? texto : "null");
        }
}

TEST(Objetos, TextoEValueFormatsIntsAndFloatsCutTo19) {
    struct Caso {
        std::function<void(TextoE&)> poner;
        const char* esperado;
    } casos[] = {
        {[](TextoE& t) { t.Value(42); }, "42"},
        {[](TextoE& t) { t.Value(-7); }, "-7"},
        {[](TextoE& t) { t.Value(INT_MIN); }, "-2147483648"},
        {[](TextoE& t) { t.Value(3.14159f); }, "3.14"},
        {[](TextoE& t) { t.Value(2.0f); }, "2.00"},
        {[](TextoE& t) { t.Value(-0.125f); }, "-0.12"},
        {[](TextoE& t) { t.Value(1e30f); }, "1000000015047466219"}, // of "...5040.00"
        {[](TextoE& t) { t.Value(-3.4e38f); }, "-339999995214436424"},
    };
    for (const Caso& c : casos) {
        TextoE t(0, 0, "previo");
        c.poner(t);
        EXPECT_STREQ(t.ValorS(), c.esperado);
    }
}

TEST(Objetos, HitTestsAreStrictOnAllFourEdges) {
    Boton tecla(16, 440, 40, 24, "7"), oculta(16, 440, 40, 24, "7");
    oculta.Visible(false);
    CBoton doble(5, 5, "c");
    TextoE lcd0(32, 160, 192, 32, "TextoE1"), chico(0, 0, 10, 5, "t");
    TextoS lcd0S(6, 168, "a long text past 24");
    Chequeo caja(10, 20, "label");
    struct Caso {
        const char* nombre;
        std::function<int(int, int)> get;
        int x, y, x2, y2; // the sensitive rectangle, edges excluded
        Puntos fuera;
    } casos[] = {
        {"Boton", [&](int x, int y) { return tecla.get(x, y); }, 16, 440, 56, 464, {}},
        {"invisible", [&](int x, int y) { return oculta.get(x, y); }, 16, 440, 56, 464, {}},
        {"CBoton", [&](int x, int y) { return doble.get(x, y); }, 5, 5, 105, 29, {}},
        {"lcd0", [&](int x, int y) { return lcd0.get(x, y); }, 32, 160, 132, 184, {{150, 170}}},
        {"TextoE 10x5", [&](int x, int y) { return chico.get(x, y); }, 0, 0, 100, 24, {}},
        {"TextoS", [&](int x, int y) { return lcd0S.get(x, y); }, 6, 168, 30, 192, {{60, 175}}},
        {"Chequeo", [&](int x, int y) { return caja.get(x, y); }, 10, 20, 26, 36, {{34, 25}}},
    };
    for (const Caso& c : casos) {
        int mx = (c.x + c.x2) / 2, my = (c.y + c.y2) / 2;
        Puntos fuera = {{c.x, my}, {c.x2, my}, {mx, c.y}, {mx, c.y2}};
        fuera.insert(fuera.end(), c.fuera.begin(), c.fuera.end());
        Puntos dentro = {{c.x + 1, my},  {c.x2 - 1, my},     {mx, c.y + 1},
                         {mx, c.y2 - 1}, {c.x + 1, c.y + 1}, {c.x2 - 1, c.y2 - 1}};
        for (auto p : fuera) EXPECT_EQ(c.get(p.first, p.second), 0) << c.nombre << " " << p.first;
        for (auto p : dentro) EXPECT_EQ(c.get(p.first, p.second), 1) << c.nombre << " " << p.first;
    }
    EXPECT_FALSE(caja.value()) << "a check box starts off, and a hit does not tick it";
    for (int w : {0, 1})
        for (int px = -1; px <= 2; px++)
            for (int py = -1; py <= 2; py++) EXPECT_FALSE(Boton(0, 0, w, w, "").get(px, py));
}

TEST(Objetos, SpinBoxHitTestsSplitArrowsAtTheHitMidline) {
    struct Caso {
        int h, px, py, esperado;
    } casos[] = {
        {24, 1, 1, 1},   {24, 19, 11, 1}, {24, 10, 12, 0}, {24, 10, 13, 2}, {24, 19, 23, 2},
        {24, 20, 5, 0},  {24, 0, 5, 0},   {24, 10, 24, 0}, {24, 10, 0, 0},  {25, 10, 12, 1},
        {25, 10, 13, 0}, {25, 10, 14, 2}, {25, 10, 24, 2}, {25, 10, 25, 0}, {25, 20, 20, 0},
    };
    for (int d : {0, 10})
        for (const Caso& c : casos) {
            SpinBox n(0, 0, 50, c.h, 0, 10, 1);
            SpinBoxD dd(0, 0, 50, c.h);
            SpinBoxS ss(0, 0, 50, c.h);
            n.Move(d, d), dd.Move(d, d), ss.Move(d, d);
            int px = c.px + d, py = c.py + d;
            EXPECT_EQ(n.get(px, py), c.esperado) << "h " << c.h << " at " << px << "," << py;
            EXPECT_EQ(dd.get(px, py), c.esperado) << "D h " << c.h << " at " << px << "," << py;
            EXPECT_EQ(ss.get(px, py), c.esperado) << "S h " << c.h << " at " << px << "," << py;
        }
}

TEST(Objetos, SpinBoxStepsStopAtTheirOwnLimitOnly) {
    struct Caso {
        int min, max, step, inicio;
        const char* pasos; // '+' Increm, '-' Decrem
        std::vector<int> vistos;
    } casos[] = {
        {0, 10, 3, 0, "+++++", {3, 6, 9, 10, 10}},
        {0, 10, 3, 10, "-----", {7, 4, 1, 0, 0}},
        {0, 10, 1, 50, "-", {49}},
        {0, 10, 1, 50, "+", {10}},
        {0, 10, 1, -5, "+", {-4}},
        {0, 10, 1, -5, "-", {0}},
        {0, 10, 1, 0, "-", {0}},
        {0, 10, 1, 10, "+", {10}},
        {-3, 3, 2, -3, "+++-", {-1, 1, 3, 1}},
    };
    for (const Caso& c : casos) {
        SpinBox s(0, 0, 50, 24, c.min, c.max, c.step);
        EXPECT_EQ(s.GetValue(), c.min);
        s.SetValue(c.inicio);
        EXPECT_EQ(s.GetValue(), c.inicio);
        std::vector<int> vistos;
        for (const char* p = c.pasos; *p; p++) {
            *p == '+' ? s.Increm() : s.Decrem();
            vistos.push_back(s.GetValue());
        }
        EXPECT_EQ(vistos, c.vistos) << c.pasos << " from " << c.inicio;
    }
    SpinBox corto(100, 200);
    std::vector<int> vistos = {corto.x2, corto.y2, corto.GetValue()};
    for (int i = 0; i < 11; i++) corto.Increm(), vistos.push_back(corto.GetValue());
    EXPECT_EQ(vistos, std::vector<int>({150, 224, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10}));
}

TEST(Objetos, CornersAndStepsNearTheIntLimitsClampInsteadOfOverflowing) {
    const int M = INT_MAX, m = INT_MIN;
    Boton lejos(M - 10, m + 5, 40, -24, "b");
    TextoE ancho(M - 10, 0, 40, 24, "t");
    SpinBox todo(0, 0, 50, 24, 0, 10, 1);
    todo.y = m, todo.y2 = M; // spans the whole range: its middle is row 0
    struct Caso {
        const char* nombre;
        std::vector<int> obtenido, esperado; // x, y, x2, y2
    } casos[] = {
        {"Boton", {lejos.x, lejos.y, lejos.x2, lejos.y2}, {M - 10, m + 5, M, m}},
        {"Boton moved", movido(Boton(0, 0, 40, 24, "7"), M - 5, m), {M - 5, m, M, m + 24}},
        {"TextoE moved back", movido(ancho, 0, 0), {0, 0, 10, 24}},
        {"Chequeo", movido(Chequeo(0, 0, "c"), M - 3, m), {M - 3, m, M, m + 16}},
        {"Chequeo made", movido(Chequeo(M - 3, M, "c"), M - 3, M), {M - 3, M, M, M}},
        {"SpinBox", movido(SpinBox(m, 0), M - 20, 0), {M - 20, 0, M, 24}},
        {"SpinBoxD", movido(SpinBoxD(0, m, 40, -10), 0, m), {0, m, 40, m}},
        {"SpinBoxS", movido(SpinBoxS(M, M), 1, 2), {1, 2, 1, 2}},
    };
    for (const Caso& c : casos) EXPECT_EQ(c.obtenido, c.esperado) << c.nombre;
    EXPECT_STREQ(lejos.Valor(), "new Boton(2147483637,-2147483643,10,-5,(char*)\"b\");");
    EXPECT_STREQ(Boton(m, 0, M, 24, "").Valor(),
                 "new Boton(-2147483648,0,2147483647,24,(char*)\"\");");

    // Hit areas that reach the limit still answer inside, strictly.
    EXPECT_TRUE(TextoE(M - 50, M - 20, "e").get(M - 1, M - 1));
    EXPECT_FALSE(TextoE(M - 50, M - 20, "e").get(M, M - 1));
    EXPECT_TRUE(TextoS(M - 10, 0, "s").get(M - 1, 5));
    EXPECT_EQ(SpinBox(M - 5, 0).get(M - 1, 5), 1);
    EXPECT_EQ(todo.get(5, -5), 1);
    EXPECT_EQ(todo.get(5, 0), 0);
    EXPECT_EQ(todo.get(5, 5), 2);

    // Steps that pass the range stop at its end, then at the box's own limit.
    SpinBox grande(0, 0, 50, 24, m, M, M);
    std::vector<int> vistos;
    for (int v : {10, -10}) {
        grande.SetValue(v);
        grande.Increm(), vistos.push_back(grande.GetValue());
        grande.SetValue(v);
        grande.Decrem(), vistos.push_back(grande.GetValue());
    }
    SpinBox tope(0, 0, 50, 24, 0, 100, M);
    tope.SetValue(M - 1);
    tope.Increm(), vistos.push_back(tope.GetValue());
    EXPECT_EQ(vistos, std::vector<int>({M, -M + 10, M - 10, m, 100}));
}

// Stepping, the 15-entry limit and index clamping, alike for both list boxes.
template <class Lista> void pasos_de_lista(const char* const* textos) {
    Lista vacia(0, 0), tres(0, 0), llena(0, 0), dos(0, 0);
    std::vector<int> vistos;
    vacia.Increm(), vistos.push_back(vacia.GetValue());
    for (int i = 0; i < 3; i++) tres.Append(textos[i]);
    for (int i = 0; i < 3; i++) tres.Increm(), vistos.push_back(tres.GetValue());
    for (int i = 0; i < 3; i++) tres.Decrem(), vistos.push_back(tres.GetValue());
    for (int i = 0; i < 16; i++) llena.Append(textos[i]);
    for (int i = 0; i < 20; i++) llena.Increm();
    vistos.push_back(llena.GetValue());
    dos.Append(textos[0]), dos.Append(textos[1]), dos.SetValue(5), vistos.push_back(dos.GetValue());
    dos.Increm(), vistos.push_back(dos.GetValue());
    dos.Decrem(), vistos.push_back(dos.GetValue());
    for (int i : {-3, 15, 1000, INT_MIN, 7}) dos.SetValue(i), vistos.push_back(dos.GetValue());
    EXPECT_EQ(vistos, std::vector<int>({0, 1, 2, 2, 1, 0, 0, 14, 5, 5, 4, 0, 14, 14, 0, 7}));
    for (int i = 0; i < 15; i++) EXPECT_STREQ(llena.items[i], textos[i]);
}

TEST(Objetos, ListSpinBoxesFillInOrderStepAndClamp) {
    const char* textos[16] = {"e0", "e1", "e2", "e3", "e4", "e5", "e6", "e7",
                              "e8", "e9", "ea", "eb", "ec", "ed", "ee", "ef"};
    pasos_de_lista<SpinBoxD>(textos);
    pasos_de_lista<SpinBoxS>(textos);

    // An empty text leaves a copying box's entry free but takes a pointer box's entry.
    SpinBoxD d(0, 0);
    SpinBoxS s(0, 0);
    const char* x = "x";
    d.Append(""), d.Append(x), s.Append(""), s.Append(x), s.Append(nullptr);
    d.Increm(), s.Increm(), s.Increm();
    EXPECT_STREQ(d.items[0], "x");
    EXPECT_EQ(s.items[1], x);
    EXPECT_EQ(s.items[2], nullptr);
    EXPECT_EQ(d.GetValue(), 0);
    EXPECT_EQ(s.GetValue(), 1);
}

TEST_F(Lienzo, ButtonLooksDrawRingsFaceAndLeaveTheirColour) {
    const int x = 4, y = 4, x2 = 44, y2 = 28;
    Boton b(x, y, 40, 24, "");
    CBoton on(x, y, 40, 24, ""), off(x, y, 40, 24, ""), nunca(x, y, 40, 24, "");
    on.SetValue(true), off.SetValue(false);
    const int A[] = {0, 100, 150, 230}, B[] = {0, 250, 200, 150}; // rings 0, 1, 2 in; face
    struct Caso {
        const char* nombre;
        std::function<void()> dibujar;
        const int* grises;
        int resto; // grey of the drawing colour left behind
    } casos[] = {
        {"Boton A", [&] { b.Dibujar(false); }, A, 0},
        {"Boton B", [&] { b.Dibujar(true); }, B, 200},
        {"CBoton on", [&] { on.Dibujar(); }, A, 0},
        {"CBoton off", [&] { off.Dibujar(); }, B, 200},
        {"CBoton new", [&] { nunca.Dibujar(); }, B, 200},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        usar(48, 32);
        setcolor(1, 2, 3);
        c.dibujar();
        for (int d = 0; d < 4; d++) {
            // Ring d is d pixels in on all four sides, bottom row included; d = 3 is the face.
            Rgb g = {c.grises[d], c.grises[d], c.grises[d]};
            comprobar({{x + d, y + 12}, {x2 - d, y + 12}, {x + 20, y + d}, {x + 20, y2 - d}}, g);
            comprobar({{x + d, y + d}, {x2 - d, y2 - d}}, g);
        }
        comprobar({{x + 20, y + 12}, {x2 - 5, y2 - 5}}, {c.grises[3], c.grises[3], c.grises[3]});
        comprobar({{x2 + 1, y + 12}, {x + 20, y2 + 1}}, kFondo);
        EXPECT_EQ(color_actual(), Rgb({c.resto, c.resto, c.resto}));
    }
    b.Visible(false), on.Visible(false), off.Visible(false), nunca.Visible(false);
    for (const Caso& c : casos) {
        usar(48, 32);
        setcolor(1, 2, 3);
        c.dibujar();
        EXPECT_TRUE(nada_dibujado()) << c.nombre << " hidden";
        EXPECT_EQ(color_actual(), Rgb({1, 2, 3})) << c.nombre << " hidden";
    }
}

TEST_F(Lienzo, LabelCentresByHalvedWidthsAndHangsTwoPixelsDown) {
    struct Caso {
        int ancho_boton, ancho_etiqueta, offset;
    } casos[] = {{40, 17, 12}, {40, 60, 0}, {41, 15, 13}};
    for (const Caso& c : casos) {
        // A size of the mono font at which a run of 'M's measures the wanted width.
        std::string m;
        for (int puntos = 6; puntos <= 40 && m.empty(); puntos++) {
            usar_fuente(puntos);
            for (int n = 1, w = 0, h = 0; n <= 6 && m.empty(); n++)
                if (TTF_SizeText(font, std::string(n, 'M').c_str(), &w, &h) == 0 &&
                    w == c.ancho_etiqueta)
                    m.assign(n, 'M');
        }
        ASSERT_FALSE(m.empty()) << "no label of " << c.ancho_etiqueta << " px";
        usar(120, 64);
        Boton(16, 4, c.ancho_boton, 24, m.c_str()).Dibujar(false);
        EXPECT_TRUE(muestra(16 + c.offset, 6, m.c_str())) << "Boton " << c.ancho_boton;
        usar(120, 64);
        CBoton(16, 4, c.ancho_boton, 24, m.c_str()).Dibujar();
        EXPECT_TRUE(muestra(16 + c.offset, 6, m.c_str())) << "CBoton " << c.ancho_boton;
    }
}

// Off the right edge only the bars' clamped last column may show; no label,
// value or arrow wraps round onto the surface.
TEST_F(Lienzo, WidgetsFarOffTheRightEdgeDrawNothingBeforeItsLastColumn) {
    const int M = INT_MAX;
    struct Caso {
        const char* nombre;
        std::function<void(int)> dibujar;
    } casos[] = {
        {"Boton", [](int x) { Boton(x, 4, 40, 24, "Hi").Dibujar(false); }},
        {"Boton B", [](int x) { Boton(x, 4, 40, 24, "Hi").Dibujar(true); }},
        {"CBoton", [](int x) { CBoton(x, 4, 40, 24, "Hi").Dibujar(); }},
        {"TextoE", [](int x) { TextoE(x, 4, 40, 24, "Hi").Dibujar(); }},
        {"TextoS", [](int x) { TextoS(x, 4, "Hi").Dibujar(); }},
        {"Chequeo", [](int x) { Chequeo(x, 4, "Hi", true).Dibujar(); }},
        {"SpinBox", [](int x) { SpinBox(x, 4).Dibujar(); }},
        {"SpinBoxD",
         [](int x) {
             SpinBoxD d(x, 4);
             d.Append("Hi");
             d.Dibujar();
         }},
    };
    for (const Caso& c : casos)
        for (int x : {M - 30, M - 3, M, 65536 + 4, 32768 + 4}) {
            SDL_FillRect(superficie, nullptr, fondo);
            c.dibujar(x);
            std::vector<std::string> vacio(superficie->h, std::string(superficie->w - 1, '.'));
            std::vector<std::string> visto = testsupport::picture(superficie, fondo);
            for (std::string& fila : visto) fila.pop_back();
            EXPECT_TRUE(testsupport::same_picture(vacio, visto)) << c.nombre << " at x " << x;
        }
}

TEST_F(Lienzo, UnusableFontLeavesTheShapesAndOnlyAFailedMeasureSpeaks) {
    std::string ruta = fuente_danada();
    ASSERT_FALSE(ruta.empty());
    usar_fuente(32, ruta.c_str());
    testing::internal::CaptureStdout();
    Boton(4, 4, 40, 24, "Hi").Dibujar(false);
    CBoton(4, 4, 40, 24, "Hi").Dibujar();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error tamaño textoError tamaño texto");
    comprobar({{24, 16}}, {150, 150, 150}); // look B, drawn last, without text
    comprobar({{4, 16}}, kNegro);

    font = nullptr; // no font at all: shapes only, and nothing to report
    testing::internal::CaptureStdout();
    Boton(4, 4, 40, 24, "Hi").Dibujar(false);
    TextoE(50, 4, 40, 24, "t").Dibujar();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    comprobar({{24, 16}}, {230, 230, 230});
    comprobar({{60, 10}}, {200, 200, 255});
}

TEST_F(Lienzo, TextWidgetsDrawTextInTheirColour) {
    setcolor(9, 9, 9);
    TextoE(2, 2, 60, 20, "ab").Dibujar();
    comprobar({{3, 3}, {61, 21}}, {200, 200, 255});
    comprobar({{2, 10}, {62, 22}, {30, 2}}, kNegro);
    EXPECT_EQ(color_actual(), kNegro);
    EXPECT_TRUE(muestra(4, 4, "ab"));
    for (bool en_color : {false, true}) {
        usar(60, 30);
        setcolor(133, 248, 73);
        TextoS linea(3, 4, "cd");
        en_color ? linea.DibujarColor() : linea.Dibujar();
        EXPECT_TRUE(muestra(3, 4, "cd", en_color ? Rgb{133, 248, 73} : kTinta));
        EXPECT_EQ(color_actual(), Rgb({133, 248, 73}));
    }
}

TEST_F(Lienzo, ChequeoDrawsSquareRedMarkWhenOnAndLabel) {
    const Rgb gris = {230, 230, 230}, rojo = {255, 0, 0};
    struct Caso {
        bool inicial, final;
        const char* etiqueta;
        Rgb marca, resto;
    } casos[] = {
        {true, true, "si", rojo, rojo},
        {false, false, "no", gris, kNegro},
        {true, false, "no", gris, kNegro},
        {true, true, "", rojo, rojo},
    };
    for (const Caso& c : casos) {
        usar(80, 40);
        Chequeo caja(3, 4, c.etiqueta, c.inicial);
        caja.set(c.final);
        caja.Dibujar();
        comprobar({{8, 8}, {4, 4}, {12, 11}}, c.marca, 3, 4); // the mark's corners and centre
        comprobar({{3, 3}, {13, 8}, {8, 12}, {15, 15}}, gris, 3, 4);
        comprobar({{0, 8}, {16, 8}, {8, 0}, {8, 16}, {16, 16}}, kNegro, 3, 4);
        comprobar({{17, 8}}, kFondo, 3, 4);
        EXPECT_EQ(color_actual(), c.resto);
        EXPECT_TRUE(muestra(3 + 20, 4, c.etiqueta)) << "label \"" << c.etiqueta << "\"";
    }
}

TEST_F(Lienzo, SpinBoxesDrawFrameArrowsAndTextAtTheField) {
    const int x = 2, y = 2;
    // By height 24 and 25: outline, separator, divider, and the sides and tips of
    // both arrows; an odd height keeps the divider on row 12 and the tip on row 25.
    const Puntos negros[] = {{{0, 5},  {60, 5},  {40, 0},  {40, 24}, {18, 5},  {18, 20},
                              {1, 12}, {5, 12},  {17, 12}, {9, 0},   {5, 6},   {13, 6},
                              {4, 18}, {14, 18}, {9, 24},  {0, 12},  {18, 12}, {60, 24},
                              {8, 23}, {10, 23}, {9, 1},   {8, 2},   {10, 2}},
                             {{5, 12}, {9, 25}, {8, 24}, {10, 24}}};
    const Puntos rellenos[] = {
        {{9, 6}, {2, 2}, {9, 18}, {16, 20}, {19, 5}, {59, 23}, {5, 13}, {9, 23}, {9, 2}},
        {{5, 13}, {9, 24}}};
    for (int h : {24, 25}) {
        SpinBox n(x, y, 60, h, -9, 9, 1);
        SpinBoxD d(x, y, 60, h);
        SpinBoxS s(x, y, 60, h);
        n.SetValue(-5), d.Append("ab"), s.Append("cd");
        struct Caso {
            std::function<void()> dibujar;
            const char* texto;
            Rgb relleno;
        } casos[] = {
            {[&] { n.Dibujar(); }, "-5", {200, 150, 255}},
            {[&] { d.Dibujar(); }, "ab", {150, 150, 255}},
            {[&] { s.Dibujar(); }, "cd", {150, 150, 255}},
        };
        for (const Caso& c : casos) {
            SCOPED_TRACE(c.texto);
            usar(80, 40);
            c.dibujar();
            EXPECT_TRUE(muestra(x + 20, y + 2, c.texto));
            comprobar({{61, 5}}, kFondo, x, y);
            comprobar(negros[h - 24], kNegro, x, y);
            comprobar(rellenos[h - 24], c.relleno, x, y);
        }
    }
}

TEST_F(Lienzo, ListSpinBoxesDrawOnlyAnUsedEntryAndCut19) {
    SpinBoxD d(2, 2), larga_d(2, 2);
    SpinBoxS s(2, 2), larga_s(2, 2), vacia(2, 2);
    d.Dibujar(), s.Dibujar();
    EXPECT_TRUE(nada_dibujado()) << "no entry yet";

    char fuente[4] = "A";
    d.Append(fuente), s.Append(fuente);
    strcpy(fuente, "W");
    usar(110, 40);
    d.Dibujar();
    EXPECT_TRUE(muestra(22, 4, "A")) << "SpinBoxD shows its copy";
    usar(110, 40);
    s.Dibujar();
    EXPECT_TRUE(muestra(22, 4, "W")) << "SpinBoxS shows the caller's text";

    usar(110, 40);
    d.SetValue(5), s.SetValue(5);
    d.Dibujar(), s.Dibujar();
    EXPECT_TRUE(nada_dibujado()) << "index past the used entries";

    vacia.Append("");
    vacia.Dibujar();
    comprobar({{20, 7}}, kNegro);
    EXPECT_TRUE(muestra(0, 0, "")) << "an empty entry draws the frame alone";

    usar_fuente(8);
    larga_d.Append(k25), larga_s.Append(k25);
    usar(200, 40);
    larga_d.Dibujar();
    EXPECT_TRUE(muestra(22, 4, k19)) << "SpinBoxD";
    usar(200, 40);
    larga_s.Dibujar();
    EXPECT_TRUE(muestra(22, 4, k19)) << "SpinBoxS";
}

} // namespace
