// Test support: the display line as the user reads it.
#ifndef TESTS_SUPPORT_DISPLAY_H
#define TESTS_SUPPORT_DISPLAY_H

#include <string>

namespace testsupport {

// The display line's text without the blanks that right-align it.
inline std::string display_text(const std::string& line) {
    size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? "" : line.substr(first);
}

} // namespace testsupport

#endif
