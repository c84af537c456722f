// Test support: files and folders for the tests, fuzzers and benchmarks: a
// whole file as a string, a file written from one, a scratch folder.
#ifndef TESTS_SUPPORT_FILES_H
#define TESTS_SUPPORT_FILES_H

#include <cstdio>
#include <filesystem>
#include <random>
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

// A new empty folder in the system's folder for temporary files whose name
// starts with `prefix`; the test removes it (remove_tree). Empty when none
// can be made.
inline std::string temp_dir(const std::string& prefix) {
    std::error_code e;
    std::filesystem::path base = std::filesystem::temp_directory_path(e);
    static std::mt19937 azar{std::random_device{}()};
    for (int i = 0; i < 100 && !e; i++) {
        std::filesystem::path dir = base / (prefix + "-" + std::to_string(azar() % 1000000000));
        if (std::filesystem::create_directory(dir, e)) return dir.string();
    }
    return "";
}

inline void remove_tree(const std::string& path) {
    std::error_code e;
    std::filesystem::remove_all(path, e);
}

} // namespace testsupport

#endif
