// The entry point of the test binaries that drive real dialogs: they need a
// QApplication, and one that runs without a display (offscreen platform, a
// private runtime folder when none is set).
#pragma once

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "RuntimeFolder.h"
#include "Ui.h"

namespace mx::test {

inline int runHeadlessTests(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    mx::tk::RuntimeFolder runtimeFolder;
    mx::tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace mx::test
