// Tests of the keypad layout and of whole frames: the twenty keys where the
// face shows them, all hidden, and a frame that is the face plus the display
// line in its colour and nothing else.
#include <gtest/gtest.h>

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

TEST_F(Frame, KeysStandAtTheirTableRectanglesInCreationOrder) {
    // The face's keys, in creation order: where each stands and what it says.
    const char* const keys[NUM_TECLAS] = {
        "new Boton(16,248,40,24,(char*)\"on\");",  "new Boton(16,440,40,24,(char*)\"0\");",
        "new Boton(16,392,40,24,(char*)\"1\");",   "new Boton(80,392,40,24,(char*)\"2\");",
        "new Boton(136,392,40,24,(char*)\"3\");",  "new Boton(16,344,40,24,(char*)\"4\");",
        "new Boton(80,344,40,24,(char*)\"5\");",   "new Boton(136,344,40,24,(char*)\"6\");",
        "new Boton(16,296,40,24,(char*)\"7\");",   "new Boton(80,296,40,24,(char*)\"8\");",
        "new Boton(136,296,40,24,(char*)\"9\");",  "new Boton(136,440,40,24,(char*)\"=\");",
        "new Boton(192,296,40,24,(char*)\"/\");",  "new Boton(192,344,40,24,(char*)\"X\");",
        "new Boton(192,392,40,24,(char*)\"-\");",  "new Boton(192,440,40,24,(char*)\"+\");",
        "new Boton(192,248,40,24,(char*)\"C\");",  "new Boton(80,440,40,24,(char*)\".\");",
        "new Boton(80,248,40,24,(char*)\"sqr\");", "new Boton(136,248,40,24,(char*)\"%\");",
    };
    for (int i = 0; i < NUM_TECLAS; i++) {
        ASSERT_NE(*TECLAS[i].boton, nullptr) << i;
        EXPECT_STREQ((*TECLAS[i].boton)->Valor(), keys[i]) << i;
    }
    // No two keys overlap: every hit point belongs to exactly one key.
    std::set<std::pair<int, int>> seen;
    for (const Tecla& t : TECLAS)
        for (int x = t.x + 1; x < t.x + 40; x++)
            for (int y = t.y + 1; y < t.y + 24; y++) EXPECT_TRUE(seen.insert({x, y}).second);
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
