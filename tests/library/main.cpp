// Test entry point: the library tests drive real dialogs, so they need a
// QApplication, and one that runs without a display.
#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "Ui.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string tmpl = QDir::tempPath().toStdString() + "/mxlib-runtime-XXXXXX";
        if (char* dir = ::mkdtemp(tmpl.data())) ::setenv("XDG_RUNTIME_DIR", dir, 1);  // mkdtemp makes it 0700
    }
    mx::tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
