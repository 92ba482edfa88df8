// The values that fields and expressions produce: character (raw bytes, no
// code-page conversion), numeric (a double plus the width and decimals that
// formatting and index keys need), logical, date (day number, 0 = empty) and nil.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "Date.h"

namespace mx::rt {

enum class ValueType : std::uint8_t { Nil, Character, Numeric, Logical, Date };

const char* valueTypeName(ValueType type);

class Value {
public:
    Value() = default;  // nil

    static Value character(std::string bytes) {
        Value v;
        v.type_ = ValueType::Character;
        v.str_ = std::move(bytes);
        return v;
    }
    static Value character(std::string_view bytes) { return character(std::string(bytes)); }
    static Value character(const char* bytes) { return character(std::string(bytes)); }
    // width: the display width STR() uses without a width argument (10 for a
    // plain integer, the field width for a field); decimals: digits after the point.
    static Value numeric(double n, int width = 10, int decimals = 0) {
        Value v;
        v.type_ = ValueType::Numeric;
        v.num_ = n;
        v.width_ = static_cast<std::int16_t>(width);
        v.decimals_ = static_cast<std::int16_t>(decimals);
        return v;
    }
    static Value logical(bool b) {
        Value v;
        v.type_ = ValueType::Logical;
        v.bool_ = b;
        return v;
    }
    static Value date(DayNumber day) {
        Value v;
        v.type_ = ValueType::Date;
        v.day_ = day;
        return v;
    }

    ValueType type() const noexcept { return type_; }
    bool isNil() const noexcept { return type_ == ValueType::Nil; }
    bool isCharacter() const noexcept { return type_ == ValueType::Character; }
    bool isNumeric() const noexcept { return type_ == ValueType::Numeric; }
    bool isLogical() const noexcept { return type_ == ValueType::Logical; }
    bool isDate() const noexcept { return type_ == ValueType::Date; }

    // Accessors: the caller checks the type first.
    const std::string& str() const noexcept { return str_; }
    std::string& str() noexcept { return str_; }
    double num() const noexcept { return num_; }
    int width() const noexcept { return width_; }
    int decimals() const noexcept { return decimals_; }
    bool boolean() const noexcept { return bool_; }
    // True only for a logical .T.: the test a condition or a flag field
    // passes (nil, a blank field and any other type count as false).
    bool isTrue() const noexcept { return type_ == ValueType::Logical && bool_; }
    DayNumber day() const noexcept { return day_; }

    // In-place assignments that keep this value's string buffer, so that a
    // value reused from record to record stops allocating once it is big
    // enough. The result equals the one the matching factory above makes.
    void assignCharacter(std::string_view bytes) {
        setScalars(ValueType::Character, false, 0, 0, 0, 0.0);
        str_.assign(bytes.data(), bytes.size());
    }
    void assignNumeric(double n, int width = 10, int decimals = 0) {
        setScalars(ValueType::Numeric, false, width, decimals, 0, n);
        str_.clear();
    }
    void assignLogical(bool b) {
        setScalars(ValueType::Logical, b, 0, 0, 0, 0.0);
        str_.clear();
    }
    void assignDate(DayNumber day) {
        setScalars(ValueType::Date, false, 0, 0, day, 0.0);
        str_.clear();
    }
    // Copies `v` into this value the same way.
    void assign(const Value& v) {
        setScalars(v.type_, v.bool_, v.width_, v.decimals_, v.day_, v.num_);
        if (v.type_ == ValueType::Character)
            str_.assign(v.str_);
        else
            str_.clear();
    }

    void setNumericFormat(int width, int decimals) {
        width_ = static_cast<std::int16_t>(width);
        decimals_ = static_cast<std::int16_t>(decimals);
    }

    // Same type and same content (character: same bytes and length; numeric:
    // same number, width and decimals ignored).
    bool operator==(const Value& other) const;

private:
    void setScalars(ValueType type, bool b, int width, int decimals, DayNumber day, double num) {
        type_ = type;
        bool_ = b;
        width_ = static_cast<std::int16_t>(width);
        decimals_ = static_cast<std::int16_t>(decimals);
        day_ = day;
        num_ = num;
    }

    ValueType type_ = ValueType::Nil;
    bool bool_ = false;
    std::int16_t width_ = 0;
    std::int16_t decimals_ = 0;
    DayNumber day_ = 0;
    double num_ = 0.0;
    std::string str_;
};

}  // namespace mx::rt
