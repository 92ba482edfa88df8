// Scaffolding for the library tests: a scratch data set made from the table
// catalogue (every table, the default `indexdef`, the index set), into which
// a test writes its own `stockcat`, `stock` and `assline` records before the
// indexes are rebuilt; a data context over it with the item-list functions
// registered (the default `stock` order 2 calls them); and a scripted
// session played in-process against a main window whose one menu item "Run"
// runs the test's action. The transcript's lines stay in memory.
#pragma once

#include <QString>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DataContext.h"
#include "DataSet.h"
#include "HotKeys.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "MainWindow.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "ScriptDriver.h"
#include "Session.h"
#include "TableDefaults.h"
#include "TestUtil.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::lib::test {

// One record: field name and value, character values given as text.
using Row = std::vector<std::pair<std::string, rt::Value>>;

inline rt::Value C(const char* s) { return rt::Value::character(s); }

class LibraryHarness {
public:
    LibraryHarness() {
        reset();
        ds::createDataSet(tmp.path());
        ds::applyTableAccessDefaults(session);
        ds::registerItemListFunctions(ctx);
        tk::Ui::instance().setPrintDir(QString::fromStdString(tmp.file("print")));
    }
    ~LibraryHarness() {
        session.closeAll();
        reset();
    }

    // Appends records to a table of the data set (held exclusively meanwhile).
    void append(const std::string& table, const std::vector<Row>& rows) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Exclusive);
        for (const Row& row : rows) {
            a.append();
            for (const auto& [field, value] : row) a.setField(field, value);
        }
        s.closeAll();
    }
    // Rebuilds every index after the records are in.
    void reindex() {
        if (!ds::INIT_IDX(ctx).ok()) throw std::runtime_error("the test data set's indexes were not built");
        session.closeAll();
    }

    // Field `field` of every record of `table` in record order, trailing blanks trimmed.
    std::vector<std::string> column(const std::string& table, const std::string& field) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Shared, true);
        std::vector<std::string> out;
        for (std::uint32_t r = 1; r <= a.recordCount(); ++r) {
            a.goTo(r);
            rt::Value v = a.fieldValue(field);
            std::string t = v.isLogical() ? (v.boolean() ? "T" : "F") : v.str();
            out.push_back(t.substr(0, t.find_last_not_of(' ') + 1));
        }
        s.closeAll();
        return out;
    }

    // Numeric field `field` of every record of `table` in record order.
    std::vector<double> numbers(const std::string& table, const std::string& field) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Shared, true);
        std::vector<double> out;
        for (std::uint32_t r = 1; r <= a.recordCount(); ++r) {
            a.goTo(r);
            out.push_back(a.fieldValue(field).num());
        }
        s.closeAll();
        return out;
    }

    // Plays `script` (commands one a line); the transcript collects in lines.
    int play(const std::string& script) {
        tk::ScriptDriver driver(tk::Ui::instance(), transcript);
        tk::MainWindow main("Test", tk::Box{1, 1, 22, 75, tk::Unit::Cell},
                            {tk::MenuItem{"&Run", [this] { action(); }}});
        main.show();
        tk::Ui::instance().setMainWindow(&main);
        driver.load(script);
        int status = driver.run();
        tk::Ui::instance().setMainWindow(nullptr);
        error = driver.error().toStdString();
        return status;
    }

    // Rebuilds the indexes, then plays "menu Run" followed by `script`.
    int playAction(const std::string& script) {
        reindex();
        return play("menu Run\n" + script);
    }

    // The lines of the n-th dump of the transcript (0-based), "end dump" included.
    std::vector<std::string> dump(int n) const {
        std::vector<std::string> out;
        int seen = -1;
        for (const auto& l : lines) {
            if (l.rfind("dump ", 0) == 0) ++seen;
            if (seen == n) out.push_back(l);
            if (seen == n && l == "end dump") break;
        }
        return out;
    }

    bool has(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }
    bool hasPrefix(const std::string& prefix) const {
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) return true;
        return false;
    }
    std::string joined() const {
        std::string all = error.empty() ? "" : "error: " + error + "\n";
        for (const auto& l : lines) all += l + "\n";
        return all;
    }

    mx::test::TempDir tmp;
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx{session, sink, sleeper, tmp.path()};
    std::function<void()> action = [] {};
    std::vector<std::string> lines;
    tk::Transcript transcript{[this](const std::string& l) { lines.push_back(l); }};
    std::string error;

private:
    static void reset() {
        tk::Ui::instance().reset();
        tk::HotKeys::instance().clear();
    }
};

}  // namespace mx::lib::test
