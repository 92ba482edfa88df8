#include "Commands.h"

#include "DemoBitmaps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <iostream>
#include <vector>

#include "Catalogue.h"
#include "ConsoleSink.h"
#include "CrossCheck.h"
#include "DataContext.h"
#include "DataSet.h"
#include "DataSetCheck.h"
#include "Error.h"
#include "File.h"
#include "IndexDefEntry.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "LargeDataSet.h"
#include "Opening.h"
#include "Password.h"
#include "Session.h"
#include "TableDefaults.h"
#include "Text.h"

namespace mx::admin {

namespace fs = std::filesystem;
using rt::Value;

namespace {

int failure(const std::string& text) {
    std::cerr << "mxadmin: " << text << '\n';
    return kFailure;
}

bool hasFileNoCase(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (ds::equalsNoCase(e.path().filename().string(), name)) return true;
    return false;
}

// An open data set: the session and the context the services need.
class DataSetSession {
public:
    // `readOnly`: the command only looks, and so works on a share it may not write to.
    explicit DataSetSession(const std::string& dir, bool readOnly = false) : ctx_(session_, sink_, sleeper_, dir) {
        ds::applyTableAccessDefaults(session_);
        ds::registerItemListFunctions(ctx_);
        ctx_.readOnly = readOnly;
    }
    ~DataSetSession() { ds::CLOSDATA(ctx_); }

    // Empty when `dir` holds a data set; else the message to show.
    static std::string problemWith(const std::string& dir) {
        std::error_code ec;
        if (!fs::exists(dir, ec)) return "folder " + dir + " does not exist";
        if (!fs::is_directory(dir, ec)) return dir + " is not a folder";
        if (!hasFileNoCase(dir, "indexdef.dbf"))
            return "there is no data set in " + dir + " (no indexdef.dbf); mxadmin init " + dir + " creates one";
        return {};
    }

    ds::DataContext& ctx() { return ctx_; }
    rt::Session& session() { return session_; }
    ConsoleSink& sink() { return sink_; }

private:
    rt::Session session_;
    ConsoleSink sink_;
    ds::SystemSleeper sleeper_;
    ds::DataContext ctx_;
};

// A field's value as dump shows it.
std::string shown(const rt::WorkArea& a, int i) {
    const rt::FieldDef& f = a.field(i);
    switch (f.type) {
        case rt::FieldType::Character:
            return ds::trimRight(a.fieldBytes(i));
        case rt::FieldType::Numeric:
            return ds::allTrim(a.fieldBytes(i));
        case rt::FieldType::Logical: {
            Value v = a.fieldValue(i);
            return v.isLogical() && v.boolean() ? "T" : "F";
        }
        case rt::FieldType::Date: {
            Value v = a.fieldValue(i);
            if (!v.isDate() || v.day() == 0) return {};
            std::string s = rt::dayToDtos(v.day());
            return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2);
        }
        case rt::FieldType::Memo: {
            Value v = a.fieldValue(i);
            std::string out;
            for (char c : ds::trimRight(v.isCharacter() ? v.str() : std::string())) {
                if (c == '\r') continue;
                if (c == '\n')
                    out += "\\n";
                else
                    out.push_back(c);
            }
            return out;
        }
    }
    return {};
}

std::string joinLine(const std::vector<std::string>& parts) {
    std::string line;
    for (size_t i = 0; i < parts.size(); ++i) line += (i ? " | " : "") + parts[i];
    return ds::trimRight(line);
}

// Moves every entry of `from` into `to`; on failure moves back what was moved.
bool moveEntries(const fs::path& from, const fs::path& to, std::string& error) {
    std::vector<fs::path> moved;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(from, ec)) {
        fs::path target = to / e.path().filename();
        fs::rename(e.path(), target, ec);
        if (ec) {
            error = "cannot move " + e.path().string() + " to " + to.string() + ": " + ec.message();
            for (const fs::path& m : moved) {
                std::error_code ignore;
                fs::rename(m, from / m.filename(), ignore);
            }
            return false;
        }
        moved.push_back(target);
    }
    return true;
}

}  // namespace

