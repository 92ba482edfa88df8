// Every list screen on the large data set (mxadmin demo-large), through the
// real screens on the offscreen platform, at several sizes of the set: the
// library, the Configurations screen, the Formulae, Labour and Punch Holes
// screens on a configuration in the middle of the set, the customer
// register, the table browser on `assline` (in record order, and in its
// first index order: "tb-by-index") and the component categories; and the
// Formulae screen and the table browser in index order while another
// workstation adds a formula line before every page move ("+w").
//
// Per screen: the time from the menu action (or the button of the
// Configurations screen) until the screen stands with its list painted;
// each page move as a key press on the list (Page Down from the first row
// to the last, at most 300 times, Page Up back from the end, Home and End),
// with the list repainted, as its mean and its slowest; the records the
// screen's table read per Page Down; and the process's resident memory
// before the screen opens, after the last move, and at its peak.
//
// Each screen runs in a process of its own (this program started again),
// so that what one screen leaves in memory does not count towards the
// next, and the data set is built by a child process before any of them.
//
//   screens_bench [PERCENT ...]        (default 10 100: the set at 10% and at full size)
//   screens_bench --keep DIR PERCENT   (builds the set in DIR and keeps it)
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Browse.h"
#include "Button.h"
#include "ComboBox.h"
#include "ComponentCategories.h"
#include "ConfigurationScreen.h"
#include "CustomerRegister.h"
#include "DataContext.h"
#include "Dialog.h"
#include "HotKeys.h"
#include "ItemLists.h"
#include "LargeDataSet.h"
#include "LibraryScreen.h"
#include "MainWindow.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "RuntimeFolder.h"
#include "Sleeper.h"
#include "TableBrowser.h"
#include "TableDefaults.h"
#include "TextCodec.h"
#include "Ui.h"

namespace {

namespace fs = std::filesystem;
using mx::rt::Value;

constexpr int kMostPageDowns = 300;
constexpr int kPageUps = 50;

long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

mx::ds::LargeDataSetSize sizeAt(int percent) {
    mx::ds::LargeDataSetSize size;
    auto scaled = [percent](int n) { return std::max(1, (n * percent + 50) / 100); };
    size.customers = scaled(size.customers);
    size.configurations = scaled(size.configurations);
    size.stockItems = scaled(size.stockItems);
    size.libraryEntries = std::min(100, scaled(size.libraryEntries));
    return size;
}

// Builds the set in a child process, so that the building's memory is nobody's.
bool buildDataSet(const std::string& dir, int percent) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 1;
        try {
            fs::create_directories(dir);
            mx::ds::createLargeDataSet(dir, sizeAt(percent));
            rc = 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

struct Moves {
    int count = 0;
    double total = 0, slowest = 0;
    void add(double t) {
        ++count;
        total += t;
        slowest = std::max(slowest, t);
    }
    double mean() const { return count ? total / count : 0; }
};

struct Figures {
    double open = 0;
    Moves pageDown, pageUp, home, end;
    int rows = 0;
    double readsPerPage = 0;
    long rssBefore = 0, rssAfter = 0, peak = 0;
};

// Run before every key press and not timed: another workstation's work.
std::function<void()> beforeEachMove;

// One key press on the list, as a person's goes (to the list with the
// focus), and the list painted again. Its time.
double press(mx::tk::Browse& list, int key) {
    if (beforeEachMove) beforeEachMove();
    QElapsedTimer t;
    t.start();
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&list, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&list, &up);
    list.viewport()->repaint();
    return ms(t);
}

std::uint32_t currentId(mx::tk::Browse& list) {
    const auto& w = list.window();
    return w.empty() ? 0 : w.rows()[static_cast<size_t>(w.current())].id;
}

// Pages the list of the screen that stands: Page Down to the last row (or
// kMostPageDowns times), End, Page Up, Home, End and Home again.
void pageThrough(mx::tk::Browse& list, Figures& f) {
    list.setFocus(Qt::OtherFocusReason);
    f.rows = list.window().capacity();
    const std::uint64_t readsBefore = list.area().table().recordReads();
    for (std::uint32_t last = currentId(list); f.pageDown.count < kMostPageDowns;) {
        f.pageDown.add(press(list, Qt::Key_PageDown));
        const std::uint32_t now = currentId(list);
        if (now == last) break;
        last = now;
    }
    f.readsPerPage = static_cast<double>(list.area().table().recordReads() - readsBefore) / std::max(1, f.pageDown.count);
    f.end.add(press(list, Qt::Key_End));
    for (int i = 0; i < kPageUps; ++i) f.pageUp.add(press(list, Qt::Key_PageUp));
    f.home.add(press(list, Qt::Key_Home));
    f.end.add(press(list, Qt::Key_End));
    f.home.add(press(list, Qt::Key_Home));
}

mx::tk::Dialog* standing(const char* titleStart) {
    const auto& open = mx::tk::Ui::instance().openDialogs();
    if (open.empty()) return nullptr;
    auto* dlg = qobject_cast<mx::tk::Dialog*>(open.back());
    if (!dlg || !dlg->windowTitle().startsWith(QString::fromUtf8(titleStart)) || !dlg->isVisible() || dlg->browses().empty())
        return nullptr;
    return dlg;
}

// Calls `then` with the dialog titled `titleStart...` once it stands (looked
// for whenever the event loop turns, so a progress box before it does not count).
void whenStanding(const char* titleStart, std::function<void(mx::tk::Dialog&)> then) {
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [poll, titleStart, then] {
        mx::tk::Dialog* dlg = standing(titleStart);
        if (!dlg) return;
        poll->stop();
        poll->deleteLater();
        dlg->repaint();
        then(*dlg);
    });
    poll->start();
}

