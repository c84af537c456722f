// Graphics layer, internal: the size at which SDL_image will decode an image
// file, read before it is decoded (medidas.cpp). Not installed.
#ifndef GRAPHICS_MEDIDAS_H
#define GRAPHICS_MEDIDAS_H

#include <cstdio>

// The width and height, each at least 1, that SDL_image will decode the open
// file f at; false for a file of another format, one cut short or damaged
// where its decoder would go wrong, or one of no size. Reads f from wherever
// it is and leaves it anywhere.
bool medir_imagen(FILE* f, long long& w, long long& h);

#endif
