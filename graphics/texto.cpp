// Graphics layer, text: texto_solido(), through which every text of the
// program is rendered, and PrintTexto(). SDL_ttf 2.0 can draw a glyph before
// the start of its own text surface; texto_solido works the layout out first
// and draws such a text glyph by glyph instead.
#include "graphics/xgrafi.h"

static const int MAX_TEXTO = 4096; // pixels: the widest and tallest text surface drawn

// SDL_ttf 2.0 lays a text out from a pen at x = 0, moved right by the first
// glyph's left overhang and moved by the font's kerning between glyphs; each
// glyph lands at the pen plus its own left edge. It checks the end of its text
// surface but not the start: a glyph that lands left of x = 0 (a later glyph
// overhanging further than the pen has come, or a kerning pair pulling it
// back) is written before the surface's memory. This walks the layout the
// same way, calling `glifo(c, x, minx, maxx, maxy)` with the x each glyph
// lands at; false when a glyph has no metrics (SDL_ttf then draws nothing).
template <class Glifo> static bool recorrer(TTF_Font* f, const char* text, Glifo glifo) {
    bool kerning = TTF_GetFontKerning(f) != 0;
    long long pen = 0;
    int anterior = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        int minx, maxx, miny, maxy, advance;
        if (TTF_GlyphMetrics(f, *p, &minx, &maxx, &miny, &maxy, &advance) != 0) return false;
        int indice = TTF_GlyphIsProvided(f, *p);
        if (kerning && anterior && indice) pen += TTF_GetFontKerningSize(f, anterior, indice);
        if (p == (const unsigned char*)text && minx < 0) pen -= minx;
        glifo(*p, pen + minx, minx, maxx, maxy);
        pen += advance;
        anterior = indice;
    }
    return true;
}

// The text drawn glyph by glyph into a surface of SDL_ttf's size for it,
// every glyph moved right by `desplazar` (which brings the leftmost to x = 0)
// and cut to the surface.
static SDL_Surface* texto_por_glifos(TTF_Font* f, const char* text, SDL_Color colour, int w, int h,
                                     long long desplazar) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    if (!s) return nullptr;
    SDL_Color colores[2] = {
        {(Uint8)(255 - colour.r), (Uint8)(255 - colour.g), (Uint8)(255 - colour.b), 0}, colour};
    SDL_SetColors(s, colores, 0, 2);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0);
    SDL_FillRect(s, nullptr, 0);
    int ascenso = TTF_FontAscent(f);
    recorrer(f, text, [&](unsigned char c, long long x, int minx, int maxx, int maxy) {
        SDL_Surface* g = TTF_RenderGlyph_Solid(f, c, colour);
        int ancho = g && g->w < maxx - minx ? g->w : maxx - minx; // as SDL_ttf caps it
        for (int y = 0; g && y < g->h; y++) {
            long long ty = (long long)ascenso - maxy + y;
            if (ty < 0 || ty >= h) continue;
            const Uint8* src = (const Uint8*)g->pixels + y * g->pitch;
            Uint8* dst = (Uint8*)s->pixels + ty * s->pitch;
            for (int i = 0; i < ancho; i++) {
                long long tx = desplazar + x + i;
                if (tx >= 0 && tx < w) dst[tx] |= src[i];
            }
        }
        SDL_FreeSurface(g);
    });
    return s;
}

SDL_Surface* texto_solido(TTF_Font* f, const char* text, SDL_Color colour) {
    int w = 0, h = 0;
    long long izquierda = 0;
    if (!f || !text || TTF_SizeText(f, text, &w, &h) != 0) return nullptr;
    // SDL 1.2 keeps a surface's row length in 16 bits and its byte count in
    // an int: a text surface is held well inside both.
    if (w <= 0 || h <= 0 || w > MAX_TEXTO || h > MAX_TEXTO) return nullptr;
    auto mas_a_la_izquierda = [&](unsigned char, long long x, int, int, int) {
        if (x < izquierda) izquierda = x;
    };
    if (!recorrer(f, text, mas_a_la_izquierda)) return nullptr;
    if (izquierda >= 0) return TTF_RenderText_Solid(f, text, colour);
    return texto_por_glifos(f, text, colour, w, h, -izquierda);
}

void PrintTexto(int x, int y, const char* text, TTF_Font* f) {
    if (!f || !text) return;
    SDL_Surface* rendered = texto_solido(f, text, ColorDefault);
    apply_surface(x, y, rendered, screen);
    SDL_FreeSurface(rendered);
}

void PrintTexto(int x, int y, const char* text) { PrintTexto(x, y, text, font); }
