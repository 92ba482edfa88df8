// Helpers behind the function library: the linear substring search (checked
// against a plain search on random inputs), dates under DTOC pictures, and
// numbers at the edges of what a double and the text widths can hold.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Error.h"
#include "ExprFormat.h"
#include "ExprTestHost.h"
#include "Expression.h"
#include "NumberFormat.h"

namespace mx::rt {
namespace {

std::size_t plainFind(const std::string& hay, const std::string& needle, bool last) {
    if (needle.empty() || needle.size() > hay.size()) return std::string::npos;
    return last ? hay.rfind(needle) : hay.find(needle);
}

// Long needles take the KMP path; small alphabets make near-matches and
// overlapping borders common, which is where such searches go wrong.
TEST(ExprFormatTest, FindBytesMatchesPlainSearch) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        const int alphabet = 1 + static_cast<int>(rng() % 3);
        auto make = [&](std::size_t n) {
            std::string s;
            for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + rng() % alphabet));
            return s;
        };
        std::string hay = make(rng() % 200);
        std::string needle;
        if (!hay.empty() && rng() % 2) {
            std::size_t at = rng() % hay.size();
            needle = hay.substr(at, 1 + rng() % 60);
        } else {
            needle = make(rng() % 60);
        }
        for (bool last : {false, true})
            ASSERT_EQ(findBytes(hay, needle, last), plainFind(hay, needle, last))
                << "hay=" << hay << " needle=" << needle << " last=" << last;
    }
}

TEST(ExprFormatTest, FindBytesStaysLinearOnHostileInput) {
    const std::string hay(1000000, 'a');
    const std::string needle = std::string(500000, 'a') + "b";
    EXPECT_EQ(findBytes(hay, needle), std::string::npos);
    EXPECT_EQ(findBytes(hay, needle, true), std::string::npos);
    EXPECT_EQ(findBytes(hay + "b", needle), 500000u);
}

TEST(ExprFormatTest, DatesRoundTripThroughPictures) {
    const char* pictures[] = {"mm/dd/yy", "dd.mm.yyyy", "yyyy-mm-dd", "dd/mm/yy", "yy.mm.dd", "mmddyyyy"};
    const DayNumber days[] = {dayFromYmd(1999, 12, 31), dayFromYmd(2000, 2, 29), dayFromYmd(1950, 1, 1),
                              dayFromYmd(2049, 7, 4)};
    for (const char* picture : pictures) {
        for (DayNumber d : days) {
            std::string text = formatDate(d, picture);
            EXPECT_EQ(parseDate(text, picture, 1950), d) << picture << " " << text;
        }
        std::string blank = formatDate(0, picture);
        EXPECT_EQ(blank.size(), std::string(picture).size()) << picture;
        EXPECT_EQ(parseDate(blank, picture, 1950), 0) << picture;
    }
}

struct ExtremeCase {
    const char* text;
    std::string value;
};

// Widths, decimals and magnitudes far outside what tables hold must still
// give text of the asked width (or asterisks), never garbage or a crash.
TEST(ExprFormatTest, ExtremeNumbersAsText) {
    testing::ExprTestHost host;
    const ExtremeCase cases[] = {
        {"STR(0,25,22)", " 0.0000000000000000000000"},
        {"STR(-1.5,25,20)", "  -1.50000000000000000000"},
        {"STR(10^300,5)", "*****"},
        {"STR(10^300*10^300,5)", "*****"},          // infinity
        {"STR(-(10^300*10^300),5)", "*****"},
        {"STR(10^20,25)", "    100000000000000000000"},
        {"STR(ROUND(10^300,25),3)", "***"},
        {"STR(-(10^-30),25,20)", "   0.00000000000000000000"},
        {"STR(2^0.5,22,20)", "1.41421356237309514547"},
    };
    for (const ExtremeCase& c : cases)
        EXPECT_EQ(Expression::compile(c.text, host).evaluate(host).str(), c.value) << c.text;
    EXPECT_EQ(Expression::compile("LEN(STR(0,300,290))", host).evaluate(host).num(), 300);
    EXPECT_EQ(Expression::compile("RIGHT(STR(10^300,400,50),3)", host).evaluate(host).str(), "000");
    EXPECT_EQ(formatNumber(1e300, 320, 40), std::string(320, '*'));
}

}  // namespace
}  // namespace mx::rt
