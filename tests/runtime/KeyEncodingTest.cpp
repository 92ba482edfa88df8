// Key bytes from values: numeric keys that sort like their values (negatives
// first), the fixed key formats of index creation, and seek keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "Error.h"
#include "KeyEncoding.h"

namespace mx::rt {
namespace {

std::string num(double v, int size, int dec) {
    return encodeKey(Value::numeric(v, size, dec), KeyFormat{ValueType::Numeric, size, dec}, "X");
}

ErrorKind kindOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no error";
    return ErrorKind::Io;
}

TEST(KeyEncoding, NumericKeysSortLikeTheirValues) {
    const std::pair<double, const char*> documented[] = {
        {-1000, ",,+,,,.,,"}, {-45.25, ",,,,('.*'"}, {-3.1, ",,,,,).+,"}, {-0.01, ",,,,,,.,+"},  {0, "000000.00"},
        {0.5, "000000.50"},   {1234.5, "001234.50"}, {999999.99, "999999.99"}, {-0.001, "000000.00"}, {-100000, "*********"}};
    for (const auto& [v, key] : documented) EXPECT_EQ(num(v, 9, 2), key) << v;
    EXPECT_EQ(num(-9, 3, 0), ",,#");

    std::mt19937 rng(7);
    std::vector<double> values{-99999.99, 999999.99, 0, 0.01, -0.01};
    for (int i = 0; i < 3000; ++i) values.push_back((int(rng() % 110000000) - 10000000) / 100.0);  // all of N(9,2)
    std::sort(values.begin(), values.end());
    for (std::size_t i = 1; i < values.size(); ++i) {
        const std::string a = num(values[i - 1], 9, 2), b = num(values[i], 9, 2);
        EXPECT_TRUE(values[i - 1] == values[i] ? a == b : a < b) << values[i - 1] << " / " << values[i];
        EXPECT_DOUBLE_EQ(decodeNumericKey(b), values[i]);
    }
}

TEST(KeyEncoding, OtherTypesFormatsAndSeekKeys) {
    const KeyFormat c5{ValueType::Character, 5, 0}, d8{ValueType::Date, 8, 0}, l1{ValueType::Logical, 1, 0};
    EXPECT_EQ(encodeKey(Value::character("AB"), c5, "X"), "AB   ");
    EXPECT_EQ(encodeKey(Value::character("ABCDEFG"), c5, "X"), "ABCDE");
    EXPECT_EQ(encodeKey(Value::date(dayFromYmd(1985, 11, 2)), d8, "X"), "19851102");
    EXPECT_EQ(encodeKey(Value::date(0), d8, "X"), "        ");
    EXPECT_EQ(encodeKey(Value::logical(true), l1, "X") + encodeKey(Value::logical(false), l1, "X"), "TF");
    EXPECT_EQ(kindOf([&] { encodeKey(Value::numeric(1), c5, "CODE"); }), ErrorKind::BadExpression);
    EXPECT_EQ(kindOf([&] { seekKey(Value::logical(true), c5, "X"); }), ErrorKind::BadExpression);

    // Key size and decimals are fixed from the value on a blank record.
    EXPECT_EQ(keyFormatOf(Value::character(std::string(20, ' ')), "NAME").size, 20);
    EXPECT_EQ(keyFormatOf(Value::character(std::string(300, ' ')), "X").size, 256);
    const KeyFormat n = keyFormatOf(Value::numeric(0, 13, 2), "AMOUNT*2");
    EXPECT_EQ(n.type, ValueType::Numeric);
    EXPECT_EQ(n.size * 10 + n.decimals, 132);
    EXPECT_EQ(keyFormatOf(Value::date(0), "BORN").size, 8);
    EXPECT_EQ(keyFormatOf(Value::logical(false), "ACTIVE").size, 1);
    EXPECT_EQ(kindOf([] { keyFormatOf(Value::character(""), "TRIM(NAME)"); }), ErrorKind::DataWidth);
    EXPECT_EQ(kindOf([] { keyFormatOf(Value(), "NIL"); }), ErrorKind::DataWidth);

    // Seek keys: character values keep trailing blanks and are only cut; numbers are encoded in full.
    const KeyFormat c20{ValueType::Character, 20, 0};
    EXPECT_EQ(seekKey(Value::character("BAKER "), c20, "X"), "BAKER ");
    EXPECT_EQ(seekKey(Value::character(std::string(25, 'A')), c20, "X"), std::string(20, 'A'));
    EXPECT_EQ(seekKey(Value::numeric(-45.2, 10, 1), KeyFormat{ValueType::Numeric, 9, 2}, "X"), ",,,,('.*,");
}

}  // namespace
}  // namespace mx::rt
