// The core pass of `COMPTYPE` (applyLineTypes) over 200,000 formula lines
// and 20,000 stock items, on a data set built once in a temporary folder and
// opened exclusively, with the default index set (the stock item-list order
// calls ITEMLISTCATEGORY on every write). The lines' types are random, so
// each pass rewrites most stock items several times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

#include "ApplyType.h"
#include "BenchDataSet.h"
#include "Opening.h"

namespace {

using mx::rt::Value;

constexpr int kStock = 20000;
constexpr int kLines = 200000;

std::string code(const char* prefix, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%05d", prefix, n);
    return buf;
}

// Fills the stock categories, the stock and the formula lines.
void fill(const std::string& dir) {
    static const char* lists[] = {"FRAME", "SASH", "METAL", "OTHER", "SCREENS", "GLASS", "REVEALS", "PARTS", ""};
    static const char* types[] = {"L", "Q", "A", "F", " "};
    std::mt19937 rng(42);
    mx::rt::Session s;
    mx::rt::WorkArea& cat = s.open(dir + "/stockcat.dbf", "", mx::rt::OpenMode::Exclusive);
    for (int i = 0; i < 18; ++i) {
        cat.append();
        cat.setField("CODE", Value::character(code("C", i)));
        cat.setField("ITEMLIST", Value::character(lists[i % 9]));
    }
    mx::rt::WorkArea& stock = s.open(dir + "/stock.dbf", "", mx::rt::OpenMode::Exclusive);
    for (int i = 0; i < kStock; ++i) {
        stock.append();
        stock.setField("CODE", Value::character(code("STK", i)));
        stock.setField("DESC", Value::character("COMPONENT " + std::to_string(i)));
        stock.setField("CATEGORY", Value::character(code("C", int(rng() % 18))));
    }
    mx::rt::WorkArea& lines = s.open(dir + "/assline.dbf", "", mx::rt::OpenMode::Exclusive);
    for (int i = 0; i < kLines; ++i) {
        lines.append();
        lines.setField("ASSCODE", Value::character(code("CFG", i / 10)));
        // About 2% of the lines name an item that is not in `stock`.
        const int item = int(rng() % (kStock + kStock / 50));
        lines.setField("STKCODE", Value::character(code("STK", item)));
        lines.setField("TYPE", Value::character(types[rng() % 5]));
    }
    s.closeAll();
}

struct TypeData : mx::bench::BenchDataSet {
    TypeData() : BenchDataSet("compcat-bench", fill) {
        if (!mx::ds::OPNALIAS(ctx, "stock", true, true) || !mx::ds::OPNALIAS(ctx, "assline", true, true))
            throw std::runtime_error("tables could not be opened");
    }
};

void BM_ApplyLineTypes(benchmark::State& state) {
    static TypeData data;
    std::uint32_t written = 0;
    for (auto _ : state) written = mx::lib::applyLineTypes(data.ctx);
    state.counters["lines/s"] = benchmark::Counter(double(kLines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["written"] = written;
}
BENCHMARK(BM_ApplyLineTypes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
