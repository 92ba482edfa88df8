// Value-level helpers of the expression language that other code may reuse:
// the width/decimals a computed number carries, STR()/STRZERO() text, date
// text under a DTOC picture, TRANSFORM() pictures and a substring search
// that stays linear on long inputs. Pure functions; no host access.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Date.h"
#include "Value.h"

namespace mx::rt {

// Width of the integer part of a computed number: 10, or 20 for values of
// ten or more digits (and negatives of ten or more characters).
int defaultIntegerWidth(double n);

// A computed number (arithmetic result, ROUND(), VAL() ...): width is
// defaultIntegerWidth() plus the point and decimals; decimals are clamped to
// 0..kMaxComputedDecimals.
Value computedNumber(double n, int decimals);

// Converts a number argument to an integer for positions, counts and widths:
// truncated toward zero, NaN as 0, clamped to +/- 2^31 - 1.
long long toCount(double n);

// STR(n, width, decimals) with the conventions of Expression.h's strFunction.
// Precondition: n is numeric.
void strInto(const Value& n, int width, int decimals, std::string& out);
// STRZERO(): STR() with the leading blanks turned into zeros and the minus
// sign, if any, moved in front of them. Asterisks stay asterisks.
void strZeroInto(const Value& n, int width, int decimals, std::string& out);

// DTOC(): the date written under a picture of dd, mm, yy / yyyy and
// separators ("mm/dd/yy"); the empty date gives blanks where digits would be.
std::string formatDate(DayNumber day, std::string_view picture);
// CTOD(): reads day, month and year in the order the picture names them;
// two-digit years fall in [epoch, epoch + 99]. Invalid or blank text gives
// the empty date.
DayNumber parseDate(std::string_view text, std::string_view picture, int epoch);

// TRANSFORM(value, picture) for the pictures the system uses: functions "@!"
// (upper case), "@X", "@R", "@Z", "@B"; character templates of ! 9 # A N X
// and literals; numeric templates like "999.99" or "9,999"; "Y" and "L" for
// logicals; dates as DTOC. `datePicture` is the session's DTOC picture.
std::string transformValue(const Value& v, std::string_view picture, std::string_view datePicture);

// 0-based offset of the first (or last) occurrence of `needle` in `hay`, or
// npos. Linear time whatever the inputs, so long hostile strings stay cheap.
std::size_t findBytes(std::string_view hay, std::string_view needle, bool last = false);

}  // namespace mx::rt
