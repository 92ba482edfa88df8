// Number <-> text as the xBase runtime writes numeric fields and STR():
// right-aligned in a fixed width, exactly `decimals` digits after the point,
// rounded half away from zero on the decimal value the number stands for
// (1.005 -> "1.01"), no minus sign on a value that rounds to zero, and the
// whole width filled with '*' when the text does not fit.
#pragma once

#include <string>
#include <string_view>

namespace mx::rt {

// Writes exactly `width` bytes to out. Returns false (and writes asterisks)
// when the value does not fit. Preconditions: width >= 1, decimals >= 0.
bool formatNumber(double value, int width, int decimals, char* out);
std::string formatNumber(double value, int width, int decimals);

// Rounds half away from zero to `decimals` digits, on the shortest decimal
// representation of the value (so 1.005 rounds up, as the reference does).
double roundHalfAway(double value, int decimals);

// Lenient reading of numeric text: leading blanks, optional sign, digits,
// optional point and digits; stops at the first other byte. Blanks, "****"
// and text without digits read as 0. `decimalsOut`, when given, receives the
// number of digits after the point.
double parseNumber(std::string_view text, int* decimalsOut = nullptr);

}  // namespace mx::rt
