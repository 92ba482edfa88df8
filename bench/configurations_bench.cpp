// The configuration screens over 2,000 configurations and 200,000 formula
// lines (100 a configuration, spread over the whole table as years of
// editing leave them), with 10 drawing elements, 2 panels and 2 punch holes
// a configuration, on the default index set. The screens run offscreen on
// their real dialogs, driven by scripts as the tests drive them:
//   - opening the Configurations screen (its four tables opened shared with
//     their indexes, the list shown) and closing it;
//   - the cascade delete of a configuration through the screen's Delete
//     button, and the cascade alone (deleteConfiguration) without a dialog;
//   - the Formulae screen opened on a configuration at the start, the
//     middle and the end of the table and paged through all its lines, with
//     the `assline` records it read;
//   - the copy of a configuration with its 100 lines, 10 drawing elements,
//     2 panels and 2 punch holes (copyConfiguration, and through the
//     screen's Copy button), and the code change's carrying of the same
//     records to a new code (the counts, the refusal check and the move).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

#include "QtBenchMain.h"
#include "BenchDataSet.h"
#include "ConfigurationCopy.h"
#include "ConfigurationScreen.h"
#include "FormulaLines.h"
#include "Opening.h"
#include "ScriptedRun.h"
#include "Ui.h"

namespace {

using mx::rt::Value;

constexpr int kConfigurations = 2000;
constexpr int kLinesEach = 100;

std::string code(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "CFG%04d", n);
    return buf;
}

void fill(const std::string& dir) {
    mx::rt::Session s;
    mx::rt::WorkArea& lib = s.open(dir + "/lib.dbf", "", mx::rt::OpenMode::Exclusive);
    lib.append();
    lib.setField("CODE", Value::character("RS500"));
    lib.setField("MAXADJUST", Value::numeric(3));
    mx::rt::WorkArea& assembly = s.open(dir + "/assembly.dbf", "", mx::rt::OpenMode::Exclusive);
    std::mt19937 rng(11);
    for (int i = 0; i < kConfigurations; ++i) {
        assembly.append();
        assembly.setField("CODE", Value::character(code(i)));
        assembly.setField("DESC", Value::character("CONFIGURATION " + std::to_string(i)));
        assembly.setField("LIB", Value::character("RS500"));
    }
    // Line j belongs to configuration j mod 2,000: each configuration's lines
    // lie all over the file.
    mx::rt::WorkArea& lines = s.open(dir + "/assline.dbf", "", mx::rt::OpenMode::Exclusive);
    for (int j = 0; j < kConfigurations * kLinesEach; ++j) {
        lines.append();
        lines.setField("ASSCODE", Value::character(code(j % kConfigurations)));
        lines.setField("STKCODE", Value::character("STK" + std::to_string(rng() % 5000)));
        lines.setField("TYPE", Value::character("L"));
        lines.setField("QTY", Value::numeric(1 + j % 4, 8, 2));
        lines.setField("AMOUNT", Value::character("W-" + std::to_string(j % 90)));
        lines.setField("DESC", Value::character("COMPONENT"));
    }
    auto owned = [&](const char* table, int each) {
        mx::rt::WorkArea& a = s.open(dir + "/" + table + ".dbf", "", mx::rt::OpenMode::Exclusive);
        for (int j = 0; j < kConfigurations * each; ++j) {
            a.append();
            a.setField("ASSCODE", Value::character(code(j % kConfigurations)));
        }
    };
    owned("assdraw", 10);
    owned("asspanel", 2);
    owned("punchole", 2);
    s.closeAll();
}

struct ConfigurationData : mx::bench::BenchDataSet {
    ConfigurationData() : BenchDataSet("configurations-bench", fill) {}
};

ConfigurationData& data() {
    static ConfigurationData d;
    return d;
}

// Plays `script` on a main window whose one menu item runs `action`.
void playOrFail(benchmark::State& state, mx::test::ScriptedRun& run, const std::string& script) {
    if (run.play(script) != 0) state.SkipWithError(("the scripted run failed: " + run.joined()).c_str());
}

void BM_OpenConfigurationsScreen(benchmark::State& state) {
    ConfigurationData& d = data();
    mx::test::ScriptedRun run;
    run.action = [&] {
        mx::configurations::ASSEMBLY(d.ctx);
        mx::ds::CLOSDATA(d.ctx);
    };
    for (auto _ : state) playOrFail(state, run, "menu Run\npress Exit\n");
}
BENCHMARK(BM_OpenConfigurationsScreen)->Unit(benchmark::kMillisecond)->Iterations(20);

// Each iteration deletes the first configuration with its 100 lines, 10
// drawing elements, 2 panels and 2 punch holes, opening the screen for it.
void BM_DeleteThroughTheScreen(benchmark::State& state) {
    ConfigurationData& d = data();
    mx::test::ScriptedRun run;
    run.action = [&] {
        mx::configurations::ASSEMBLY(d.ctx);
        mx::ds::CLOSDATA(d.ctx);
    };
    for (auto _ : state) playOrFail(state, run, "menu Run\nanswer yes\npress Delete\npress Exit\n");
}
BENCHMARK(BM_DeleteThroughTheScreen)->Unit(benchmark::kMillisecond)->Iterations(20);

