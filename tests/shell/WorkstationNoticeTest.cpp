// A workstation numbered outside 1 to 9 has no tag field: start-up says so
// once, in the main window's status bar.
#include <QApplication>
#include <QStatusBar>
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "ProgramRunner.h"
#include "RuntimeFolder.h"
#include "TestUtil.h"
#include "Ui.h"
#include "Workstation.h"

using mx::shell::parseCommandLine;
using mx::shell::workstationNotice;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static mx::tk::RuntimeFolder runtime;
    mx::tk::Ui::quietOffscreenNotices();
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace

TEST(WorkstationNotice, ANumberWithoutATagFieldIsToldInTheStatusBarAtStartUp) {
    for (const char* arg : {"1", "9", "Y"}) {
        auto cl = parseCommandLine({arg});
        EXPECT_EQ(workstationNotice(cl.ws, cl.wsArgument), QString()) << arg;
    }
    for (const char* arg : {"12", "99999999999999999999", "-1"}) {
        auto cl = parseCommandLine({arg});
        EXPECT_EQ(workstationNotice(cl.ws, cl.wsArgument),
                  QStringLiteral("Workstation %1 has no tag field (workstations 1 to 9 have one): tagging does nothing here.")
                      .arg(arg))
            << arg;
    }

    application();
    mx::test::TempDir dir;
    const std::string data = dir.file("data");
    ASSERT_EQ(mx::test::run(mx::test::mxadmin() + " init '" + data + "' --demo").status, 0);
    for (const char* arg : {"12", "3"}) {
        mx::shell::Workstation w(parseCommandLine({arg}), QString::fromStdString(data));
        ASSERT_TRUE(w.start());
        ASSERT_NE(w.mainWindow(), nullptr);
        EXPECT_EQ(w.mainWindow()->statusBar()->currentMessage(), workstationNotice(w.values().ws, arg)) << arg;
        mx::tk::Ui::instance().reset();
    }
}
