// Field descriptions of a DBF table.
#pragma once

#include <string>
#include <vector>

namespace mx::rt {

enum class FieldType : char { Character = 'C', Numeric = 'N', Logical = 'L', Date = 'D', Memo = 'M' };

struct FieldDef {
    std::string name;  // upper case, at most 10 characters
    FieldType type = FieldType::Character;
    int length = 0;    // C 1..65535, N 1..255 (decimals below), L 1, D 8, M 10
    int decimals = 0;  // N only
    int offset = 0;    // offset in the record, after the deletion flag (set by the table)
};

// Shorthands for building field lists.
inline FieldDef charField(std::string name, int length) { return {std::move(name), FieldType::Character, length, 0, 0}; }
inline FieldDef numField(std::string name, int length, int decimals = 0) {
    return {std::move(name), FieldType::Numeric, length, decimals, 0};
}
inline FieldDef logField(std::string name) { return {std::move(name), FieldType::Logical, 1, 0, 0}; }
inline FieldDef dateField(std::string name) { return {std::move(name), FieldType::Date, 8, 0, 0}; }
inline FieldDef memoField(std::string name) { return {std::move(name), FieldType::Memo, 10, 0, 0}; }

}  // namespace mx::rt
