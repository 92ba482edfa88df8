#include "IndexRebuild.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>

#include "Error.h"
#include "IndexDefEntry.h"
#include "Opening.h"
#include "NtxIndex.h"
#include "Path.h"
#include "RecordServices.h"
#include "Text.h"

namespace mx::ds {

using rt::DbError;
using rt::ErrorKind;
using rt::WorkArea;

namespace {

// The extension a new index file gets: upper case for a name written in
// capitals ("USERS" -> "USERS.NTX"), else lower case.
const char* extensionFor(const std::string& name) {
    bool lower = false, capital = false;
    const size_t slash = name.find_last_of("\\/");
    for (char c : name.substr(slash == std::string::npos ? 0 : slash + 1)) {
        lower = lower || (c >= 'a' && c <= 'z');
        capital = capital || (c >= 'A' && c <= 'Z');
    }
    return capital && !lower ? ".NTX" : ".ntx";
}

// Builds the index file `name` (data-style, without extension) of the open
// table on `key`, whole or not at all. Returns the alert text on failure.
std::string buildIndexFile(DataContext& ctx, WorkArea& area, const std::string& name, const std::string& key,
                           bool dropStale) {
    const std::string target = newDataFile(ctx, rt::withDefaultExtension(rt::joinDataPath("", name), extensionFor(name)));
    const std::string partial = target + ".tmp";
    const std::string shown = name + ".NTX";
    try {
        area.createOrder(partial, key);
        area.clearOrders();
        if (std::rename(partial.c_str(), target.c_str()) != 0) rt::throwIo(target, "rename", errno);
        return {};
    } catch (const DbError& e) {
        try {
            area.clearOrders();
        } catch (const DbError&) {
        }
        std::remove(partial.c_str());
        if (dropStale) std::remove(target.c_str());
        const bool keyProblem = e.kind() == ErrorKind::BadExpression || e.kind() == ErrorKind::DataWidth ||
                                e.kind() == ErrorKind::NotFound;
        std::string text = "Unable to Build Index File " + shown + " for " + area.alias() + ". ";
        if (keyProblem) {
            text += "Key expression \"" + key + "\" cannot be evaluated: " + e.detail();
            if (e.position() >= 0 && e.where() == key) text += " (at character " + std::to_string(e.position()) + ")";
        } else {
            text += e.what();
        }
        return text;
    }
}

}  // namespace

RebuildReport INIT_IDX(DataContext& ctx, bool initialise) {
    RebuildReport report;
    rt::Session& s = ctx.session;

    if (!NETUSE(ctx, kIndexDefTable, true, 2, kIndexDefAlias)) {
        std::string text = "Indexdef Data file Not Available.  Try again later.";
        if (!dataFileExists(ctx, "indexdef.dbf")) {
            const std::string folder = dataSetFolder(ctx);
            text += " There is no data set in " + folder + ": indexdef.dbf does not exist. mxadmin init " + folder +
                    " creates one.";
        }
        ctx.sink.alert(text);
        report.indexdefAvailable = false;
        return report;
    }

    std::vector<IndexDefEntry> entries;
    {
        WorkArea& indexdef = *s.area(kIndexDefAlias);
        std::string problem = buildIndexFile(ctx, indexdef, kIndexDefIndex, kIndexDefKey, false);
        if (!problem.empty()) {
            ctx.sink.alert(problem);
            report.failures.push_back(problem);
            CLOSDATA(ctx);
            return report;
        }
        ++report.indexesBuilt;
        try {
            indexdef.setOrder(0);
            for (indexdef.goTop(); !indexdef.eof(); indexdef.skip()) entries.push_back(readIndexDefEntry(indexdef));
        } catch (const DbError& e) {
            std::string text = std::string("Unable to read indexdef. ") + e.what();
            ctx.sink.alert(text);
            report.failures.push_back(text);
            CLOSDATA(ctx);
            return report;
        }
        ds::closeQuietly(s, kIndexDefAlias);
    }

    std::set<std::string> moved;  // aliases whose records this run packed or emptied
    for (const IndexDefEntry& e : entries) {
        if (e.noIndex) continue;
        const std::string alias = upper(e.alias);
        if (alias == kIndexDefAlias) continue;
        if (std::find(report.skipped.begin(), report.skipped.end(), alias) != report.skipped.end()) continue;
        if (!OPNALIAS(ctx, alias, true, false)) {
            report.skipped.push_back(alias);
            continue;
        }
        WorkArea& area = *s.area(alias);
        try {
            if (initialise && e.zapOnInit) {
                area.zap();
                moved.insert(alias);
            }
            if (e.pack) {
                area.pack();
                moved.insert(alias);
                ++report.tablesPacked;
            }
        } catch (const DbError& err) {
            std::string text = "Unable to Pack " + alias + ". " + err.what();
            ctx.sink.alert(text);
            report.failures.push_back(text);
        }
        if (!e.inName.empty()) {
            const std::string name = entryDirectory(e, ctx.security, ctx.user) + e.inName;
            std::string problem = buildIndexFile(ctx, area, name, e.inStr, moved.count(alias) > 0);
            if (problem.empty()) {
                ++report.indexesBuilt;
            } else {
                ctx.sink.alert(problem);
                report.failures.push_back(problem);
            }
        }
        ds::closeQuietly(s, alias);
    }

    CLOSDATA(ctx);
    return report;
}

namespace {

// The file an index of the area's table is built at: beside the table.
std::string besideTable(WorkArea& area, const IndexFileSpec& spec) {
    const std::string& table = area.table().path();
    const std::size_t slash = table.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : table.substr(0, slash + 1);
    return rt::resolvePath(folder + spec.name + extensionFor(spec.name));
}

// Builds `target` afresh under a temporary name and renames it over the old
// file; the area is left without orders.
void buildAfresh(WorkArea& area, const std::string& target, const std::string& key) {
    const std::string partial = target + ".tmp";
    try {
        area.createOrder(partial, key);
        area.clearOrders();
        if (std::rename(partial.c_str(), target.c_str()) != 0) rt::throwIo(target, "rename", errno);
    } catch (const DbError&) {
        area.clearOrders();
        std::remove(partial.c_str());
        throw;
    }
}

// Whether another opener (another workstation, or another area of this
// program) has `path` open, with an index built on `key`.
bool heldElsewhereOnKey(const std::string& path, const std::string& key) {
    try {
        rt::File::open(path, rt::OpenMode::Exclusive, true);
        return false;  // no one else has it open
    } catch (const DbError& e) {
        if (e.kind() != ErrorKind::Busy) return false;
    }
    try {
        auto held = rt::NtxIndex::open(rt::File::open(path, rt::OpenMode::Shared, true));
        return equalsNoCase(allTrim(held->expression()), allTrim(key));
    } catch (const DbError&) {
        return false;  // unreadable: built afresh
    }
}

}  // namespace

void buildOrderList(WorkArea& area, const std::vector<IndexFileSpec>& specs) {
    std::vector<std::string> built;
    area.clearOrders();
    for (const IndexFileSpec& spec : specs) {
        const std::string target = besideTable(area, spec);
        buildAfresh(area, target, spec.key);
        built.push_back(target);
    }
    for (const std::string& file : built) area.addOrder(file);
    if (!built.empty()) area.setOrder(1);
}

void openSharedOrderList(DataContext& ctx, WorkArea& area, const std::vector<IndexFileSpec>& shared,
                         const std::vector<IndexFileSpec>& own) {
    area.clearOrders();
    TableStepLock oneAtATime(ctx, area, TableStepLock::Step::OrderBuild, 2);
    if (!oneAtATime.held())
        throw DbError(ErrorKind::Busy, area.table().path(), "another workstation is building its index files");
    std::vector<std::string> files;
    try {
        for (const IndexFileSpec& spec : shared) {
            const std::string target = besideTable(area, spec);
            if (!heldElsewhereOnKey(target, spec.key)) buildAfresh(area, target, spec.key);
            files.push_back(target);
        }
        for (const IndexFileSpec& spec : own) {
            const std::string target = besideTable(area, spec);
            buildAfresh(area, target, spec.key);
            files.push_back(target);
        }
        for (const std::string& file : files) area.addOrder(file);
    } catch (const DbError&) {
        area.clearOrders();
        throw;
    }
    if (!files.empty()) area.setOrder(own.empty() ? 1 : static_cast<int>(shared.size()) + 1);
}

}  // namespace mx::ds
