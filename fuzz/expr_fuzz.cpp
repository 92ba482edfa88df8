// Fuzzes the expression compiler and evaluator: the input is compiled as an
// expression against the in-memory test host (two areas, a few variables and
// one application function) and, when it compiles, evaluated under both SET
// EXACT settings. Only DbError may come out; crashes, sanitizer reports,
// other exceptions and runaway time or memory are findings.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Error.h"
#include "ExprTestHost.h"
#include "Expression.h"

namespace {

using mx::rt::AppFunction;
using mx::rt::ExprHost;
using mx::rt::Value;
using mx::rt::testing::ExprTestHost;

ExprTestHost& host() {
    static ExprTestHost h = [] {
        ExprTestHost x;
        x.set(0, "NAME", Value::character("Smith, Ann"));
        x.set(0, "CODE", Value::numeric(42));
        x.set(0, "AMOUNT", Value::numeric(-1234.5));
        x.set(0, "ACTIVE", Value::logical(true));
        x.set(0, "BORN", Value::date(mx::rt::dayFromYmd(1987, 6, 5)));
        x.set(1, "CODE", Value::character("X1"));
        x.areas[0].status.recno = 7;
        x.addFunction("ITEMKEY", AppFunction{1, 2, [](const ExprHost&, std::span<const Value> args) {
                                                 return args[0].isCharacter() ? Value::character(args[0].str())
                                                                              : Value::character("?");
                                             }});
        return x;
    }();
    return h;
}

const std::vector<std::string> kNames = {"H", "W", "D", "T", "S", "L", "TBLADEWIDTH"};
const std::vector<Value> kValues = {Value::numeric(1200), Value::numeric(800), Value::numeric(0.5, 4, 2),
                                    Value::numeric(30),   Value::character("abc "), Value::logical(false),
                                    Value::numeric(45.5, 5, 1)};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ExprTestHost& h = host();
    try {
        mx::rt::Expression e = mx::rt::Expression::compile(text, h, kNames);
        for (bool exact : {false, true}) {
            h.settingsValue.exact = exact;
            try {
                Value v = e.evaluate(h, kValues);
                if (v.isNumeric()) (void)mx::rt::strFunction(v);
            } catch (const mx::rt::DbError&) {
            }
        }
        h.settingsValue.exact = false;
    } catch (const mx::rt::DbError&) {
    }
    return 0;
}
