#include "Opening.h"

#include <filesystem>
#include <optional>

#include "Error.h"
#include "IndexDefEntry.h"
#include "Path.h"
#include "Text.h"

namespace mx::ds {

using rt::DbError;
using rt::ErrorKind;
using rt::OpenMode;
using rt::Session;
using rt::Value;
using rt::WorkArea;

namespace {

constexpr int kOpenAttempts = 11;   // attempts 0 to 10
constexpr double kRetryWait = 1.0;  // seconds after every failed attempt
constexpr double kTimedBox = 2.0;   // seconds of the timed "Information" box

bool isIndexFile(const std::string& path) {
    return path.size() > 4 && equalsNoCase(path.substr(path.size() - 4), ".ntx");
}

// "(what was found, at byte N)".
std::string damage(const DbError& err) {
    std::string text = "(" + err.detail();
    if (err.position() >= 0) text += ", at byte " + std::to_string(err.position());
    return text + ")";
}

// OPNDBF proper; `lastError` receives the last failure. With
// `readOnlyFallback` a shared open that the operating system refuses for
// writing is tried once more read-only; `openedReadOnly` tells which it was.
bool openTable(DataContext& ctx, const std::string& file, bool exclusive, const std::vector<std::string>& indexes,
               const std::string& aliasIn, std::optional<DbError>* lastError, bool readOnlyFallback = false,
               bool* openedReadOnly = nullptr) {
    Session& s = ctx.session;
    const std::string alias = aliasIn.empty() ? rt::baseNameUpper(file) : upper(aliasIn);
    if (WorkArea* open = s.area(alias)) {
        s.select(*open);
        return true;
    }
    const int before = s.selectedArea();
    const std::string path = rt::joinDataPath(ctx.dataDir, file);
    auto openOnce = [&](bool readOnly) {
        WorkArea& area = s.open(path, alias, exclusive ? OpenMode::Exclusive : OpenMode::Shared, readOnly);
        try {
            area.clearOrders();
            for (const std::string& index : indexes) {
                if (index.empty()) continue;
                if (area.orderCount() == WorkArea::kMaxOrders) break;
                area.addOrder(rt::joinDataPath(ctx.dataDir, index));
            }
            if (area.orderCount() > 0) area.setOrder(1);
            area.goTop();
        } catch (...) {
            closeQuietly(s, alias);
            throw;
        }
        if (openedReadOnly) *openedReadOnly = readOnly;
    };
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        try {
            openOnce(ctx.readOnly);
            return true;
        } catch (const DbError& e) {
            std::optional<DbError> failure = e;
            // Refused for writing (the table, its memo or an index file):
            // the same files read-only, at once.
            if (readOnlyFallback && !exclusive && e.kind() == ErrorKind::Io) {
                try {
                    openOnce(true);
                    return true;
                } catch (const DbError& again) {
                    failure = again;
                }
            }
            if (lastError) *lastError = failure;
            s.selectById(before);
            if (failure->kind() != ErrorKind::Busy) return false;
        }
        ctx.sleeper.wait(kRetryWait);
    }
    return false;
}

// A clean cursor on a table that is already open: order 1, no filter, no
// scope, top record.
void resetCursor(WorkArea& area) {
    area.setOrder(area.orderCount() > 0 ? 1 : 0);
    area.setFilter("");
    area.clearScope();
    area.goTop();
}

// Reads the `indexdef` records of `alias`, in index order (which among one
// alias is record order), through `indexdef` opened shared with its index.
// An `indexdef` that the caller has open is used as it is and left as it
// was found. On failure `problem` holds the alert to show.
//
// `indexdef` is only read here, so a read-only `indexdef` is opened
// read-only when `allowReadOnly` (always, unless the alias sought is
// `indexdef` itself and the caller needs it writable).
class Definitions {
public:
    Definitions(DataContext& ctx, const std::string& alias, bool allowReadOnly)
        : ctx_(ctx), alias_(alias), allowReadOnly_(allowReadOnly) {}
    ~Definitions() { release(); }

    bool read(std::vector<IndexDefEntry>& out, std::string& problem) {
        Session& s = ctx_.session;
        WorkArea* area = s.area(kIndexDefAlias);
        if (area) {
            wasOpen_ = true;
            savedOrder_ = area->order();
            savedRecno_ = area->recno();
        } else {
            if (!dataFileExists(ctx_, "indexdef.dbf")) {
                problem = "Unable to open indexdef.DBF. File does not exist";
                return false;
            }
            if (!dataFileExists(ctx_, "indexdef.ntx")) {
                problem = "Unable to open " + alias_ + ". Index file indexdef.ntx not found. Try rebuilding index files.";
                return false;
            }
            std::optional<DbError> err;
            if (!openTable(ctx_, kIndexDefTable, false, {kIndexDefIndex}, kIndexDefAlias, &err, allowReadOnly_,
                           &readOnly_)) {
                problem = openFailureMessage(ctx_, kIndexDefTable, err, false);
                return false;
            }
            opened_ = true;
            area = s.area(kIndexDefAlias);
        }
        if (wasOpen_) readOnly_ = area->table().readOnly();
        try {
            if (area->orderCount() > 0) {
                area->setOrder(1);
                area->seek(Value::character(alias_), false);
                for (; !area->eof(); area->skip()) {
                    IndexDefEntry e = readIndexDefEntry(*area);
                    if (e.alias != alias_) break;
                    out.push_back(std::move(e));
                }
            } else {
                for (area->goTop(); !area->eof(); area->skip()) {
                    IndexDefEntry e = readIndexDefEntry(*area);
                    if (e.alias == alias_) out.push_back(std::move(e));
                }
            }
        } catch (const DbError& e) {
            problem = std::string("Unable to read indexdef. ") + e.what();
            return false;
        }
        return true;
    }