// The cascade alone, the screen's tables open.
void BM_DeleteConfiguration(benchmark::State& state) {
    ConfigurationData& d = data();
    for (const char* t : {"assline", "assdraw", "asspanel", "punchole", "assembly"})
        if (!mx::ds::OPNALIAS(d.ctx, t, false, true)) state.SkipWithError("tables could not be opened");
    mx::rt::WorkArea& assembly = *d.session.area("ASSEMBLY");
    std::uint64_t before = d.session.area("ASSLINE")->table().recordReads();
    for (auto _ : state) {
        d.session.select(assembly);
        assembly.goTop();
        if (!mx::configurations::deleteConfiguration(d.ctx)) state.SkipWithError("the delete failed");
    }
    state.counters["assline reads"] = benchmark::Counter(
        double(d.session.area("ASSLINE")->table().recordReads() - before), benchmark::Counter::kAvgIterations);
    mx::ds::CLOSDATA(d.ctx);
}
BENCHMARK(BM_DeleteConfiguration)->Unit(benchmark::kMillisecond)->Iterations(20);

// The Formulae screen on configuration `state.range(0)` (counted from the
// last one the deletes above left), paged to the end of its lines and back.
void BM_FormulaeOpenAndPage(benchmark::State& state) {
    ConfigurationData& d = data();
    for (const char* t : {"assline", "assdraw", "asspanel", "assembly"})
        if (!mx::ds::OPNALIAS(d.ctx, t, false, true)) state.SkipWithError("tables could not be opened");
    mx::rt::WorkArea& assembly = *d.session.area("ASSEMBLY");
    mx::rt::WorkArea& lines = *d.session.area("ASSLINE");
    const std::string wanted = code(static_cast<int>(state.range(0)));
    mx::test::ScriptedRun run;
    run.action = [&] {
        d.session.select(assembly);
        assembly.seek(Value::character(wanted), false);
        mx::configurations::ASSLINE(d.ctx);
    };
    std::string script = "menu Run\n";
    for (int i = 0; i < 12; ++i) script += "key PageDown\n";
    script += "key Home\npress Exit\n";
    const std::uint64_t before = lines.table().recordReads();
    for (auto _ : state) playOrFail(state, run, script);
    state.counters["assline reads"] =
        benchmark::Counter(double(lines.table().recordReads() - before), benchmark::Counter::kAvgIterations);
    mx::ds::CLOSDATA(d.ctx);
}
BENCHMARK(BM_FormulaeOpenAndPage)->Arg(100)->Arg(1000)->Arg(1999)->Unit(benchmark::kMillisecond)->Iterations(20);

// Opens the tables the copy and the move use; false after skipping.
bool openForCopy(benchmark::State& state, mx::ds::DataContext& ctx) {
    if (mx::configurations::openCopyTables(ctx)) return true;
    state.SkipWithError("tables could not be opened");
    return false;
}

// Each iteration copies configuration 500 + i (untouched by the benchmarks
// above) as a new code, the screen's tables open.
void BM_CopyConfiguration(benchmark::State& state) {
    ConfigurationData& d = data();
    if (!openForCopy(state, d.ctx)) return;
    mx::rt::WorkArea& assembly = *d.session.area("ASSEMBLY");
    int i = 0;
    for (auto _ : state) {
        d.session.select(assembly);
        assembly.seek(Value::character(code(500 + i)), false);
        const auto r = mx::configurations::copyConfiguration(d.ctx, "NEW" + std::to_string(1000 + i));
        if (r.outcome != mx::configurations::CopyResult::Outcome::Copied || r.copied.total() != 114)
            state.SkipWithError(("the copy failed: " + r.message).c_str());
        ++i;
    }
    mx::ds::CLOSDATA(d.ctx);
}
BENCHMARK(BM_CopyConfiguration)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same through the screen: opened, the Copy button, the new code typed,
// closed.
void BM_CopyThroughTheScreen(benchmark::State& state) {
    ConfigurationData& d = data();
    mx::test::ScriptedRun run;
    run.action = [&] {
        mx::configurations::ASSEMBLY(d.ctx);
        mx::ds::CLOSDATA(d.ctx);
    };
    int i = 0;
    for (auto _ : state)
        playOrFail(state, run, "menu Run\nanswer text SCR" + std::to_string(1000 + i++) + "\npress Copy\npress Exit\n");
}
BENCHMARK(BM_CopyThroughTheScreen)->Unit(benchmark::kMillisecond)->Iterations(20);

// The code change's work after the header is saved: configuration 1200 + i's
// records counted, the new code checked, and the 114 records moved to it.
void BM_CodeChangeMove(benchmark::State& state) {
    ConfigurationData& d = data();
    if (!openForCopy(state, d.ctx)) return;
    int i = 0;
    for (auto _ : state) {
        const std::string from = code(1200 + i), to = "MOV" + std::to_string(1000 + i);
        const auto counts = mx::configurations::countDependents(d.ctx, from);
        if (mx::configurations::refuseCode(d.ctx, to)) state.SkipWithError("the new code was refused");
        const auto m = mx::configurations::moveDependents(d.ctx, from, to);
        if (m.moved.total() != 114 || !(m.moved == counts)) state.SkipWithError("the move did not move everything");
        ++i;
    }
    mx::ds::CLOSDATA(d.ctx);
}
BENCHMARK(BM_CodeChangeMove)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) { return mx::bench::runQtBenchmarks(argc, argv); }
