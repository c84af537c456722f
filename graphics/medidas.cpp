// Graphics layer, what an image will cost before it is decoded: medir_imagen()
// gives the width and height at which SDL_image will decode an image's bytes,
// read as the decoder of its format reads them, so that the size checked is
// the size decoded, and holds what the decoder would spend besides (PNG texts,
// JPEG scans) to the limits of medidas.h. PNG and JPEG, which SDL_image
// decodes with libpng and libjpeg, are read by those libraries; GIF and BMP,
// which it decodes itself, are read here as its own decoders read them,
// refusing what they would mishandle. Start at medir_imagen, at the end; above
// it the reader of the bytes, then one reader per format.
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
#include <zlib.h>

#include "graphics/medidas.h"

namespace {
// The bytes of an image, read front to back: reads past the end fail, and
// take what there was.
struct Lectura {
    const unsigned char* p;
    long long tamano; // bytes in all
    long long pos;    // the next one

    bool ir_a(long long offset) {
        if (offset < 0 || offset > tamano) return false;
        pos = offset;
        return true;
    }
    long long donde() const { return pos; }
    long long quedan() const { return tamano - pos; }
    // Up to n bytes; none only at the end.
    size_t leer_parte(unsigned char* out, size_t n) {
        size_t k = (size_t)std::min((long long)n, quedan());
        memcpy(out, p + pos, k);
        pos += (long long)k;
        return k;
    }
    bool leer(unsigned char* out, size_t n) { return leer_parte(out, n) == n; }
    bool saltar(long long n) { return ir_a(donde() + n); }
    int byte() { return pos < tamano ? p[pos++] : -1; }
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

// The size of a zlib stream once inflated, counted up to `tope` and a byte
// beyond: what libpng would allocate for a compressed text.
static long long inflado(const unsigned char* p, long long n, long long tope) {
    static unsigned char salida[1 << 16];
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return 0;
    z.next_in = (Bytef*)p;
    z.avail_in = (uInt)std::min(n, (long long)UINT_MAX);
    long long total = 0;
    int r = Z_OK;
    while (r == Z_OK && total <= tope) {
        z.next_out = salida, z.avail_out = sizeof salida;
        r = inflate(&z, Z_NO_FLUSH);
        total += (long long)(sizeof salida - z.avail_out);
    }
    inflateEnd(&z);
    return total;
}

// The bytes a text or colour-profile chunk holds once decompressed, as
// libpng keeps it; -1 for a chunk of another type.
static long long texto_png(const unsigned char* tipo, const unsigned char* d, long long n,
                           long long tope) {
    const unsigned char* fin = d + n;
    const unsigned char* clave = std::find(d, fin, 0); // keyword or profile name
    if (memcmp(tipo, "tEXt", 4) == 0) return n;
    if (memcmp(tipo, "zTXt", 4) == 0 || memcmp(tipo, "iCCP", 4) == 0)
        return clave + 2 <= fin ? (clave - d) + inflado(clave + 2, fin - clave - 2, tope) : n;
    if (memcmp(tipo, "iTXt", 4) != 0) return -1;
    // keyword, compression flag and method, language, translated keyword, text
    const unsigned char* lengua = clave + 3 <= fin ? clave + 3 : fin;
    const unsigned char* traducida = std::min(fin, std::find(lengua, fin, 0) + 1);
    const unsigned char* texto = std::min(fin, std::find(traducida, fin, 0) + 1);
    bool comprimido = clave + 1 < fin && clave[1] != 0;
    return (texto - d) + (comprimido ? inflado(texto, fin - texto, tope) : fin - texto);
}

// SDL_image reads a PNG without looking at what each read returns: past the
// end of the file it reads on for as long as a chunk's stated length, up to
// 2 GB of zeros through leer_o_ceros. Every chunk must end within the file.
// Before the image data, libpng decompresses and keeps every text it meets
// (in the reading here and again in SDL_image): their number and their size
// are held to the limits.
static bool trozos_sanos(Lectura& l, Medida& m) {
    unsigned char c[8];
    int textos = 0;
    long long bytes = 0;
    bool datos = false; // the image data has begun
    for (long long pos = 8; pos < l.tamano;) {
        if (!l.ir_a(pos) || !l.leer(c, 8)) return false;
        const long long largo = be32(c);
        pos += 12 + largo; // length, type, data, CRC
        if (pos > l.tamano) return false;
        if (memcmp(c + 4, "IEND", 4) == 0) break;
        datos = datos || memcmp(c + 4, "IDAT", 4) == 0;
        long long t = datos ? -1 : texto_png(c + 4, l.p + l.donde(), largo, MAX_BYTES_TEXTO_PNG);
        if (t < 0) continue;
        if (++textos > MAX_TROZOS_TEXTO_PNG) {
            snprintf(m.limite, sizeof m.limite, "más de %d trozos de texto (PNG)",
                     MAX_TROZOS_TEXTO_PNG);
            return false;
        }
        if ((bytes += t) > MAX_BYTES_TEXTO_PNG) {
            snprintf(m.limite, sizeof m.limite, "más de %d bytes de texto (PNG)",
                     MAX_BYTES_TEXTO_PNG);
            return false;
        }
    }
    return true;
}

static bool medir_png(Lectura& l, Medida& m) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fallo_png, aviso_png);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool sanos = info && trozos_sanos(l, m);
    bool leida = sanos && l.ir_a(0) && cabecera_png(png, info, l);
    if (leida) m.ancho = png_get_image_width(png, info), m.alto = png_get_image_height(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return leida;
}

// --- JPEG --------------------------------------------------------------------

// libjpeg reads the markers up to the first scan and takes the size from the
// first frame header it meets, skipping what it skips for SDL_image (fill
// bytes, stuffed zeros); an error jumps back here instead of ending the
// program, and nothing is printed. It is given all the bytes at once: asking
// for more is the end of the file.
namespace {
struct ErroresJpeg {
    jpeg_error_mgr pub;
    jmp_buf salto;
};
} // namespace

static void salir_jpeg(j_common_ptr c) { longjmp(((ErroresJpeg*)c->err)->salto, 1); }
static void callar_jpeg(j_common_ptr) {}
static void nada_jpeg(j_decompress_ptr) {}

static boolean llenar_jpeg(j_decompress_ptr c) {
    ERREXIT(c, JERR_INPUT_EOF);
    return FALSE;
}

static void saltar_jpeg(j_decompress_ptr c, long n) {
    if (n <= 0) return;
    if ((size_t)n > c->src->bytes_in_buffer) ERREXIT(c, JERR_INPUT_EOF);
    c->src->next_input_byte += n, c->src->bytes_in_buffer -= (size_t)n;
}

static bool cabecera_jpeg(jpeg_decompress_struct& cinfo, ErroresJpeg& errores,
                          jpeg_source_mgr& fuente) {
    if (setjmp(errores.salto)) return false;
    jpeg_create_decompress(&cinfo);
    cinfo.src = &fuente;
    jpeg_read_header(&cinfo, TRUE);
    return true;
}

// libjpeg's way to the next marker: past any other bytes, past fill bytes
// (FF), and past a stuffed zero (FF 00) as data; the marker's code, or -1 at
// the end.
static int marcador(Lectura& l) {
    for (int c;;) {
        while ((c = l.byte()) >= 0 && c != 0xff) continue;
        while (c == 0xff) c = l.byte();
        if (c != 0) return c;
    }
}

// The 8 x 8 blocks that each scan decodes, as libjpeg walks the file: a
// segment is passed over by its stated length, a scan's coded data up to
// the first marker other than a restart. A progressive JPEG's scans each
// visit every block of their components; a sequential one has one scan.
static bool barridos_jpeg(Lectura& l, const jpeg_decompress_struct& cinfo, Medida& m) {
    long long barridos = 0, bloques = 0;
    l.ir_a(2);
    for (int c; (c = marcador(l)) >= 0 && c != 0xd9;) {
        if (c == 0x01 || (c >= 0xd0 && c <= 0xd8)) continue; // no length
        unsigned char largo[2];
        if (!l.leer(largo, 2)) break;
        if ((largo[0] << 8 | largo[1]) < 2) break;
        const long long fin = l.donde() + (largo[0] << 8 | largo[1]) - 2;
        if (c == 0xda) {
            barridos++;
            for (int i = 0, n = l.byte(); i < n && i < 4; i++) {
                const int id = l.byte();
                l.byte(); // its tables
                for (int k = 0; k < cinfo.num_components; k++)
                    if (cinfo.comp_info[k].component_id == id)
                        bloques += (long long)cinfo.comp_info[k].width_in_blocks *
                                   cinfo.comp_info[k].height_in_blocks;
            }
        }
        if (!l.ir_a(fin)) break;
        if (c != 0xda) continue;
        for (int b; (b = l.byte()) >= 0;) { // the coded data
            if (b != 0xff) continue;
            while ((b = l.byte()) == 0xff) continue;
            if (b != 0 && (b < 0xd0 || b > 0xd7)) {
                l.saltar(-2);
                break;
            }
        }
    }
    if (barridos > MAX_BARRIDOS_JPEG)
        snprintf(m.limite, sizeof m.limite, "más de %d barridos (JPEG)", MAX_BARRIDOS_JPEG);
    else if (bloques > MAX_BLOQUES_JPEG)
        snprintf(m.limite, sizeof m.limite, "barridos de más de %d bloques (JPEG)",
                 MAX_BLOQUES_JPEG);
    return m.limite[0] == '\0';
}

static bool medir_jpeg(Lectura& l, Medida& m) {
    jpeg_decompress_struct cinfo{};
    ErroresJpeg errores;
    cinfo.err = jpeg_std_error(&errores.pub);
    errores.pub.error_exit = salir_jpeg;
    errores.pub.output_message = callar_jpeg;
    jpeg_source_mgr fuente{};
    fuente.next_input_byte = l.p, fuente.bytes_in_buffer = (size_t)l.tamano;
    fuente.init_source = nada_jpeg, fuente.term_source = nada_jpeg;
    fuente.fill_input_buffer = llenar_jpeg, fuente.skip_input_data = saltar_jpeg;
    fuente.resync_to_restart = jpeg_resync_to_restart;
    bool leida = cabecera_jpeg(cinfo, errores, fuente);
    if (leida) m.ancho = cinfo.image_width, m.alto = cinfo.image_height;
    leida = leida && barridos_jpeg(l, cinfo, m);
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
static bool medir_gif(Lectura& l, Medida& m) {
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
            m.ancho = le16(c + 4), m.alto = le16(c + 6);
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
static bool medir_bmp(Lectura& l, Medida& m) {
    static const long long CUENTAS[] = {1, 4, 8, 15, 16, 24, 32};
    unsigned char c[16];
    if (!l.ir_a(14) || !l.leer(c, 12)) return false;
    const bool viejo = le32s(c) == 12;
    if (!viejo && !l.leer(c + 12, 4)) return false;
    m.ancho = viejo ? le16(c + 4) : le32s(c + 4);
    m.alto = viejo ? le16(c + 6) : llabs(le32s(c + 8));
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
    bool (*medir)(Lectura&, Medida&);
} FORMATOS[] = {
    {"\x89PNG\r\n\x1a\n", 8, medir_png},
    {"BM", 2, medir_bmp},
    {"GIF87a", 6, medir_gif},
    {"GIF89a", 6, medir_gif},
    {"\xff\xd8", 2, medir_jpeg},
};

bool medir_imagen(const unsigned char* datos, size_t n, Medida& m) {
    Lectura l{datos, (long long)n, 0};
    for (const auto& formato : FORMATOS)
        if (n >= formato.largo && memcmp(datos, formato.firma, formato.largo) == 0)
            return formato.medir(l, m) && m.ancho > 0 && m.alto > 0;
    return false;
}
