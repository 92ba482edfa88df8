// Expression evaluation speed: compiled keys, filters and drawing formulas
// evaluated against the in-memory test host (no table I/O), plus the cost of
// compiling one key.
//
//   cmake --build build-expr --target expr_bench && build-expr/bench/expr_bench
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ExprTestHost.h"
#include "Expression.h"

namespace {

using mx::rt::Expression;
using mx::rt::Value;
using mx::rt::testing::ExprTestHost;

ExprTestHost& host() {
    static ExprTestHost h = [] {
        ExprTestHost x;
        x.set(0, "NAME", Value::character("Smithers, Waylon"));
        x.set(0, "CODE", Value::numeric(1234));
        x.set(0, "AMOUNT", Value::numeric(-4521.25));
        x.set(0, "ACTIVE", Value::logical(true));
        x.set(0, "BORN", Value::date(mx::rt::dayFromYmd(1987, 6, 5)));
        return x;
    }();
    return h;
}

void evaluate(benchmark::State& state, const char* text, std::vector<std::string> names = {},
              std::vector<Value> values = {}) {
    Expression e = Expression::compile(text, host(), names);
    for (auto _ : state) {
        Value v = e.evaluate(host(), values);
        benchmark::DoNotOptimize(v);
    }
}

void BM_KeyUpperNameStrAmount(benchmark::State& state) { evaluate(state, "UPPER(NAME)+STR(AMOUNT,10,2)"); }
BENCHMARK(BM_KeyUpperNameStrAmount);

void BM_KeyDtosStr(benchmark::State& state) { evaluate(state, "DTOS(BORN)+STR(CODE,4)"); }
BENCHMARK(BM_KeyDtosStr);

void BM_KeyPlainField(benchmark::State& state) { evaluate(state, "AMOUNT"); }
BENCHMARK(BM_KeyPlainField);

void BM_Filter(benchmark::State& state) {
    evaluate(state, "ACTIVE .AND. AMOUNT < 100 .AND. 'SMI' $ UPPER(NAME)");
}
BENCHMARK(BM_Filter);

void BM_DrawingFormula(benchmark::State& state) {
    evaluate(state, "(W - 2*T) / 2 + IIF(H > W, A, B)", {"H", "W", "T", "A", "B"},
             {Value::numeric(1200), Value::numeric(800), Value::numeric(30), Value::numeric(5), Value::numeric(7)});
}
BENCHMARK(BM_DrawingFormula);

void BM_CompileKey(benchmark::State& state) {
    for (auto _ : state) {
        Expression e = Expression::compile("UPPER(NAME)+STR(AMOUNT,10,2)", host());
        benchmark::DoNotOptimize(e);
    }
}
BENCHMARK(BM_CompileKey);

}  // namespace
