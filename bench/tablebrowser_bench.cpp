// The table browser over a large `lib`, through the real dialog on the
// offscreen platform: opening the browser, choosing the table (shared, with
// its three index files), paging from the first row to the last with Page
// Down, and Home and End; the library screen (which holds `lib`
// exclusively) paged the same way for comparison. Memory is the process's
// resident size before the browser opens and at its peak after the last
// page: the browse keeps only the rows it shows, so it must not grow with
// the table. The data set is built in a child process, so that building
// its indexes does not count towards the browser's memory.
//
// Then the view's work as the browser's buttons do it: a filter that lets
// about 1 % through (SERIAL = 7) checked and its first page shown, its
// records counted (which the desktop does a part at a time after the first
// page), paged through, and the whole table exported to CSV (up to 100 000
// records), the resident size measured again after them. The browser
// opens `lib` shared, so its filter's moves are a shared table's (each
// takes the index's read lock and reads the records it tests from the
// file); the same filter is then paged on the library screen, which holds
// `lib` exclusively (no locks, records through the table's block cache).
//
//   tablebrowser_bench [RECORDS ...]     (default 10000 100000 1000000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Dialog.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "LibraryScreen.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "TableBrowser.h"
#include "TableView.h"
#include "TableDefaults.h"
#include "Ui.h"

