// The expression language: grammar and precedence, operator typing, the
// width/decimals numbers carry, comparisons under SET EXACT, names (fields,
// aliases, variables, application functions) and the error positions of
// bad input. The function library has its own tests in ExprFunctionsTest.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Error.h"
#include "ExprTestHost.h"
#include "Expression.h"

namespace mx::rt {
namespace {

using testing::ExprTestHost;

class ExpressionTest : public ::testing::Test {
protected:
    Value eval(const std::string& text) { return Expression::compile(text, host).evaluate(host); }

    // The 1-based position of the error compiling (or else evaluating) `text`;
    // 0 when there is none.
    long errorPosition(const std::string& text, std::vector<std::string> names = {},
                       std::vector<Value> values = {}) {
        try {
            Expression::compile(text, host, names).evaluate(host, values);
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::BadExpression) << text;
            EXPECT_EQ(e.where(), text);
            return static_cast<long>(e.position());
        }
        return 0;
    }

    ExprTestHost host;
};

struct NumberCase {
    const char* text;
    double value;
    int width;
    int decimals;
};

// Precedence, associativity and the width/decimals rules of arithmetic.
TEST_F(ExpressionTest, Arithmetic) {
    const NumberCase cases[] = {
        {"-2^2", 4, 13, 2},          // unary minus binds tighter than ^
        {"2^3^2", 64, 13, 2},        // ^ is left-associative
        {"2**3", 8, 13, 2},
        {"2+3*4", 14, 10, 0},
        {"(2+3)*4", 20, 10, 0},
        {"10-4-3", 3, 10, 0},
        {"100/10/2", 5, 13, 2},
        {"7%3", 1, 10, 0},
        {"-7%3", -1, 10, 0},
        {"7.5%2", 1.5, 13, 2},
        {"- -3", 3, 10, 0},
        {"+5", 5, 10, 0},
        {"123", 123, 10, 0},
        {"1234.5", 1234.5, 12, 1},   // literal decimals come from the literal
        {".5+1", 1.5, 12, 1},
        {"1.5*2.25", 3.375, 14, 3},  // * adds decimals
        {"1.5+2.25", 3.75, 13, 2},   // + takes the larger
        {"1.5-2.25", -0.75, 13, 2},
        {"8/4", 2, 13, 2},           // / gives SET DECIMALS even when whole
        {"1/0", 0, 10, 0},           // division by zero gives integer 0
        {"0/0", 0, 10, 0},
        {"5%0", 0, 10, 0},
        {"12345678901", 12345678901.0, 20, 0},
        {"2 * 3 + 4 * 5", 26, 10, 0},
        {"2 - -2", 4, 10, 0},
    };
    for (const NumberCase& c : cases) {
        Value v = eval(c.text);
        ASSERT_TRUE(v.isNumeric()) << c.text;
        EXPECT_DOUBLE_EQ(v.num(), c.value) << c.text;
        EXPECT_EQ(v.width(), c.width) << c.text;
        EXPECT_EQ(v.decimals(), c.decimals) << c.text;
    }
}

TEST_F(ExpressionTest, DivisionUsesSetDecimals) {
    host.settingsValue.decimals = 4;
    Value v = eval("10/4");
    EXPECT_EQ(v.decimals(), 4);
    EXPECT_EQ(v.width(), 15);
    EXPECT_EQ(strFunction(v), "         2.5000");
}

struct LogicalCase {
    const char* text;
    bool value;
};

TEST_F(ExpressionTest, LogicalOperatorsAndComparisons) {
    const LogicalCase cases[] = {
        {".T. = 2 < 5", true},  // comparisons bind tighter than =
        {".NOT. 5 = 10", true},  // .NOT. binds looser than comparisons
        {"!.T. .OR. .T.", true},
        {".NOT. .T. .AND. .F.", false},
        {".T. .OR. .F. .AND. .F.", true},  // .AND. before .OR.
        {"(.T. .OR. .F.) .AND. .F.", false},
        {".t. .and. .y.", true},
        {".N. .Or. .f.", false},
        {".not. .f.", true},
        {"!!.T.", true},
        {"1 != 2", true},
        {"1 <> 1", false},
        {"1 # 2", true},
        {"1 < 2 .AND. 2 <= 2 .AND. 3 > 2 .AND. 3 >= 3", true},
        {".F. < .T.", true},
        {".T. == .T.", true},
        {"2.0 = 2", true},
        {"NIL = NIL", true},
        {"NIL = 1", false},
        {"1 != NIL", true},
        {"STOD('20240101') < STOD('20240102')", true},
        {"CTOD('') < STOD('00010101')", true},  // the empty date sorts first
    };
    for (const LogicalCase& c : cases) {
        Value v = eval(c.text);
        ASSERT_TRUE(v.isLogical()) << c.text;
        EXPECT_EQ(v.boolean(), c.value) << c.text;
    }
}

struct StringCompareCase {
    const char* text;
    bool exactOff;
    bool exactOn;
};

TEST_F(ExpressionTest, StringComparisonUnderSetExact) {
    const StringCompareCase cases[] = {
        {"'ABC' = 'AB'", true, false},
        {"'ABC' = ''", true, false},
        {"'AB' = 'ABC'", false, false},
        {"'AB' = 'AB '", false, true},
        {"'AB  ' = 'AB'", true, true},
        {"'AB' == 'AB '", false, false},
        {"'AB' == 'AB'", true, true},
        {"'ABC' != 'AB'", false, true},
        {"'ABC' <> 'AB'", false, true},
        {"'ABC' # 'ABD'", true, true},
        {"'ABC' > 'AB'", false, true},
        {"'ABC' >= 'AB'", true, true},
        {"'AB' < 'ABC'", true, true},
        {"'AB' <= 'AB '", true, true},
        {"'a' > 'B'", true, true},                      // bytes compare unsigned
        {"CHR(200) > 'z'", true, true},
        {"'' $ 'ABC'", false, false},
        {"'BC' $ 'ABC'", true, true},
        {"'CB' $ 'ABC'", false, false},
        {"UPPER('abc') = 'ABC'", true, true},
    };
    for (const StringCompareCase& c : cases) {
        host.settingsValue.exact = false;
        EXPECT_EQ(eval(c.text).boolean(), c.exactOff) << c.text << " EXACT OFF";
        host.settingsValue.exact = true;
        EXPECT_EQ(eval(c.text).boolean(), c.exactOn) << c.text << " EXACT ON";
    }
}

// The same compiled expression follows the setting at evaluation time.
TEST_F(ExpressionTest, ExactIsReadWhenEvaluating) {
    Expression e = Expression::compile("'ABC' = 'AB'", host);
    EXPECT_TRUE(e.evaluate(host).boolean());
    host.settingsValue.exact = true;
    EXPECT_FALSE(e.evaluate(host).boolean());
}

struct StringCase {
    const char* text;
    const char* value;
};

TEST_F(ExpressionTest, StringOperators) {
    const StringCase cases[] = {
        {"'a'+[b]+\"c\"", "abc"},
        {"\"ab  \" - \"cd\"", "abcd  "},
        {"'ab' - 'cd  '", "abcd  "},
        {"'   ' - 'x'", "x   "},
        {"[it's]", "it's"},
        {"\"say 'hi'\"", "say 'hi'"},
        {"'' + ''", ""},
    };
    for (const StringCase& c : cases) {
        Value v = eval(c.text);
        ASSERT_TRUE(v.isCharacter()) << c.text;
        EXPECT_EQ(v.str(), c.value) << c.text;
    }
}

TEST_F(ExpressionTest, DateArithmetic) {
    EXPECT_EQ(eval("DTOS(STOD('20240228') + 2)").str(), "20240301");
    EXPECT_EQ(eval("DTOS(1 + STOD('20240228'))").str(), "20240229");
    EXPECT_EQ(eval("DTOS(STOD('20240301') - 1)").str(), "20240229");
    Value diff = eval("STOD('20250101') - STOD('20240101')");
    ASSERT_TRUE(diff.isNumeric());
    EXPECT_EQ(diff.num(), 366);
    EXPECT_EQ(diff.width(), 10);
    // Leaving the calendar gives the empty date rather than garbage digits.
    EXPECT_EQ(eval("DTOS(STOD('00010101') - 1)").str(), "        ");
    EXPECT_EQ(eval("DTOS(CTOD('') + 5)").str(), "        ");
}

// Key sizes of formats.md 3.5: each expression evaluated on a blank record.
TEST_F(ExpressionTest, KeySizesOnBlankRecord) {
    const NumberCase numeric[] = {
        {"AMOUNT", 0, 9, 2},         {"CODE*2", 0, 10, 0},          {"AMOUNT*2", 0, 13, 2},
        {"AMOUNT+CODE", 0, 13, 2},   {"CODE/4", 0, 13, 2},          {"-AMOUNT", 0, 13, 2},
        {"ROUND(AMOUNT,1)", 0, 12, 1}, {"INT(AMOUNT)", 0, 6, 0},    {"CODE", 0, 4, 0},
    };
    for (const NumberCase& c : numeric) {
        Value v = eval(c.text);
        ASSERT_TRUE(v.isNumeric()) << c.text;
        EXPECT_EQ(v.width(), c.width) << c.text;
        EXPECT_EQ(v.decimals(), c.decimals) << c.text;
    }
    const std::pair<const char*, std::size_t> character[] = {
        {"NAME", 20}, {"UPPER(NAME)", 20}, {"STR(CODE,4)+NAME", 24}, {"DTOS(BORN)", 8}, {"TRIM(NAME)", 0},
    };
    for (const auto& [text, size] : character) EXPECT_EQ(eval(text).str().size(), size) << text;
    EXPECT_EQ(eval("DTOS(BORN)").str(), "        ");
    EXPECT_EQ(eval("STR(AMOUNT)").str(), "     0.00");
}

TEST_F(ExpressionTest, FieldsAndAliasesAcrossAreas) {
    host.set(0, "NAME", Value::character("Smith"));
    host.set(0, "CODE", Value::numeric(42));
    host.set(0, "AMOUNT", Value::numeric(1234.5));
    host.set(1, "CODE", Value::character("X1"));

    EXPECT_EQ(eval("UPPER(NAME)+STR(AMOUNT,10,2)").str(), "SMITH                  1234.50");
    EXPECT_EQ(eval("people->Code").num(), 42);
    EXPECT_EQ(eval("PEOPLE->name").str(), "Smith               ");
    EXPECT_EQ(eval("other->code").str(), "X1        ");
    EXPECT_EQ(eval("Other->Code + PEOPLE->NAME").str().size(), 30u);
    EXPECT_EQ(eval("FIELD->CODE").num(), 42);
    EXPECT_EQ(eval("_field->amount").num(), 1234.5);

    // Unaliased names belong to the area selected when compiling.
    Expression inPeople = Expression::compile("CODE", host);
    host.selected = 1;
    Expression inOther = Expression::compile("CODE", host);
    EXPECT_TRUE(inPeople.evaluate(host).isNumeric());
    EXPECT_EQ(inOther.evaluate(host).str(), "X1        ");
    EXPECT_EQ(eval("FIELD->CODE").str(), "X1        ");
}

TEST_F(ExpressionTest, AreaStateFunctionsUseTheAreaSelectedAtCompileTime) {
    host.areas[0].status = AreaStatus{7, true, true, false, false};
    host.areas[1].status = AreaStatus{3, false, false, true, true};
    Expression people = Expression::compile("STR(RECNO(),3) + IIF(DELETED(),'D','-') + IIF(FOUND(),'F','-') + "
                                            "IIF(EOF(),'E','-') + IIF(BOF(),'B','-')",
                                            host);
    host.selected = 1;
    Expression other = Expression::compile(people.text(), host);
    EXPECT_EQ(people.evaluate(host).str(), "  7DF--");
    EXPECT_EQ(other.evaluate(host).str(), "  3--EB");
    host.selected = -1;
    EXPECT_EQ(Expression::compile("RECNO()", host).evaluate(host).num(), 0);
    EXPECT_TRUE(Expression::compile("EOF()", host).evaluate(host).boolean());
}

TEST_F(ExpressionTest, Variables) {
    const std::vector<std::string> names = {"H", "W", "TBladeWidth", "CODE"};
    const std::vector<Value> values = {Value::numeric(1200), Value::numeric(800), Value::numeric(45.5, 5, 1),
                                       Value::character("var")};
    auto run = [&](const char* text) { return Expression::compile(text, host, names).evaluate(host, values); };
    EXPECT_EQ(run("h*2 + W").num(), 3200);
    EXPECT_EQ(run("tbladewidth/2").num(), 22.75);
    EXPECT_EQ(run("M->W - MEMVAR->h").num(), -400);
    EXPECT_EQ(run("CODE").str(), "var");           // a variable hides the field of the same name
    EXPECT_TRUE(run("PEOPLE->CODE").isNumeric());  // an alias still reaches the field
    EXPECT_EQ(run("IIF(H > W, 'tall', 'wide')").str(), "tall");
}

TEST_F(ExpressionTest, ShortCircuitEvaluation) {
    // X is numeric, so `X .AND. ...`, X + "a" and UPPER(X) fail when evaluated.
    const std::vector<std::string> names = {"X"};
    const std::vector<Value> values = {Value::numeric(1)};
    const LogicalCase cases[] = {
        {".F. .AND. X", false},
        {".T. .OR. X", true},
        {"IIF(.T., .T., X + 'a' = 'b')", true},
        {"IF(.F., UPPER(X) = 'A', .F.)", false},
    };
    for (const LogicalCase& c : cases)
        EXPECT_EQ(Expression::compile(c.text, host, names).evaluate(host, values).boolean(), c.value) << c.text;
    EXPECT_EQ(errorPosition(".T. .AND. X", names, values), 5);
}

TEST_F(ExpressionTest, ApplicationFunctions) {
    int calls = 0;
    host.addFunction("ITEMKEY", AppFunction{1, 2, [&calls](const ExprHost&, std::span<const Value> args) {
                                                ++calls;
                                                std::string s = args[0].str();
                                                if (args.size() > 1 && args[1].isNumeric()) s.resize(static_cast<std::size_t>(args[1].num()), '.');
                                                return Value::character(s);
                                            }});
    host.addFunction("FAILS", AppFunction{0, 0, [](const ExprHost&, std::span<const Value>) -> Value {
                                              throw std::runtime_error("no such item");
                                          }});
    EXPECT_EQ(eval("ItemKey('ab', 4) + itemkey('c')").str(), "ab..c");
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(errorPosition("ITEMKEY()"), 1);
    EXPECT_EQ(errorPosition("1 + ITEMKEY('a', 2, 3)"), 5);
    EXPECT_EQ(errorPosition("'x' + FAILS()"), 7);
    // Built-in names win over application functions.
    host.addFunction("UPPER", AppFunction{1, 1, [](const ExprHost&, std::span<const Value>) { return Value(); }});
    EXPECT_EQ(eval("UPPER('a')").str(), "A");
}

struct BadCase {
    const char* text;
    long position;
};

// Bad input found while compiling: syntax, names, counts and static types.
TEST_F(ExpressionTest, CompileErrorsCarryThePosition) {
    const BadCase cases[] = {
        {"", 1},
        {"   ", 4},
        {"1 +", 4},
        {"(1", 3},
        {"1)", 2},
        {"2 3", 3},
        {"NOSUCH", 1},
        {"NAME + NOSUCH", 8},
        {"NOSUCH->NAME", 1},
        {"PEOPLE->NOSUCH", 1},
        {"PEOPLE->", 9},
        {"M->NOSUCH", 4},
        {"NOSUCH(1)", 1},
        {"UPPER(1)", 1},
        {"  SUBSTR('a')", 3},
        {"LEFT('a', 1, 2)", 1},
        {"DATE(1)", 1},
        {"1 + 'a'", 3},
        {"'a' * 2", 5},
        {"'a' $ 1", 5},
        {"1 < 'a'", 3},
        {"NIL < NIL", 5},
        {"\"abc", 1},
        {"x [abc", 3},
        {"1 := 2", 3},
        {"&x", 1},
        {".X.", 1},
        {".T", 1},
        {"12abc", 3},
        {"IIF(1,2,3)", 1},
        {"-'a'", 1},
        {".NOT. 1", 1},
        {"!'a'", 1},
        {"1 .AND. .T.", 3},
        {".T. .OR. 'a'", 5},
        {"DTOS(1)", 1},
        {"UPPER(NAME) + 1", 13},
        {"STOD('20240101') + STOD('20240101')", 18},
        {"1 - STOD('20240101')", 3},
        {"SUBSTR('a',,)", 1},  // the required start left out
        {"f(", 3},
        {"UPPER('a' 'b')", 11},
        {"{1}", 1},
        {"@", 1},
    };
    for (const BadCase& c : cases) EXPECT_EQ(errorPosition(c.text), c.position) << c.text;
}

// Type faults that only show with data: operands from variables or fields.
TEST_F(ExpressionTest, RunTimeTypeErrorsCarryThePosition) {
    const std::vector<std::string> names = {"X", "S"};
    const std::vector<Value> values = {Value::numeric(1), Value::character("s")};
    const BadCase cases[] = {
        {"S + 1", 3},          {"X + S", 3},        {"UPPER(X)", 1},     {"IIF(X, 1, 2)", 1},
        {"X $ 'abc'", 3},      {"S < 1", 3},        {"-S", 1},           {".NOT. X", 1},
        {"S .OR. .T.", 3},     {"STR(S)", 1},       {"SUBSTR(S, S)", 1}, {"MAX(X, S)", 1},
        {"X * S", 3},          {"DTOS(S)", 1},      {"S - X", 3},        {"X = S", 3},
    };
    for (const BadCase& c : cases) EXPECT_EQ(errorPosition(c.text, names, values), c.position) << c.text;
    // A variable named at compile time but given no value at evaluation.
    EXPECT_EQ(errorPosition("1 + S", names, {Value::numeric(1)}), 5);
}

TEST_F(ExpressionTest, NestingAndSizeLimits) {
    const std::string deepParens = std::string(300, '(') + "1" + std::string(300, ')');
    EXPECT_GT(errorPosition(deepParens), 0);
    EXPECT_GT(errorPosition(std::string(300, '-') + "1"), 0);
    EXPECT_GT(errorPosition(std::string(300, '!') + ".T."), 0);
    std::string longChain = "1";
    for (int i = 0; i < 300; ++i) longChain += "+1";
    EXPECT_GT(errorPosition(longChain), 0);
    std::string deepCalls;
    for (int i = 0; i < 300; ++i) deepCalls += "ABS(";
    deepCalls += "1" + std::string(300, ')');
    EXPECT_GT(errorPosition(deepCalls), 0);

    // Moderate nesting is fine.
    EXPECT_EQ(eval(std::string(100, '(') + "7" + std::string(100, ')')).num(), 7);
    std::string chain = "0";
    for (int i = 0; i < 150; ++i) chain += "+1";
    EXPECT_EQ(eval(chain).num(), 150);

    EXPECT_EQ(eval("LEN(SPACE(1000000))").num(), 1000000);
    EXPECT_EQ(errorPosition("SPACE(1000001)"), 1);
    EXPECT_EQ(errorPosition("REPLICATE('ab', 600000)"), 1);
    EXPECT_EQ(errorPosition("REPLICATE('ab', 10^300)"), 1);
    EXPECT_EQ(errorPosition("PADR('a', 2000000)"), 1);
    EXPECT_EQ(errorPosition("STR(1, 2000000)"), 1);
    EXPECT_EQ(errorPosition("SPACE(999999) + 'ab'"), 15);
    EXPECT_EQ(errorPosition("SPACE(999999) - 'ab'"), 15);
}

TEST_F(ExpressionTest, CompiledExpressionIsReusable) {
    Expression key = Expression::compile("UPPER(NAME)+STR(CODE,4)", host);
    EXPECT_EQ(key.text(), "UPPER(NAME)+STR(CODE,4)");
    host.set(0, "NAME", Value::character("ann"));
    host.set(0, "CODE", Value::numeric(1));
    EXPECT_EQ(key.evaluate(host).str(), "ANN                    1");
    host.set(0, "NAME", Value::character("bob"));
    host.set(0, "CODE", Value::numeric(22));
    EXPECT_EQ(key.evaluate(host).str(), "BOB                   22");
    Expression copy = key;
    EXPECT_EQ(copy.evaluate(host).str(), key.evaluate(host).str());

    Expression none;
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(none.evaluate(host).isNil());
    EXPECT_EQ(none.text(), "");
}

TEST_F(ExpressionTest, KnownType) {
    const std::pair<const char*, std::optional<ValueType>> cases[] = {
        {"UPPER(NAME)", ValueType::Character},
        {"NAME", std::nullopt},
        {"CODE = 1", ValueType::Logical},
        {"'a' $ NAME", ValueType::Logical},
        {"STOD('20240101') + 1", ValueType::Date},
        {"IIF(CODE > 1, 'a', 'b')", ValueType::Character},
        {"IIF(CODE > 1, 'a', 1)", std::nullopt},
        {"DESCEND(STOD(''))", ValueType::Numeric},
        {"CODE + 1", std::nullopt},
    };
    for (const auto& [text, type] : cases) EXPECT_EQ(Expression::compile(text, host).knownType(), type) << text;
}

}  // namespace
}  // namespace mx::rt
