// Password scrambling of the `users` table (`ENCRYPT`): the typed password
// without leading and trailing blanks, written from last character to first,
// each character code increased by 104, blank-padded to the typed width
// (`FILL_OUT`). Stored passwords exist only in this form; the login compares
// the scrambled typed value with the stored one for exact equality.
#pragma once

#include <string>
#include <string_view>

namespace mx::ds {

// Appends blanks to `text` up to `width` characters (longer text is kept).
std::string FILL_OUT(std::string_view text, size_t width);

// The scrambled form of `typed`, as long as `typed` (so a password typed into
// the 6-character field fits the 6-character `PASSWORD`). Character codes
// wrap around past 255.
std::string ENCRYPT(std::string_view typed);

}  // namespace mx::ds