    // The table opened was `indexdef` itself: it stays open as the result.
    void keepOpen() { opened_ = false; }
    // Whether `indexdef` is open read-only.
    bool readOnly() const { return readOnly_; }

    void release() {
        Session& s = ctx_.session;
        if (opened_) {
            opened_ = false;
            closeQuietly(s, kIndexDefAlias);
        } else if (wasOpen_) {
            wasOpen_ = false;
            if (WorkArea* area = s.area(kIndexDefAlias)) {
                try {
                    area->setOrder(savedOrder_);
                    area->goTo(savedRecno_);
                } catch (const DbError&) {
                }
            }
        }
    }

private:
    DataContext& ctx_;
    std::string alias_;
    bool allowReadOnly_ = false;
    bool readOnly_ = false;
    bool opened_ = false;
    bool wasOpen_ = false;
    int savedOrder_ = 0;
    std::uint32_t savedRecno_ = 0;
};

// Tells the user once a run that the table ends inside a record.
void tellWhenCutShort(DataContext& ctx, WorkArea& area) {
    const std::string file = area.table().path();
    if (!ctx.tellDamaged || ctx.toldDamaged.count(file)) return;
    const std::string problem = partialRecord(area);
    if (problem.empty()) return;
    ctx.toldDamaged.insert(file);
    ctx.sink.alert("The table " + problem + ". Only its " + std::to_string(area.recordCount()) +
                   " whole records are shown. mxadmin check " + dataSetFolder(ctx) + " checks the data set.");
}

}  // namespace

std::string partialRecord(WorkArea& area) {
    const rt::DbfTable& table = area.table();
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(table.path(), ec);
    if (ec || table.recordLength() <= 0 || size < static_cast<std::uintmax_t>(table.headerLength())) return {};
    const std::uintmax_t body = size - static_cast<std::uintmax_t>(table.headerLength());
    const std::uintmax_t length = static_cast<std::uintmax_t>(table.recordLength());
    const std::uintmax_t rest = body % length;
    // One byte past the last record is the end-of-file marker.
    if (rest <= 1) return {};
    return table.path() + " ends inside record " + std::to_string(body / length + 1) + ": " + std::to_string(rest) +
           " of its " + std::to_string(length) + " bytes are there";
}

std::string openFailureMessage(const DataContext& ctx, const std::string& table, const std::optional<DbError>& err,
                               bool exclusive) {
    const std::string head = "Unable to Open (DBF) " + table;
    if (!err) return head;
    if (err->kind() == ErrorKind::Busy)
        return head + (exclusive ? ". Another workstation is using it, and this work needs it to itself.  Try Again Later!"
                                 : ". Another workstation is using it exclusively.  Try Again Later!");
    if (isIndexFile(err->where())) {
        if (err->kind() != ErrorKind::Corrupt) return "Unable to Open Index Files. " + std::string(err->what());
        return "Unable to Open Index Files. The index file " + err->where() + " is damaged " + damage(*err) +
               ". Rebuilding the index files repairs it: \"Reindex\" on the File menu, or mxadmin reindex " +
               dataSetFolder(ctx) + ".";
    }
    if (err->kind() == ErrorKind::Corrupt)
        return head + ". The file " + err->where() + " is damaged " + damage(*err) + ". mxadmin check " +
               dataSetFolder(ctx) + " checks the data set.";
    return head + ". " + err->what();
}

bool OPNDBF(DataContext& ctx, const std::string& file, bool exclusive, const std::vector<std::string>& indexes,
            const std::string& alias, std::optional<DbError>* lastError) {
    return openTable(ctx, file, exclusive, indexes, alias, lastError);
}

bool OPNDBF(DataContext& ctx, const std::string& file, bool exclusive, const std::vector<std::string>& indexes,
            const std::string& alias, const OpenOptions& options) {
    if (options.openedReadOnly) *options.openedReadOnly = false;
    if (WorkArea* open = ctx.session.area(alias.empty() ? rt::baseNameUpper(file) : upper(alias)))
        if (options.openedReadOnly) *options.openedReadOnly = open->table().readOnly();
    return openTable(ctx, file, exclusive, indexes, alias, options.lastError, options.readOnlyWhenRefused,
                     options.openedReadOnly);
}

