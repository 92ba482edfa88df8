// Scaffolding for the interaction tests: a scratch data set holding the
// `libcat` table (CODE, NAME; order 1 on CODE, order 2 on NAME) known to
// `indexdef`, a data context over it, and a scripted session played
// in-process against a main window whose one menu item "Run" runs the
// test's action. The transcript's lines stay in memory.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "DataContext.h"
#include "DbfTable.h"
#include "HotKeys.h"
#include "IndexRebuild.h"
#include "MainWindow.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "ScriptDriver.h"
#include "Session.h"
#include "TestUtil.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::ia::test {

class SessionHarness {
public:
    SessionHarness() {
        reset();
        writeIndexDef();
        writeLibcat({{"AAA", "Anodised"}, {"ABC", "Aluminium"}, {"ABD", "Architectural"}, {"XYZ", "Extra"}});
        ds::RecordingSink quiet;
        ds::DataContext build(buildSession, quiet, sleeper, tmp.path());
        if (!ds::INIT_IDX(build).ok()) throw std::runtime_error("the test data set's indexes were not built");
    }
    ~SessionHarness() {
        session.closeAll();
        reset();
    }

    // Plays `script` (commands one a line); the transcript collects in lines.
    int play(const std::string& script) {
        tk::ScriptDriver driver(tk::Ui::instance(), transcript);
        tk::MainWindow main("Test", tk::Box{1, 1, 22, 75, tk::Unit::Cell},
                            {tk::MenuItem{"&Run", [this] { action(); }}});
        main.show();
        driver.load(script);
        int status = driver.run();
        error = driver.error().toStdString();
        return status;
    }

    bool has(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }
    // Index of the first line equal to `line` at or after `from`; npos when none.
    size_t find(const std::string& line, size_t from = 0) const {
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i] == line) return i;
        return std::string::npos;
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

    void writeIndexDef() {
        const std::string path = tmp.file("indexdef.dbf");
        rt::DbfTable::create(path, ds::findTableDef("indexdef")->fields);
        rt::Session s;
        rt::WorkArea& a = s.open(path, "INDEXDEF", rt::OpenMode::Exclusive);
        auto add = [&](const char* alias, const char* name, const char* inName, const char* key) {
            a.append();
            a.setField("DB_ALIAS", rt::Value::character(alias));
            a.setField("DB_NAME", rt::Value::character(name));
            a.setField("IN_NAME", rt::Value::character(inName));
            a.setField("IN_STR", rt::Value::character(key));
        };
        add("INDEXDEF", "indexdef", "indexdef", "indexdef->db_alias");
        add("LIBCAT", "libcat", "libcat", "libcat->Code");
        add("LIBCAT", "libcat", "libcat2", "libcat->Name");
        s.closeAll();
    }

    void writeLibcat(const std::vector<std::pair<std::string, std::string>>& rows) {
        const std::string path = tmp.file("libcat.dbf");
        rt::DbfTable::create(path, {rt::charField("CODE", 6), rt::charField("NAME", 20)});
        rt::Session s;
        rt::WorkArea& a = s.open(path, "LIBCAT", rt::OpenMode::Exclusive);
        for (const auto& [code, name] : rows) {
            a.append();
            a.setField("CODE", rt::Value::character(code));
            a.setField("NAME", rt::Value::character(name));
        }
        s.closeAll();
    }

    rt::Session buildSession;
};

}  // namespace mx::ia::test