void pressButton(mx::tk::Dialog& dlg, const char* caption) {
    for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>())
        if (b->text().remove(QLatin1Char('&')) == QString::fromUtf8(caption)) {
            if (auto* button = qobject_cast<mx::tk::Button*>(b)) return button->press();
            return b->click();
        }
    std::fprintf(stderr, "no button %s\n", caption);
}

// The screen `name` on the data set in `dir`, in this process.
int runScreen(const std::string& name, const std::string& dir, int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    mx::tk::RuntimeFolder runtimeFolder;
    mx::tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    mx::rt::Session session;
    mx::ds::RecordingSink sink;
    mx::ds::SystemSleeper sleeper;
    mx::ds::DataContext ctx(session, sink, sleeper, dir);
    mx::ds::applyTableAccessDefaults(session);
    mx::ds::registerItemListFunctions(ctx);
    mx::tk::Ui& ui = mx::tk::Ui::instance();
    ui.setDateStyle({session.settings().dateFormat, session.settings().epoch});
    mx::tk::MainWindow main(QStringLiteral("Bench"), mx::tk::Box{1, 1, 22, 75, mx::tk::Unit::Cell}, {});
    main.show();
    ui.setMainWindow(&main);

    // "+w": another workstation adds a formula line to the first
    // configuration before every page move, so each move finds the index
    // files changed since the last.
    std::string screen = name;
    mx::rt::Session otherSession;
    mx::ds::RecordingSink otherSink;
    mx::ds::DataContext other(otherSession, otherSink, sleeper, dir);
    if (screen.size() > 2 && screen.compare(screen.size() - 2, 2, "+w") == 0) {
        screen.resize(screen.size() - 2);
        mx::ds::applyTableAccessDefaults(otherSession);
        if (!mx::ds::OPNALIAS(other, "assline")) return 1;
        beforeEachMove = [&otherSession] {
            mx::rt::WorkArea& lines = *otherSession.area("ASSLINE");
            if (!lines.append()) return;
            lines.setField("ASSCODE", Value::character("C00001-SLIDER"));
            lines.setField("STKCODE", Value::character("S001-000001"));
            lines.setField("DESC", Value::character("ADDED ELSEWHERE"));
            lines.unlock();
        };
    }

    Figures f;
    QElapsedTimer opening;
    // The screen that stands: measure, page, leave.
    auto measure = [&](mx::tk::Dialog& dlg) {
        f.open = ms(opening);
        mx::tk::Browse& list = *dlg.browses().front();
        pageThrough(list, f);
        f.rssAfter = statusKb("VmRSS:");
        dlg.end();
    };
    // A line screen from the Configurations screen, on the configuration in the middle.
    auto lineScreen = [&](const char* button, const char* title) {
        whenStanding(mx::configurations::kConfigurationsTitle, [&, button, title](mx::tk::Dialog& list) {
            mx::rt::WorkArea& assembly = *session.area("ASSEMBLY");
            const int middle = static_cast<int>(assembly.recordCount() / 2);
            char code[16];
            std::snprintf(code, sizeof code, "C%05d", std::max(1, middle));
            assembly.seek(Value::character(code), true);
            list.browses().front()->resync();
            whenStanding(title, [&](mx::tk::Dialog& screen) {
                measure(screen);
                QTimer::singleShot(0, [&list] { list.end(); });
            });
            f.rssBefore = statusKb("VmRSS:");
            opening.start();
            pressButton(list, button);
        });
        mx::configurations::ASSEMBLY(ctx);
    };

    if (screen != "formulae" && screen != "labour" && screen != "punchholes") {
        f.rssBefore = statusKb("VmRSS:");
        opening.start();
    }
    if (screen == "library") {
        whenStanding(mx::lib::kLibTitle, measure);
        mx::lib::LIB(ctx, 1);
    } else if (screen == "configurations") {
        whenStanding(mx::configurations::kConfigurationsTitle, measure);
        mx::configurations::ASSEMBLY(ctx);
    } else if (screen == "formulae") {
        lineScreen("Formulae", "Cutting Sheet Details for :");
    } else if (screen == "labour") {
        lineScreen("Labour", "Labour Details for :");
    } else if (screen == "punchholes") {
        lineScreen("Punch Holes", "Punch Hole Details for :");
    } else if (screen == "register") {
        whenStanding(mx::customers::kRegisterTitle, measure);
        mx::customers::MITREX(ctx, 1);
    } else if (screen == "tablebrowser" || screen == "tb-by-index") {
        whenStanding(mx::tablebrowser::kTitle, [&](mx::tk::Dialog& dlg) {
            // Opening the browser and choosing the table (and the order) count together.
            QString why;
            dlg.findChild<mx::tk::ComboBox*>(QStringLiteral("TABLE"))->scriptSet(QStringLiteral("ASSLINE"), &why);
            if (screen == "tb-by-index")
                dlg.findChild<mx::tk::ComboBox*>(QStringLiteral("ORDER"))->scriptSet(QStringLiteral("assline"), &why);
            dlg.repaint();
            measure(dlg);
        });
        mx::tablebrowser::BROWSE(ctx);
    } else if (screen == "compcat") {
        whenStanding(mx::lib::kCompcatTitle, measure);
        mx::lib::COMPCAT(ctx);
    } else {
        std::fprintf(stderr, "no screen %s\n", screen.c_str());
        return 2;
    }
    mx::ds::CLOSDATA(ctx);
    mx::ds::CLOSDATA(other);
    ui.setMainWindow(nullptr);
    f.peak = statusKb("VmHWM:");
    if (!sink.alerts().empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), sink.alerts().front().c_str());
    if (f.pageDown.count == 0) return 1;
    std::printf("%-14s %8.1f %5d %5d %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.1f %8ld %8ld %8ld\n", name.c_str(),
                f.open, f.rows, f.pageDown.count, f.pageDown.mean(), f.pageDown.slowest, f.pageUp.mean(),
                f.pageUp.slowest, f.home.slowest, f.end.slowest, std::max({f.pageDown.slowest, f.pageUp.slowest,
                                                                           f.home.slowest, f.end.slowest}),
                f.readsPerPage, f.rssBefore, f.rssAfter, f.peak);
    std::fflush(stdout);
    return 0;
}

