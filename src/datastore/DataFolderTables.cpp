#include "DataFolderTables.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "Error.h"
#include "IndexDefEntry.h"
#include "Opening.h"
#include "Text.h"

namespace mx::ds {

namespace {

bool isDbfFile(const std::filesystem::directory_entry& entry) {
    std::error_code ec;
    if (!entry.is_regular_file(ec)) return false;
    return equalsNoCase(entry.path().extension().string(), ".dbf");
}

}  // namespace

FolderTables dataFolderTables(DataContext& ctx) {
    FolderTables out;
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    std::set<std::string> named;  // upper-case aliases and file names of the folder that indexdef names

    const bool wasOpen = s.area(kIndexDefAlias) != nullptr;
    std::optional<rt::DbError> err;
    if (!dataFileExists(ctx, "indexdef.dbf")) {
        out.problem = "indexdef.dbf does not exist";
    } else if (!OPNDBF(ctx, kIndexDefTable, false, {}, kIndexDefAlias,
                       OpenOptions{.readOnlyWhenRefused = true, .lastError = &err})) {
        out.problem = err ? err->what() : "indexdef cannot be opened";
    } else {
        rt::WorkArea& indexdef = *s.area(kIndexDefAlias);
        const int order = indexdef.order();
        const std::uint32_t recno = indexdef.recno();
        try {
            indexdef.setOrder(0);
            for (indexdef.goTop(); !indexdef.eof(); indexdef.skip()) {
                const IndexDefEntry e = readIndexDefEntry(indexdef);
                const std::string alias = upper(e.alias);
                if (alias.empty() || named.count(alias)) continue;
                named.insert(alias);
                if (e.path.empty()) named.insert(upper(e.dbName));
                out.tables.push_back({alias, true, {}});
            }
        } catch (const rt::DbError& e) {
            out.problem = e.what();
        }
        try {
            if (wasOpen) {
                indexdef.setOrder(order);
                indexdef.goTo(recno);
            } else {
                s.close(kIndexDefAlias);
            }
        } catch (const rt::DbError&) {
        }
    }

    std::vector<std::string> files;
    std::error_code ec;
    const std::filesystem::path folder = ctx.dataDir.empty() ? std::filesystem::path(".") : std::filesystem::path(ctx.dataDir);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isDbfFile(*it)) files.push_back(it->path().filename().string());
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return upper(a) < upper(b); });
    for (const std::string& f : files) {
        const std::string alias = upper(std::filesystem::path(f).stem().string());
        if (alias.empty() || named.count(alias)) continue;
        named.insert(alias);
        out.tables.push_back({alias, false, f});
    }
    return out;
}

}  // namespace mx::ds
