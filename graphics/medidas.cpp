// Graphics layer, the size of an image before it is decoded: medir_imagen()
// gives the width and height at which SDL_image will decode a file, read as
// the decoder of its format reads them, so that the size checked is the size
// decoded. PNG and JPEG, which SDL_image decodes with libpng and libjpeg, are
// read by those libraries; GIF and BMP, which it decodes itself, are read here
// as its own decoders read them, refusing what they would mishandle. Start at
// medir_imagen, at the end; above it the file reader, then one reader per
// format.
#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "graphics/medidas.h"

namespace {
// A file read front to back through a buffer of its own. `ir_a` moves within
// the buffer when it can and seeks only beyond it, so walking a file of
// millions of tiny PNG chunks costs a read per 64 KB, not a seek per chunk.
struct Lectura {
    FILE* f;
    long long tamano; // bytes in the file
    long long base;   // file offset of buf[0]
    size_t pos, fin;  // next byte and end of what buf holds
    unsigned char buf[1 << 16];

    bool empezar(FILE* file) {
        f = file, base = 0, pos = fin = 0;
        if (fseek(f, 0, SEEK_END) != 0) return false;
        tamano = ftell(f); // -1 for a file too large for a long
        return tamano >= 0 && fseek(f, 0, SEEK_SET) == 0;
    }
    bool ir_a(long long offset) {
        if (offset < 0 || offset > tamano) return false;
        if (offset >= base && offset <= base + (long long)fin) {
            pos = (size_t)(offset - base);
            return true;
        }
        if (offset > LONG_MAX || fseek(f, (long)offset, SEEK_SET) != 0) return false;
        base = offset, pos = fin = 0;
        return true;
    }
    long long donde() const { return base + (long long)pos; }
    // Up to n bytes; none only at the end of the file.
    size_t leer_parte(unsigned char* out, size_t n) {
        if (pos == fin) {
            base += (long long)fin;
            pos = 0;
            fin = fread(buf, 1, sizeof buf, f);
        }
        size_t k = std::min(n, fin - pos);
        memcpy(out, buf + pos, k);
        pos += k;
        return k;
    }
    bool leer(unsigned char* out, size_t n) {
        for (size_t k; n > 0; out += k, n -= k)
            if ((k = leer_parte(out, n)) == 0) return false;
        return true;
    }
    bool saltar(long long n) { return ir_a(donde() + n); }
    int byte() {
        unsigned char b;
        return leer(&b, 1) ? b : -1;
    }
};
} // namespace

static long long be32(const unsigned char* p) {
    return (long long)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
static long long le16(const unsigned char* p) { return p[1] << 8 | p[0]; }
static long long le32s(const unsigned char* p) {
    return (int32_t)(uint32_t)(le16(p + 2) << 16 | le16(p));
}

// --- PNG ---------------------------------------------------------------------

// libpng reads the signature and every chunk up to the image data, as it
// does for SDL_image; here the end of the file is an error, and neither
// errors nor warnings are printed.
static void leer_png(png_structp png, png_bytep out, size_t n) {
    if (!((Lectura*)png_get_io_ptr(png))->leer(out, n)) png_error(png, "end of file");
}
static void fallo_png(png_structp png, png_const_charp) { png_longjmp(png, 1); }
static void aviso_png(png_structp, png_const_charp) {}

static bool cabecera_png(png_structp png, png_infop info, Lectura& l) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &l, leer_png);
    png_read_info(png, info);
    return true;
}

// SDL_image reads a PNG without looking at what each read returns: past the
// end of the file it reads on for as long as a chunk's stated length, up to
// 2 GB of zeros through leer_o_ceros. Every chunk must end within the file.
static bool trozos_dentro(Lectura& l) {
    unsigned char c[8];
    for (long long pos = 8; pos < l.tamano;) {
        if (!l.ir_a(pos) || !l.leer(c, 8)) return false;
        pos += 12 + be32(c); // length, type, data, CRC
        if (pos > l.tamano) return false;
        if (memcmp(c + 4, "IEND", 4) == 0) break;
    }
    return true;
}

static bool medir_png(Lectura& l, long long& w, long long& h) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fallo_png, aviso_png);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool leida = info && l.ir_a(0) && cabecera_png(png, info, l);
    if (leida) w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return leida && trozos_dentro(l);
}

// --- JPEG --------------------------------------------------------------------

// libjpeg reads the markers up to the first scan and takes the size from the
// first frame header it meets, skipping what it skips for SDL_image (fill
// bytes, stuffed zeros); an error jumps back here instead of ending the
// program, and nothing is printed.
namespace {
struct ErroresJpeg {
    jpeg_error_mgr pub;
    jmp_buf salto;
};
struct FuenteJpeg {
    jpeg_source_mgr pub;
    Lectura* l;
    JOCTET buf[4096];
};
} // namespace

