// The configuration printouts, each written as a PDF into a print folder:
// the data sheet of a configuration with 500 drawing elements (frames,
// arrows, lines and louvre blades, every element with its expressions, a
// fifth with a condition), its drawing arithmetic alone, and the line-item
// report of a configuration with 2,000 formula lines (every fourth with a
// condition), with the tables open as the configurations and Formulae
// screens have them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "QtBenchMain.h"
#include "BenchDataSet.h"
#include "ConfigurationReports.h"
#include "DataSheet.h"
#include "Drawing.h"
#include "Opening.h"
#include "Ui.h"

namespace {

using mx::rt::Value;

constexpr int kElements = 500;
constexpr int kLines = 2000;

void fill(const std::string& dir) {
    mx::rt::Session s;
    mx::rt::WorkArea& assembly = s.open(dir + "/assembly.dbf", "", mx::rt::OpenMode::Exclusive);
    for (const char* code : {"BIG-DRAWING", "BIG-LINES"}) {
        assembly.append();
        assembly.setField("CODE", Value::character(code));
        assembly.setField("DESC", Value::character("BENCHMARK CONFIGURATION"));
        assembly.setField("HTMIN", Value::numeric(300));
        assembly.setField("HTMAX", Value::numeric(2400));
        assembly.setField("WDMIN", Value::numeric(600));
        assembly.setField("WDMAX", Value::numeric(3600));
        assembly.setField("BLADEWIDTH", Value::numeric(102));
        assembly.setField("LOUVRE", Value::logical(true));
    }
    mx::rt::WorkArea& assdraw = s.open(dir + "/assdraw.dbf", "", mx::rt::OpenMode::Exclusive);
    mx::bench::appendDrawingElements(assdraw, "BIG-DRAWING", kElements);
    mx::rt::WorkArea& assline = s.open(dir + "/assline.dbf", "", mx::rt::OpenMode::Exclusive);
    for (int i = 0; i < kLines; ++i) {
        assline.append();
        assline.setField("ASSCODE", Value::character("BIG-LINES"));
        assline.setField("STKCODE", Value::character("STK" + std::to_string(i)));
        assline.setField("DESC", Value::character("FORMULA LINE NUMBER " + std::to_string(i)));
        assline.setField("TYPE", Value::character("L"));
        assline.setField("QTY", Value::numeric(i % 7 + 0.25, 8, 2));
        assline.setField("AMOUNT", Value::character("(2*W)+(2*H)-" + std::to_string(i % 90)));
        assline.setField("AMOUNT2", Value::character("H-70"));
        if (i % 4 == 0) assline.setField("CONDITION", Value::character("LA .AND. W > 900"));
    }
    mx::rt::WorkArea& quotdata = s.open(dir + "/quotdata.dbf", "", mx::rt::OpenMode::Exclusive);
    quotdata.append();
    quotdata.setField("TOP2", Value::numeric(2));
    quotdata.setField("LMARGIN", Value::numeric(2));
    quotdata.setField("WIDTH", Value::numeric(80));
    quotdata.setField("PAGELEN", Value::numeric(66));
    s.closeAll();
}

// The tables as the configurations screen opens them, the Formulae
// screen's view of `assline`, and a print folder.
struct SheetData : mx::bench::BenchDataSet {
    SheetData() : BenchDataSet("sheet-bench", fill), print(dir() + "/print") {
        for (const char* table : {"assline", "assdraw", "asspanel", "assembly"})
            if (!mx::ds::OPNALIAS(ctx, table)) throw std::runtime_error(std::string("cannot open ") + table);
        mx::rt::WorkArea& assline = session.openArea("ASSLINE");
        assline.setOrder(3);
        assline.setFilter("!assline->Labour");
        mx::tk::Ui::instance().setPrintDir(QString::fromStdString(print));
    }

    void onConfiguration(const char* code) {
        mx::rt::WorkArea& assembly = session.openArea("ASSEMBLY");
        if (!assembly.seek(Value::character(code), false)) throw std::runtime_error("no configuration");
        session.select(assembly);
    }
    // Empties the print folder (its files are numbered per run).
    void clearPrints() {
        std::error_code ec;
        std::filesystem::remove_all(print, ec);
    }

    std::string print;
    mx::tk::ReportValues values{QStringLiteral("Banksia Frames"), QStringLiteral("Mitrex Development from Tallowood Systems"),
                                QStringLiteral("08/12/26"), true};
};

SheetData& data() {
    static SheetData d;
    return d;
}

std::uintmax_t printedBytes(const std::string& dir) {
    std::uintmax_t bytes = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) bytes += e.file_size(ec);
    return bytes;
}

void BM_DrawingArithmetic500Elements(benchmark::State& state) {
    SheetData& d = data();
    d.onConfiguration("BIG-DRAWING");
    std::size_t segments = 0;
    for (auto _ : state) {
        const mx::configurations::Drawing drawing =
            mx::configurations::drawConfiguration(d.session, d.session.openArea("ASSEMBLY"), d.session.openArea("ASSDRAW"));
        if (drawing.failure) state.SkipWithError(drawing.failure->why.c_str());
        segments = drawing.segments.size();
    }
    state.counters["elements/s"] = benchmark::Counter(kElements, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["segments"] = static_cast<double>(segments);
}
BENCHMARK(BM_DrawingArithmetic500Elements)->Unit(benchmark::kMillisecond);

void BM_DataSheet500ElementsToPdf(benchmark::State& state) {
    SheetData& d = data();
    d.onConfiguration("BIG-DRAWING");
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        d.clearPrints();
        state.ResumeTiming();
        mx::configurations::ASSPRINT(d.ctx, d.values);
        state.PauseTiming();
        bytes = printedBytes(d.print);
        if (bytes == 0) state.SkipWithError("no PDF was written");
        state.ResumeTiming();
    }
    state.counters["pdf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_DataSheet500ElementsToPdf)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_LineItemReport2000LinesToPdf(benchmark::State& state) {
    SheetData& d = data();
    d.onConfiguration("BIG-LINES");
    int pages = 0;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        d.clearPrints();
        state.ResumeTiming();
        pages = mx::configurations::REP1(d.ctx, d.values);
        state.PauseTiming();
        bytes = printedBytes(d.print);
        if (pages == 0 || bytes == 0) state.SkipWithError("no PDF was written");
        state.ResumeTiming();
    }
    state.counters["lines/s"] = benchmark::Counter(kLines, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pages"] = pages;
    state.counters["pdf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LineItemReport2000LinesToPdf)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

// Printing needs the application object (fonts, the PDF writer) but no display.
int main(int argc, char** argv) { return mx::bench::runQtBenchmarks(argc, argv); }
