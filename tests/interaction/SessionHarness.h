// Scaffolding for the interaction tests: a scratch data set holding the
// `libcat` table (CODE, NAME; order 1 on CODE, order 2 on NAME) known to
// `indexdef`, a data context over it, and the scripted run (ScriptedRun.h).
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "DataContext.h"
#include "DbfTable.h"
#include "IndexRebuild.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "ScriptedRun.h"
#include "Session.h"
#include "TestUtil.h"

namespace mx::ia::test {

class SessionHarness : public mx::test::ScriptedRun {
public:
    SessionHarness() {
        writeIndexDef();
        writeLibcat({{"AAA", "Anodised"}, {"ABC", "Aluminium"}, {"ABD", "Architectural"}, {"XYZ", "Extra"}});
        ds::RecordingSink quiet;
        ds::DataContext build(buildSession, quiet, sleeper, tmp.path());
        if (!ds::INIT_IDX(build).ok()) throw std::runtime_error("the test data set's indexes were not built");
    }
    ~SessionHarness() { session.closeAll(); }

    mx::test::TempDir tmp;
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx{session, sink, sleeper, tmp.path()};

private:
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