static void salir_jpeg(j_common_ptr c) { longjmp(((ErroresJpeg*)c->err)->salto, 1); }
static void callar_jpeg(j_common_ptr) {}
static void nada_jpeg(j_decompress_ptr) {}

static boolean llenar_jpeg(j_decompress_ptr c) {
    FuenteJpeg* s = (FuenteJpeg*)c->src;
    size_t n = s->l->leer_parte(s->buf, sizeof s->buf);
    if (n == 0) ERREXIT(c, JERR_INPUT_EOF);
    s->pub.next_input_byte = s->buf, s->pub.bytes_in_buffer = n;
    return TRUE;
}

static void saltar_jpeg(j_decompress_ptr c, long n) {
    FuenteJpeg* s = (FuenteJpeg*)c->src;
    if (n <= 0) return;
    size_t k = std::min((size_t)n, s->pub.bytes_in_buffer);
    s->pub.next_input_byte += k, s->pub.bytes_in_buffer -= k;
    if ((size_t)n > k && !s->l->saltar((long long)n - (long long)k)) ERREXIT(c, JERR_INPUT_EOF);
}

static bool cabecera_jpeg(jpeg_decompress_struct& cinfo, ErroresJpeg& errores, FuenteJpeg& fuente) {
    if (setjmp(errores.salto)) return false;
    jpeg_create_decompress(&cinfo);
    cinfo.src = &fuente.pub;
    jpeg_read_header(&cinfo, TRUE);
    return true;
}

static bool medir_jpeg(Lectura& l, long long& w, long long& h) {
    jpeg_decompress_struct cinfo{};
    ErroresJpeg errores;
    cinfo.err = jpeg_std_error(&errores.pub);
    errores.pub.error_exit = salir_jpeg;
    errores.pub.output_message = callar_jpeg;
    FuenteJpeg fuente;
    fuente.pub.next_input_byte = nullptr, fuente.pub.bytes_in_buffer = 0;
    fuente.pub.init_source = nada_jpeg, fuente.pub.term_source = nada_jpeg;
    fuente.pub.fill_input_buffer = llenar_jpeg, fuente.pub.skip_input_data = saltar_jpeg;
    fuente.pub.resync_to_restart = jpeg_resync_to_restart;
    fuente.l = &l;
    bool leida = l.ir_a(0) && cabecera_jpeg(cinfo, errores, fuente);
    if (leida) w = cinfo.image_width, h = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return leida;
}

// --- GIF ---------------------------------------------------------------------

namespace {
// The codes of a GIF image as SDL_image's decoder reads them: data blocks of
// up to 255 bytes, the last two bytes of one kept before the next, codes of
// `bits` bits read low bit first; a block that cannot be read comes as zeros
// (leer_o_ceros) and ends the codes once its bits are spent.
struct CodigosGif {
    Lectura& l;
    unsigned char buf[280] = {};
    int bit = 0, fin = 0, usados = 0; // next bit, end of the bits, bytes held
    bool acabado = false;

    int leer(int bits) {
        if (bit + bits >= fin) {
            if (acabado) return -1;
            if (usados > 2) buf[0] = buf[usados - 2], buf[1] = buf[usados - 1];
            int n = l.byte();
            if (n > 0 && !l.leer(buf + 2, (size_t)n)) memset(buf + 2, 0, (size_t)n), n = 0;
            if (n <= 0) n = 0, acabado = true;
            usados = 2 + n;
            bit += 16 - fin;
            fin = usados * 8;
        }
        int r = 0;
        for (int j = 0; j < bits; j++, bit++) r |= (buf[bit / 8] >> (bit % 8) & 1) << j;
        return r;
    }
};
} // namespace

