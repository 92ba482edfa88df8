#include "Text.h"
#include "Ascii.h"

#include <cstdio>

#include <cctype>

namespace mx::ds {

std::string upper(std::string_view s) { return rt::upperCase(s); }

std::string trimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
    return std::string(s.substr(0, n));
}

std::string allTrim(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    return trimRight(s.substr(b));
}

bool equalsNoCase(std::string_view a, std::string_view b) { return rt::equalsNoCase(a, b); }

std::string fixedText(double n, int width, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, n);
    return buf;
}

}  // namespace mx::ds
