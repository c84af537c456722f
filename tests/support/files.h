// Test support: files and folders for the tests, fuzzers and benchmarks: a
// whole file as a string, a file written from one, a scratch folder.
#ifndef TESTS_SUPPORT_FILES_H
#define TESTS_SUPPORT_FILES_H

#include <cstdio>
#include <cstdlib>
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

// Writes `bytes` as the whole of `path`; false when it cannot.
inline bool write_file(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// A new empty folder under /tmp whose name starts with `prefix`; the test
// removes it. Empty when none can be made.
inline std::string temp_dir(const std::string& prefix) {
    std::string name = "/tmp/" + prefix + "-XXXXXX";
    return mkdtemp(&name[0]) ? name : "";
}

} // namespace testsupport

#endif
