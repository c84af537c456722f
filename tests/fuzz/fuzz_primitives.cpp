// Fuzzer of the drawing primitives. An input picks a depth, an odd size and a
// row padding for `screen`, then runs setcolor, plot, putpixel, line, box and
// bar with arbitrary coordinates. The surface's pixels live inside a larger
// buffer filled with a guard pattern, so any write outside the surface, into
// the row padding included, changes a guard byte. Start at
// LLVMFuzzerTestOneInput.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/xgrafi.h"

static const int kLadoMax = 41; // widest and tallest surface
static const int kGuarda = 64;  // guard bytes before the first row and after the last
static const uint8_t kMarca = 0xA5;
static const int kExtremos[] = {INT_MIN, INT_MIN + 1, -65537, -65536, -32769, -32768,      -1,
                                32767,   32768,       65535,  65536,  65537,  INT_MAX - 1, INT_MAX};

// Mostly coordinates near the surface, some anywhere, some at the edges of
// the 16- and 32-bit ranges.
static int coordenada(FuzzedDataProvider& d) {
    switch (d.ConsumeIntegralInRange(0, 3)) {
    case 0:
    case 1: return d.ConsumeIntegralInRange(-4, kLadoMax + 4);
    case 2: return d.ConsumeIntegral<int>();
    default: return d.PickValueInArray(kExtremos);
    }
}

static void fallo(const char* que, int a, int b, int c, int d) {
    fprintf(stderr, "%s: (%d, %d, %d, %d)\n", que, a, b, c, d);
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider d(data, size);
    static const int kProfundidades[] = {8, 16, 24, 32};
    int bpp = d.PickValueInArray(kProfundidades);
    int bytes = bpp / 8;
    int w = d.ConsumeIntegralInRange(0, kLadoMax);
    int h = d.ConsumeIntegralInRange(0, kLadoMax);
    int pitch = w * bytes + d.ConsumeIntegralInRange(0, 7);

    // SDL_CreateRGBSurfaceFrom takes any pitch of at least one row's bytes.
    std::vector<uint8_t> memoria(2 * kGuarda + (size_t)pitch * h, kMarca);
    uint8_t* pixeles = memoria.data() + kGuarda;
    for (int y = 0; y < h; y++) memset(pixeles + y * pitch, 0, (size_t)w * bytes);
    Uint32 r = 0, g = 0, b = 0;
    if (bpp == 16) r = 0xF800, g = 0x07E0, b = 0x001F;
    if (bpp >= 24) r = 0xFF0000, g = 0x00FF00, b = 0x0000FF;
    SDL_Surface* s = SDL_CreateRGBSurfaceFrom(pixeles, w, h, bpp, pitch, r, g, b, 0);
    if (!s) return 0;
    bool sin_pantalla = d.ConsumeIntegralInRange(0, 15) == 0;
    screen = sin_pantalla ? nullptr : s;

    std::vector<uint8_t> antes;
    while (d.remaining_bytes() > 0) {
        int op = d.ConsumeIntegralInRange(0, 5);
        int x1 = coordenada(d), y1 = coordenada(d), x2 = coordenada(d), y2 = coordenada(d);
        antes = memoria;
        switch (op) {
        case 0: setcolor((unsigned char)x1, (unsigned char)y1, (unsigned char)x2); break;
        case 1: plot(x1, y1); break;
        case 2: putpixel(x1, y1, SDL_Color{(Uint8)x2, (Uint8)y2, (Uint8)x1, 0}); break;
        case 3: line(x1, y1, x2, y2); break;
        case 4: box(x1, y1, x2, y2); break;
        default: bar(x1, y1, x2, y2); break;
        }
        for (size_t i = 0; i < memoria.size(); i++) {
            long off = (long)i - kGuarda;
            bool dentro = pitch > 0 && off >= 0 && off / pitch < h && off % pitch < w * bytes;
            if (!dentro && memoria[i] != kMarca)
                fallo("a primitive wrote outside the surface", x1, y1, x2, y2);
        }
        // A single pixel changes only its own bytes, to the mapped colour.
        if (op == 1 || op == 2) {
            bool en_superficie = !sin_pantalla && x1 >= 0 && x1 < w && y1 >= 0 && y1 < h;
            SDL_Color c = op == 1 ? ColorDefault : SDL_Color{(Uint8)x2, (Uint8)y2, (Uint8)x1, 0};
            Uint32 valor = SDL_MapRGB(s->format, c.r, c.g, c.b);
            long propio = (long)y1 * pitch + (long)x1 * bytes;
            for (size_t i = 0; i < memoria.size(); i++) {
                long off = (long)i - kGuarda;
                bool suyo = en_superficie && off >= propio && off < propio + bytes;
                if (suyo && memoria[i] != (uint8_t)(valor >> (8 * (off - propio))))
                    fallo("a pixel got another colour", x1, y1, x2, y2);
                if (!suyo && memoria[i] != antes[i])
                    fallo("a pixel wrote beside itself", x1, y1, x2, y2);
            }
        }
    }
    screen = nullptr;
    SDL_FreeSurface(s);
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    return 0;
}
