// The library-users search without its dialog: the customer register's two
// index files built afresh and the marking pass (markLibraryUsers) over
// 20,000 customers whose 20-digit suite codes are random, against a library
// of 80 entries held exclusively, the register shared, as the library screen
// has them. About half the customers name the sought entry and are marked,
// each under its own record lock; the marks are cleared between runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "Catalogue.h"
#include "DataSet.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "LibraryReports.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "TableDefaults.h"

namespace {

using mx::rt::Value;

constexpr int kEntries = 80;
constexpr int kCustomers = 20000;

class UsersData {
    std::string dir_;  // first: the context below keeps it

public:
    mx::rt::Session session;
    mx::ds::RecordingSink sink;
    mx::ds::RecordingSleeper sleeper;
    mx::ds::DataContext ctx;

    UsersData() : dir_(makeFolder()), ctx{session, sink, sleeper, dir_} {
        mx::ds::createDataSet(dir_);
        fill();
        mx::ds::applyTableAccessDefaults(session);
        mx::ds::registerItemListFunctions(ctx);
        if (!mx::ds::INIT_IDX(ctx).ok()) throw std::runtime_error("index rebuild failed");
        session.closeAll();
        if (!mx::ds::OPNALIAS(ctx, "lib", true, true) || !mx::ds::OPNDBF(ctx, "mitrex", false))
            throw std::runtime_error("tables could not be opened");
    }
    ~UsersData() {
        session.closeAll();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    mx::rt::WorkArea& mitrex() { return *session.area("MITREX"); }

    void clearMarks() {
        mx::rt::WorkArea& m = mitrex();
        for (std::uint32_t r = 1; r <= m.recordCount(); ++r) {
            m.goTo(r);
            if (!m.fieldValue("TAG").boolean()) continue;
            m.lock();
            m.setField("TAG", Value::logical(false));
            m.unlock();
        }
    }

private:
    static std::string makeFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "libusers-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
        return tmpl;
    }

    void fill() {
        std::mt19937 rng(7);
        mx::rt::Session s;
        mx::rt::WorkArea& lib = s.open(dir_ + "/lib.dbf", "", mx::rt::OpenMode::Exclusive);
        for (int i = 0; i < kEntries; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "S%03d", i);
            lib.append();
            lib.setField("CODE", Value::character(code));
            lib.setField("DESC", Value::character(std::string("SUITE ") + code));
            lib.setField("SERIAL", Value::numeric(i + 1));
            lib.setField("GROUP", Value::numeric(i / 4 + 1));
            lib.setField("NUMBER", Value::numeric(1 << (i % 4)));
        }
        mx::rt::WorkArea& mitrex = s.open(dir_ + "/mitrex.dbf", "", mx::rt::OpenMode::Exclusive);
        static const char* hex = "0123456789ABCDEF";
        for (int i = 0; i < kCustomers; ++i) {
            std::string suites;
            for (int d = 0; d < 20; ++d) {
                suites += hex[rng() % 16];
                if (d % 4 == 3) suites += '-';
            }
            suites.resize(24);
            mitrex.append();
            mitrex.setField("CUSTNO", Value::numeric(kCustomers - i));
            mitrex.setField("COMPANY", Value::character("CUSTOMER " + std::to_string(i)));
            mitrex.setField("LIBCODE1", Value::character(suites));
        }
        s.closeAll();
    }
};

UsersData& data() {
    static UsersData d;
    return d;
}

void BM_BuildRegisterIndexes(benchmark::State& state) {
    UsersData& d = data();
    for (auto _ : state)
        mx::ds::buildOrderList(d.mitrex(), {{mx::ds::kCustomerKeyIndex, mx::ds::kCustomerKeyField}, {"mxcust", "company"}});
    state.counters["customers/s"] =
        benchmark::Counter(double(kCustomers), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildRegisterIndexes)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MarkLibraryUsers(benchmark::State& state) {
    UsersData& d = data();
    mx::ds::buildOrderList(d.mitrex(), {{mx::ds::kCustomerKeyIndex, mx::ds::kCustomerKeyField}, {"mxcust", "company"}});
    std::uint32_t marked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        d.clearMarks();
        state.ResumeTiming();
        if (!mx::lib::markLibraryUsers(d.ctx, 1, "S041")) state.SkipWithError("the scratch table was not to be had");
    }
    marked = 0;
    mx::rt::WorkArea& m = d.mitrex();
    for (std::uint32_t r = 1; r <= m.recordCount(); ++r) {
        m.goTo(r);
        marked += m.fieldValue("TAG").boolean();
    }
    state.counters["customers/s"] =
        benchmark::Counter(double(kCustomers), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["marked"] = marked;
}
BENCHMARK(BM_MarkLibraryUsers)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
