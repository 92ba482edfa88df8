// The function library, one table per result type. The number-to-text
// cases are the ones index keys depend on, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "Error.h"
#include "ExprTestHost.h"
#include "Expression.h"

namespace mx::rt {
namespace {

using testing::ExprTestHost;

class ExprFunctionsTest : public ::testing::Test {
protected:
    Value eval(const std::string& text) { return Expression::compile(text, host).evaluate(host); }
    ExprTestHost host;
};

struct TextCase {
    const char* text;
    std::string value;
};

TEST_F(ExprFunctionsTest, NumbersAsText) {
    const TextCase cases[] = {
        {"STR(123)", "       123"},
        {"STR(-5)", "        -5"},
        {"STR(10/4)", "         2.50"},
        {"STR(1234.5)", "      1234.5"},
        {"STR(5.678,4)", "   6"},
        {"STR(2.5,3)", "  3"},
        {"STR(-2.5,3,0)", " -3"},
        {"STR(2.345,5,2)", " 2.35"},
        {"STR(1.005,4,2)", "1.01"},
        {"STR(-1.005,5,2)", "-1.01"},
        {"STR(12345,3)", "***"},
        {"STR(-100,3)", "***"},
        {"STR(-0.001,6,2)", "  0.00"},
        {"STR(-0.4,2)", " 0"},
        {"STR(1/0)", "         0"},
        {"STR(-1000,9,2)", " -1000.00"},
        {"STR(0,1)", "0"},
        {"STR(12.5,0)", "        12.5"},  // a width below 1 means the value's own width
        {"STR(1,3,5)", "***"},
        {"STRZERO(5,3)", "005"},
        {"STRZERO(-5,4)", "-005"},
        {"STRZERO(1.5,5,1)", "001.5"},
        {"STRZERO(0,3)", "000"},
        {"STRZERO(12345,3)", "***"},
        {"STRZERO(-1.5,6,2)", "-01.50"},
        {"STRZERO(7)", "0000000007"},
        {"TRANSFORM(12.5,'999.99')", " 12.50"},
        {"TRANSFORM(-12.5,'999.99')", "-12.50"},
        {"TRANSFORM(1234,'9,999')", "1,234"},
        {"TRANSFORM(12,'9,999')", "   12"},
        {"TRANSFORM(12345,'999')", "***"},
        {"TRANSFORM(7,'99')", " 7"},
        {"TRANSFORM(0,'@Z 999')", "   "},
        {"TRANSFORM(12,'@B 9999')", "12  "},
        {"TRANSFORM(3.14159,'')", "         3.14159"},
        {"TRANSFORM(1.5,'99.')", " 2."},
    };
    for (const TextCase& c : cases) EXPECT_EQ(eval(c.text).str(), c.value) << c.text;
}

TEST_F(ExprFunctionsTest, FieldNumbersAsText) {
    const std::pair<double, const char*> cases[] = {
        {1234.5, "  1234.50"}, {-45.25, "   -45.25"}, {0.0, "     0.00"},
        {-1000, " -1000.00"},  {-0.001, "     0.00"}, {999999.99, "999999.99"},
    };
    for (const auto& [n, text] : cases) {
        host.set(0, "AMOUNT", Value::numeric(n));
        EXPECT_EQ(eval("STR(AMOUNT)").str(), text) << n;
        EXPECT_EQ(strFunction(Value::numeric(n, 9, 2)), text) << n;
    }
    EXPECT_EQ(strFunction(Value::numeric(2.5, 9, 2), 4), "   3");
    EXPECT_EQ(strFunction(Value::numeric(2.5, 9, 2), 6, 1), "   2.5");
    EXPECT_THROW(strFunction(Value::character("1")), DbError);
}

TEST_F(ExprFunctionsTest, CharacterFunctions) {
    const TextCase cases[] = {
        {"UPPER('abc xyz 1')", "ABC XYZ 1"},
        {"UPPER('\xe4\xe9z')", "\xe4\xe9Z"},  // only ASCII letters change
        {"LOWER('ABC-Z')", "abc-z"},
        {"TRIM('  a b  ')", "  a b"},
        {"RTRIM('a  ')", "a"},
        {"LTRIM('  a  ')", "a  "},
        {"ALLTRIM('  a  ')", "a"},
        {"ALLTRIM('   ')", ""},
        {"SUBSTR('abcdef',2,3)", "bcd"},
        {"SUBSTR('abcdef',2)", "bcdef"},
        {"SUBSTR('abcdef',-2)", "ef"},
        {"SUBSTR('abcdef',-2,1)", "e"},
        {"SUBSTR('abcdef',0,2)", "ab"},
        {"SUBSTR('abcdef',7)", ""},
        {"SUBSTR('abc',-5)", "abc"},
        {"SUBSTR('abcdef',2,0)", ""},
        {"SUBSTR('abcdef',2,-1)", ""},
        {"SUBSTR('abcdef',5,99)", "ef"},
        {"SUBSTR('abcdef',2,NIL)", "bcdef"},
        {"LEFT('abc',2)", "ab"},
        {"LEFT('abc',5)", "abc"},
        {"LEFT('abc',-1)", ""},
        {"RIGHT('abc',2)", "bc"},
        {"RIGHT('abc',9)", "abc"},
        {"RIGHT('abc',0)", ""},
        {"PADR('ab',4)", "ab  "},
        {"PADL('ab',4)", "  ab"},
        {"PADC('ab',5)", " ab  "},
        {"PADR('abcdef',3)", "abc"},
        {"PADL('abcdef',3)", "abc"},
        {"PADL('ab',4,'*')", "**ab"},
        {"PADR(12,4)", "12  "},
        {"PADL(1.5,5)", "  1.5"},
        {"PADR('ab',-1)", ""},
        {"SPACE(3)", "   "},
        {"SPACE(-3)", ""},
        {"REPLICATE('ab',3)", "ababab"},
        {"REPLICATE('ab',0)", ""},
        {"STUFF('abcdef',2,3,'XY')", "aXYef"},
        {"STUFF('abc',10,1,'Z')", "abcZ"},
        {"STUFF('abc',0,1,'Z')", "Zbc"},
        {"STUFF('abc',2,-1,'Z')", "aZbc"},
        {"CHR(65)+CHR(321)", "AA"},
        {"TRANSFORM('abc','@!')", "ABC"},
        {"TRANSFORM('abc','@X')", "abc"},
        {"TRANSFORM('abcd','!!X')", "ABc"},
        {"TRANSFORM('1234','@R 99-99')", "12-34"},
        {"TRANSFORM(.T.,'Y')", "Y"},
        {"TRANSFORM(.F.,'Y')", "N"},
        {"TRANSFORM(.T.,'')", "T"},
        {"VALTYPE(1)+VALTYPE('a')+VALTYPE(.T.)+VALTYPE(DATE())+VALTYPE(NIL)", "NCLDU"},
        {"IIF(.T.,'a','b')+IF(.F.,'a','b')", "ab"},
        {"DESCEND('AB')", "\xbf\xbe"},
        {"DESCEND(CHR(0)+CHR(1)+CHR(255))", std::string("\x00\xff\x01", 3)},
    };
    for (const TextCase& c : cases) EXPECT_EQ(eval(c.text).str(), c.value) << c.text;
}

TEST_F(ExprFunctionsTest, Dates) {
    host.set(0, "BORN", Value::date(dayFromYmd(1987, 6, 5)));
    const TextCase cases[] = {
        {"DTOS(BORN)", "19870605"},
        {"DTOS(STOD('20240229'))", "20240229"},
        {"DTOS(STOD('20230229'))", "        "},  // no such day
        {"DTOS(STOD(''))", "        "},
        {"DTOS(CTOD(''))", "        "},
        {"DTOS(DATE())", "20240229"},
        {"DTOC(BORN)", "06/05/87"},
        {"DTOC(CTOD(''))", "  /  /  "},
        {"DTOS(CTOD('02/29/2024'))", "20240229"},
        {"DTOS(CTOD('2/9/24'))", "19240209"},
        {"DTOS(CTOD('13/01/24'))", "        "},
        {"DTOS(CTOD('hello'))", "        "},
        {"TRANSFORM(BORN,'99/99/99')", "06/05/87"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(eval(c.text).str(), c.value) << c.text;

    host.settingsValue.dateFormat = "dd.mm.yyyy";
    host.settingsValue.epoch = 1950;
    EXPECT_EQ(eval("DTOC(BORN)").str(), "05.06.1987");
    EXPECT_EQ(eval("DTOC(CTOD(''))").str(), "  .  .    ");
    EXPECT_EQ(eval("DTOS(CTOD('05.06.49'))").str(), "20490605");  // before the epoch: next century
    EXPECT_EQ(eval("DTOS(CTOD('05.06.50'))").str(), "19500605");
    EXPECT_EQ(eval("DTOS(CTOD('5.6.1949'))").str(), "19490605");
}

struct NumberCase {
    const char* text;
    double value;
    int width;
    int decimals;
};

TEST_F(ExprFunctionsTest, NumericResults) {
    host.set(0, "BORN", Value::date(dayFromYmd(1987, 6, 5)));
    const NumberCase cases[] = {
        {"LEN('abc')", 3, 10, 0},
        {"LEN('')", 0, 10, 0},
        {"AT('c','abcabc')", 3, 10, 0},
        {"AT('','abc')", 0, 10, 0},
        {"AT('x','abc')", 0, 10, 0},
        {"RAT('a','abca')", 4, 10, 0},
        {"VAL('12abc')", 12, 10, 0},
        {"VAL('abc')", 0, 10, 0},
        {"VAL('12.50')", 12.5, 5, 2},
        {"VAL(' -3.5')", -3.5, 5, 1},
        {"ASC('A')", 65, 10, 0},
        {"ASC(CHR(200))", 200, 10, 0},
        {"ASC('')", 0, 10, 0},
        {"INT(-2.7)", -2, 10, 0},
        {"INT(7.9)", 7, 10, 0},
        {"ROUND(2.5,0)", 3, 10, 0},
        {"ROUND(-2.5,0)", -3, 10, 0},
        {"ROUND(1.005,2)", 1.01, 13, 2},
        {"ROUND(1234.567,-2)", 1200, 10, 0},
        {"ABS(-3)", 3, 10, 0},
        {"ABS(-1.25)", 1.25, 13, 2},
        {"MAX(1,2)", 2, 10, 0},
        {"MIN(1.5,2)", 1.5, 12, 1},
        {"MOD(7,3)", 1, 13, 2},
        {"MOD(-7,3)", 2, 13, 2},
        {"MOD(7,-3)", -2, 13, 2},
        {"MOD(-7,-3)", -1, 13, 2},
        {"MOD(6,3)", 0, 13, 2},
        {"MOD(7,0)", 0, 13, 2},
        {"SQRT(16)", 4, 13, 2},
        {"SQRT(-1)", 0, 13, 2},
        {"YEAR(BORN)", 1987, 5, 0},
        {"MONTH(BORN)", 6, 3, 0},
        {"DAY(BORN)", 5, 3, 0},
        {"YEAR(CTOD(''))", 0, 5, 0},
        {"DESCEND(5)", -5, 13, 2},
        {"DESCEND(STOD(''))", 5231808, 10, 0},
        {"DESCEND(STOD('20240101'))-DESCEND(STOD('20240102'))", 1, 10, 0},
    };
    for (const NumberCase& c : cases) {
        Value v = eval(c.text);
        ASSERT_TRUE(v.isNumeric()) << c.text;
        EXPECT_DOUBLE_EQ(v.num(), c.value) << c.text;
        EXPECT_EQ(v.width(), c.width) << c.text;
        EXPECT_EQ(v.decimals(), c.decimals) << c.text;
    }
    host.set(0, "AMOUNT", Value::numeric(-12.34));
    Value abs = eval("ABS(AMOUNT)");
    EXPECT_EQ(abs.num(), 12.34);
    EXPECT_EQ(abs.width(), 9);  // ABS keeps the field's format
    Value max = eval("MAX(AMOUNT, 0)");
    EXPECT_EQ(max.width(), 10);
    EXPECT_EQ(eval("MAX(STOD('20240101'), STOD('20230101'))").day(), dayFromYmd(2024, 1, 1));
    EXPECT_EQ(eval("MIN(.T., .F.)").boolean(), false);
}

TEST_F(ExprFunctionsTest, LogicalResults) {
    const std::pair<const char*, bool> cases[] = {
        {"EMPTY('  ')", true},  {"EMPTY(CHR(9)+CHR(13)+CHR(10))", true},
        {"EMPTY(' a')", false}, {"EMPTY(0)", true},
        {"EMPTY(0.01)", false}, {"EMPTY(CTOD(''))", true},
        {"EMPTY(DATE())", false}, {"EMPTY(.F.)", true},
        {"EMPTY(NIL)", true},   {"EMPTY(NAME)", true},
        {"DESCEND(.T.)", false},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(eval(text).boolean(), value) << text;
}

// DESCEND keys sort in reverse: for any two strings of equal length the
// descended ones compare the other way round (bytes unsigned).
TEST_F(ExprFunctionsTest, DescendReversesOrder) {
    const char* pairs[][2] = {{"AB", "AC"}, {"A\x7f", "A\x80"}, {"a ", "aa"}, {"\x01", "\xff"}};
    for (const auto& p : pairs) {
        std::string text = std::string("DESCEND('") + p[0] + "') > DESCEND('" + p[1] + "')";
        EXPECT_TRUE(eval(text).boolean()) << p[0] << " / " << p[1];
    }
}

}  // namespace
}  // namespace mx::rt
