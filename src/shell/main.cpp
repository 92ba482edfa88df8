// Entry point of the workstation: reads the command line, sets up a scripted
// session when asked for one, runs the start-up sequence and the main
// window's event loop.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "CommandLine.h"
#include "DataFolder.h"
#include "Login.h"
#include "RuntimeFolder.h"
#include "ScriptDriver.h"
#include "TableBrowser.h"
#include "Transcript.h"
#include "Ui.h"
#include "Workstation.h"

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    mx::shell::CommandLine cl = mx::shell::parseCommandLine(args);
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "mxdev: %s\n", qPrintable(cl.error));
        return 2;
    }
    if (cl.help) {
        std::fputs(mx::shell::kUsage, stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("mxdev %s\n", MXDEV_VERSION);
        return 0;
    }
    // File names on the command line are the starting folder's, not the data folder's.
    mx::shell::resolvePaths(cl, QDir::currentPath());
    mx::tablebrowser::setStartFolder(QDir::currentPath());  // where an export named without a folder goes
    const bool scripted = !cl.play.isEmpty();
    // A scripted run needs no display.
    if (scripted && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    // Qt's private runtime folder, when the session has none (scripted and
    // offscreen runs): standard error then carries only real problems.
    mx::tk::RuntimeFolder runtimeFolder;
    mx::tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    mx::tk::Ui& ui = mx::tk::Ui::instance();
    // The data folder is a value handed to the workstation and, through its
    // data context, to every service; the process's own folder stays the
    // starting folder.
    QString dataFolder;
    if (!cl.dataDir.isEmpty()) {
        if (!QDir(cl.dataDir).exists()) {
            std::fprintf(stderr, "mxdev: cannot work in %s: no such folder\n", qPrintable(cl.dataDir));
            return 1;
        }
        dataFolder = QDir(cl.dataDir).absolutePath();
    }
    // Without --data: the starting folder, else the configured or the chosen one.
    QStringList lookedIn;
    if (cl.dataDir.isEmpty()) {
        mx::shell::DataFolderSearch search =
            mx::shell::findDataFolder(QDir::currentPath(), !scripted, cl.chooseData, [&ui](const QString& start) {
                return ui.chooseFolder(QStringLiteral("Choose the data folder of Mitrex Development"), start);
            });
        if (search.cancelled) return 0;
        lookedIn = search.lookedIn;
        dataFolder = search.folder;
    }

    std::unique_ptr<mx::tk::Transcript> transcript;
    QString transcriptPath = cl.transcript.isEmpty() && scripted ? QStringLiteral("-") : cl.transcript;
    if (!transcriptPath.isEmpty()) {
        QString error;
        transcript = mx::tk::Transcript::toFile(transcriptPath, &error);
        if (!transcript) {
            std::fprintf(stderr, "mxdev: %s\n", qPrintable(error));
            return 1;
        }
        ui.setTranscript(transcript.get());
    }
    std::unique_ptr<mx::tk::ScriptDriver> driver;
    if (scripted) {
        QString error;
        std::optional<std::string> script = mx::tk::ScriptDriver::readScript(cl.play, &error);
        if (!script) {
            std::fprintf(stderr, "mxdev: %s\n", qPrintable(error));
            return 1;
        }
        driver = std::make_unique<mx::tk::ScriptDriver>(ui, *transcript);
        driver->load(*script);
    }
    // An installed program's own bitmaps: PREFIX/share/mxdev/bitmaps beside PREFIX/bin/mxdev.
    if (QDir bitmaps(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/mxdev/bitmaps")); bitmaps.exists())
        ui.setBitmapFolder(bitmaps.canonicalPath());
    if (!cl.printDir.isEmpty())
        ui.setPrintDir(cl.printDir);
    else if (scripted)
        ui.setPrintDir(QDir(dataFolder).filePath(QStringLiteral("print")));

    mx::shell::Workstation workstation(cl, dataFolder);
    workstation.setLookedIn(lookedIn);
    int status = 0;
    bool driverStarted = false;
    auto startDriver = [&] {
        if (!driver || driverStarted) return;
        driverStarted = true;
        driver->start([&](int s) {
            status = s;
            QCoreApplication::exit(s);
        });
    };
    if (driver) {
        // The run ends when the script does, not when the last window closes.
        app.setQuitOnLastWindowClosed(false);
        // The login dialog is the first thing a script acts on: the script
        // starts playing when it opens, not earlier, so that start-up's own
        // waits (the index rebuild) do not run commands meant for the menu.
        workstation.setLogin([&](mx::shell::Workstation& w) {
            startDriver();
            return mx::shell::LOGIN(w);
        });
    }
    const bool started = workstation.start();
    if (driver) {
        if (!started) driver->fail(mx::tk::ScriptDriver::Failed, QStringLiteral("the program ended during start-up"));
        startDriver();
        // The script may have ended while the login was open.
        if (!driver->finished()) app.exec();
        if (!driver->error().isEmpty()) std::fprintf(stderr, "mxdev: %s\n", qPrintable(driver->error()));
        return status;
    }
    if (!started) return 1;
    return app.exec();
}
