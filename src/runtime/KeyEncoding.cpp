// Index key bytes from expression values (see KeyEncoding.h for the rules).
// Owns only the value -> bytes mapping; which expression produces the value
// and where the bytes go is the caller's business.
#include "KeyEncoding.h"

#include <algorithm>
#include <cstring>

#include "Date.h"
#include "Error.h"
#include "NumberFormat.h"

namespace mx::rt {

namespace {

constexpr int kMaxKeySize = 256;

// Numeric keys are the field text made sortable byte by byte:
//   "   -45.25"  leading blanks -> '0'            "000-45.25"
//                '-' -> '0', digit d -> 0x2C - d   ",,,,('.*'"
// A text of asterisks (value too wide) is left as it is.
void encodeNumeric(double value, int size, int decimals, char* out) {
    formatNumber(value, size, decimals, out);
    int i = 0;
    while (i < size && out[i] == ' ') out[i++] = '0';
    if (i < size && out[i] == '-') {
        out[i] = '0';
        for (int j = 0; j < size; ++j) {
            char c = out[j];
            if (c >= '0' && c <= '9') out[j] = static_cast<char>(0x2C - (c - '0'));
        }
    }
}

[[noreturn]] void throwTypeMismatch(const Value& v, const KeyFormat& fmt, const std::string& expressionText) {
    throw DbError(ErrorKind::BadExpression, expressionText,
                  std::string("key value of type ") + valueTypeName(v.type()) + " in an index of type " +
                      valueTypeName(fmt.type));
}

}  // namespace

KeyFormat keyFormatOf(const Value& v, const std::string& expressionText) {
    KeyFormat fmt;
    fmt.type = v.type();
    switch (v.type()) {
        case ValueType::Character:
            if (v.str().empty()) throw DbError(ErrorKind::DataWidth, expressionText, "key expression gives an empty value");
            fmt.size = static_cast<int>(std::min<std::size_t>(v.str().size(), kMaxKeySize));
            break;
        case ValueType::Numeric: {
            // Value::width() is the whole display width (point and decimals included).
            int decimals = std::max(0, v.decimals());
            int width = v.width() > 0 ? v.width() : 10 + (decimals > 0 ? decimals + 1 : 0);
            fmt.size = std::min(width, kMaxKeySize);
            fmt.decimals = decimals;
            break;
        }
        case ValueType::Date: fmt.size = 8; break;
        case ValueType::Logical: fmt.size = 1; break;
        case ValueType::Nil:
            throw DbError(ErrorKind::DataWidth, expressionText, "key expression gives no value");
    }
    return fmt;
}

void encodeKey(const Value& v, const KeyFormat& fmt, char* out, const std::string& expressionText) {
    if (v.type() != fmt.type) throwTypeMismatch(v, fmt, expressionText);
    if (fmt.size <= 0) return;
    const auto size = static_cast<std::size_t>(fmt.size);
    switch (v.type()) {
        case ValueType::Character: {
            std::size_t n = std::min(size, v.str().size());
            std::memcpy(out, v.str().data(), n);
            std::memset(out + n, ' ', size - n);
            break;
        }
        case ValueType::Numeric: encodeNumeric(v.num(), fmt.size, fmt.decimals, out); break;
        case ValueType::Date: {
            char buf[8];
            dayToDtos(v.day(), buf);
            std::size_t n = std::min<std::size_t>(size, 8);
            std::memcpy(out, buf, n);
            std::memset(out + n, ' ', size - n);
            break;
        }
        case ValueType::Logical:
            out[0] = v.boolean() ? 'T' : 'F';
            std::memset(out + 1, ' ', size - 1);
            break;
        case ValueType::Nil: throwTypeMismatch(v, fmt, expressionText);
    }
}

std::string encodeKey(const Value& v, const KeyFormat& fmt, const std::string& expressionText) {
    std::string key(static_cast<std::size_t>(fmt.size), ' ');
    encodeKey(v, fmt, key.data(), expressionText);
    return key;
}

std::string seekKey(const Value& v, const KeyFormat& fmt, const std::string& expressionText) {
    if (v.type() != fmt.type) throwTypeMismatch(v, fmt, expressionText);
    if (v.isCharacter()) return v.str().substr(0, static_cast<std::size_t>(fmt.size));
    return encodeKey(v, fmt, expressionText);
}

double decodeNumericKey(std::string_view key) {
    if (key.empty() || key[0] != 0x2C) return parseNumber(key);
    std::string text(key);
    for (char& c : text) {
        if (c >= 0x23 && c <= 0x2C) c = static_cast<char>('0' + (0x2C - c));
    }
    return -parseNumber(text);
}

}  // namespace mx::rt