// Starts this program again on one screen and waits for it.
bool spawnScreen(const std::string& name, const std::string& dir) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        ::execl(self.c_str(), self.c_str(), "--screen", name.c_str(), dir.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* const kScreens[] = {"library",  "configurations", "formulae",     "labour",
                                "punchholes", "register",     "tablebrowser", "tb-by-index", "compcat",
                                "formulae+w", "tb-by-index+w"};

void runSize(int percent) {
    const std::string dir = (fs::temp_directory_path() / ("screens-bench-" + std::to_string(::getpid()))).string();
    fs::remove_all(dir);
    if (!buildDataSet(dir, percent)) {
        std::printf("%d%%: the data set could not be built\n", percent);
        return;
    }
    const mx::ds::LargeDataSetSize size = sizeAt(percent);
    std::printf("\nLarge data set at %d%%: %d customers, %d configurations with %d lines, %d stock items, %d library "
                "entries\n",
                percent, size.customers, size.configurations, size.configurations * size.linesPerConfiguration,
                size.stockItems, size.libraryEntries);
    std::printf("%-14s %8s %5s %5s %7s %7s %7s %7s %7s %7s %7s %7s %8s %8s %8s\n", "screen", "open ms", "rows", "PgDn",
                "PgDn ms", "slowest", "PgUp ms", "slowest", "Home", "End", "slowest", "reads", "RSS kB", "after",
                "peak");
    std::fflush(stdout);
    for (const char* screen : kScreens)
        if (!spawnScreen(screen, dir)) std::printf("%-14s failed\n", screen);
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--screen") == 0) return runScreen(argv[2], argv[3], argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--keep") == 0) return buildDataSet(argv[2], std::atoi(argv[3])) ? 0 : 1;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10, 100};
    std::printf("Times in ms: open = from the menu action (the Configurations screen's button for the line screens) "
                "until the screen stands painted; a page move = the key press on the list and its repaint; reads = "
                "records read a Page Down. Memory: resident before opening, after the last move, peak.\n");
    for (int p : sizes) runSize(p);
    return 0;
}
