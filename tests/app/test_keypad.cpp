// Tests of the keypad layout and of whole frames: the twenty keys where the
// key table puts them (the face is drawn from the same table, and
// tests/data/regenerate_data.sh holds it to the committed one), all hidden,
// and a frame that is the face plus the display line in its colour and
// nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "app/engine.h"
#include "app/keypad.h"
#include "app/shell.h"
#include "graphics/xgrafi.h"
#include "tests/support/surface.h"
#include "widgets/objetos.h"

namespace {

using testsupport::raw_pixel;
using testsupport::Rgb;
using testsupport::rgb_at;

class Frame : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::filesystem::current_path(CALC_DATA_DIR);
        ::testing::internal::CaptureStdout();
        estado = arranque();
        ::testing::internal::GetCapturedStdout();
    }
    void SetUp() override { ASSERT_EQ(estado, 0); }
    static int estado;
};
int Frame::estado = -1;

TEST_F(Frame, KeysStandAtTheirTableRectanglesAndNoTwoOverlap) {
    // Each key's widget stands at its table rectangle and says its label.
    for (const Tecla& t : TECLAS) {
        char dicho[64];
        snprintf(dicho, sizeof dicho, "new Boton(%d,%d,%d,%d,(char*)\"%s\");", t.x, t.y,
                 ANCHO_TECLA, ALTO_TECLA, t.label);
        ASSERT_NE(*t.boton, nullptr) << t.label;
        EXPECT_STREQ((*t.boton)->Valor(), dicho);
    }
    // No two keys overlap: every hit point belongs to exactly one key.
    std::set<std::pair<int, int>> seen;
    for (const Tecla& t : TECLAS)
        for (int x = t.x + 1; x < t.x + ANCHO_TECLA; x++)
            for (int y = t.y + 1; y < t.y + ALTO_TECLA; y++)
                EXPECT_TRUE(seen.insert({x, y}).second);
    EXPECT_STREQ(lcd0->Valor(), "new TextoE(32,160,(char*)\"TextoE1\");");
    EXPECT_EQ(lcd0S->ValorX(), 6);
    EXPECT_EQ(lcd0S->ValorY(), 168);
}

// Every pixel of the frame is the face's, except display-line ink in its colour.
void check_frame_is_face_plus_text(int first_column) {
    int advance = 0, height = 0;
    ASSERT_EQ(TTF_SizeText(font, " ", &advance, &height), 0);
    int ink = 0;
    for (int y = 0; y < screen->h; y++)
        for (int x = 0; x < screen->w; x++) {
            if (raw_pixel(screen, x, y) == raw_pixel(background, x, y)) continue;
            ink++;
            ASSERT_EQ(rgb_at(screen, x, y), (Rgb{133, 248, 73})) << x << "," << y;
            ASSERT_GE(x, 6 + first_column * advance) << y;
            ASSERT_LT(x, 6 + 15 * advance);
            ASSERT_GE(y, 168);
            ASSERT_LT(y, 168 + height);
        }
    EXPECT_GT(ink, 10);
}

TEST_F(Frame, FirstFrameIsTheFaceWithZeroInTheLastColumn) {
    check_frame_is_face_plus_text(14);
    EXPECT_STREQ(lcd0S->ValorS(), "              0");
    EXPECT_EQ(ColorDefault.r, 133);
    EXPECT_EQ(ColorDefault.g, 248);
    EXPECT_EQ(ColorDefault.b, 73);
}

TEST_F(Frame, RepaintCoversTheOldTextAndDrawsNoKeys) {
    printLCD("12345678901");
    check_frame_is_face_plus_text(4);
    printLCD("7");
    check_frame_is_face_plus_text(14);
    for (const Tecla& t : TECLAS) (*t.boton)->Dibujar(true);
    Redibujado();
    check_frame_is_face_plus_text(14);
}

} // namespace
