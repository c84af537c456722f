// Test support: a whole file as a string, for the tests, fuzzers and
// benchmarks that read what a program wrote or a data file.
#ifndef TESTS_SUPPORT_FILES_H
#define TESTS_SUPPORT_FILES_H

#include <cstdio>
#include <string>

namespace testsupport {

// The file's bytes; empty when it cannot be opened.
inline std::string read_file(const std::string& path) {
    std::string s;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    fclose(f);
    return s;
}

} // namespace testsupport

#endif