namespace {

// Creates a data set in `dirText` (a new folder, or an existing one without
// tables) by running `build` on a temporary folder beside it and moving the
// result in place at the end, so a failure leaves nothing behind. `before`
// runs after the target has been found usable and may refuse with a message.
int buildInPlace(const std::string& dirText, const std::function<std::string()>& before,
                 const std::function<void(const std::string& work)>& build, const std::string& done) {
    std::error_code ec;
    fs::path dir = fs::absolute(fs::path(dirText), ec).lexically_normal();
    if (!dir.has_filename()) dir = dir.parent_path();
    const fs::path parent = dir.parent_path();
    if (!fs::is_directory(parent, ec)) return failure("folder " + parent.string() + " does not exist");
    const bool existed = fs::exists(dir, ec);
    if (existed) {
        if (!fs::is_directory(dir, ec)) return failure(dirText + " exists and is not a folder");
        if (hasFileNoCase(dir, "indexdef.dbf")) return failure("a data set already exists in " + dirText);
        for (const ds::TableDef& t : ds::tableCatalogue())
            if (hasFileNoCase(dir, t.name + ".dbf"))
                return failure(dirText + " already holds the table " + t.name + ".dbf; choose an empty folder");
        if (::access(dir.c_str(), W_OK) != 0)
            return failure("cannot write in folder " + dirText + ": " + std::strerror(errno));
    }
    if (std::string refused = before ? before() : std::string(); !refused.empty()) return failure(refused);

    // Build beside the target, then move the finished data set in place.
    std::string pattern = (parent / ("." + dir.filename().string() + ".mxinit-XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) return failure("cannot create a folder in " + parent.string() + ": " + std::strerror(errno));
    const fs::path work(buf.data());
    auto discard = [&] {
        std::error_code ignore;
        fs::remove_all(work, ignore);
    };

    try {
        build(work.string());
    } catch (const rt::DbError& e) {
        discard();
        return failure(std::string("cannot create the data set: ") + e.what());
    } catch (const std::exception& e) {
        discard();
        return failure(std::string("cannot create the data set: ") + e.what());
    }

    // mkdtemp made the folder private; give it the permissions a new folder gets.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(work.c_str(), 0777 & ~mask);

    if (!existed) {
        fs::rename(work, dir, ec);
        if (ec) {
            discard();
            return failure("cannot move the data set to " + dirText + ": " + ec.message());
        }
    } else {
        // The folder stays the user's own (its owner and permissions); only the files move in.
        std::string error;
        if (!moveEntries(work, dir, error)) {
            discard();
            return failure(error);
        }
        discard();
    }
    std::cout << done << '\n';
    return kOk;
}

}  // namespace

int initDataSet(const std::string& dirText, const std::string& demoDir) {
    return buildInPlace(
        dirText,
        [&] {
            std::error_code ec;
            if (!demoDir.empty() && !fs::is_directory(demoDir, ec)) return "the demo sources " + demoDir + " do not exist";
            return std::string();
        },
        [&](const std::string& work) {
            ds::createDataSet(work, demoDir);
            writeProgramBitmaps(work);
            if (!demoDir.empty()) writeDemoBitmaps(work);
        },
        "Data set created in " + dirText + (demoDir.empty() ? "" : " with the demo records"));
}

int initLargeDataSet(const std::string& dirText, const ds::LargeDataSetSize& size) {
    const std::string what = std::to_string(size.customers) + " customers, " + std::to_string(size.configurations) +
                             " configurations with " +
                             std::to_string(static_cast<long long>(size.configurations) * size.linesPerConfiguration) +
                             " lines, " + std::to_string(size.stockItems) + " stock items, " +
                             std::to_string(size.libraryEntries) + " library entries";
    return buildInPlace(
        dirText, {},
        [&](const std::string& work) {
            ds::createLargeDataSet(work, size);
            writeProgramBitmaps(work);
            writeDemoBitmaps(work);
        },
        "Large data set created in " + dirText + ": " + what);
}

int dumpTable(const std::string& dir, const std::string& table, int order, bool header) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir, true);
    ds.session().settings().deletedHidden = false;
    if (!ds::OPNALIAS(ds.ctx(), "indexdef")) return kFailure;
    {
        rt::WorkArea& indexdef = *ds.session().selected();
        const bool listed = indexdef.seek(Value::character(ds::FILL_OUT(ds::upper(ds::allTrim(table)), 10)), false);
        ds::CLOSDATA(ds.ctx());
        if (!listed) return failure("there is no table " + table + " in the data set " + dir + ": indexdef does not list it");
    }
    if (!ds::OPNALIAS(ds.ctx(), table, false, order > 0)) return kFailure;
    rt::WorkArea& a = *ds.session().selected();
    try {
        if (order > a.orderCount())
            return failure(a.alias() + " has " + std::to_string(a.orderCount()) + " index orders, not " +
                           std::to_string(order));
        a.setOrder(order);
        if (header) {
            std::vector<std::string> names;
            for (int i = 0; i < a.fieldCount(); ++i) names.push_back(a.field(i).name);
            std::cout << joinLine(names) << '\n';
        }
        for (a.goTop(); !a.eof(); a.skip()) {
            std::vector<std::string> parts;
            for (int i = 0; i < a.fieldCount(); ++i) parts.push_back(shown(a, i));
            if (a.deleted()) parts.push_back("(deleted)");
            std::cout << joinLine(parts) << '\n';
        }
    } catch (const rt::DbError& e) {
        return failure(e.what());
    }
    return kOk;
}

