// Test scaffolding for the data store services: a scratch data folder with
// a session, a recording sink and a sleeper that does not sleep, and small
// builders for tables and `indexdef` records.
#pragma once

#include <string>
#include <vector>

#include "DataContext.h"
#include "DbfTable.h"
#include "IndexDefEntry.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "Session.h"
#include "TestUtil.h"

namespace mx::test {

class Harness {
public:
    Harness();
    ~Harness();

    const std::string& dir() const { return tmp.path(); }
    std::string file(const std::string& name) const { return tmp.file(name); }

    TempDir tmp;
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx;
};

// An `indexdef` record.
ds::IndexDefEntry entry(const std::string& alias, const std::string& dbName, const std::string& inName = {},
                        const std::string& key = {}, const std::string& path = {});

// Writes `indexdef.dbf` in `dir` with these records (with or without the
// NOINDEX field) and no index.
void writeIndexDef(const std::string& dir, const std::vector<ds::IndexDefEntry>& entries, bool withNoIndexField = true);

// A small table of people: CODE C10, NAME C20, AGE N3, one record per name,
// codes "P01", "P02" ..., ages 20, 21 ... . `path` is the .dbf path.
void writePeople(const std::string& path, const std::vector<std::string>& names);

// Creates the folder (and its parents).
void makeDir(const std::string& path);

bool fileExists(const std::string& path);

}  // namespace mx::test
