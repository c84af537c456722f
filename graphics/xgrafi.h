/// \file
/// Graphics layer: the video surface, the loaded images and fonts, blits and
/// text, and the pixel, line and rectangle primitives that draw in the one
/// current colour. Start with init() and load_files(); every primitive draws
/// into `screen`. The globals below are defined once, in xgrafi.cpp.
#ifndef GRAPHICS_XGRAFI_H
#define GRAPHICS_XGRAFI_H

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <string>

extern int SCREEN_WIDTH;  ///< window width in pixels; init() overwrites it
extern int SCREEN_HEIGHT; ///< window height in pixels; init() overwrites it
extern int SCREEN_BPP;    ///< bits per pixel asked of the video mode
extern int SIZEfont;      ///< points of `font`
extern int SIZEfont1;     ///< points of `font1`
extern int SIZEfont2;     ///< points of `font2`

extern SDL_Color textColor;    ///< widgets' fixed label colour, 25,25,25
extern SDL_Color ColorDefault; ///< the current colour, set by setcolor(); starts 0,100,0

extern SDL_Surface* screen;     ///< the video surface; SDL owns it
extern SDL_Surface* background; ///< first image of load_files(); freed by clean_up()
extern SDL_Surface* dots;       ///< second image of load_files(), or null
extern TTF_Font* font;          ///< the font file at SIZEfont; every widget label
extern TTF_Font* font1;         ///< the same file at SIZEfont1
extern TTF_Font* font2;         ///< the same file at SIZEfont2

/// Set before init(): the event filter SDL applies from the window's first
/// event on (an event it refuses never enters SDL's queue); null for none.
extern SDL_EventFilter filtro_eventos;

/// Set before load_files(): a text that every font loaded must draw with some
/// ink, each of its characters alone and all of them together, or it is
/// refused as a font that does not open; null: fonts are only opened.
extern const char* texto_muestra;

enum { MAX_LADO_IMAGEN = 2048 }; ///< pixels: load_image refuses a wider or taller image

/// \name Set-up and shut-down
/// init: 1 when SDL, the window and SDL_ttf are up, else 0.
/// load_files: 1 when everything asked for loaded (null names are skipped), else 0.
///@{
int init(int width, int height);
int load_files(const char* first, const char* second, const char* fontfile);
SDL_Surface* load_image(const char* name);
void clean_up();
///@}

/// \name Blits and text
/// A null source draws nothing.
///@{
void apply_surface(int x, int y, SDL_Surface* source, SDL_Surface* destination);
void apply_surfaceB(int x, int y, SDL_Surface* source, SDL_Surface* destination, SDL_Rect* clip);
/// TTF_RenderText_Solid, but every glyph lands inside the surface it returns,
/// whatever the font's kerning and overhangs; null for no text or no font.
SDL_Surface* texto_solido(TTF_Font* f, const char* text, SDL_Color colour);
void PrintTexto(int x, int y, const char* text);
void PrintTexto(int x, int y, const char* text, TTF_Font* f);
///@}

/// \name Primitives on `screen` in ColorDefault
/// Pixels that fall outside the surface are skipped.
///@{
void setcolor(unsigned char r, unsigned char g, unsigned char b);
void putpixel(int x, int y, SDL_Color colour);
void plot(int x, int y);
void line(int x1, int y1, int x2, int y2);
void box(int x1, int y1, int x2, int y2);
void bar(int x1, int y1, int x2, int y2);
///@}

/// What the programs do differently on Windows: read files whose names hold
/// any letter, find the data files beside the program, and say why in a
/// message box when a window program ends on a failure (it has no console, so
/// its standard output goes nowhere a user sees). Elsewhere these are the
/// plain calls; sistema_win32.cpp holds the Windows side.
///
/// traza_fallo prints a failure's trace line (printf's format) to `destino`,
/// and keeps it for avisar_fallo.
void traza_fallo(FILE* destino, const char* formato, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;
#ifdef _WIN32
/// fopen(nombre, "rb") of a UTF-8 name, through the wide-character calls.
FILE* abrir_lectura(const char* nombre);
/// The data file `nombre` as the program reads it: in the working directory
/// when it is there, else beside the executable when it is there (a UTF-8
/// path), else `nombre` itself, so that its failure names it as ever.
std::string dato(const char* nombre);
/// For a status other than 0, shows the trace lines of the failures in a
/// message box titled `programa`, unless standard output is a file or a pipe
/// (the caller reads them there, and a script must not wait on a box); then
/// returns `estado`.
int avisar_fallo(const char* programa, int estado);
void recordar_fallo(const char* texto); ///< what traza_fallo keeps: appends `texto`
#else
inline std::string dato(const char* nombre) { return nombre; }
inline int avisar_fallo(const char*, int estado) { return estado; }
inline void recordar_fallo(const char*) {}
#endif

#endif