namespace {

using mx::rt::Value;

long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

// A data set whose `lib` holds `records` suites, built and indexed by a child process.
bool buildDataSet(const std::string& dir, long records) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 1;
        try {
            mx::ds::createDataSet(dir);
            {
                mx::rt::Session s;
                mx::rt::WorkArea& lib = s.open(dir + "/lib.dbf", "", mx::rt::OpenMode::Exclusive);
                char code[24];
                for (long i = 0; i < records; ++i) {
                    std::snprintf(code, sizeof code, "S%07ld", (i * 7919) % records);
                    lib.append();
                    lib.setField("CODE", Value::character(code));
                    lib.setField("DESC", Value::character(std::string("SUITE ") + code));
                    lib.setField("CATEGORY", Value::character(i % 2 ? "RES" : "COM"));
                    lib.setField("SERIAL", Value::numeric(static_cast<double>(i % 99 + 1)));
                }
                s.closeAll();
            }
            mx::rt::Session s;
            mx::ds::RecordingSink sink;
            mx::ds::RecordingSleeper sleeper;
            mx::ds::DataContext ctx(s, sink, sleeper, dir);
            mx::ds::applyTableAccessDefaults(s);
            mx::ds::registerItemListFunctions(ctx);
            rc = mx::ds::INIT_IDX(ctx).ok() ? 0 : 1;
            s.closeAll();
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

struct Filtering {
    double first = 0, perPage = 0, exported = 0, count = 0;
    std::uint64_t through = 0, exportedRows = 0;
    long pages = 0;
    long rss = 0;
};

// The filter as the Filter button sets it, then paged to its end; the
// export of the whole table (without the filter) when asked and it is not
// too large.
Filtering filterAndExport(mx::rt::Session& session, mx::tk::Browse& browse, const std::string& dir, long records,
                          bool exportToo = true) {
    Filtering f;
    mx::rt::WorkArea& area = browse.area();
    QElapsedTimer t;
    t.start();
    const std::string filter = "SERIAL = 7";
    session.select(area);
    mx::tablebrowser::checkFilter(session, area, filter);
    area.setFilter(filter);
    area.goTop();
    browse.resync();
    f.first = ms(t);
    // The count the desktop makes a part at a time after the first page.
    t.restart();
    f.through = mx::tablebrowser::countView(session, area);
    f.count = ms(t);
    t.restart();
    for (std::uint32_t last = 0;;) {
        browse.pageDown();
        ++f.pages;
        const auto& w = browse.window();
        const std::uint32_t now = w.rows()[static_cast<size_t>(w.current())].id;
        if (now == last) break;
        last = now;
    }
    f.perPage = ms(t) / static_cast<double>(f.pages);
    area.setFilter("");
    browse.resync();
    if (exportToo && records <= 100000) {
        t.restart();
        f.exportedRows = mx::tablebrowser::exportCsv(session, area, QString::fromStdString(dir + "/lib.csv"),
                                                     mx::tk::Ui::instance().dateStyle());
        f.exported = ms(t);
    }
    f.rss = statusKb("VmRSS:");
    return f;
}

struct Paging {
    double firstRows = 0, toEnd = 0, home = 0, end = 0;
    long pages = 0;
    std::uint64_t reads = 0;
};

// Pages the browse from its first row to its last, then Home and End.
Paging page(mx::tk::Browse& browse) {
    Paging p;
    QElapsedTimer t;
    t.start();
    browse.goTop();
    p.firstRows = ms(t);
    const std::uint64_t readsBefore = browse.area().table().recordReads();
    t.restart();
    for (std::uint32_t last = 0;;) {
        browse.pageDown();
        ++p.pages;
        const auto& w = browse.window();
        const std::uint32_t now = w.rows()[static_cast<size_t>(w.current())].id;
        if (now == last) break;
        last = now;
    }
    p.toEnd = ms(t);
    p.reads = browse.area().table().recordReads() - readsBefore;
    t.restart();
    browse.goTop();
    p.home = ms(t);
    t.restart();
    browse.goBottom();
    p.end = ms(t);
    return p;
}

void run(long records) {
    const std::string dir = (std::filesystem::temp_directory_path() / ("tablebrowser-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!buildDataSet(dir, records)) {
        std::printf("%ld records: the data set could not be built\n", records);
        return;
    }
    mx::rt::Session session;
    mx::ds::RecordingSink sink;
    mx::ds::RecordingSleeper sleeper;
    mx::ds::DataContext ctx(session, sink, sleeper, dir);
    mx::ds::applyTableAccessDefaults(session);
    mx::ds::registerItemListFunctions(ctx);
    mx::tk::Ui& ui = mx::tk::Ui::instance();

    const long rssBefore = statusKb("VmRSS:");
    QElapsedTimer total;
    double shown = 0, chosen = 0;
    Paging browser, library;
    Filtering filtering, libraryFiltering;
    long rssAfter = 0;
    total.start();
    QTimer::singleShot(0, [&] {
        shown = ms(total);
        auto* dlg = qobject_cast<mx::tk::Dialog*>(ui.openDialogs().back());
        auto* table = dlg->findChild<mx::tk::ComboBox*>(QStringLiteral("TABLE"));
        QElapsedTimer t;
        t.start();
        QString why;
        table->scriptSet(QStringLiteral("LIB"), &why);
        dlg->browses().front()->goTop();
        chosen = ms(t);
        browser = page(*dlg->browses().front());
        rssAfter = statusKb("VmRSS:");
        filtering = filterAndExport(session, *dlg->browses().front(), dir, records);
        dlg->end();
    });
    mx::tablebrowser::BROWSE(ctx);
    const long hwm = statusKb("VmHWM:");

    QElapsedTimer libraryOpen;
    double libraryShown = 0;
    libraryOpen.start();
    QTimer::singleShot(0, [&] {
        libraryShown = ms(libraryOpen);
        auto* dlg = qobject_cast<mx::tk::Dialog*>(ui.openDialogs().back());
        library = page(*dlg->browses().front());
        libraryFiltering = filterAndExport(session, *dlg->browses().front(), dir, records, false);
        dlg->end();
    });
    mx::lib::LIB(ctx, 1);
    session.closeAll();
    std::filesystem::remove_all(dir);

    std::printf("%8ld records  browser: shown %.1f ms, lib chosen %.1f ms, %ld pages to the end %.0f ms (%.3f ms a page, "
                "%.1f records read a page), Home %.1f ms, End %.1f ms; resident %ld kB before, %ld kB after the last page "
                "(+%ld kB), peak %ld kB\n",
                records, shown, chosen, browser.pages, browser.toEnd, browser.toEnd / browser.pages,
                static_cast<double>(browser.reads) / browser.pages, browser.home, browser.end, rssBefore, rssAfter,
                rssAfter - rssBefore, hwm);
    std::printf("%8ld records  browser (shared) filter SERIAL = 7: %llu through, first page %.1f ms (check and show), counted in "
                "%.0f ms, %ld pages %.2f ms a page; export %llu records %.0f ms; resident %ld kB after them\n",
                records, static_cast<unsigned long long>(filtering.through), filtering.first, filtering.count, filtering.pages,
                filtering.perPage, static_cast<unsigned long long>(filtering.exportedRows), filtering.exported,
                filtering.rss);
    std::printf("%8ld records  library screen: shown %.1f ms, %ld pages to the end %.0f ms (%.3f ms a page, %.1f records "
                "read a page), Home %.1f ms, End %.1f ms\n",
                records, libraryShown, library.pages, library.toEnd, library.toEnd / library.pages,
                static_cast<double>(library.reads) / library.pages, library.home, library.end);
    std::printf("%8ld records  library screen (exclusive) filter SERIAL = 7: %llu through, first page %.1f ms, counted "
                "in %.0f ms, %ld pages %.2f ms a page\n",
                records, static_cast<unsigned long long>(libraryFiltering.through), libraryFiltering.first,
                libraryFiltering.count, libraryFiltering.pages, libraryFiltering.perPage);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    mx::tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {10000, 100000, 1000000};
    for (long n : sizes) run(n);
    return 0;
}
