// The library-users search without its dialog: the customer register's two
// index files built afresh and the marking pass (markLibraryUsers) over
// 20,000 customers whose 20-digit suite codes are random, against a library
// of 80 entries held exclusively, the register shared, as the library screen
// has them. About half the customers name the sought entry and are marked,
// each under its own record lock; the marks are cleared between runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

#include "BenchDataSet.h"
#include "Catalogue.h"
#include "IndexRebuild.h"
#include "LibraryReports.h"
#include "Opening.h"

namespace {

using mx::rt::Value;

constexpr int kEntries = 80;
constexpr int kCustomers = 20000;

// An 80-entry library numbered in groups of four, and the customers.
void fill(const std::string& dir) {
    std::mt19937 rng(7);
    mx::rt::Session s;
    mx::rt::WorkArea& lib = s.open(dir + "/lib.dbf", "", mx::rt::OpenMode::Exclusive);
    mx::bench::appendSuiteLibrary(lib, kEntries);
    mx::rt::WorkArea& mitrex = s.open(dir + "/mitrex.dbf", "", mx::rt::OpenMode::Exclusive);
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

// The library held exclusively and the register shared, as the library
// screen's search has them.
struct UsersData : mx::bench::BenchDataSet {
    UsersData() : BenchDataSet("libusers-bench", fill) {
        if (!mx::ds::OPNALIAS(ctx, "lib", true, true) || !mx::ds::OPNDBF(ctx, "mitrex", false))
            throw std::runtime_error("tables could not be opened");
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
