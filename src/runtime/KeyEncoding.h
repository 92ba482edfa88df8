// Index key bytes from expression values, encoded exactly as the reference
// runtime encodes them so that either side reads the other's index files:
//   character  the bytes, cut or blank-padded to the key size
//   date       "YYYYMMDD", the empty date as 8 blanks
//   logical    'T' or 'F'
//   numeric    the field text STR(v, size, dec) with leading blanks turned to
//              '0'; a negative number also has its '-' turned to '0' and every
//              digit d turned into the byte 0x2C - d, so negatives sort first.
#pragma once

#include <string>
#include <string_view>

#include "Value.h"

namespace mx::rt {

struct KeyFormat {
    ValueType type = ValueType::Character;
    int size = 0;
    int decimals = 0;
};

// The key format of a value computed on a blank record (index creation):
// character -> its length (at most 256), numeric -> its width, date 8, logical 1.
// Throws DbError(DataWidth) for an empty character value or nil.
KeyFormat keyFormatOf(const Value& v, const std::string& expressionText);

// Writes exactly fmt.size bytes. Throws DbError(BadExpression) when the
// value's type is not the key's type.
void encodeKey(const Value& v, const KeyFormat& fmt, char* out, const std::string& expressionText);
std::string encodeKey(const Value& v, const KeyFormat& fmt, const std::string& expressionText);

// The search key for a seek value: character values as they are (trailing
// blanks count, cut to the key size), numbers and dates encoded in full.
std::string seekKey(const Value& v, const KeyFormat& fmt, const std::string& expressionText);

// Decodes a numeric key back into its number (for checks and tools).
double decodeNumericKey(std::string_view key);

}  // namespace mx::rt
