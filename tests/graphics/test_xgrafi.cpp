// Tests of the graphics layer: the primitives pixel by pixel on small
// surfaces of every depth, then start-up, loading, blits and text on the
// dummy video driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "graphics/blit.h"
#include "graphics/xgrafi.h"
#include "tests/support/files.h"
#include "tests/support/fonts.h"
#include "tests/support/sistema.h"
#include "tests/support/surface.h"

using testsupport::make_surface;
using testsupport::picture;
using testsupport::raw_pixel;
using testsupport::Rgb;
using testsupport::rgb_at;
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
        {0,
         3,
         10,
         0,
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
        EXPECT_EQ(inked(), c.expected)
            << "line(" << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2 << ")";
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
        {"box(-2,3,5,-6)",
         [] { box(-2, 3, 5, -6); },
         {"######......", "#....#......", "#....#......", "######......", "............",
          "............", "............", "............"}},
        {"bar(2,3,5,6)",
         [] { bar(2, 3, 5, 6); },
         {"............", "............", "............", "..####......", "..####......",
          "..####......", "............", "............"}},
        {"bar(5,6,2,3)",
         [] { bar(5, 6, 2, 3); },
         {"............", "............", "............", "..####......", "..####......",
          "..####......", "............", "............"}},
        {"bar(2,3,5,3)",
         [] { bar(2, 3, 5, 3); },
         {"............", "............", "............", "............", "............",
          "............", "............", "............"}},
        {"bar then box",
         [] { bar(1, 1, 4, 3), box(1, 1, 4, 3); },
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
    // The 12 x 8 surface is cut out of the middle of a larger zeroed block, so
    // that a write landing outside it changes the block around it; under
    // AddressSanitizer a write past the whole block is reported too.
    const int margen = 16, ancho = 12 + 2 * margen, alto = 8 + 2 * margen;
    const int big = 1 << 20;
    const int calls[][4] = {
        {20, 0, 20, 7},        {0, 20, 11, 20},    {-5, -5, -1, -1},
        {3, 2, 40, 30},        {11, 7, -30, 60},   {-big, -big, big, big},
        {big, 0, -big, 7},     {0, big, 11, -big}, {2147483647, 3, -2147483647, 5},
        {6, 6, 6, 2000000000},
    };
    for (const auto& c : calls) {
        for (int bpp : {8, 16, 24, 32}) {
            int bytes = bpp / 8, pitch = ancho * bytes;
            std::vector<Uint8> bloque((size_t)pitch * alto, 0);
            Uint8* dentro = bloque.data() + margen * pitch + margen * bytes;
            SDL_Surface* vista = SDL_CreateRGBSurfaceFrom(dentro, 12, 8, bpp, pitch, 0, 0, 0, 0);
            ASSERT_NE(vista, nullptr);
            screen = vista;
            line(c[0], c[1], c[2], c[3]);
            box(c[0], c[1], c[2], c[3]);
            bar(c[0], c[1], c[2], c[3]);
            plot(c[2], c[3]);
            putpixel(c[0], c[1], ColorDefault);
            int fuera = 0;
            for (int y = 0; y < alto; y++)
                for (int x = 0; x < pitch; x++) {
                    bool en_la_vista = y >= margen && y < margen + 8 && x >= margen * bytes &&
                                       x < (margen + 12) * bytes;
                    fuera += !en_la_vista && bloque[(size_t)y * pitch + x] != 0;
                }
            EXPECT_EQ(fuera, 0) << bpp << "-bit, calls at " << c[0] << "," << c[1] << " " << c[2]
                                << "," << c[3];
            screen = surface;
            SDL_FreeSurface(vista);
        }
    }
    screen = nullptr;
    line(0, 0, 5, 5), bar(0, 0, 5, 5), box(0, 0, 5, 5), plot(1, 1);
}

TEST_F(OnSurface, BlitsFarOffTheDestinationDoNotWrapRoundOntoIt) {
    SDL_Surface* mancha = make_surface(4, 2);
    SDL_FillRect(mancha, nullptr, SDL_MapRGB(mancha->format, 255, 255, 255));
    const std::vector<std::string> vacio(8, "............");
    const int lejos[][2] = {{65536 + 1, 1},       {1, 65536 + 2},   {-65536 + 1, 1},
                            {32768, 0},           {0, 32768 + 3},   {2147483647, 2},
                            {-2147483647 - 1, 0}, {-32769, -32769}, {1, -2147483647 - 1}};
    for (auto p : lejos) {
        use(12, 8);
        apply_surface(p[0], p[1], mancha, screen);
        EXPECT_TRUE(same_picture(vacio, picture(surface))) << "at " << p[0] << "," << p[1];
    }
    use(12, 8);
    apply_surface(10, 7, mancha, screen);
    EXPECT_EQ(inked(), (Points{{10, 7}, {11, 7}})) << "near positions are kept exactly";
    SDL_FreeSurface(mancha);
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

// Copies of the mono font with one table damaged: "loca" zeroed, so that it
// opens and every glyph is empty, as FreeType gives the glyphs of a file cut
// short; "hhea" stating an ascent of 32000 units, a digit some 500 pixels
// tall at 32 points; or "hmtx" with every glyph starting 4000 units left of
// its origin, which SDL_ttf alone would draw before the start of its text.
std::string damaged_font(const std::string& dir, const char* table) {
    return testsupport::damaged_copy(testsupport::kMonoFont, dir + "/" + table + ".ttf",
                                     [table](testsupport::FontBytes& f) {
                                         size_t len = 0, off = f.table(table, &len);
                                         if (!strcmp(table, "loca")) std::fill_n(&f.d[off], len, 0);
                                         if (!strcmp(table, "hhea"))
                                             f.d[off + 4] = 0x7D, f.d[off + 5] = 0;
                                         if (!strcmp(table, "hmtx")) {
                                             // Left side bearings: one in each of the first n
                                             // 4-byte records, then a list.
                                             size_t n = f.u16(f.table("hhea") + 34);
                                             for (size_t o = 0; o < len; o += 2)
                                                 if (o >= 4 * n || o % 4 == 2)
                                                     f.d[off + o] = 0xF0, f.d[off + o + 1] = 0x60;
                                         }
                                     });
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
        dir = testsupport::temp_dir("xgrafi-test");
        texto_muestra = "-.0123456789"; // the program's: its display shows numbers
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

// Writes `bytes` into dir/name and gives the path; empty when it cannot.
std::string write_bytes(const std::string& dir, const char* name, const std::string& bytes) {
    std::string path = dir + "/" + name;
    return testsupport::write_file(path, bytes) ? path : "";
}

TEST_F(Loaded, LoadFilesReportsEachFailureAndKeepsWhatLoaded) {
    std::string keyed = testsupport::read_file(image);
    struct Case {
        const char* fault;
        std::string first, fontfile; // "-": no name
        int result;
        const char* message; // null: the image's "Error al cargar"
    };
    const std::string mono = testsupport::kMonoFont, none = "-";
    const Case cases[] = {
        {"nothing asked for", none, none, 1, ""},
        // Damaged images, each refused with its message, are the program's
        // bad data files (tests/app/test_shell.cpp).
        {"no image file", dir + "/missing.png", mono, 0, nullptr},
        {"image cut after 40 bytes", write_bytes(dir, "truncated.png", keyed.substr(0, 40)), mono,
         0, nullptr},
        {"no font file", image, dir + "/nofont.ttf", 0, "Error cargando Font\n"},
        {"font whose glyphs are all empty", image, damaged_font(dir, "loca"), 0,
         "Error cargando Font\n"},
        // Damaged, yet drawn safely: see SoundFontsLoadAndDrawEveryGlyphInsideTheirText.
        {"font with digits 500 pixels tall", image, damaged_font(dir, "hhea"), 1, ""},
        {"font whose glyphs start far left", image, damaged_font(dir, "hmtx"), 1, ""},
        {"sound image and font", image, mono, 1, ""},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.first.empty() || c.fontfile.empty()) << c.fault << ": not written";
        const char* first = c.first == none ? nullptr : c.first.c_str();
        const char* fontfile = c.fontfile == none ? nullptr : c.fontfile.c_str();
        drop_fonts();
        SDL_FreeSurface(background);
        background = nullptr;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        int result = load_files(first, nullptr, fontfile);
        std::string out = ::testing::internal::GetCapturedStdout();
        // libpng complains on standard error once it decodes a damaged file;
        // one whose chunks run past its end is refused before that.
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.fault;
        std::string want = c.message ? c.message : "Error al cargar " + c.first + "\n";
        EXPECT_EQ(result, c.result) << c.fault;
        EXPECT_EQ(out, want) << c.fault;
        EXPECT_EQ(dots, nullptr) << c.fault;
        bool image_ok = c.first == image;
        EXPECT_EQ(background != nullptr, image_ok) << c.fault;
        bool fonts_ok = image_ok && c.result == 1;
        EXPECT_EQ(font != nullptr && font1 != nullptr && font2 != nullptr, fonts_ok) << c.fault;
        if (!image_ok) {
            EXPECT_EQ(font, nullptr) << c.fault << ": a font opened after the image failed";
        }
    }
    ASSERT_NE(font, nullptr);
    EXPECT_GT(TTF_FontHeight(font), TTF_FontHeight(font1));
    EXPECT_GT(TTF_FontHeight(font1), TTF_FontHeight(font2));
}

// The pixels of a rendered text that are not background.
int ink(SDL_Surface* s) {
    int n = 0;
    for (int y = 0; s && y < s->h; y++)
        for (int x = 0; x < s->w; x++) n += ((Uint8*)s->pixels)[y * s->pitch + x] != 0;
    return n;
}

// Fonts a user may put in place of the display font, and damaged ones that
// still draw: each loads, and every display text, padded to the display's 15
// columns, lands whole in its surface: glyphs may overlap (an LCD point has no
// width, italics lean), so its ink lies between that of its inkiest character
// alone and the sum of all of them. A glyph that SDL_ttf drew before the
// start of its surface would take its ink with it (or fault, under ASan and
// valgrind).
TEST_F(Loaded, SoundFontsLoadAndDrawEveryGlyphInsideTheirText) {
    const std::string dseg = "/usr/share/fonts/truetype/dseg/";
    std::string corpus = testsupport::read_file(CALC_FUZZ_DIR "/corpus/loading/" KERNING_FONT);
    ASSERT_GT(corpus.size(), 1u);
    std::string kerning =
        write_bytes(dir, "kerning.ttf", corpus.substr(1)); // byte 0 names the file
    const std::string fonts[] = {
        CALC_DATA_DIR "/fontlcd.ttf",
        testsupport::kMonoFont,
        dseg + "DSEG7Classic-Regular.ttf",
        dseg + "DSEG7Classic-Bold.ttf",
        dseg + "DSEG7Classic-Italic.ttf",
        dseg + "DSEG7ClassicMini-Regular.ttf",
        dseg + "DSEG14Classic-Regular.ttf",
        dseg + "DSEG14Modern-BoldItalic.ttf",
        damaged_font(dir, "hhea"),
        damaged_font(dir, "hmtx"),
        kerning,
    };
    const char* texts[] = {"0",        "12345678901", "-1.500",       "0.333",        "Error",
                           "Infinite", "-Infinite",   "Error SQRT -", "1.000000e+10", "..",
                           "...",      ". .",         "+.",           "8.8.8.8.8.8.8"};
    for (const std::string& path : fonts) {
        ASSERT_EQ(access(path.c_str(), R_OK), 0) << path << " (scripts/deps.sh test installs it)";
        drop_fonts();
        ::testing::internal::CaptureStdout();
        int result = load_files(nullptr, nullptr, path.c_str());
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << path;
        ASSERT_EQ(result, 1) << path;
        for (TTF_Font* size : {font, font1, font2})
            for (const char* text : texts) {
                char line[16];
                snprintf(line, sizeof line, "%15s", text);
                SDL_Surface* whole = texto_solido(size, line, SDL_Color{133, 248, 73, 0});
                ASSERT_NE(whole, nullptr) << path << " [" << line << "]";
                int most = 0, sum = 0;
                for (const char* c = line; *c; c++) {
                    char one[2] = {*c, 0};
                    SDL_Surface* g = texto_solido(size, one, SDL_Color{133, 248, 73, 0});
                    most = std::max(most, ink(g));
                    sum += ink(g);
                    SDL_FreeSurface(g);
                }
                EXPECT_GT(most, 0) << path << " [" << line << "]";
                EXPECT_GE(ink(whole), most) << path << " [" << line << "]";
                EXPECT_LE(ink(whole), sum) << path << " [" << line << "]";
                SDL_FreeSurface(whole);
            }
    }
}

// SDL_image reads a header without looking at what its reads return; past
// the end of the file it used to go on with leftovers (valgrind shows them as
// uninitialised values). Cut anywhere, an image must be refused, every time.
TEST_F(Loaded, AnImageCutShortAnywhereIsRefusedWithItsMessage) {
    SDL_Surface* blanca = make_surface(8, 8, 24);
    SDL_FillRect(blanca, nullptr, SDL_MapRGB(blanca->format, 255, 255, 255));
    std::string entera = dir + "/entera.bmp", cortada = dir + "/cortada.bmp";
    SDL_SaveBMP(blanca, entera.c_str());
    SDL_FreeSurface(blanca);
    FILE* f = fopen(entera.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<char> bytes(4096);
    bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
    fclose(f);
    for (size_t n = 0; n < bytes.size(); n++) {
        f = fopen(cortada.c_str(), "wb");
        fwrite(bytes.data(), 1, n, f);
        fclose(f);
        ::testing::internal::CaptureStdout();
        SDL_Surface* img = load_image(cortada.c_str());
        std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(img, nullptr) << n << " of " << bytes.size() << " bytes";
        EXPECT_EQ(out, "Error al cargar " + cortada + "\n") << n << " bytes";
        SDL_FreeSurface(img);
    }
    SDL_Surface* img = load_image(entera.c_str());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(rgb_at(img, 3, 3), (Rgb{255, 255, 255}));
    SDL_FreeSurface(img);
}

// An image is decoded only once its stated size is known to be within the
// bound: the formats whose header states it (PNG, BMP, GIF, JPEG) up to
// MAX_LADO_IMAGEN on each side; any other format is refused unread.
TEST_F(Loaded, ImagesAreDecodedOnlyWhenTheirStatedSizeIsWithinTheBound) {
#ifdef _WIN32
    GTEST_SKIP() << "ImageMagick writes the images: a program of the build machine";
#endif
    if (testsupport::correr("convert", {"-version"}) != 0) GTEST_SKIP() << "ImageMagick missing";
    struct Case {
        const char* file; // ImageMagick writes it by its extension
        int w, h;
        bool loads;
        std::vector<std::string> como = {}; // more of ImageMagick's options
    };
    const Case cases[] = {
        {"small.png", 4, 2, true},
        {"small.bmp", 4, 2, true},
        {"small.gif", 4, 2, true},
        {"small.jpg", 4, 2, true},
        {"small.tif", 4, 2, false},
        {"small.pcx", 4, 2, false},
        {"edge.bmp", 2048, 1, true},
        {"wide.png", 2049, 1, false},
        {"wide.bmp", 2049, 1, false},
        {"tall.gif", 1, 2049, false},
        {"tall.jpg", 3, 2049, false},
        // libjpeg's own progressions, of the largest image in RGB and CMYK
        {"progressive.jpg", 2048, 2048, true, {"-interlace", "JPEG"}},
        {"cmyk.jpg", 2048, 2048, true, {"-colorspace", "CMYK", "-interlace", "JPEG"}},
    };
    for (const auto& c : cases) {
        std::string path = dir + "/" + c.file;
        std::vector<std::string> args = {"-size", std::to_string(c.w) + "x" + std::to_string(c.h),
                                         "xc:blue"};
        args.insert(args.end(), c.como.begin(), c.como.end());
        args.push_back(path);
        ASSERT_EQ(testsupport::correr("convert", args), 0) << c.file;
        ::testing::internal::CaptureStdout();
        SDL_Surface* img = load_image(path.c_str());
        std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(img != nullptr, c.loads) << c.file;
        if (img) {
            EXPECT_EQ(img->w, c.w) << c.file;
            // JPEG is lossy; SDL_image takes CMYK as Adobe's, inverted.
            if (std::find(c.como.begin(), c.como.end(), "CMYK") == c.como.end()) {
                EXPECT_GE(rgb_at(img, 0, 0).b, 250) << c.file;
            }
            EXPECT_EQ(out, "") << c.file;
        } else {
            bool big = c.w > MAX_LADO_IMAGEN || c.h > MAX_LADO_IMAGEN;
            std::string size = std::to_string(c.w) + " x " + std::to_string(c.h);
            std::string why = big ? "Imagen demasiado grande: " + path + " mide " + size +
                                        " píxeles (máximo 2048 x 2048)\n"
                                  : "";
            EXPECT_EQ(out, why + "Error al cargar " + path + "\n") << c.file;
        }
        SDL_FreeSurface(img);
    }
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

// apply_surface copies colour-keyed 32-bit images itself, a row at a time;
// it must leave every byte exactly as SDL's own blit leaves it, wherever the
// image lands, whatever the destination's clip and stray fourth bytes.
static void keyed_blits_match_sdl(const char* copia) {
    srand(7);
    // One round in four has no key pixel at all, the way a face has none.
    auto random_fill = [](SDL_Surface* s, Uint32 key, bool keys) {
        Uint32* p = (Uint32*)s->pixels;
        for (int i = 0; i < s->pitch / 4 * s->h; i++)
            p[i] = keys && rand() % 3 == 0 ? key : (Uint32)rand() * 2654435761u;
    };
    for (int round = 0; round < 400; round++) {
        int sw = 1 + rand() % 40, sh = 1 + rand() % 9, dw = 1 + rand() % 48, dh = 1 + rand() % 11;
        SDL_Surface* src = make_surface(sw, sh, 32);
        SDL_Surface* ours = make_surface(dw, dh, 32);
        SDL_Surface* sdls = make_surface(dw, dh, 32);
        ASSERT_TRUE(src && ours && sdls);
        Uint32 key = SDL_MapRGB(src->format, 0, 255, 255);
        random_fill(src, key, round % 4 != 0);
        random_fill(ours, key, true);
        memcpy(sdls->pixels, ours->pixels, (size_t)ours->pitch * ours->h);
        SDL_SetColorKey(src, SDL_SRCCOLORKEY, key);
        SDL_Rect clip = {(Sint16)(rand() % dw), (Sint16)(rand() % dh), (Uint16)(1 + rand() % dw),
                         (Uint16)(1 + rand() % dh)};
        if (round % 3) SDL_SetClipRect(ours, &clip), SDL_SetClipRect(sdls, &clip);
        int x = rand() % (dw + 2 * sw) - sw, y = rand() % (dh + 2 * sh) - sh;
        apply_surface(x, y, src, ours);
        SDL_Rect at = {(Sint16)x, (Sint16)y, 0, 0};
        SDL_UpperBlit(src, nullptr, sdls, &at);
        EXPECT_EQ(memcmp(ours->pixels, sdls->pixels, (size_t)ours->pitch * ours->h), 0)
            << copia << ": source " << sw << "x" << sh << " at " << x << "," << y << " on " << dw
            << "x" << dh;
        for (SDL_Surface* s : {src, ours, sdls}) SDL_FreeSurface(s);
    }
}

// Every row copy this build has and this processor runs; the base one runs
// everywhere.
TEST(KeyedBlit, EveryRowCopyMatchesSdlBlitByteForByte) {
    EXPECT_FALSE(usar_copia_fila("mmx"));
    ASSERT_TRUE(usar_copia_fila("base"));
    for (const char* copia : {"base", "avx2", "avx512"}) {
        if (!usar_copia_fila(copia)) {
            printf("row copy %s not run: not in this build or not on this processor\n", copia);
            continue;
        }
        keyed_blits_match_sdl(copia);
    }
    EXPECT_TRUE(usar_copia_fila(nullptr));
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
    EXPECT_TRUE(
        same_picture(std::vector<std::string>(501, std::string(248, '.')), picture(screen)));
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
