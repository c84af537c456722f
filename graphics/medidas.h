// Graphics layer, internal: what decoding an image will cost SDL_image, read
// from the image's bytes before they are decoded (medidas.cpp). Not
// installed.
#ifndef GRAPHICS_MEDIDAS_H
#define GRAPHICS_MEDIDAS_H

#include <cstddef>

// What a face may make its decoder spend, the same on every system. With
// MAX_LADO_IMAGEN (xgrafi.h) they keep the decoding of any accepted image
// within a fraction of a second and a few tens of MB.
enum {
    // Bytes of an image file read at most: the largest sound encoding of a
    // 2048 x 2048 image, a 16-bit RGBA PNG stored without compression, is
    // 33,556,480 bytes of rows and a few KB of framing; the rest is room for
    // the text below.
    MAX_BYTES_IMAGEN = 40 << 20,
    // libpng decompresses and keeps every text and colour profile (tEXt,
    // zTXt, iTXt, iCCP chunks) it meets before the image data, each up to
    // 8 MB: an image may carry this many, holding this much in all.
    MAX_TROZOS_TEXTO_PNG = 64,
    MAX_BYTES_TEXTO_PNG = 4 << 20,
    // libjpeg decodes every scan of a progressive JPEG over the whole image,
    // however little the scan holds: at most this many scans, visiting at
    // most this many 8 x 8 blocks in all: libjpeg's own progression of a
    // 2048 x 2048 CMYK image has 18 scans visiting 24 x 256 x 256 blocks.
    MAX_BARRIDOS_JPEG = 64,
    MAX_BLOQUES_JPEG = 24 * 256 * 256,
};

struct Medida {
    long long ancho = 0, alto = 0; // pixels, each at least 1
    char limite[96] = "";          // on a refusal for a limit above: which, as a phrase
};

// Whether SDL_image can decode the n bytes at `datos` within the limits
// above, and at what size (which the caller holds to MAX_LADO_IMAGEN). False
// for another format, a file cut short or damaged where its decoder would go
// wrong, one of no size, or one over a limit (then m.limite says which).
bool medir_imagen(const unsigned char* datos, size_t n, Medida& m);

#endif
