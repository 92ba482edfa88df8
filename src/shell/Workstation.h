// The workstation program: the start-up sequence, the main window with the
// menu that opens one screen at a time, and the index rebuild the File menu
// offers. One object for the life of the program; it owns the session, the
// data store context and the program-wide values.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "CommandLine.h"
#include "DataContext.h"
#include "DrawnReport.h"
#include "MainWindow.h"
#include "ProgramValues.h"
#include "Session.h"
#include "UiServices.h"

namespace mx::shell {

// The status line a workstation numbered outside 1 to 9 shows at start-up
// (`argument`: the number as given); empty for 1 to 9.
QString workstationNotice(int ws, const QString& argument);

class Workstation {
public:
    // `dataDir`: the data set's folder (empty: the current directory).
    Workstation(const CommandLine& commandLine, QString dataDir);
    ~Workstation();

    // Start-up up to the main window, which it creates and shows. False when
    // the program must end before it (`sysinfo` cannot be opened, the login
    // refused or cancelled); the reason has been shown.
    bool start();

    // The login run at start-up when `sysinfo` asks for it; `LOGIN`
    // (Login.h) unless replaced.
    void setLogin(std::function<bool(Workstation&)> login) { login_ = std::move(login); }
    // The folders the search for the data set looked in (DataFolder.h), named
    // when none holds one; by default the data folder alone.
    void setLookedIn(QStringList folders) { lookedIn_ = std::move(folders); }

    // `BUILDMENU`: the main menu.
    std::vector<tk::MenuItem> BUILDMENU();
    // `CLOSDATA`: closes every open table.
    void CLOSDATA();
    // `REINDEX`: the index rebuild, asking first when `ask`, with the window
    // system given a chance to draw first when `refresh`.
    void REINDEX(bool ask = true, bool refresh = false);

    ProgramValues& values() { return values_; }
    ds::DataContext& data() { return context_; }
    rt::Session& session() { return session_; }
    tk::MainWindow* mainWindow() const { return window_.get(); }
    const QString& dataDir() const { return dataDir_; }

private:
    // Runs a screen from the menu, then closes every table.
    std::function<void()> screen(std::function<void()> body);
    // What printed pages say of the firm and the day, and whether they go
    // to the preview.
    tk::ReportValues reportValues() const;
    void runBrowser();

    QString dataDir_;
    CommandLine commandLine_;
    rt::Session session_;
    UiMessageSink sink_;
    UiSleeper sleeper_;
    ds::DataContext context_;
    ProgramValues values_;
    std::unique_ptr<tk::MainWindow> window_;
    std::function<bool(Workstation&)> login_;
    QStringList lookedIn_;
};

}  // namespace mx::shell
