// Reading numeric field text: the short-text fast path must give exactly the
// double strtod gives for the same digits, and the lenient rules (blanks,
// sign, stop at the first other byte, asterisks) must hold on both paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "NumberFormat.h"

namespace mx::rt {
namespace {

// strtod over the accepted span, the reference the fast path must match bit for bit.
double viaStrtod(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return 0.0;
    std::size_t j = i;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    bool any = false;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j, any = true;
    if (j < text.size() && text[j] == '.') {
        ++j;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j, any = true;
    }
    if (!any) return 0.0;
    return std::strtod(text.substr(i, j - i).c_str(), nullptr);
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(NumberFormat, ParseMatchesStrtodOnFieldTexts) {
    std::mt19937_64 rng(99);
    for (int i = 0; i < 200000; ++i) {
        const int intDigits = static_cast<int>(rng() % 20);
        const int decimals = static_cast<int>(rng() % 24);
        std::string t(static_cast<std::size_t>(rng() % 4), ' ');
        if (rng() % 3 == 0) t += rng() % 2 ? '-' : '+';
        for (int d = 0; d < intDigits; ++d) t += static_cast<char>('0' + rng() % 10);
        if (decimals > 0 || rng() % 4 == 0) t += '.';
        for (int d = 0; d < decimals; ++d) t += static_cast<char>('0' + rng() % 10);
        if (rng() % 5 == 0) t += "x12";
        int dec = -1;
        const double got = parseNumber(t, &dec);
        ASSERT_TRUE(sameBits(got, viaStrtod(t))) << "'" << t << "'";
        ASSERT_EQ(dec, decimals) << "'" << t << "'";
    }
}

TEST(NumberFormat, ParseReadsWhatFieldsHold) {
    EXPECT_EQ(parseNumber("  1234.50"), 1234.5);
    EXPECT_EQ(parseNumber("   -45.25"), -45.25);
    EXPECT_EQ(parseNumber("     0.00"), 0.0);
    EXPECT_TRUE(std::signbit(parseNumber("-0.00")));
    EXPECT_EQ(parseNumber("*********"), 0.0);
    EXPECT_EQ(parseNumber("         "), 0.0);
    EXPECT_EQ(parseNumber(""), 0.0);
    EXPECT_EQ(parseNumber("-"), 0.0);
    EXPECT_EQ(parseNumber("12abc"), 12.0);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("9007199254740993"), 9007199254740992.0);  // 2^53 + 1 rounds to even
    EXPECT_EQ(parseNumber("0.1"), 0.1);
    EXPECT_EQ(parseNumber("123456789012345678901234567890"), 1.2345678901234568e29);
    int dec = 0;
    EXPECT_EQ(parseNumber("  12.500", &dec), 12.5);
    EXPECT_EQ(dec, 3);
}

}  // namespace
}  // namespace mx::rt
