// Graphics layer, internal: which row copy the keyed blit of blit.cpp runs,
// for the tests that check each copy against SDL's own blit. Not installed.
#ifndef GRAPHICS_BLIT_H
#define GRAPHICS_BLIT_H

// The row copy of apply_surface's keyed blit: "avx512", "avx2" or "base" (any
// processor), or null for the widest this processor runs, which is what the
// first keyed blit takes. False, and nothing changed, when this build or this
// processor has no such copy.
bool usar_copia_fila(const char* nombre);

#endif
