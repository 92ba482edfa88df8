#include "DataStoreHarness.h"

#include "DataSet.h"

#include <sys/stat.h>

#include <filesystem>

#include "Catalogue.h"
#include "ItemLists.h"
#include "Opening.h"
#include "TableDefaults.h"

namespace mx::test {

using rt::Value;

Harness::Harness() : ctx(session, sink, sleeper, tmp.path()) {
    ds::applyTableAccessDefaults(session);
    ds::registerItemListFunctions(ctx);
}

Harness::~Harness() { ds::CLOSDATA(ctx); }

ds::IndexDefEntry entry(const std::string& alias, const std::string& dbName, const std::string& inName,
                        const std::string& key, const std::string& path) {
    ds::IndexDefEntry e;
    e.alias = alias;
    e.dbName = dbName;
    e.inName = inName;
    e.inStr = key;
    e.path = path;
    return e;
}

void writeIndexDef(const std::string& dir, const std::vector<ds::IndexDefEntry>& entries, bool withNoIndexField) {
    std::vector<rt::FieldDef> fields = ds::findTableDef("indexdef")->fields;
    if (!withNoIndexField)
        std::erase_if(fields, [](const rt::FieldDef& f) { return f.name == "NOINDEX"; });
    const std::string path = dir + "/indexdef.dbf";
    rt::DbfTable::create(path, fields);
    rt::Session s;
    rt::WorkArea& a = s.open(path, "INDEXDEF", rt::OpenMode::Exclusive);
    for (const ds::IndexDefEntry& e : entries) ds::appendIndexDefinition(a, e);
    s.closeAll();
}

void writePeople(const std::string& path, const std::vector<std::string>& names) {
    rt::DbfTable::create(path, {rt::charField("CODE", 10), rt::charField("NAME", 20), rt::numField("AGE", 3)});
    rt::Session s;
    rt::WorkArea& a = s.open(path, "PEOPLEW", rt::OpenMode::Exclusive);
    int n = 0;
    for (const std::string& name : names) {
        ++n;
        a.append();
        a.setField("CODE", Value::character((n < 10 ? "P0" : "P") + std::to_string(n)));
        a.setField("NAME", Value::character(name));
        a.setField("AGE", Value::numeric(19 + n, 3, 0));
    }
    s.closeAll();
}

void makeDir(const std::string& path) { std::filesystem::create_directories(path); }

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace mx::test
