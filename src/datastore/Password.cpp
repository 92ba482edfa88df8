#include "Password.h"

#include "Text.h"

namespace mx::ds {

std::string FILL_OUT(std::string_view text, size_t width) {
    std::string r(text);
    if (r.size() < width) r.append(width - r.size(), ' ');
    return r;
}

std::string ENCRYPT(std::string_view typed) {
    const std::string clear = allTrim(typed);
    std::string scrambled;
    for (auto it = clear.rbegin(); it != clear.rend(); ++it)
        scrambled.push_back(static_cast<char>(static_cast<unsigned char>(*it) + 104));
    return FILL_OUT(scrambled, typed.size());
}

}  // namespace mx::ds
