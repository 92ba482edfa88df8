#include "DataSetCheck.h"

#include <map>

#include "Error.h"
#include "IndexDefEntry.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "Text.h"

namespace mx::ds {

using rt::DbError;
using rt::WorkArea;

namespace {

void checkArea(WorkArea& area, const std::vector<std::string>& expectedKeys, CheckReport& report) {
    ++report.tablesChecked;
    if (std::string cut = partialRecord(area); !cut.empty()) report.problems.push_back(area.alias() + ": " + cut);
    for (std::string& p : area.checkIntegrity()) report.problems.push_back(area.alias() + ": " + p);
    for (int k = 1; k <= area.orderCount(); ++k) {
        ++report.indexesChecked;
        if (static_cast<size_t>(k) > expectedKeys.size()) break;
        const std::string built = allTrim(area.orderExpression(k));
        if (!equalsNoCase(built, allTrim(expectedKeys[static_cast<size_t>(k) - 1])))
            report.problems.push_back(area.alias() + ": " + area.orderIndex(k).path() + " is built on \"" + built +
                                      "\", indexdef gives \"" + expectedKeys[static_cast<size_t>(k) - 1] + "\"");
    }
}

}  // namespace

CheckReport checkDataSet(DataContext& ctx) {
    CheckReport report;
    RecordingSink local;
    DataContext quiet(ctx.session, local, ctx.sleeper, ctx.dataDir);
    quiet.security = ctx.security;
    quiet.user = ctx.user;
    quiet.readOnly = ctx.readOnly;
    quiet.tellDamaged = false;  // a table cut short is one of the problems listed
    rt::Session& s = ctx.session;

    auto takeMessages = [&](const std::string& alias) {
        for (const RecordingSink::Message& m : local.messages()) report.problems.push_back(alias + ": " + m.text);
        local.clear();
    };

    // `indexdef` first, as the opening service reads it: everything else is found through it.
    std::vector<IndexDefEntry> entries;
    if (!dataFileExists(ctx, "indexdef.dbf") || !dataFileExists(ctx, "indexdef.ntx")) {
        report.problems.push_back(std::string(kIndexDefAlias) + ": " +
                                  (dataFileExists(ctx, "indexdef.dbf") ? "indexdef.ntx" : "indexdef.dbf") +
                                  " does not exist");
        return report;
    }
    std::optional<DbError> err;
    if (!OPNDBF(quiet, kIndexDefTable, false, {kIndexDefIndex}, kIndexDefAlias, &err)) {
        report.problems.push_back(std::string(kIndexDefAlias) + ": " + openFailureMessage(ctx, kIndexDefTable, err, false));
        return report;
    }
    try {
        WorkArea& indexdef = *s.area(kIndexDefAlias);
        checkArea(indexdef, {kIndexDefKey}, report);
        indexdef.setOrder(0);
        for (indexdef.goTop(); !indexdef.eof(); indexdef.skip()) entries.push_back(readIndexDefEntry(indexdef));
    } catch (const DbError& e) {
        report.problems.push_back(std::string(kIndexDefAlias) + ": " + e.what());
    }
    CLOSDATA(ctx);

    // The aliases in the order of their first record, with the keys of their
    // index files as the opening service attaches them.
    std::vector<std::string> aliases;
    std::map<std::string, std::vector<std::string>> keys;
    std::map<std::string, bool> listEnded;
    for (const IndexDefEntry& e : entries) {
        const std::string alias = upper(e.alias);
        if (alias == kIndexDefAlias) continue;
        if (!keys.count(alias)) {
            aliases.push_back(alias);
            keys[alias];
        }
        if (e.inName.empty()) listEnded[alias] = true;
        if (!listEnded[alias] && keys[alias].size() < static_cast<size_t>(WorkArea::kMaxOrders))
            keys[alias].push_back(e.inStr);
    }

    for (const std::string& alias : aliases) {
        if (!OPNALIAS(quiet, alias, false, true)) {
            takeMessages(alias);
            continue;
        }
        try {
            checkArea(*s.area(alias), keys[alias], report);
        } catch (const DbError& e) {
            report.problems.push_back(alias + ": " + e.what());
        }
        takeMessages(alias);
        CLOSDATA(ctx);
    }
    CLOSDATA(ctx);
    return report;
}

}  // namespace mx::ds
