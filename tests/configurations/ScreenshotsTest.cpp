// Pictures of every configuration screen and dialog on the demo data set,
// for a person to look at: each `dump` of the walk below saves the window
// it dumps. Written only when MX_SCREENSHOT_DIR names a folder (run under
// xvfb-run with QT_QPA_PLATFORM=xcb for the fonts a user sees).
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QWidget>

#include "ConfigurationHarness.h"
#include "DataSet.h"

namespace mx::configurations::test {
namespace {

TEST(ConfigurationScreenshots, EveryScreenAndDialogOnTheDemoSet) {
    const char* out = std::getenv("MX_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "set MX_SCREENSHOT_DIR to write the pictures";
    mx::test::TempDir tmp;
    ds::createDataSet(tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
    mx::test::ScriptedRun run;
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx{session, sink, sleeper, tmp.path()};
    ds::applyTableAccessDefaults(session);
    ds::registerItemListFunctions(ctx);
    run.action = [&] {
        ASSEMBLY(ctx);
        ds::CLOSDATA(ctx);
    };
    int n = 0;
    run.onLine = [&](const std::string& line) {
        if (line.rfind("dump ", 0) != 0) return;
        QWidget* w = tk::Ui::instance().activeWindow();
        if (!w) return;
        QString name = w->windowTitle();
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
        w->grab().save(QDir(QString::fromUtf8(out)).filePath(QStringLiteral("%1-%2.png").arg(++n, 2, 10, QChar('0')).arg(name)));
    };
    // RS650-ST3 (row 10) has panels of its own (its lines carry a panel code).
    const int status = run.play(R"(menu Run
dump
row 10
press View/Update
dump
set LIB rs6
dump
press Exit
press Cancel
press Options
dump
press Cancel
press Extras
dump
press Cancel
press Formulae
row 3
dump
key Enter
dump
press Cancel
press Exit
press Labour
dump
key Enter
dump
press Cancel
press Exit
press "Punch Holes"
dump
key Enter
dump
press Cancel
press Exit
press Exit
)");
    EXPECT_EQ(status, 0) << run.joined();
}

}  // namespace
}  // namespace mx::configurations::test
