// What the graphics layer relies on from whichever SDL 1.2 the dynamic loader
// hands it: classic SDL 1.2, or sdl12-compat (SDL 1.2 carried over SDL 2).
// scripts/test.sh runs the suite once on each and names the one it means in
// CALC_TEST_SDL, so that a run meant for sdl12-compat cannot pass on classic
// SDL unnoticed. On the dummy video driver, from the data folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "graphics/xgrafi.h"
#include "tests/support/sistema.h"

namespace {

// sdl12-compat reports 1.2.50 and up; classic SDL 1.2 ended at 1.2.15.
const char* this_sdl() { return SDL_Linked_Version()->patch >= 50 ? "sdl12-compat" : "classic"; }

// The process's threads, as Linux's /proc lists them; -1 elsewhere (under
// Wine /proc lists Wine's threads).
int threads() {
#ifdef _WIN32
    return -1;
#else
    std::error_code e;
    int n = 0;
    for (std::filesystem::directory_iterator i("/proc/self/task", e), end; !e && i != end;
         i.increment(e))
        n++;
    return e ? -1 : n;
#endif
}

// init() without its depth line on the test's output.
int quiet_init() {
    ::testing::internal::CaptureStdout();
    int started = init(248, 501);
    ::testing::internal::GetCapturedStdout();
    return started;
}

TEST(Library, IsTheOneThisRunWasStartedFor) {
    const char* wanted = getenv("CALC_TEST_SDL");
    if (!wanted) GTEST_SKIP() << "CALC_TEST_SDL unset; this is " << this_sdl() << " SDL 1.2";
    const char* path = getenv("LD_LIBRARY_PATH");
    EXPECT_STREQ(this_sdl(), wanted) << "LD_LIBRARY_PATH=" << (path ? path : "");
}

// Without these two, SDL 2 under sdl12-compat starts Mesa's software OpenGL
// to show the window (about 90 MB more); whatever the user set stays.
TEST(Sdl2Hints, InitAsksForNoOpenGlButKeepsWhatTheUserSet) {
    struct Case {
        const char *renderer, *framebuffer; // set before init, null: unset
        const char *renderer_after, *framebuffer_after;
    };
    const Case cases[] = {
        {nullptr, nullptr, "software", "0"},
        {"opengl", nullptr, "opengl", "0"},
        {nullptr, "1", "software", "1"},
        {"opengles2", "opengl", "opengles2", "opengl"},
    };
    for (const Case& c : cases) {
        const char* names[2] = {"SDL_RENDER_DRIVER", "SDL_FRAMEBUFFER_ACCELERATION"};
        const char* before[2] = {c.renderer, c.framebuffer};
        const char* after[2] = {c.renderer_after, c.framebuffer_after};
        for (int i = 0; i < 2; i++) testsupport::set_env(names[i], before[i]);
        ASSERT_EQ(quiet_init(), 1);
        for (int i = 0; i < 2; i++) {
            const char* now = getenv(names[i]);
            EXPECT_STREQ(now ? now : "(unset)", after[i])
                << names[i] << " set to " << (before[i] ? before[i] : "nothing") << " before";
        }
        clean_up();
    }
    testsupport::set_env("SDL_RENDER_DRIVER", nullptr);
    testsupport::set_env("SDL_FRAMEBUFFER_ACCELERATION", nullptr);
}

// SDL's timer thread wakes every millisecond; init() shuts the subsystem down
// and neither library may leave a thread of its own behind.
TEST(Timer, InitLeavesNoSdlThreadRunning) {
    if (threads() < 0) GTEST_SKIP() << "threads counted in Linux's /proc only";
    ASSERT_EQ(quiet_init(), 1);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_TIMER), 0u) << this_sdl();
    EXPECT_EQ(threads(), 1) << this_sdl();
    clean_up();
}

// apply_surface copies the face itself only when the face and the screen are
// surfaces of the kind its keyed copy handles; otherwise every frame falls
// back to SDL's per-pixel blit, with the same pixels and twenty times the
// time. Each condition, on the surfaces this library makes.
TEST(FastBlit, FaceAndScreenAreWhatTheKeyedCopyTakes) {
    ASSERT_EQ(quiet_init(), 1);
    ASSERT_EQ(load_files(CALC_DATA_DIR "/caltrq.png", nullptr, nullptr), 1);
    const SDL_Surface *face = background, *dst = screen;
    const SDL_PixelFormat *f = face->format, *s = dst->format;
    const Uint32 otros = SDL_SRCALPHA | SDL_RLEACCEL | SDL_RLEACCELOK | SDL_HWSURFACE | SDL_HWACCEL;
    const struct {
        const char* condition;
        bool holds;
    } conditions[] = {
        {"the face has a colour key", (face->flags & SDL_SRCCOLORKEY) != 0},
        {"the key is pure cyan", f->colorkey == SDL_MapRGB(f, 0, 255, 255)},
        {"the face has no surface alpha, RLE or hardware flag", (face->flags & otros) == 0},
        {"the screen is no hardware surface", (dst->flags & SDL_HWSURFACE) == 0},
        {"neither needs locking", !SDL_MUSTLOCK(face) && !SDL_MUSTLOCK(dst)},
        {"both have 4 bytes a pixel", f->BytesPerPixel == 4 && s->BytesPerPixel == 4},
        {"neither has an alpha channel or a palette",
         !f->Amask && !s->Amask && !f->palette && !s->palette},
        {"both have the same 8-bit red, green and blue",
         f->Rmask == s->Rmask && f->Gmask == s->Gmask && f->Bmask == s->Bmask && !f->Rloss &&
             !f->Gloss && !f->Bloss},
    };
    for (const auto& c : conditions) EXPECT_TRUE(c.holds) << c.condition << " on " << this_sdl();
    clean_up();
}

} // namespace
