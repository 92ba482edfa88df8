// The customer register over 20,000 customers whose 20-digit suite codes
// are random, with an 80-entry library and a note for every other customer:
// opening it (the note index and the register's four index files built
// afresh), "Chk Lib" (every mark cleared, then the customers whose code
// names the sought entry marked, each under its own record lock: about
// half of them), a temporary sort (tempmx2 built over the standard files,
// which stay open), the way back to the standard order list, and the next
// free customer key that an Add looks for.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

#include "QtBenchMain.h"
#include "BenchDataSet.h"
#include "CustomerDialog.h"
#include "Opening.h"
#include "RegisterTables.h"
#include "SuiteViews.h"

namespace {

using mx::rt::Value;

constexpr int kEntries = 80;
constexpr int kCustomers = 20000;

void fill(const std::string& dir) {
    std::mt19937 rng(11);
    mx::rt::Session s;
    mx::rt::WorkArea& lib = s.open(dir + "/lib.dbf", "", mx::rt::OpenMode::Exclusive);
    mx::bench::appendSuiteLibrary(lib, kEntries);
    static const char* hex = "0123456789ABCDEF";
    static const char* managers[] = {"RAY DONOVAN", "BETH MORGAN", "JANE HOLT", "CARL REYES"};
    static const char* states[] = {"WA", "NSW", "QLD", "VIC", "SA", "TAS", "NT", "ACT"};
    mx::rt::WorkArea& mitrex = s.open(dir + "/mitrex.dbf", "", mx::rt::OpenMode::Exclusive);
    mx::rt::WorkArea& notes = s.open(dir + "/mxnote.dbf", "", mx::rt::OpenMode::Exclusive);
    for (int i = 0; i < kCustomers; ++i) {
        std::string suites;
        for (int d = 0; d < 20; ++d) {
            suites += hex[rng() % 16];
            if (d % 4 == 3) suites += '-';
        }
        suites.resize(24);
        mitrex.append();
        mitrex.setField("CUSTNO", Value::numeric(kCustomers - i));
        mitrex.setField("COMPANY", Value::character("FABRICATOR " + std::to_string(rng() % 100000) + " PTY LTD"));
        mitrex.setField("MGR", Value::character(managers[rng() % 4]));
        mitrex.setField("STATE1", Value::character(states[rng() % 8]));
        mitrex.setField("AMOUNT", Value::numeric(static_cast<double>(rng() % 90000) / 100, 7, 2));
        mitrex.setField("CHANGED", Value::date(2457000 + static_cast<int>(rng() % 3000)));
        mitrex.setField("LIBCODE1", Value::character(suites));
        if (i % 2 == 0) {
            notes.append();
            notes.setField("CUSTNO", Value::numeric(kCustomers - i));
            notes.setField("NOTE", Value::character("Installed 6.1.\r\nTwo workstations in the office."));
        }
    }
    s.closeAll();
}

struct RegisterData : mx::bench::BenchDataSet {
    RegisterData() : BenchDataSet("register-bench", fill) {}
    void open() {
        if (!mx::customers::openRegister(ctx)) throw std::runtime_error("the register could not be opened");
    }
};

RegisterData& data() {
    static RegisterData d;
    return d;
}

void BM_OpenRegister(benchmark::State& state) {
    RegisterData& d = data();
    for (auto _ : state) {
        d.open();
        state.PauseTiming();
        d.session.closeAll();
        state.ResumeTiming();
    }
    state.counters["customers/s"] = benchmark::Counter(double(kCustomers), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OpenRegister)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CheckLibrary(benchmark::State& state) {
    RegisterData& d = data();
    d.open();
    long marked = 0;
    for (auto _ : state) marked = mx::customers::markLibraryCodeUsers(d.ctx, "S041");
    if (marked < 0) state.SkipWithError("the library could not be opened");
    state.counters["marked"] = static_cast<double>(marked);
    state.counters["customers/s"] = benchmark::Counter(double(kCustomers), benchmark::Counter::kIsIterationInvariantRate);
    d.session.closeAll();
}
BENCHMARK(BM_CheckLibrary)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_TemporarySort(benchmark::State& state) {
    RegisterData& d = data();
    d.open();
    for (auto _ : state)
        if (!mx::customers::SETSTATEORDER(d.ctx)) state.SkipWithError("tempmx2 was not built");
    d.session.closeAll();
}
BENCHMARK(BM_TemporarySort)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BackToTheStandardOrders(benchmark::State& state) {
    RegisterData& d = data();
    d.open();
    for (auto _ : state) {
        state.PauseTiming();
        mx::customers::SETCHANGEORDER(d.ctx);
        state.ResumeTiming();
        mx::customers::selectRegisterOrder(d.ctx, mx::customers::kManagerOrder);
    }
    d.session.closeAll();
}
BENCHMARK(BM_BackToTheStandardOrders)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_NextCustomerKey(benchmark::State& state) {
    RegisterData& d = data();
    d.open();
    double key = 0;
    for (auto _ : state) key = mx::customers::nextCustomerKey(d.ctx);
    state.counters["key"] = key;
    d.session.closeAll();
}
BENCHMARK(BM_NextCustomerKey)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

// The sorts show the wait cursor: an application without a display.
int main(int argc, char** argv) { return mx::bench::runQtBenchmarks(argc, argv); }