int writeBitmaps(const std::string& dir, bool demo) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return failure("folder " + dir + " does not exist");
    std::vector<std::string> written;
    try {
        writeProgramBitmaps(dir, true, &written);
        if (demo) writeDemoBitmaps(dir, true, &written);
    } catch (const std::exception& e) {
        return failure(e.what());
    }
    if (written.empty()) std::cout << "Every bitmap is there already\n";
    for (const std::string& name : written) std::cout << "Written: " << name << '\n';
    return kOk;
}

namespace {

// Whether another process has `path` open: an exclusive open of it, let go
// at once, is refused. A missing or unreadable file does not count; the
// rebuild names it.
bool openElsewhere(const std::string& path) {
    try {
        rt::File::open(path, rt::OpenMode::Exclusive, true);
        return false;
    } catch (const rt::DbError& e) {
        return e.kind() == rt::ErrorKind::Busy;
    }
}

// The tables the rebuild would open exclusively that another workstation or
// program has open, by alias, `INDEXDEF` first. The rebuild waits out the
// opening service's retries on each such table before it passes it over, so
// a data set in use would cost it seconds a table and leave it half done;
// one look at every table beforehand lets it refuse at once instead.
std::vector<std::string> tablesInUse(ds::DataContext& ctx) {
    const std::string indexdefPath = ds::dataFile(ctx, "indexdef.dbf");
    std::vector<ds::IndexDefEntry> entries;
    try {
        rt::Session s;
        ds::applyTableAccessDefaults(s);
        rt::WorkArea& indexdef = s.open(indexdefPath, ds::kIndexDefAlias, rt::OpenMode::Shared, true);
        for (indexdef.goTop(); !indexdef.eof(); indexdef.skip()) entries.push_back(ds::readIndexDefEntry(indexdef));
        s.closeAll();
    } catch (const rt::DbError& e) {
        // Held exclusively (another rebuild): in use. Otherwise the rebuild says what is wrong.
        if (e.kind() == rt::ErrorKind::Busy) return {ds::kIndexDefAlias};
        return {};
    }
    std::vector<std::string> inUse;
    if (openElsewhere(indexdefPath)) inUse.push_back(ds::kIndexDefAlias);
    // Each alias's table as the opening service finds it, from its first record.
    std::vector<std::string> aliases;
    std::map<std::string, std::string> tableOf;
    std::set<std::string> rebuilt;
    for (const ds::IndexDefEntry& e : entries) {
        const std::string alias = ds::upper(e.alias);
        if (alias.empty() || alias == ds::kIndexDefAlias) continue;
        if (!tableOf.count(alias)) {
            tableOf[alias] = ds::entryDirectory(e, ctx.security, ctx.user) + e.dbName + ".dbf";
            aliases.push_back(alias);
        }
        if (!e.noIndex) rebuilt.insert(alias);
    }
    for (const std::string& alias : aliases)
        if (rebuilt.count(alias) && openElsewhere(ds::dataFile(ctx, tableOf[alias]))) inUse.push_back(alias);
    return inUse;
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

}  // namespace

int reindexDataSet(const std::string& dir) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir);
    if (const std::vector<std::string> inUse = tablesInUse(ds.ctx()); !inUse.empty())
        return failure("the data set " + dir + " is in use: another workstation or program has " + listed(inUse) +
                       " open. The rebuild needs every table to itself and has changed nothing; run it again when no "
                       "workstation is working on the data set.");
    ds::RebuildReport r = ds::INIT_IDX(ds.ctx(), false);
    if (!r.indexdefAvailable) return kFailure;
    std::cout << r.indexesBuilt << " index files built, " << r.tablesPacked << " packs";
    if (!r.skipped.empty()) {
        std::cout << ", " << r.skipped.size() << (r.skipped.size() == 1 ? " table" : " tables") << " skipped (";
        for (size_t i = 0; i < r.skipped.size(); ++i) std::cout << (i ? ", " : "") << r.skipped[i];
        std::cout << ")";
    }
    if (!r.failures.empty()) std::cout << ", " << r.failures.size() << " failures";
    std::cout << '\n';
    return r.ok() ? kOk : kFailure;
}

