// Test support: damaged copies of a TrueType font. FontBytes holds a font
// file's bytes and finds its tables by tag; damaged_copy writes a copy that a
// test's own change has damaged.
#ifndef TESTS_SUPPORT_FONTS_H
#define TESTS_SUPPORT_FONTS_H

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace testsupport {

struct FontBytes {
    std::vector<unsigned char> d;

    size_t u16(size_t o) const { return size_t(d[o]) << 8 | d[o + 1]; }
    size_t u32(size_t o) const { return u16(o) << 16 | u16(o + 2); }
    // The offset of the table named `tag` (0 when there is none) and its length.
    size_t table(const char* tag, size_t* length = nullptr) const {
        for (size_t i = 0, e = 12; i < u16(4); i++, e += 16)
            if (memcmp(&d[e], tag, 4) == 0) {
                if (length) *length = u32(e + 12);
                return u32(e + 8);
            }
        return 0;
    }
};

// `src` with `damage` applied, written to `dst`; the path, or "" when the font
// cannot be read or the copy written.
inline std::string damaged_copy(const char* src, const std::string& dst,
                                const std::function<void(FontBytes&)>& damage) {
    std::string bytes = read_file(src);
    if (bytes.size() < 12) return "";
    FontBytes f{std::vector<unsigned char>(bytes.begin(), bytes.end())};
    damage(f);
    return write_file(dst, std::string(f.d.begin(), f.d.end())) ? dst : "";
}

} // namespace testsupport

#endif
