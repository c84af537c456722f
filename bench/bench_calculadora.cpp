// Benchmarks of what the calculator costs a user, each beside its floor: a
// whole frame against a memcpy of the same pixel bytes, key presses and
// clicks through to the repainted frame, and the bar and line primitives
// against the same pixels written straight into memory. Start at main: it
// brings the calculator up in-process on the dummy video driver from the data
// folder, runs the benchmarks and prints the ratios after the usual table.
// Run with --benchmark_repetitions=N to get medians (scripts/bench.sh does).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/engine.h"
#include "app/keypad.h"
#include "app/shell.h"
#include "graphics/xgrafi.h"

namespace {

const int NUM_LINEAS = 1000;

// Measured figure, floor, what the pair stands for.
const struct {
    const char* medida;
    const char* suelo;
    const char* nombre;
} PARES[] = {
    {"BM_Repaint", "BM_MemcpyFrame", "frame / memcpy of its bytes"},
    {"BM_Bar", "BM_BarRaw", "full-window bar / raw fill"},
    {"BM_Lines", "BM_LinesRaw", "1000 lines / raw walk"},
};

// --- Keys as the user presses them ---

typedef void (*Handler)();

// The handler of the key with this one-character label ("X" for times).
Handler handler_de(char c) {
    for (const Tecla& t : TECLAS)
        if (t.label[0] == c && !t.label[1]) return t.handler;
    return nullptr;
}

const Tecla* tecla_de(char c) {
    for (const Tecla& t : TECLAS)
        if (t.label[0] == c && !t.label[1]) return &t;
    return nullptr;
}

void pulsar(const char* teclas) {
    for (const char* k = teclas; *k; k++) {
        Handler h = handler_de(*k);
        h();
    }
}

// A left click at the key's centre, press and release, through the loop's own
// event handling: the handler's repaint and the repaint after the release.
void clic(char c) {
    const Tecla* t = tecla_de(c);
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = (Uint16)(t->x + ANCHO_TECLA / 2);
    e.button.y = (Uint16)(t->y + ALTO_TECLA / 2);
    e.type = SDL_MOUSEBUTTONDOWN;
    atender(e);
    e.type = SDL_MOUSEBUTTONUP;
    atender(e);
}

size_t bytes_pantalla() { return (size_t)screen->pitch * screen->h; }

// apply_surface blits the face with its own loop: it must give the pixels of
// SDL's blit, over a screen that is not the face's colours.
bool cara_como_sdl() {
    memset(screen->pixels, 0x5a, bytes_pantalla());
    SDL_Rect origen = {0, 0, 0, 0};
    SDL_UpperBlit(background, nullptr, screen, &origen);
    std::vector<Uint8> sdl((Uint8*)screen->pixels, (Uint8*)screen->pixels + bytes_pantalla());
    memset(screen->pixels, 0x5a, bytes_pantalla());
    apply_surface(0, 0, background, screen);
    return memcmp(sdl.data(), screen->pixels, sdl.size()) == 0;
}

void BM_Repaint(benchmark::State& state) {
    if (!cara_como_sdl()) {
        state.SkipWithError("apply_surface does not give SDL's pixels for the face");
        return;
    }
    for (auto _ : state) Repaint();
    state.SetBytesProcessed(state.iterations() * bytes_pantalla());
}
BENCHMARK(BM_Repaint);

void BM_MemcpyFrame(benchmark::State& state) {
    size_t bytes = (size_t)screen->pitch * screen->h;
    std::vector<Uint8> cara((const Uint8*)background->pixels,
                            (const Uint8*)background->pixels + bytes);
    for (auto _ : state) {
        memcpy(screen->pixels, cara.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_MemcpyFrame);

// One key from a given state: "C" and the keys before it run untimed.
void BM_Tecla(benchmark::State& state, const char* antes, char tecla) {
    Handler handler = handler_de(tecla);
    for (auto _ : state) {
        state.PauseTiming();
        FunC();
        pulsar(antes);
        state.ResumeTiming();
        handler();
    }
}
// A fixed count: the untimed set-up repaints, and a key that does not (the
// first "+") would otherwise need millions of set-ups to fill the minimum time.
const int VECES_TECLA = 2000;
BENCHMARK_CAPTURE(BM_Tecla, Funcmd7, "", '7')->Iterations(VECES_TECLA);
BENCHMARK_CAPTURE(BM_Tecla, FunMas, "12", '+')->Iterations(VECES_TECLA);
BENCHMARK_CAPTURE(BM_Tecla, FunMasChained, "12+34", '+')->Iterations(VECES_TECLA);
BENCHMARK_CAPTURE(BM_Tecla, FunIgual, "12+34", '=')->Iterations(VECES_TECLA);

void BM_Clic(benchmark::State& state, const char* antes, char tecla) {
    for (auto _ : state) {
        state.PauseTiming();
        FunC();
        pulsar(antes);
        state.ResumeTiming();
        clic(tecla);
    }
}
BENCHMARK_CAPTURE(BM_Clic, Funcmd7, "", '7')->Iterations(VECES_TECLA);
BENCHMARK_CAPTURE(BM_Clic, FunMas, "12", '+')->Iterations(VECES_TECLA);
BENCHMARK_CAPTURE(BM_Clic, FunIgual, "12+34", '=')->Iterations(VECES_TECLA);

const char* const CALCULO = "123+456X7="; // ten keys

void BM_DiezTeclas(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FunC();
        state.ResumeTiming();
        pulsar(CALCULO);
    }
}
BENCHMARK(BM_DiezTeclas)->Iterations(VECES_TECLA / 4);

void BM_DiezClics(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FunC();
        state.ResumeTiming();
        for (const char* k = CALCULO; *k; k++) clic(*k);
    }
}
BENCHMARK(BM_DiezClics)->Iterations(VECES_TECLA / 4);

// --- Primitives against raw memory ---

void borrar() { memset(screen->pixels, 0, bytes_pantalla()); }

// The raw fill of the pixels bar(0, 0, W-1, H-1) draws: every row but the last.
void barra_cruda(Uint32 valor) {
    int w = screen->w, h = screen->h, pitch = screen->pitch;
    Uint8* pixels = (Uint8*)screen->pixels;
    for (int y = 0; y < h - 1; y++) {
        Uint32* fila = (Uint32*)(pixels + y * pitch);
        for (int x = 0; x < w; x++) fila[x] = valor;
    }
}

// The walk of line(): from the upper end point, error term from 0, minor step
// only when the error reaches the major delta; here straight into memory.
void linea_cruda(int x1, int y1, int x2, int y2, Uint32 valor) {
    if (y2 < y1) {
        int tx = x1, ty = y1;
        x1 = x2, y1 = y2, x2 = tx, y2 = ty;
    }
    int paso = x2 > x1 ? 1 : -1;
    int dx = x2 > x1 ? x2 - x1 : x1 - x2, dy = y2 - y1;
    int pitch = screen->pitch / 4;
    Uint32* p = (Uint32*)screen->pixels + y1 * pitch + x1;
    *p = valor;
    int error = 0;
    if (dx > dy) {
        for (int i = 0; i < dx; i++) {
            p += paso;
            error += dy;
            if (error >= dx) error -= dx, p += pitch;
            *p = valor;
        }
    } else {
        for (int i = 0; i < dy; i++) {
            p += pitch;
            error += dx;
            if (error >= dy) error -= dy, p += paso;
            *p = valor;
        }
    }
}

struct Linea {
    int x1, y1, x2, y2;
};

// Fixed pseudo-random end points anywhere in the window, so every run draws
// the same lines.
std::vector<Linea> lineas() {
    std::vector<Linea> v;
    unsigned semilla = 12345;
    auto azar = [&semilla](int n) {
        semilla = semilla * 1103515245u + 12345u;
        return (int)((semilla >> 8) % (unsigned)n);
    };
    for (int i = 0; i < NUM_LINEAS; i++) {
        Linea l;
        l.x1 = azar(screen->w), l.y1 = azar(screen->h);
        l.x2 = azar(screen->w), l.y2 = azar(screen->h);
        v.push_back(l);
    }
    return v;
}

// Both writers of a pair must leave the same pixels, or the floor is not one.
bool mismos_pixeles(void (*primitiva)(), void (*cruda)()) {
    borrar();
    primitiva();
    std::vector<Uint8> a((Uint8*)screen->pixels, (Uint8*)screen->pixels + bytes_pantalla());
    borrar();
    cruda();
    return memcmp(a.data(), screen->pixels, a.size()) == 0;
}

void gris() { setcolor(150, 150, 150); }
Uint32 valor_gris() { return SDL_MapRGB(screen->format, 150, 150, 150); }

void una_barra() {
    gris();
    bar(0, 0, screen->w - 1, screen->h - 1);
}
void una_barra_cruda() { barra_cruda(valor_gris()); }

void mil_lineas() {
    static const std::vector<Linea> v = lineas();
    gris();
    for (const Linea& l : v) line(l.x1, l.y1, l.x2, l.y2);
}
void mil_lineas_crudas() {
    static const std::vector<Linea> v = lineas();
    Uint32 valor = valor_gris();
    for (const Linea& l : v) linea_cruda(l.x1, l.y1, l.x2, l.y2, valor);
}

void medir(benchmark::State& state, void (*dibujo)(), void (*primitiva)(), void (*cruda)()) {
    if (screen->format->BytesPerPixel != 4 || !mismos_pixeles(primitiva, cruda)) {
        state.SkipWithError("the raw writer does not give the primitive's pixels");
        return;
    }
    for (auto _ : state) {
        dibujo();
        benchmark::ClobberMemory();
    }
}

void BM_Bar(benchmark::State& s) { medir(s, una_barra, una_barra, una_barra_cruda); }
void BM_BarRaw(benchmark::State& s) { medir(s, una_barra_cruda, una_barra, una_barra_cruda); }
void BM_Lines(benchmark::State& s) { medir(s, mil_lineas, mil_lineas, mil_lineas_crudas); }
void BM_LinesRaw(benchmark::State& s) {
    medir(s, mil_lineas_crudas, mil_lineas, mil_lineas_crudas);
}
BENCHMARK(BM_Bar);
BENCHMARK(BM_BarRaw);
BENCHMARK(BM_Lines);
BENCHMARK(BM_LinesRaw);

// --- Report ---

// The console table as usual; besides, keeps each benchmark's processor time
// per iteration (the median when repetitions are asked for) for the ratios.
// Processor time, not wall-clock time: on a machine shared with other work
// the wall clock also counts the time spent waiting for a core.
class Informe : public benchmark::ConsoleReporter {
  public:
    Informe() : ConsoleReporter(OO_Tabular) {} // no colours: the output goes to files
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            bool mediana = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !mediana) continue;
            double ns =
                r.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            // A median replaces the single repetitions seen before it.
            if (mediana || !medianas.count(r.run_name.function_name))
                tiempos[r.run_name.function_name] = ns;
            if (mediana) medianas[r.run_name.function_name] = true;
        }
    }
    std::map<std::string, double> tiempos; // ns per iteration, by benchmark name
    std::map<std::string, bool> medianas;
};

