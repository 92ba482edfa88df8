// Scaffolding for the tests that drive screens: a scratch data set made from
// the table catalogue (every table, the default `indexdef`, the index set),
// into which a test writes its own records before the indexes are rebuilt;
// a data context over it with the item-list functions registered (the
// default `stock` order 2 calls them); readers of what the screens wrote;
// and the scripted run (ScriptedRun.h).
#pragma once

#include <QString>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DataContext.h"
#include "DataSet.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "ScriptedRun.h"
#include "Session.h"
#include "TableDefaults.h"
#include "TestUtil.h"
#include "Ui.h"

namespace mx::test {

// One record: field name and value, character values given as text.
using Row = std::vector<std::pair<std::string, rt::Value>>;

inline rt::Value C(const char* s) { return rt::Value::character(s); }
inline rt::Value N(double n) { return rt::Value::numeric(n); }
inline rt::Value L(bool b) { return rt::Value::logical(b); }

class ScreenHarness : public ScriptedRun {
public:
    ScreenHarness() {
        ds::createDataSet(tmp.path());
        ds::applyTableAccessDefaults(session);
        ds::registerItemListFunctions(ctx);
        tk::Ui::instance().setPrintDir(QString::fromStdString(tmp.file("print")));
    }
    ~ScreenHarness() { session.closeAll(); }

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

    // `field` of the records of `table` not marked deleted, in record order.
    std::vector<std::string> live(const std::string& table, const std::string& field) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Shared, true);
        std::vector<std::string> out;
        for (std::uint32_t r = 1; r <= a.recordCount(); ++r) {
            a.goTo(r);
            if (a.deleted()) continue;
            const std::string t = a.fieldValue(field).str();
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

    // Rebuilds the indexes, then plays "menu Run" followed by `script`.
    int playAction(const std::string& script) {
        reindex();
        return play("menu Run\n" + script);
    }

    TempDir tmp;
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx{session, sink, sleeper, tmp.path()};
};

}  // namespace mx::test