// The decoder turns each code into pixels by following it back through its
// table of prefixes onto a stack of 8192 entries. In a sound image every new
// entry's prefix is an older entry, so that walk ends within the 4096 entries
// of the table; a damaged one can make two entries each other's prefix, and
// the decoder of SDL_image's sources runs over its stack (Debian's build
// survives it). This reads the codes as the decoder does, to the image's end
// code or the end of its data, and refuses such an entry. A minimum code size
// above 8 is damage too (no GIF has more than 8 bits per pixel); above 12 the
// decoder would go on to the next image.
static bool codigos_sanos(Lectura& l) {
    const int minimo = l.byte();
    if (minimo < 0 || minimo > 8) return false;
    CodigosGif g{l};
    const int limpiar = 1 << minimo, final = limpiar + 1;
    // The code size, the next entry at which it grows, the next entry.
    int bits = minimo + 1, tope = 2 * limpiar, libre = limpiar + 2;
    int anterior;
    do anterior = g.leer(bits);
    while (anterior == limpiar);
    for (int c; anterior >= 0 && (c = g.leer(bits)) >= 0 && c != final; anterior = c) {
        if (c == limpiar) {
            bits = minimo + 1, tope = 2 * limpiar, libre = limpiar + 2;
            c = g.leer(bits);
            continue;
        }
        if (libre < 4096) {
            if (anterior >= libre) return false;
            if (++libre >= tope && tope < 4096) tope *= 2, bits++;
        }
    }
    return true;
}

// One data block of an extension, passed over: its length, or -1 when the
// file ends first.
static int bloque(Lectura& l) {
    int n = l.byte();
    return n >= 0 && l.saltar(n) ? n : -1;
}

// The decoder allocates one surface, of the size that the first image's
// descriptor states (the screen's size is never used), after the colour
// table and whatever extensions come first; it decodes that image only. It
// reads an extension's blocks up to an empty one, but takes the first block
// of a graphic control extension whatever its length, an empty one too. An
// extension that runs to the end of the file is refused: Debian's decoder
// reads on past the end for good.
static bool medir_gif(Lectura& l, long long& w, long long& h) {
    unsigned char c[9];
    if (!l.ir_a(6) || !l.leer(c, 7)) return false;
    if ((c[4] & 0x80) && !l.saltar(3LL << ((c[4] & 7) + 1))) return false;
    for (int b; (b = l.byte()) >= 0 && b != ';';) {
        if (b == '!') {
            int etiqueta = l.byte(), n = 0;
            if (etiqueta < 0 || (etiqueta == 0xf9 && bloque(l) < 0)) return false;
            while ((n = bloque(l)) > 0) continue;
            if (n < 0) return false;
        } else if (b == ',') {
            if (!l.leer(c, 9)) return false;
            w = le16(c + 4), h = le16(c + 6);
            if ((c[8] & 0x80) && !l.saltar(3LL << ((c[8] & 7) + 1))) return false;
            return codigos_sanos(l);
        } // the decoder passes over any other byte, and so does this walk
    }
    return false;
}

// --- BMP ---------------------------------------------------------------------

// The decoder reads the size from the info header: 16-bit fields in the old
// 12-byte one, signed 32-bit ones after, where a negative height is a
// top-down image. Of the bit counts it does not refuse itself it decodes only
// these; any other it passes to SDL, which makes a surface of whatever that
// many bits gives (up to 32 bytes a pixel, or 8 bits with no palette).
static bool medir_bmp(Lectura& l, long long& w, long long& h) {
    static const long long CUENTAS[] = {1, 4, 8, 15, 16, 24, 32};
    unsigned char c[16];
    if (!l.ir_a(14) || !l.leer(c, 12)) return false;
    const bool viejo = le32s(c) == 12;
    if (!viejo && !l.leer(c + 12, 4)) return false;
    w = viejo ? le16(c + 4) : le32s(c + 4);
    h = viejo ? le16(c + 6) : llabs(le32s(c + 8));
    const long long cuenta = viejo ? le16(c + 10) : le16(c + 14);
    return std::find(std::begin(CUENTAS), std::end(CUENTAS), cuenta) != std::end(CUENTAS);
}

// --- The entry ---------------------------------------------------------------

// The formats whose size can be read before decoding, told apart by their
// first bytes as SDL_image tells them apart. SDL_image reads more formats,
// but those it reads only by allocating whatever they state.
static const struct {
    const char* firma;
    size_t largo;
    bool (*medir)(Lectura&, long long&, long long&);
} FORMATOS[] = {
    {"\x89PNG\r\n\x1a\n", 8, medir_png},
    {"BM", 2, medir_bmp},
    {"GIF87a", 6, medir_gif},
    {"GIF89a", 6, medir_gif},
    {"\xff\xd8", 2, medir_jpeg},
};

bool medir_imagen(FILE* f, long long& w, long long& h) {
    static Lectura l; // 64 KB, kept off the stack; one file at a time
    if (!l.empezar(f)) return false;
    unsigned char firma[8] = {};
    if (!l.leer(firma, sizeof firma) && l.tamano >= (long long)sizeof firma) return false;
    for (const auto& formato : FORMATOS)
        if (memcmp(firma, formato.firma, formato.largo) == 0)
            return formato.medir(l, w, h) && w > 0 && h > 0;
    return false;
}
