// Tests of the graphics layer: the primitives pixel by pixel on small
// surfaces of every depth, then start-up, loading, blits and text on the
// dummy video driver.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "graphics/xgrafi.h"
#include "tests/support/surface.h"

using testsupport::make_surface;
using testsupport::picture;
using testsupport::raw_pixel;
using testsupport::rgb_at;
using testsupport::Rgb;
using testsupport::same_picture;

namespace {

using Points = std::set<std::pair<int, int>>;

// Points `screen` at a fresh zeroed surface for one test and restores it after.
class OnSurface : public ::testing::Test {
  protected:
    void use(int w, int h, int bpp = 32) {
        release();
        surface = make_surface(w, h, bpp);
        ASSERT_NE(surface, nullptr);
        screen = surface;
    }
    void SetUp() override {
        saved_screen = screen;
        saved_colour = ColorDefault;
        use(12, 8);
        setcolor(255, 255, 255);
    }
    void TearDown() override {
        release();
        screen = saved_screen;
        ColorDefault = saved_colour;
    }
    Points inked() const {
        Points p;
        for (int y = 0; y < surface->h; y++)
            for (int x = 0; x < surface->w; x++)
                if (raw_pixel(surface, x, y) != 0) p.insert({x, y});
        return p;
    }
    void release() {
        if (surface) SDL_FreeSurface(surface);
        surface = nullptr;
    }
    SDL_Surface* surface = nullptr;
    SDL_Surface* saved_screen = nullptr;
    SDL_Color saved_colour{};
};

struct LineCase {
    int x1, y1, x2, y2;
    Points expected;
};

TEST_F(OnSurface, LineDrawsExactlyItsPixelsFromEitherEnd) {
    const LineCase cases[] = {
        {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
        {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {0, 0, 2, 5, {{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {2, 5}}},
        {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {0, 1, 3, 0, {{3, 0}, {2, 0}, {1, 0}, {0, 1}}},
        {0, 3, 10, 0,
         {{10, 0}, {9, 0}, {8, 0}, {7, 0}, {6, 1}, {5, 1}, {4, 1}, {3, 2}, {2, 2}, {1, 2}, {0, 3}}},
        {4, 4, 4, 4, {{4, 4}}},
        {5, 5, 5, 2, {{5, 2}, {5, 3}, {5, 4}, {5, 5}}},
        {1, 6, 7, 6, {{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}, {7, 6}}},
    };
    for (const auto& c : cases) {
        for (int reversed = 0; reversed < 2; reversed++) {
            use(12, 8);
            if (reversed)
                line(c.x2, c.y2, c.x1, c.y1);
            else
                line(c.x1, c.y1, c.x2, c.y2);
            EXPECT_EQ(inked(), c.expected) << "line(" << c.x1 << "," << c.y1 << "," << c.x2 << ","
                                           << c.y2 << ")" << (reversed ? " reversed" : "");
        }
    }
}

TEST_F(OnSurface, LineClampsOnlyItsFirstEndPointWhenNegative) {
    const LineCase cases[] = {
        {5, -10, 5, -3, {{5, 0}}},
        {-3, -2, 4, 5, {{0, 0}, {0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}},
    };
    for (const auto& c : cases) {
        use(12, 8);
        line(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(inked(), c.expected) << "line(" << c.x1 << "," << c.y1 << "," << c.x2 << ","
                                       << c.y2 << ")";
    }
}

TEST_F(OnSurface, StraightLinesAndBarsAreCutAtTheWindowEdges) {
    use(248, 501);
    line(240, 10, 300, 10);
    line(10, 490, 10, 600);
    bar(-1, 498, 300, 600);
    Points expected;
    for (int x = 240; x <= 247; x++) expected.insert({x, 10});
    for (int y = 490; y <= 500; y++) expected.insert({10, y});
    for (int y = 498; y <= 499; y++)
        for (int x = 0; x <= 247; x++) expected.insert({x, y});
    EXPECT_EQ(inked(), expected);
}

TEST_F(OnSurface, BoxOutlinesAndBarFillsLeaveTheBottomRowToTheFrame) {
    struct Case {
        const char* name;
        void (*draw)();
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"box(-2,3,5,-6)", [] { box(-2, 3, 5, -6); },
         {"######......", "#....#......", "#....#......", "######......", "............",
          "............", "............", "............"}},
        {"bar(2,3,5,6)", [] { bar(2, 3, 5, 6); },
         {"............", "............", "............", "..####......", "..####......",
          "..####......", "............", "............"}},
        {"bar(5,6,2,3)", [] { bar(5, 6, 2, 3); },
         {"............", "............", "............", "..####......", "..####......",
          "..####......", "............", "............"}},
        {"bar(2,3,5,3)", [] { bar(2, 3, 5, 3); },
         {"............", "............", "............", "............", "............",
          "............", "............", "............"}},
        {"bar then box", [] { bar(1, 1, 4, 3), box(1, 1, 4, 3); },
         {"............", ".####.......", ".####.......", ".####.......", "............",
          "............", "............", "............"}},
    };
    for (const auto& c : cases) {
        use(12, 8);
        c.draw();
        EXPECT_TRUE(same_picture(c.expected, picture(surface))) << c.name;
    }
}

TEST_F(OnSurface, DrawingOffTheSurfaceWritesNothingOutsideIt) {
    // Run under AddressSanitizer too: a write past the pixel memory is reported there.
    const int big = 1 << 20;
    const int calls[][4] = {
        {20, 0, 20, 7},    {0, 20, 11, 20},    {-5, -5, -1, -1},  {3, 2, 40, 30},
        {11, 7, -30, 60},  {-big, -big, big, big}, {big, 0, -big, 7}, {0, big, 11, -big},
        {2147483647, 3, -2147483647, 5}, {6, 6, 6, 2000000000},
    };
    for (const auto& c : calls) {
        for (int bpp : {8, 16, 24, 32}) {
            use(12, 8, bpp);
            line(c[0], c[1], c[2], c[3]);
            box(c[0], c[1], c[2], c[3]);
            bar(c[0], c[1], c[2], c[3]);
            plot(c[2], c[3]);
            putpixel(c[0], c[1], ColorDefault);
            for (auto p : inked()) {
                EXPECT_TRUE(p.first >= 0 && p.first < 12 && p.second >= 0 && p.second < 8);
            }
        }
    }
    screen = nullptr;
    line(0, 0, 5, 5), bar(0, 0, 5, 5), box(0, 0, 5, 5), plot(1, 1);
}

TEST_F(OnSurface, PutpixelWritesExactlyTheBytesOfOnePixelAtEveryDepth) {
    for (int bpp : {8, 16, 24, 32}) {
        use(5, 3, bpp);
        SDL_FillRect(surface, nullptr, 0);
        SDL_Color colour = {200, 120, 40, 0};
        putpixel(2, 1, colour);
        Uint32 mapped = SDL_MapRGB(surface->format, 200, 120, 40);
        int bytes = surface->format->BytesPerPixel;
        ASSERT_EQ(bytes * 8, bpp);
        const Uint8* row = (const Uint8*)surface->pixels + surface->pitch;
        for (int i = 0; i < surface->pitch; i++) {
            int offset = i - 2 * bytes;
            Uint8 want = offset >= 0 && offset < bytes ? Uint8(mapped >> (8 * offset)) : 0;
            EXPECT_EQ(row[i], want) << bpp << "-bit surface, byte " << i;
        }
        EXPECT_EQ(picture(surface)[0], ".....");
        EXPECT_EQ(picture(surface)[2], ".....");
    }
}

TEST_F(OnSurface, SetcolorChangesTheColourOfEveryPrimitiveButNotTheFourthByte) {
    ColorDefault.unused = 77;
    setcolor(150, 150, 150);
    EXPECT_EQ(ColorDefault.unused, 77);
    plot(0, 0);
    line(0, 2, 5, 2);
    line(0, 3, 5, 6);
    box(7, 0, 9, 2);
    bar(7, 4, 9, 6);
    Points all = inked();
    ASSERT_FALSE(all.empty());
    for (auto p : all) EXPECT_EQ(rgb_at(surface, p.first, p.second), (Rgb{150, 150, 150}));
}

// --- Start-up, loading, blits and text on the dummy video driver ---

std::string temp_dir() {
    char tmpl[] = "/tmp/xgrafi-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

// A 4 x 2 image: cyan at (0, 0), red at (1, 0), the rest blue.
std::string write_keyed_image(const std::string& dir) {
    SDL_Surface* s = make_surface(4, 2, 32);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 255));
    SDL_Rect cyan = {0, 0, 1, 1}, red = {1, 0, 1, 1};
    SDL_FillRect(s, &cyan, SDL_MapRGB(s->format, 0, 255, 255));
    SDL_FillRect(s, &red, SDL_MapRGB(s->format, 255, 0, 0));
    std::string path = dir + "/face.png"; // SDL_image goes by content, not by name
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
    return path;
}

void drop_fonts() {
    for (TTF_Font** f : {&font, &font1, &font2}) {
        if (*f) TTF_CloseFont(*f);
        *f = nullptr;
    }
}

class Loaded : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ::testing::internal::CaptureStdout();
        started = init(248, 501);
        depth_line = ::testing::internal::GetCapturedStdout();
        dir = temp_dir();
        image = write_keyed_image(dir);
    }
    void SetUp() override {
        ASSERT_EQ(started, 1);
        setcolor(0, 100, 0);
    }
    static int started;
    static std::string depth_line, dir, image;
};
int Loaded::started = 0;
std::string Loaded::depth_line, Loaded::dir, Loaded::image;

TEST_F(Loaded, InitOpensTheWindowAndTellsItsDepthOnce) {
    EXPECT_EQ(depth_line, "Profundidad bit=32  byte=4\n");
    EXPECT_EQ(SCREEN_WIDTH, 248);
    EXPECT_EQ(SCREEN_HEIGHT, 501);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 248);
    EXPECT_EQ(screen->h, 501);
    EXPECT_EQ(screen->format->BitsPerPixel, 32);
}

TEST_F(Loaded, LoadFilesReportsEachFailureAndKeepsWhatLoaded) {
    struct Case {
        const char *first, *fontfile;
        int result;
        const char* message;
    };
    std::string missing = dir + "/missing.png";
    std::string garbage = dir + "/garbage.png";
    std::string truncated = dir + "/truncated.png";
    FILE* f = fopen(garbage.c_str(), "w");
    fputs("this is not a picture\n", f);
    fclose(f);
    std::string cmd = "head -c 40 " + image + " > " + truncated;
    ASSERT_EQ(system(cmd.c_str()), 0);
    std::string font_missing = dir + "/nofont.ttf";
    const Case cases[] = {
        {nullptr, nullptr, 1, ""},
        {missing.c_str(), testsupport::kMonoFont, 0, nullptr},
        {garbage.c_str(), testsupport::kMonoFont, 0, nullptr},
        {truncated.c_str(), testsupport::kMonoFont, 0, nullptr},
        {image.c_str(), font_missing.c_str(), 0, "Error cargando Font\n"},
        {image.c_str(), testsupport::kMonoFont, 1, ""},
    };
    for (const auto& c : cases) {
        drop_fonts();
        SDL_FreeSurface(background);
        background = nullptr;
        ::testing::internal::CaptureStdout();
        int result = load_files(c.first, nullptr, c.fontfile);
        std::string out = ::testing::internal::GetCapturedStdout();
        std::string want = c.message ? c.message : "Error al cargar " + std::string(c.first) + "\n";
        EXPECT_EQ(result, c.result) << (c.first ? c.first : "null");
        EXPECT_EQ(out, want) << (c.first ? c.first : "null");
        EXPECT_EQ(dots, nullptr);
        bool image_ok = c.first && std::string(c.first) == image;
        EXPECT_EQ(background != nullptr, image_ok) << (c.first ? c.first : "null");
        bool fonts_ok = image_ok && c.result == 1;
        EXPECT_EQ(font != nullptr && font1 != nullptr && font2 != nullptr, fonts_ok);
        if (!image_ok) {
            EXPECT_EQ(font, nullptr) << "no font may open after a failed image";
        }
    }
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(TTF_FontHeight(font) > TTF_FontHeight(font1), true);
    EXPECT_EQ(TTF_FontHeight(font1) > TTF_FontHeight(font2), true);
}

TEST_F(Loaded, CyanPixelsOfALoadedImageAreTransparent) {
    SDL_Surface* keyed = load_image(image.c_str());
    ASSERT_NE(keyed, nullptr);
    SDL_Surface* dest = make_surface(6, 3, 32);
    SDL_FillRect(dest, nullptr, SDL_MapRGB(dest->format, 0, 128, 0));
    apply_surface(1, 1, keyed, dest);
    EXPECT_EQ(rgb_at(dest, 1, 1), (Rgb{0, 128, 0})) << "cyan must show the destination";
    EXPECT_EQ(rgb_at(dest, 2, 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(rgb_at(dest, 3, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(rgb_at(dest, 0, 0), (Rgb{0, 128, 0}));
    // Partly outside: only the part inside the destination is copied.
    SDL_FillRect(dest, nullptr, 0);
    apply_surface(4, 2, keyed, dest);
    EXPECT_TRUE(same_picture({"......", "......", ".....#"}, picture(dest)));
    // A clip rectangle copies only that part of the source.
    SDL_FillRect(dest, nullptr, 0);
    SDL_Rect clip = {1, 0, 2, 1};
    apply_surfaceB(0, 0, keyed, dest, &clip);
    EXPECT_TRUE(same_picture({"##....", "......", "......"}, picture(dest)));
    apply_surface(0, 0, nullptr, dest);
    SDL_FreeSurface(dest);
    SDL_FreeSurface(keyed);
}

TEST_F(Loaded, PrintTextoDrawsInTheCurrentColourAndNothingForEmptyText) {
    drop_fonts();
    font = TTF_OpenFont(testsupport::kMonoFont, 20);
    ASSERT_NE(font, nullptr);
    struct Case {
        bool set;
        Rgb colour;
    };
    for (Case c : {Case{false, {0, 100, 0}}, Case{true, {133, 248, 73}}}) {
        SDL_FillRect(screen, nullptr, 0);
        if (c.set) setcolor(133, 248, 73);
        PrintTexto(10, 20, "H8");
        int ink = 0;
        for (int y = 0; y < 60; y++)
            for (int x = 0; x < 60; x++)
                if (raw_pixel(screen, x, y) != 0) {
                    ink++;
                    EXPECT_EQ(rgb_at(screen, x, y), c.colour);
                    EXPECT_GE(x, 10);
                    EXPECT_GE(y, 20);
                }
        EXPECT_GT(ink, 20);
    }
    SDL_FillRect(screen, nullptr, 0);
    ::testing::internal::CaptureStdout();
    PrintTexto(10, 20, "");
    PrintTexto(10, 20, "", font);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(same_picture(std::vector<std::string>(501, std::string(248, '.')), picture(screen)));
}

TEST_F(Loaded, CleanUpFreesTheImagesAndStopsSdl) {
    ASSERT_EQ(load_files(image.c_str(), nullptr, nullptr), 1);
    ASSERT_NE(background, nullptr);
    clean_up();
    EXPECT_EQ(background, nullptr);
    EXPECT_EQ(dots, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    ::testing::internal::CaptureStdout();
    started = init(248, 501);
    ::testing::internal::GetCapturedStdout();
}

} // namespace
