// The core pass of `COMPTYPE` (applyLineTypes) over 200,000 formula lines
// and 20,000 stock items, on a data set built once in a temporary folder and
// opened exclusively, with the default index set (the stock item-list order
// calls ITEMLISTCATEGORY on every write). The lines' types are random, so
// each pass rewrites most stock items several times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "ApplyType.h"
#include "DataSet.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "TableDefaults.h"

namespace {

using mx::rt::Value;

constexpr int kStock = 20000;
constexpr int kLines = 200000;

std::string code(const char* prefix, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%05d", prefix, n);
    return buf;
}

class TypeData {
    std::string dir_;  // first: the context below keeps it

public:
    mx::rt::Session session;
    mx::ds::RecordingSink sink;
    mx::ds::RecordingSleeper sleeper;
    mx::ds::DataContext ctx;

    TypeData() : dir_(makeFolder()), ctx{session, sink, sleeper, dir_} {
        mx::ds::createDataSet(dir_);
        fill();
        mx::ds::applyTableAccessDefaults(session);
        mx::ds::registerItemListFunctions(ctx);
        if (!mx::ds::INIT_IDX(ctx).ok()) throw std::runtime_error("index rebuild failed");
        session.closeAll();
        if (!mx::ds::OPNALIAS(ctx, "stock", true, true) || !mx::ds::OPNALIAS(ctx, "assline", true, true))
            throw std::runtime_error("tables could not be opened");
    }
    ~TypeData() {
        session.closeAll();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

private:
    static std::string makeFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "compcat-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
        return tmpl;
    }

    void fill() {
        static const char* lists[] = {"FRAME", "SASH", "METAL", "OTHER", "SCREENS", "GLASS", "REVEALS", "PARTS", ""};
        static const char* types[] = {"L", "Q", "A", "F", " "};
        std::mt19937 rng(42);
        mx::rt::Session s;
        mx::rt::WorkArea& cat = s.open(dir_ + "/stockcat.dbf", "", mx::rt::OpenMode::Exclusive);
        for (int i = 0; i < 18; ++i) {
            cat.append();
            cat.setField("CODE", Value::character(code("C", i)));
            cat.setField("ITEMLIST", Value::character(lists[i % 9]));
        }
        mx::rt::WorkArea& stock = s.open(dir_ + "/stock.dbf", "", mx::rt::OpenMode::Exclusive);
        for (int i = 0; i < kStock; ++i) {
            stock.append();
            stock.setField("CODE", Value::character(code("STK", i)));
            stock.setField("DESC", Value::character("COMPONENT " + std::to_string(i)));
            stock.setField("CATEGORY", Value::character(code("C", int(rng() % 18))));
        }
        mx::rt::WorkArea& lines = s.open(dir_ + "/assline.dbf", "", mx::rt::OpenMode::Exclusive);
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