int checkDataSet(const std::string& dir) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir, true);
    ds::CheckReport r = ds::checkDataSet(ds.ctx());
    for (const std::string& p : r.problems) std::cout << p << '\n';
    std::cout << r.tablesChecked << " tables and " << r.indexesChecked << " index files checked: "
              << (r.ok() ? "no problems" : std::to_string(r.problems.size()) + " problems") << '\n';
    return r.ok() ? kOk : kFailure;
}

int crossCheckDataSet(const std::string& dir) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) {
        failure(p);
        return kUsage;  // nothing can be read
    }
    DataSetSession ds(dir, true);
    const integrity::Report r = integrity::crossCheck(ds.ctx());
    for (const integrity::Finding& f : r.findings) std::cout << integrity::findingLine(f) << '\n';
    for (const std::string& u : r.unreadable) std::cerr << "mxadmin: " << u << '\n';
    std::cout << r.tablesRead << " tables read: "
              << (r.findings.empty() ? std::string("no findings")
                                     : std::to_string(r.findings.size()) + (r.findings.size() == 1 ? " finding" : " findings"));
    if (!r.readable()) std::cout << "; " << r.unreadable.size() << (r.unreadable.size() == 1 ? " table" : " tables") << " could not be read";
    std::cout << '\n';
    if (!r.readable()) return kUsage;
    return r.findings.empty() ? kOk : kFailure;
}

namespace {

std::string userName(const std::string& typed) { return ds::upper(ds::allTrim(typed)); }

// The stored form of a password as the login's upper-case 6-character field holds it.
std::string storedPassword(const std::string& password) {
    return password.empty() ? std::string() : ds::ENCRYPT(ds::FILL_OUT(ds::upper(password), 6));
}

std::string checkName(const std::string& name) {
    return name.empty() || name.size() > 10 ? "a login name has 1 to 10 characters" : std::string();
}

std::string checkPassword(const std::string& password) {
    return password.size() > 6 ? "a password has at most 6 characters" : std::string();
}

// Opens `users` with its index and seeks the account `name` exactly (a seek
// alone also finds names that only begin with the one sought). Null when the
// table cannot be opened (the message has been shown).
rt::WorkArea* openUsers(DataSetSession& ds) {
    if (!ds::OPNALIAS(ds.ctx(), "users", false, true)) return nullptr;
    return ds.session().selected();
}

bool seekUser(rt::WorkArea& a, const std::string& name) {
    return a.seek(Value::character(ds::FILL_OUT(name, 10)), false) && ds::trimRight(a.fieldValue("USERNAME").str()) == name;
}

}  // namespace