bool NETUSE(DataContext& ctx, const std::string& file, bool exclusive, int tries, const std::string& aliasIn) {
    Session& s = ctx.session;
    if (WorkArea* current = s.selected()) closeQuietly(s, current->alias());
    const std::string alias = aliasIn.empty() ? rt::baseNameUpper(file) : upper(aliasIn);
    if (s.area(alias)) return false;  // another work area goes by that name
    const std::string path = rt::joinDataPath(ctx.dataDir, file);
    for (int attempt = 1; tries == 0 || attempt <= tries; ++attempt) {
        try {
            s.open(path, alias, exclusive ? OpenMode::Exclusive : OpenMode::Shared);
            return true;
        } catch (const DbError& e) {
            if (e.kind() != ErrorKind::Busy) return false;
        }
        ctx.sleeper.wait(kRetryWait);
    }
    return false;
}

bool OPNALIAS(DataContext& ctx, std::string_view aliasIn, bool exclusive, bool withIndexes) {
    return OPNALIAS(ctx, aliasIn, exclusive, withIndexes, OpenOptions{});
}

bool OPNALIAS(DataContext& ctx, std::string_view aliasIn, bool exclusive, bool withIndexes, const OpenOptions& options) {
    Session& s = ctx.session;
    if (options.openedReadOnly) *options.openedReadOnly = false;
    const std::string alias = upper(allTrim(aliasIn));
    const int before = s.selectedArea();
    std::optional<std::uint32_t> returnTo;

    auto fail = [&](const std::string& text) {
        ctx.sink.alert(text);
        s.selectById(before);
        return false;
    };

    if (WorkArea* open = alias.empty() ? nullptr : s.area(alias)) {
        s.select(*open);
        try {
            if (!exclusive) {
                resetCursor(*open);
                if (options.openedReadOnly) *options.openedReadOnly = open->table().readOnly();
                return true;
            }
            returnTo = open->recno();
            s.close(alias);
        } catch (const DbError& e) {
            return fail("Unable to Open (DBF) " + alias + ". " + e.what());
        }
    }

    const bool isIndexdef = alias == kIndexDefAlias;
    Definitions definitions(ctx, alias, !isIndexdef || (options.readOnlyWhenRefused && !exclusive));
    std::vector<IndexDefEntry> entries;
    std::string problem;
    if (!definitions.read(entries, problem)) {
        definitions.release();
        return fail(problem);
    }
    if (entries.empty()) {
        definitions.release();
        return fail("Unable to open " + alias + ". Try rebuilding index files.");
    }

    const IndexDefEntry& first = entries.front();
    const std::string directory = entryDirectory(first, ctx.security, ctx.user);
    const std::string table = directory + first.dbName;
    if (!isIndexdef && !dataFileExists(ctx, table + ".DBF")) {
        definitions.release();
        fail("Unable to open " + table + ".DBF" + ". File does not exist");
        if (first.floppy) ctx.sink.alert("Check floppy is in the correct drive");
        return false;
    }

    // The order list: the index files of the alias's records in record
    // order, up to the first record without an index name, at most seven.
    std::vector<std::string> indexes;
    if (withIndexes && !first.inName.empty()) {
        for (const IndexDefEntry& e : entries) {
            if (e.inName.empty() || indexes.size() == static_cast<size_t>(WorkArea::kMaxOrders)) break;
            const std::string index = directory + e.inName;
            if (!dataFileExists(ctx, index + ".NTX")) {
                ctx.sink.timed("Index file " + index + ".NTX" + " not found. Try rebuilding index files", kTimedBox);
                definitions.release();
                return fail("Unable to Open Index Files");
            }
            indexes.push_back(index);
        }
    }

    // `indexdef` itself is already open from the look-up above, and opening
    // an alias that is open only selects it: that open is the result.
    std::optional<DbError> err;
    if (!openTable(ctx, table, exclusive, indexes, alias, &err, options.readOnlyWhenRefused, options.openedReadOnly)) {
        if (options.lastError) *options.lastError = err;
        definitions.release();
        return fail(openFailureMessage(ctx, table, err, exclusive));
    }
    if (isIndexdef) {
        definitions.keepOpen();
        if (options.openedReadOnly) *options.openedReadOnly = definitions.readOnly();
    }
    definitions.release();

    WorkArea& area = *s.area(alias);
    s.select(area);
    try {
        if (returnTo)
            area.goTo(*returnTo);
        else
            area.goTop();
    } catch (const DbError& e) {
        closeQuietly(s, alias);
        return fail(openFailureMessage(ctx, table, e, exclusive));
    }
    tellWhenCutShort(ctx, area);
    return true;
}

void CLOSDATA(DataContext& ctx) {
    try {
        ctx.session.closeAll();
    } catch (const DbError& e) {
        ctx.sink.alert(std::string("Unable to Close Data Files. ") + e.what());
    }
}

bool indexdefIndexExists(const DataContext& ctx) { return dataFileExists(ctx, "indexdef.ntx"); }

void closeQuietly(Session& s, std::string_view alias) {
    try {
        if (s.area(alias)) s.close(alias);
    } catch (const DbError&) {
        // The area is gone either way.
    }
}

}  // namespace mx::ds
