#include "Workstation.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>

#include "ApplyType.h"
#include "BrowserCommand.h"
#include "Colour.h"
#include "ComponentCategories.h"
#include "ConfigurationReports.h"
#include "ConfigurationScreen.h"
#include "CustomerRegister.h"
#include "DataCheckScreen.h"
#include "DataSheet.h"
#include "DataFolder.h"
#include "Fonts.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "ExprFormat.h"
#include "LibraryReports.h"
#include "LibraryScreen.h"
#include "Login.h"
#include "Opening.h"
#include "SystemRecord.h"
#include "TableBrowser.h"
#include "TableDefaults.h"
#include "TextCodec.h"
#include "Ui.h"
#include "WaitCursor.h"

namespace mx::shell {

namespace {

// The main window's caption: two blanks before "by".
const QString kMainTitle = QStringLiteral("Mitrex Development  by Tallowood Systems");

QString fileIn(const QString& dir, const QString& name) { return dir.isEmpty() ? name : QDir(dir).filePath(name); }

}  // namespace

QString workstationNotice(int ws, const QString& argument) {
    if (ws >= 1 && ws <= 9) return {};
    return QStringLiteral("Workstation %1 has no tag field (workstations 1 to 9 have one): tagging does nothing here.")
        .arg(argument.isEmpty() ? QString::number(ws) : argument);
}



Workstation::Workstation(const CommandLine& commandLine, QString dataDir)
    : dataDir_(std::move(dataDir)),
      commandLine_(commandLine),
      context_(session_, sink_, sleeper_, tk::fromQ(dataDir_)),
      login_(LOGIN) {}

Workstation::~Workstation() {
    try {
        session_.closeAll();
    } catch (...) {
    }
}

bool Workstation::start() {
    tk::Ui& ui = tk::Ui::instance();
    // 1-3: program-wide values and the table-access defaults.
    ds::applyTableAccessDefaults(session_);
    // Date fields and lists write and read dates as the table access does:
    // "dd/mm/yy", two-digit years from the epoch on.
    ui.setDateStyle({session_.settings().dateFormat, session_.settings().epoch});
    ds::registerItemListFunctions(context_);
    values_.dialogFont = tk::Fonts::dialog();
    QDate today = QDate::currentDate();
    values_.sysDate = rt::dayFromYmd(today.year(), today.month(), today.day());
    // 4: the command line.
    values_.preview = commandLine_.preview;
    values_.ws = commandLine_.ws;
    // A folder without a data set: say where the program looked and what to
    // do, rather than failing on the first table it misses.
    if (!ds::dataFileExists(context_, "indexdef.dbf")) {
        ui.alert(noDataSetMessage(lookedIn_.isEmpty() ? QStringList{QString::fromStdString(ds::dataSetFolder(context_))}
                                                      : lookedIn_));
        return false;
    }
    // 5: a missing index of `indexdef` means the whole index set is rebuilt, silently.
    if (!ds::indexdefIndexExists(context_)) {
        ui.waitBox(values_.package1, QStringLiteral("Rebuilding Index Files. Please Wait."),
                   [this] { REINDEX(false, true); });
    }
    // 6: the system record.
    std::optional<bool> security = ds::readSecurity(context_);
    if (!security) return false;
    context_.security = *security;
    // 7: the splash, not blocking.
    // The data folder's bitmap, named in the transcript as the data set names it.
    ui.splash(fileIn(dataDir_, QStringLiteral("tws.bmp")), 3000, QStringLiteral("tws.bmp"));
    // 8: the login, when the system record asks for it.
    if (context_.security && !login_(*this)) {
        CLOSDATA();
        return false;
    }
    // 9-11: the main window with its menu and logo.
    window_ = std::make_unique<tk::MainWindow>(kMainTitle, tk::Box{1, 1, 22, 75, tk::Unit::Cell}, BUILDMENU());
    values_.mainWindow = window_.get();
    ui.setMainWindow(window_.get());
    window_->setLogo(fileIn(dataDir_, QStringLiteral("logo.bmp")));
    window_->show();
    if (QString notice = workstationNotice(values_.ws, commandLine_.wsArgument); !notice.isEmpty()) ui.status(notice);
    return true;
}

void Workstation::CLOSDATA() { ds::CLOSDATA(context_); }

void Workstation::REINDEX(bool ask, bool refresh) {
    tk::Ui& ui = tk::Ui::instance();
    if (refresh) QCoreApplication::processEvents();
    if (ask && !ui.yesNo(QStringLiteral("Do You Wish To Rebuild Index Files?"))) return;
    {
        tk::WaitCursor busy;
        ds::INIT_IDX(context_, false);
    }
    if (ask) ui.info(QStringLiteral("Reindex Complete!"));
}

std::function<void()> Workstation::screen(std::function<void()> body) {
    return [this, body = std::move(body)] {
        struct CloseAfter {
            Workstation* w;
            ~CloseAfter() {
                try {
                    w->CLOSDATA();
                } catch (...) {
                }
            }
        } closeAfter{this};
        body();
    };
}

tk::ReportValues Workstation::reportValues() const {
    return {values_.company, values_.package1,
            QString::fromStdString(rt::formatDate(values_.sysDate, session_.settings().dateFormat)), values_.preview};
}

void Workstation::runBrowser() {
    tk::Ui& ui = tk::Ui::instance();
    // A configured program first (BrowserCommand.h), run in the data folder
    // and waited for; otherwise the built-in browser. The menu action closes
    // every table afterwards.
    QString problem;
    const QString dataFolder = QDir(dataDir_.isEmpty() ? QStringLiteral(".") : dataDir_).absolutePath();
    const std::optional<BrowserCommand> command =
        configuredBrowser(dataFolder, qEnvironmentVariable(kBrowserVariable), &problem);
    if (!problem.isEmpty()) {
        ui.alert(problem);
        return;
    }
    if (!command) {
        tablebrowser::BROWSE(context_);
        return;
    }
    if (!ui.runProgram(command->program, command->arguments, dataFolder))
        ui.alert(QStringLiteral("The table browser \"%1\" named in %2 could not be started.").arg(command->program, command->from));
}

std::vector<tk::MenuItem> Workstation::BUILDMENU() {
    using tk::MenuItem;
    std::vector<MenuItem> menu;
    menu.push_back(MenuItem{QStringLiteral("&File"),
                            {},
                            {MenuItem{QStringLiteral("Re&index"), screen([this] { REINDEX(); })},
                             MenuItem::line(),
                             MenuItem{QStringLiteral("&Browse"), screen([this] { runBrowser(); })},
                             MenuItem::line(),
                             MenuItem{QStringLiteral("E&xit"), [this] {
                                          if (window_) window_->close();
                                      }}}});
    menu.push_back(MenuItem{QStringLiteral("&Library"), screen([this] {
                                const tk::ReportValues report = reportValues();
                                if (!lib::LIB(context_, values_.ws, false, lib::reportLinks(context_, values_.ws, report)) &&
                                    window_)
                                    window_->close();
                            })});
    menu.push_back(MenuItem{QStringLiteral("&Configurations"), screen([this] {
                                const tk::ReportValues report = reportValues();
                                const configurations::ConfigurationLinks links{
                                    .dataSheet = [this, report] { configurations::ASSPRINT(context_, report); },
                                    .report = [this, report] { configurations::REP(context_, report); },
                                    .lineReport = [this, report] { configurations::REP1(context_, report); }};
                                if (!configurations::ASSEMBLY(context_, links) && window_) window_->close();
                            })});
    menu.push_back(MenuItem{QStringLiteral("Integrit&y Checks"),
                            {},
                            {MenuItem{QStringLiteral("&Component Categories"), screen([this] { lib::COMPCAT(context_); })},
                             MenuItem{QStringLiteral("&Apply Type to Comp's"), screen([this] { lib::COMPTYPE(context_); })},
                             MenuItem{QStringLiteral("&Data Check"), screen([this] {
                                          datacheck::DATACHECK(context_, [this](const std::string& alias, std::uint32_t recno) {
                                              tablebrowser::BROWSE(context_, alias, recno);
                                          });
                                      })}}});
    menu.push_back(MenuItem{QStringLiteral("L&icenses"), screen([this] {
                                const tk::ReportValues report = reportValues();
                                customers::MITREX(context_, values_.ws, lib::reportLinks(context_, values_.ws, report));
                            })});
    menu.push_back(MenuItem{QStringLiteral("&Colours"), screen([] { lib::COLOUR(); })});
    return menu;
}

}  // namespace mx::shell
