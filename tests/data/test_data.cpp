// Tests of the two data files in data/: the display font "fontlcd.ttf" read
// through SDL_ttf and the face "caltrq.png" read through SDL_image, checked
// against the key rectangles and the display line the program uses. The font
// tests come first, then the face, then one frame drawn as the program draws it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/keypad.h"
#include "graphics/xgrafi.h"
#include "tests/support/surface.h"

using namespace testsupport;

namespace {

const char* const kFuenteLCD = CALC_DATA_DIR "/fontlcd.ttf";
const char* const kCara = CALC_DATA_DIR "/caltrq.png";

constexpr int kAncho = 248, kAlto = 501;    // the window
constexpr int kLineaX = 6, kLineaY = 168;   // top-left of the display line
constexpr int kColumnas = 15, kAvance = 15; // its columns, px each at 32 points
const Rgb kVerdeLCD = {133, 248, 73}, kVerdeArranque = {21, 170, 48};

TTF_Font* abre_fuente(int puntos) {
    start_sdl();
    return TTF_OpenFont(kFuenteLCD, puntos);
}

int ancho_texto(TTF_Font* f, const char* texto) {
    int w = 0, h = 0;
    return TTF_SizeText(f, texto, &w, &h) == 0 ? w : -1;
}

// The text rendered as the program renders the display line (solid, one bit
// of ink per pixel), as an ASCII picture; empty if nothing was rendered.
std::vector<std::string> tinta(TTF_Font* f, const char* texto) {
    SDL_Color verde = {133, 248, 73, 0};
    SDL_Surface* s = TTF_RenderText_Solid(f, texto, verde);
    if (!s) return {};
    std::vector<std::string> filas = picture(s, 0);
    SDL_FreeSurface(s);
    return filas;
}

std::vector<std::string> columna(const std::vector<std::string>& filas, int k) {
    std::vector<std::string> celda;
    for (const std::string& fila : filas) celda.push_back(fila.substr(k * kAvance, kAvance));
    return celda;
}

bool tiene_tinta(const std::vector<std::string>& filas) {
    for (const std::string& fila : filas)
        if (fila.find('#') != std::string::npos) return true;
    return false;
}

int distancia(const Rgb& a, const Rgb& b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

// Perceived brightness, 0..255; the display green is about 200, so a window
// below 50 keeps the text readable.
int luz(const Rgb& c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

// Mean colour of the pixels whose distance outside the key's rectangle lies
// between `desde` and `hasta` (negative: inside it). From 3 to 5 is the body
// around the key; up to -4 the middle of its face, label included.
Rgb media(SDL_Surface* s, const Tecla& t, int desde, int hasta) {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = t.y - hasta; y < t.y + ALTO_TECLA + hasta; y++)
        for (int x = t.x - hasta; x < t.x + ANCHO_TECLA + hasta; x++) {
            int d = std::max(std::max(t.x - x, x - (t.x + ANCHO_TECLA - 1)),
                             std::max(t.y - y, y - (t.y + ALTO_TECLA - 1)));
            if (d < desde || d > hasta) continue;
            Rgb c = rgb_at(s, x, y);
            r += c.r, g += c.g, b += c.b, n++;
        }
    return {int(r / n), int(g / n), int(b / n)};
}

TEST(FuenteLCD, OpensAtTheThreeSizesWithALineNearThirtyTwoPixels) {
    for (int puntos : {32, 30, 20}) {
        TTF_Font* f = abre_fuente(puntos);
        ASSERT_NE(f, nullptr) << puntos << " points: " << TTF_GetError();
        if (puntos == 32) {
            EXPECT_GE(TTF_FontAscent(f) - TTF_FontDescent(f), 32);
            EXPECT_LE(TTF_FontAscent(f) - TTF_FontDescent(f), 36);
        }
        TTF_CloseFont(f);
    }
}

TEST(FuenteLCD, BlankDigitsPointAndMinusShareOneAdvanceSoTheLineAlignsRight) {
    TTF_Font* f = abre_fuente(32);
    ASSERT_NE(f, nullptr);
    for (const char* texto : {"0", " ", ".", "-", "8"})
        EXPECT_EQ(ancho_texto(f, texto), kAvance) << "\"" << texto << "\"";
    for (char c = 32; c < 127; c++) {
        char texto[2] = {c, 0};
        EXPECT_EQ(ancho_texto(f, texto), kAvance) << "'" << c << "'";
    }
    EXPECT_TRUE(TTF_FontFaceIsFixedWidth(f));
    std::string linea(kColumnas, '8');
    EXPECT_EQ(ancho_texto(f, linea.c_str()), kColumnas * kAvance);
    EXPECT_LE(kLineaX + ancho_texto(f, linea.c_str()), kAncho);
    TTF_CloseFont(f);
}

TEST(FuenteLCD, EveryPrintableCharacterHasAGlyphAndDigitsAndMessageLettersDiffer) {
    TTF_Font* f = abre_fuente(32);
    ASSERT_NE(f, nullptr);
    for (char c = 33; c < 127; c++) {
        char texto[2] = {c, 0};
        EXPECT_TRUE(TTF_GlyphIsProvided(f, Uint16(c))) << "'" << c << "'";
        EXPECT_TRUE(tiene_tinta(tinta(f, texto))) << "'" << c << "' draws nothing";
    }
    EXPECT_FALSE(tiene_tinta(tinta(f, " ")));
    // 'S' is drawn like '5' and 'O' like '0', as on any segment display; no
    // other two of these may look alike.
    for (const char* grupo : {"0123456789", "ErofintSQRTI"}) {
        std::set<std::vector<std::string>> vistas;
        for (const char* c = grupo; *c; c++) {
            char texto[2] = {*c, 0};
            EXPECT_TRUE(vistas.insert(tinta(f, texto)).second) << "'" << *c << "' repeats a glyph";
        }
    }
    TTF_CloseFont(f);
}

TEST(FuenteLCD, MessagesDrawEachCharacterInsideItsOwnColumn) {
    TTF_Font* f = abre_fuente(32);
    ASSERT_NE(f, nullptr);
    for (const char* texto :
         {"Error", "Infinite", "Error SQRT -", "-1234567.89e+10", "              0"}) {
        std::vector<std::string> linea = tinta(f, texto);
        ASSERT_FALSE(linea.empty()) << texto;
        ASSERT_EQ(linea[0].size(), strlen(texto) * kAvance) << texto;
        for (size_t k = 0; k < strlen(texto); k++) {
            char solo[2] = {texto[k], 0};
            EXPECT_TRUE(same_picture(tinta(f, solo), columna(linea, int(k))))
                << "\"" << texto << "\", column " << k;
        }
    }
    TTF_CloseFont(f);
}

TEST(FuenteLCD, MinusIsTheDigitsMiddleBarAndThePointSitsOnTheirBaseline) {
    TTF_Font* f = abre_fuente(32);
    ASSERT_NE(f, nullptr);
    std::vector<std::string> ocho = tinta(f, "8"), menos = tinta(f, "-"), punto = tinta(f, ".");
    ASSERT_EQ(ocho.size(), menos.size());
    ASSERT_EQ(ocho.size(), punto.size());
    int fondo_ocho = -1, fondo_punto = -1;
    for (size_t y = 0; y < ocho.size(); y++) {
        for (size_t x = 0; x < ocho[y].size(); x++) {
            if (menos[y][x] == '#') {
                EXPECT_EQ(ocho[y][x], '#') << "minus at " << x << "," << y;
            }
        }
        if (ocho[y].find('#') != std::string::npos) fondo_ocho = int(y);
        if (punto[y].find('#') != std::string::npos) fondo_punto = int(y);
    }
    EXPECT_EQ(fondo_punto, fondo_ocho);
    TTF_CloseFont(f);
}

TEST(CaraCalculadora, IsWindowSizedOpaqueAndFreeOfTheColourKey) {
    start_sdl();
    SDL_Surface* cara = IMG_Load(kCara);
    ASSERT_NE(cara, nullptr) << IMG_GetError();
    EXPECT_EQ(cara->w, kAncho);
    EXPECT_EQ(cara->h, kAlto);
    int cian = 0, transparentes = 0;
    for (int y = 0; y < cara->h; y++)
        for (int x = 0; x < cara->w; x++) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(raw_pixel(cara, x, y), cara->format, &r, &g, &b, &a);
            cian += r == 0 && g == 255 && b == 255;
            transparentes += a != 255;
        }
    EXPECT_EQ(cian, 0);
    EXPECT_EQ(transparentes, 0);
    SDL_FreeSurface(cara);
}

TEST(CaraCalculadora, EveryKeyStandsOutFromTheBodyAroundIt) {
    start_sdl();
    SDL_Surface* cara = IMG_Load(kCara);
    ASSERT_NE(cara, nullptr) << IMG_GetError();
    for (const Tecla& t : TECLAS)
        EXPECT_GT(distancia(media(cara, t, -99, -4), media(cara, t, 3, 5)), 90)
            << "key \"" << t.label << "\": " << media(cara, t, -99, -4) << " on "
            << media(cara, t, 3, 5);
    SDL_FreeSurface(cara);
}

// A painted key that strays from its rectangle takes clicks that miss it, or
// misses clicks that look like they hit it.
TEST(CaraCalculadora, KeyCapsFillTheirHitRectanglesAndNoMore) {
    start_sdl();
    SDL_Surface* cara = IMG_Load(kCara);
    ASSERT_NE(cara, nullptr) << IMG_GetError();
    for (const Tecla& t : TECLAS) {
        Rgb tecla = media(cara, t, -99, -4), cuerpo = media(cara, t, 3, 5);
        int medio_x = t.x + ANCHO_TECLA / 2, medio_y = t.y + ALTO_TECLA / 2;
        struct {
            int x, y;
            bool en_tecla;
        } puntos[] = {
            {t.x + 1, medio_y, true},
            {t.x + ANCHO_TECLA - 2, medio_y, true},
            {medio_x, t.y + 1, true},
            {t.x - 2, medio_y, false},
            {t.x + ANCHO_TECLA + 1, medio_y, false},
            {medio_x, t.y - 2, false},
            {medio_x, t.y + ALTO_TECLA + 2, false},
        };
        for (const auto& p : puntos) {
            Rgb c = rgb_at(cara, p.x, p.y);
            EXPECT_EQ(distancia(c, tecla) < distancia(c, cuerpo), p.en_tecla)
                << "key \"" << t.label << "\" at " << p.x << "," << p.y << ": " << c << ", cap "
                << tecla << ", body " << cuerpo;
        }
    }
    SDL_FreeSurface(cara);
}

TEST(CaraCalculadora, DisplayWindowIsDarkUnderTheWholeLineWithMargins) {
    TTF_Font* f = abre_fuente(32);
    ASSERT_NE(f, nullptr);
    SDL_Surface* cara = IMG_Load(kCara);
    ASSERT_NE(cara, nullptr) << IMG_GetError();
    int x2 = kLineaX + kColumnas * kAvance + 3, y2 = kLineaY + TTF_FontHeight(f) + 3;
    int claros = 0;
    for (int y = kLineaY - 4; y <= y2; y++)
        for (int x = kLineaX - 1; x <= x2; x++)
            if (luz(rgb_at(cara, x, y)) > 50) {
                if (claros++ == 0)
                    ADD_FAILURE() << "bright pixel " << rgb_at(cara, x, y) << " at " << x << ","
                                  << y;
            }
    EXPECT_EQ(claros, 0);
    SDL_FreeSurface(cara);
    TTF_CloseFont(f);
}

// The first frame as the program draws it: start-up green, the face through
// load_image, then «0» right-aligned in the display colour.
TEST(Cuadro, FirstFrameShowsZeroInTheLastColumnAndNoHoles) {
    start_sdl();
    screen = SDL_SetVideoMode(kAncho, kAlto, 32, SDL_SWSURFACE);
    ASSERT_NE(screen, nullptr);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 21, 170, 48));
    background = load_image(kCara);
    font = TTF_OpenFont(kFuenteLCD, 32);
    ASSERT_NE(background, nullptr);
    ASSERT_NE(font, nullptr);
    apply_surface(0, 0, background, screen);
    setcolor(133, 248, 73);
    PrintTexto(kLineaX, kLineaY, "              0");

    int x1 = kLineaX + (kColumnas - 1) * kAvance, x2 = x1 + kAvance;
    int y1 = kLineaY, y2 = kLineaY + TTF_FontHeight(font);
    int huecos = 0, encendidos = 0, fuera = 0;
    for (int y = 0; y < kAlto; y++)
        for (int x = 0; x < kAncho; x++) {
            Rgb c = rgb_at(screen, x, y);
            huecos += c == kVerdeArranque;
            if (c == kVerdeLCD) {
                encendidos++;
                fuera += x < x1 || x >= x2 || y < y1 || y >= y2;
            }
        }
    EXPECT_EQ(huecos, 0);
    EXPECT_GT(encendidos, 60);
    EXPECT_EQ(fuera, 0);
    SDL_FreeSurface(background);
    background = nullptr;
    TTF_CloseFont(font);
    font = nullptr;
}

} // namespace
