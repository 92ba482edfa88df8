// The drawing elements screen on the large data set (mxadmin demo-large:
// 2,000 configurations with 6 drawing elements each), to which one
// configuration in the middle of the set gets 500 elements more (frames,
// arrows, lines and louvre blades, every element with its expressions, a
// fifth with a condition), spread over the end of the table:
//   - the screen opened on a configuration of 6 elements and on the one of
//     506, from the button's action until it stands painted, and closed;
//   - the preview of the 506 elements redrawn at new dimension values (the
//     drawing, the count of elements that cannot be drawn, and the pane
//     painted), as the screen's H field does;
//   - the element dialog's redraw after a keystroke on that configuration:
//     the typed element's six texts checked and the drawing drawn with it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "QtBenchMain.h"
#include "BenchDataSet.h"
#include "DataContext.h"
#include "DrawingElements.h"
#include "DrawingPreview.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "LargeDataSet.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "ScriptedRun.h"
#include "TableDefaults.h"
#include "Ui.h"

namespace {

using mx::rt::Value;

constexpr int kElements = 500;

struct DrawingData {
    std::string dir;
    mx::rt::Session session;
    mx::ds::RecordingSink sink;
    mx::ds::RecordingSleeper sleeper;
    mx::ds::DataContext ctx;
    std::string bigCode, smallCode;

    DrawingData() : dir(folder()), ctx{session, sink, sleeper, dir} {
        mx::ds::createLargeDataSet(dir);
        {
            mx::rt::Session s;
            mx::rt::WorkArea& assembly = s.open(dir + "/assembly.dbf", "", mx::rt::OpenMode::Exclusive);
            assembly.goTo(assembly.recordCount() / 2);
            bigCode = assembly.fieldValue("CODE").str();
            assembly.setField("LOUVRE", Value::logical(true));
            assembly.goTo(assembly.recordCount() / 4);
            smallCode = assembly.fieldValue("CODE").str();
            mx::rt::WorkArea& assdraw = s.open(dir + "/assdraw.dbf", "", mx::rt::OpenMode::Exclusive);
            mx::bench::appendDrawingElements(assdraw, bigCode, kElements);
            s.closeAll();
        }
        mx::ds::applyTableAccessDefaults(session);
        mx::ds::registerItemListFunctions(ctx);
        if (!mx::ds::INIT_IDX(ctx).ok()) throw std::runtime_error("index rebuild failed");
        session.closeAll();
        for (const char* table : {"assline", "assdraw", "asspanel", "assembly"})
            if (!mx::ds::OPNALIAS(ctx, table, false, true)) throw std::runtime_error(std::string("cannot open ") + table);
    }
    ~DrawingData() {
        session.closeAll();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // The configurations screen's state: `assembly` selected on `code`.
    mx::rt::WorkArea& onConfiguration(const std::string& code) {
        mx::rt::WorkArea& assembly = session.openArea("ASSEMBLY");
        if (!assembly.seek(Value::character(code), false)) throw std::runtime_error("no configuration " + code);
        session.select(assembly);
        return assembly;
    }

    static std::string folder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "drawing-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
        return tmpl;
    }
};

DrawingData& data() {
    static DrawingData d;
    return d;
}

void openScreen(benchmark::State& state, const std::string& code) {
    DrawingData& d = data();
    mx::test::ScriptedRun run;
    run.action = [&] {
        d.onConfiguration(code);
        mx::configurations::ASSDRAW(d.ctx);
    };
    for (auto _ : state)
        if (run.play("menu Run\npress Exit\n") != 0) state.SkipWithError(("the run failed: " + run.joined()).c_str());
}

void BM_OpenScreen6Elements(benchmark::State& state) { openScreen(state, data().smallCode); }
BENCHMARK(BM_OpenScreen6Elements)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_OpenScreen506Elements(benchmark::State& state) { openScreen(state, data().bigCode); }
BENCHMARK(BM_OpenScreen506Elements)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PreviewRedraw506Elements(benchmark::State& state) {
    DrawingData& d = data();
    mx::rt::WorkArea& assembly = d.onConfiguration(d.bigCode);
    mx::rt::WorkArea& assdraw = d.session.openArea("ASSDRAW");
    assdraw.setOrder(1);
    mx::configurations::DrawingModel model(d.session, assembly, assdraw);
    model.reload();
    mx::configurations::DrawingPreview preview;
    preview.resize(320, 270);  // the screen's pane
    QImage pane(preview.size(), QImage::Format_ARGB32_Premultiplied);
    const mx::configurations::DrawingValues sheet = model.sheetValues();
    int k = 0;
    for (auto _ : state) {
        model.setDimensions(sheet.H + (++k % 7) * 10, sheet.W, sheet.D);
        model.redraw();
        preview.setDrawing(model.drawing());
        preview.render(&pane);
    }
    if (model.drawing().failure) state.SkipWithError(model.drawing().failure->why.c_str());
    state.counters["segments"] = static_cast<double>(model.drawing().segments.size());
    state.counters["elements"] = static_cast<double>(model.elements().size());
}
BENCHMARK(BM_PreviewRedraw506Elements)->Unit(benchmark::kMillisecond);

void BM_DialogRedrawAfterAKeystroke506Elements(benchmark::State& state) {
    DrawingData& d = data();
    mx::rt::WorkArea& assembly = d.onConfiguration(d.bigCode);
    mx::rt::WorkArea& assdraw = d.session.openArea("ASSDRAW");
    assdraw.setOrder(1);
    mx::configurations::DrawingModel model(d.session, assembly, assdraw);
    model.reload();
    const std::vector<mx::configurations::DrawingElement> elements = model.elements();
    mx::configurations::DrawingElement typed = elements[elements.size() / 2];
    assdraw.goTo(typed.recno);
    mx::configurations::DrawingPreview preview;
    preview.resize(420, 300);  // the dialog's pane
    QImage pane(preview.size(), QImage::Format_ARGB32_Premultiplied);
    int k = 0;
    for (auto _ : state) {
        typed.toCol = "W-T-W/" + std::to_string(++k % 9 + 1);
        const mx::configurations::DrawingValues values = model.values();
        const std::pair<const char*, const std::string*> texts[] = {
            {"FROMROW", &typed.fromRow}, {"FROMCOL", &typed.fromCol}, {"TOROW", &typed.toRow},
            {"TOCOL", &typed.toCol},     {"FN", &typed.fn},           {"CONDITION", &typed.condition}};
        for (const auto& [field, text] : texts)
            benchmark::DoNotOptimize(mx::configurations::checkText(field, *text, values, model.hosts()));
        preview.setDrawing(mx::configurations::drawOver(assdraw, elements, values, model.hosts(), &typed));
        preview.render(&pane);
    }
    state.counters["segments"] = static_cast<double>(preview.drawing().segments.size());
}
BENCHMARK(BM_DialogRedrawAfterAKeystroke506Elements)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return mx::bench::runQtBenchmarks(argc, argv); }