int addUser(const std::string& dir, const std::string& nameIn, const std::string& levelIn, const std::string& password,
            const std::string& description) {
    const std::string name = userName(nameIn);
    const std::string level = ds::upper(ds::allTrim(levelIn));
    if (std::string p = checkName(name); !p.empty()) return failure(p);
    if (level.size() != 1) return failure("a security level is one character");
    if (std::string p = checkPassword(password); !p.empty()) return failure(p);
    if (description.size() > 30) return failure("a user description has at most 30 characters");
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir);
    rt::WorkArea* a = openUsers(ds);
    if (!a) return kFailure;
    try {
        if (seekUser(*a, name)) return failure("the account " + name + " exists already");
        if (!a->append()) return failure("cannot add to the users table: it is locked by another user");
        a->setField("USERNAME", Value::character(name));
        a->setField("SECURELVL", Value::character(level));
        a->setField("PASSWORD", Value::character(storedPassword(password)));
        a->setField("USERDESC", Value::character(description));
        a->unlock();
    } catch (const rt::DbError& e) {
        return failure(e.what());
    }
    std::cout << "Account added: " << name << '\n';
    return kOk;
}

int listUsers(const std::string& dir) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir, true);
    rt::WorkArea* a = openUsers(ds);
    if (!a) return kFailure;
    try {
        for (a->goTop(); !a->eof(); a->skip()) {
            const bool hasPassword = !ds::allTrim(a->fieldValue("PASSWORD").str()).empty();
            std::vector<std::string> parts{ds::trimRight(a->fieldValue("USERNAME").str()),
                                           ds::trimRight(a->fieldValue("SECURELVL").str()),
                                           hasPassword ? "password" : "no password"};
            if (std::string desc = ds::trimRight(a->fieldValue("USERDESC").str()); !desc.empty()) parts.push_back(desc);
            std::cout << joinLine(parts) << '\n';
        }
    } catch (const rt::DbError& e) {
        return failure(e.what());
    }
    return kOk;
}

namespace {

// Finds the account `name` in the data set `dir`, locks it and runs `change`
// on it. kOk, or the failure (told on the console) that stood in the way.
int changeAccount(const std::string& dir, const std::string& name, const std::function<void(rt::WorkArea&)>& change) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir);
    rt::WorkArea* a = openUsers(ds);
    if (!a) return kFailure;  // the opening service has said why
    try {
        if (!seekUser(*a, name)) return failure("there is no account " + name);
        if (!a->lock()) return failure("the account " + name + " is locked by another user");
        change(*a);
        a->unlock();
    } catch (const rt::DbError& e) {
        return failure(e.what());
    }
    return kOk;
}

}  // namespace

int setUserPassword(const std::string& dir, const std::string& nameIn, const std::string& password) {
    const std::string name = userName(nameIn);
    if (std::string p = checkName(name); !p.empty()) return failure(p);
    if (std::string p = checkPassword(password); !p.empty()) return failure(p);
    if (int rc = changeAccount(dir, name, [&](rt::WorkArea& a) {
            a.setField("PASSWORD", Value::character(storedPassword(password)));
        });
        rc != kOk)
        return rc;
    std::cout << "Password " << (password.empty() ? "removed" : "changed") << ": " << name << '\n';
    return kOk;
}

int removeUser(const std::string& dir, const std::string& nameIn) {
    const std::string name = userName(nameIn);
    if (std::string p = checkName(name); !p.empty()) return failure(p);
    if (int rc = changeAccount(dir, name, [](rt::WorkArea& a) { a.deleteRecord(); }); rc != kOk) return rc;
    std::cout << "Account removed: " << name << '\n';
    return kOk;
}

int setSecurity(const std::string& dir, bool on) {
    if (std::string p = DataSetSession::problemWith(dir); !p.empty()) return failure(p);
    DataSetSession ds(dir);
    if (!ds::OPNALIAS(ds.ctx(), "sysinfo", false, true)) return kFailure;
    rt::WorkArea& a = *ds.session().selected();
    try {
        if (a.eof() ? !a.append() : !a.lock()) return failure("sysinfo is locked by another user");
        a.setField("SECURITY", Value::logical(on));
        a.unlock();
    } catch (const rt::DbError& e) {
        return failure(e.what());
    }
    std::cout << "Login " << (on ? "required" : "not required") << '\n';
    return kOk;
}

}  // namespace mx::admin
