// The main of a benchmark that needs Qt's application object (fonts, the
// PDF writer, widgets) but no display: offscreen unless told otherwise,
// the offscreen platform's notices kept quiet, the last window closing
// nothing.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "Ui.h"

namespace mx::bench {

inline int runQtBenchmarks(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace mx::bench