void imprimir_cocientes(const Informe& informe) {
    const std::map<std::string, double>& t = informe.tiempos;
    printf("\nmedians of processor time per iteration\n");
    printf("%-30s %12s %12s %8s\n", "pair", "measured us", "floor us", "ratio");
    for (const auto& p : PARES) {
        if (!t.count(p.medida) || !t.count(p.suelo)) continue;
        double m = t.at(p.medida), s = t.at(p.suelo);
        printf("%-30s %12.1f %12.1f %8.2f\n", p.nombre, m / 1e3, s / 1e3, m / s);
    }
    if (t.count("BM_Repaint")) {
        double frame = t.at("BM_Repaint");
        printf("\n%-30s %12s %8s\n", "key (keyboard or click)", "us", "frames");
        for (const auto& e : t) {
            if (e.first.rfind("BM_Tecla/", 0) != 0 && e.first.rfind("BM_Clic/", 0) != 0 &&
                e.first.rfind("BM_Diez", 0) != 0)
                continue;
            printf("%-30s %12.1f %8.2f\n", e.first.c_str() + 3, e.second / 1e3, e.second / frame);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // In-process and headless, like the tests: the dummy drivers unless told otherwise.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (chdir(CALC_DATA_DIR) != 0) {
        fprintf(stderr, "no data folder %s\n", CALC_DATA_DIR);
        return 2;
    }
    int estado = arranque();
    if (estado != 0) return estado;
    Informe informe;
    benchmark::RunSpecifiedBenchmarks(&informe);
    imprimir_cocientes(informe);
    benchmark::Shutdown();
    return 0;
}
