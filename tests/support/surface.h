// Test support shared by the graphics and widget tests: small software
// surfaces of any depth, ASCII pictures of them ('.' background, '#' ink)
// and a check that prints the expected and actual pictures side by side.
#ifndef TESTS_SUPPORT_SURFACE_H
#define TESTS_SUPPORT_SURFACE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/xgrafi.h"

namespace testsupport {

// A font every test machine has (Debian's fonts-dejavu-core).
constexpr const char* kMonoFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// A zero-filled software surface; 8-bit surfaces get a grey-ramp palette.
inline SDL_Surface* make_surface(int w, int h, int bpp = 32) {
    Uint32 r = 0, g = 0, b = 0;
    if (bpp == 16) r = 0xF800, g = 0x07E0, b = 0x001F;
    if (bpp == 24 || bpp == 32) r = 0xFF0000, g = 0x00FF00, b = 0x0000FF;
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bpp, r, g, b, 0);
    if (s && bpp == 8) {
        SDL_Color ramp[256];
        for (int i = 0; i < 256; i++) ramp[i] = {Uint8(i), Uint8(i), Uint8(i), 0};
        SDL_SetColors(s, ramp, 0, 256);
    }
    if (s) SDL_FillRect(s, nullptr, 0);
    return s;
}

// The raw pixel value at (x, y), whatever the depth.
inline Uint32 raw_pixel(SDL_Surface* s, int x, int y) {
    const Uint8* p = (const Uint8*)s->pixels + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    for (int i = 0; i < s->format->BytesPerPixel; i++) v |= Uint32(p[i]) << (8 * i);
    return v;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

inline Rgb rgb_at(SDL_Surface* s, int x, int y) {
    Uint8 r, g, b;
    SDL_GetRGB(raw_pixel(s, x, y), s->format, &r, &g, &b);
    return {r, g, b};
}

// One text row per pixel row: '.' where the pixel is still `blank`, '#' elsewhere.
inline std::vector<std::string> picture(SDL_Surface* s, Uint32 blank = 0) {
    std::vector<std::string> rows;
    for (int y = 0; y < s->h; y++) {
        std::string row;
        for (int x = 0; x < s->w; x++) row += raw_pixel(s, x, y) == blank ? '.' : '#';
        rows.push_back(row);
    }
    return rows;
}

inline ::testing::AssertionResult same_picture(const std::vector<std::string>& expected,
                                               const std::vector<std::string>& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << "\nexpected" << std::string(expected.empty() ? 0 : expected[0].size(), ' ')
            << "  actual\n";
    size_t n = expected.size() > actual.size() ? expected.size() : actual.size();
    for (size_t i = 0; i < n; i++) {
        std::string e = i < expected.size() ? expected[i] : "";
        std::string a = i < actual.size() ? actual[i] : "";
        failure << e << std::string(8 + (expected.empty() ? 0 : expected[0].size()) - e.size(), ' ')
                << a << (e == a ? "" : "   <") << "\n";
    }
    return failure;
}

// Brings SDL's video (dummy driver) and SDL_ttf up once for a test binary.
inline void start_sdl() {
    static bool started = false;
    if (started) return;
    if (SDL_Init(SDL_INIT_VIDEO) == 0 && TTF_Init() == 0) started = true;
}

} // namespace testsupport

#endif
