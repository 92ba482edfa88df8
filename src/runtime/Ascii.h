// How the runtime folds and compares names (aliases, field names, file
// names): byte by byte, with the C library's case rules of the "C" locale,
// so that every program sharing the files agrees.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace mx::rt {

inline char upperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

inline std::string upperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = upperChar(c);
    return r;
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperChar(a[i]) != upperChar(b[i])) return false;
    return true;
}

}  // namespace mx::rt
