// The data check across tables (see CrossCheck.h). One pass per table in
// record order: the tables other tables name are read first into sets of
// their codes, so each reference costs a hash look-up, not a seek.
#include "CrossCheck.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "AdjustmentCheck.h"
#include "Catalogue.h"
#include "CodeArithmetic.h"
#include "DbfTable.h"
#include "Drawing.h"
#include "Error.h"
#include "IndexDefEntry.h"
#include "NumberFormat.h"
#include "ItemLists.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "Session.h"
#include "TableDefaults.h"
#include "Text.h"
#include "WorkArea.h"

namespace mx::integrity {

namespace {

using rt::DbError;
using rt::WorkArea;

// The tables in the order they are read and their findings listed.
constexpr const char* kTables[] = {"INDEXDEF", "LIBCAT", "LIB",     "STOCKCAT", "STOCK",    "ASSEMCAT",
                                   "ASSEMBLY", "ASSLINE", "ASSPANEL", "ASSDRAW", "PUNCHOLE", "MITREX"};
constexpr int kSteps = static_cast<int>(std::size(kTables));
// Records read at a time; progress is told after each block.
constexpr std::uint32_t kBlockRecords = 4096;

int tableRank(const std::string& alias) {
    for (int i = 0; i < kSteps; ++i)
        if (alias == kTables[i]) return i;
    return kSteps;
}

std::string_view trimmedRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
    return s;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string number(double n) {
    if (std::trunc(n) == n && std::fabs(n) < 1e15) return std::to_string(static_cast<long long>(n));
    std::string s = std::to_string(n);
    while (!s.empty() && s.back() == '0') s.pop_back();
    return s;
}

std::string recordRef(std::uint32_t recno) { return "record #" + std::to_string(recno); }

// A table that lacks a field the check reads.
struct MissingField {
    std::string text;
};

// A field of one table the check reads.
const rt::FieldDef& need(const WorkArea& a, const char* name) {
    const int i = a.fieldIndex(name);
    if (i < 0) throw MissingField{a.alias() + " has no field " + name};
    return a.field(i);
}

// A live record as read in a block of records: its number and its bytes.
struct Row {
    std::uint32_t recno = 0;
    const char* bytes = nullptr;

    std::string_view raw(const rt::FieldDef& f) const {
        return std::string_view(bytes + f.offset, static_cast<std::size_t>(f.length));
    }
    std::string_view text(const rt::FieldDef& f) const { return trimmedRight(raw(f)); }
    std::string str(const rt::FieldDef& f) const { return std::string(text(f)); }
    double num(const rt::FieldDef& f) const { return rt::parseNumber(raw(f)); }
    bool logical(const rt::FieldDef& f) const {
        const char c = bytes[f.offset];
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
};

// The configuration a line or element belongs to, as far as the check needs it.
struct Configuration {
    std::uint32_t recno = 0;
    int adjustLimit = configurations::kDefaultAdjustLimit;
    std::string suite;  // its LIB, trimmed
};

class Checker {
public:
    Checker(const ds::DataContext& outer, const ProgressFn& progress)
        : local_(session_, sink_, outer.sleeper, outer.dataDir), progress_(progress) {
        local_.security = outer.security;
        local_.user = outer.user;
        local_.readOnly = true;      // nothing is ever written
        local_.tellDamaged = false;  // a table cut short is `mxadmin check`'s finding
        ds::applyTableAccessDefaults(session_);
        ds::registerItemListFunctions(local_);
    }
    ~Checker() {
        try {
            session_.closeAll();
        } catch (const DbError&) {
        }
    }

    Report run() {
        readIndexDef();
        pass("LIBCAT", [&](WorkArea& a) { codeTable(a, libcat_); });
        pass("LIB", [&](WorkArea& a) { library(a); });
        pass("STOCKCAT", [&](WorkArea& a) { codeTable(a, stockcat_); });
        pass("STOCK", [&](WorkArea& a) { stock(a); });
        pass("ASSEMCAT", [&](WorkArea& a) { codeTable(a, assemcat_); });
        pass("ASSEMBLY", [&](WorkArea& a) { configurations(a); });
        pass("ASSLINE", [&](WorkArea& a) { lines(a); });
        pass("ASSPANEL", [&](WorkArea& a) { panels(a); });
        pass("ASSDRAW", [&](WorkArea& a) { elements(a); });
        pass("PUNCHOLE", [&](WorkArea& a) { punchHoles(a); });
        pass("MITREX", [&](WorkArea& a) { customers(a); });
        indexKeys();
        std::stable_sort(report_.findings.begin(), report_.findings.end(), [](const Finding& x, const Finding& y) {
            const int rx = tableRank(x.alias), ry = tableRank(y.alias);
            return rx != ry ? rx < ry : x.recno < y.recno;
        });
        return std::move(report_);
    }

private:
    // ---- reading

    void tell(const std::string& alias, std::uint32_t record, std::uint32_t records) {
        if (progress_) progress_(Progress{step_, kSteps, alias, record, records});
    }

    void unreadable(const std::string& alias, const std::string& why) {
        report_.unreadable.push_back(alias + ": " + why);
    }

    // The table of `alias`, open shared and read-only with its index files
    // (the drawing seeks in `assdraw`'s), or nullptr after noting why not.
    WorkArea* open(const std::string& alias, bool withIndexes) {
        if (WorkArea* a = session_.area(alias)) return a;
        if (failedOpen_.count(alias)) return nullptr;  // told once
        ds::OpenOptions options;
        options.readOnlyWhenRefused = true;
        if (!ds::OPNALIAS(local_, alias, false, withIndexes, options)) {
            std::string why;
            for (const ds::RecordingSink::Message& m : sink_.messages()) why += (why.empty() ? "" : " ") + m.text;
            sink_.clear();
            failedOpen_.insert(alias);
            unreadable(alias, why.empty() ? "cannot be opened" : why);
            return nullptr;
        }
        sink_.clear();
        ++report_.tablesRead;
        return session_.area(alias);
    }

    // Opens the table and hands it to `body`, which walks it; a table
    // failure on the way makes the table unreadable (findings so far kept).
    template <typename Body>
    void pass(const std::string& alias, Body&& body) {
        ++step_;
        WorkArea* a = open(alias, alias == "ASSDRAW");
        if (!a) return;
        tell(alias, 0, 0);
        try {
            body(*a);
            readable_.insert(alias);
        } catch (const MissingField& m) {
            unreadable(alias, m.text);
        } catch (const DbError& e) {
            unreadable(alias, e.what());
        }
    }

    // Every live record of `a` in record order through the work area (for
    // readers that need it, as `indexdef`'s does).
    template <typename Each>
    void walk(WorkArea& a, Each&& each) {
        const int order = a.order();
        a.setOrder(0);
        for (a.goTop(); !a.eof(); a.skip()) each();
        a.setOrder(order);
    }

    // Every live record of `a` in record order, read straight from the
    // table a block of records at a time: one read per block instead of one
    // per record, and no record buffer to copy.
    template <typename Each>
    void scan(WorkArea& a, Each&& each) {
        rt::DbfTable& table = a.table();
        const std::uint32_t total = table.recordCount();
        const std::size_t length = static_cast<std::size_t>(table.recordLength());
        std::vector<char> block(length * kBlockRecords);
        for (std::uint32_t first = 1; first <= total;) {
            const std::uint32_t wanted = std::min(kBlockRecords, total - first + 1);
            const std::uint32_t got = table.readRecords(first, wanted, block.data());
            for (std::uint32_t i = 0; i < got; ++i) {
                const char* bytes = block.data() + i * length;
                if (bytes[0] != '*') each(Row{first + i, bytes});
            }
            if (got < wanted) break;
            first += got;
            tell(a.alias(), first - 1, total);
        }
    }

    void add(const WorkArea& a, const Row& r, std::string code, std::string field, std::string problem) {
        report_.findings.push_back(Finding{a.alias(), r.recno, std::move(code), std::move(field), std::move(problem)});
    }

    // A code the screens expect once: the second holder is the finding.
    void unique(const WorkArea& a, const Row& r, std::unordered_map<std::string, std::uint32_t>& seen,
                const std::string& code) {
        auto [it, fresh] = seen.emplace(code, r.recno);
        if (!fresh)
            add(a, r, code, "CODE",
                "the code " + quoted(code) + " is also held by " + recordRef(it->second) +
                    "; the screens find only one of them: give this one a code of its own or delete it");
    }

    // A table of codes and descriptions: its codes, each once.
    void codeTable(WorkArea& a, std::unordered_map<std::string, std::uint32_t>& codes) {
        const rt::FieldDef& code = need(a, "CODE");
        scan(a, [&](const Row& r) { unique(a, r, codes, r.str(code)); });
    }

    void readIndexDef() {
        ++step_;
        tell(ds::kIndexDefAlias, 0, 0);
        if (!ds::dataFileExists(local_, "indexdef.dbf")) {
            unreadable(ds::kIndexDefAlias, "indexdef.dbf does not exist");
            return;
        }
        std::optional<DbError> err;
        if (!ds::OPNDBF(local_, ds::kIndexDefTable, false, {}, ds::kIndexDefAlias, ds::OpenOptions{true, nullptr, &err})) {
            unreadable(ds::kIndexDefAlias, ds::openFailureMessage(local_, ds::kIndexDefTable, err, false));
            return;
        }
        ++report_.tablesRead;
        WorkArea& a = *session_.area(ds::kIndexDefAlias);
        try {
            walk(a, [&] { keys_.emplace_back(a.recno(), ds::readIndexDefEntry(a)); });
        } catch (const DbError& e) {
            unreadable(ds::kIndexDefAlias, e.what());
        }
        // Closed again: the opening service then reads it through its own
        // index, as the program does.
        session_.close(ds::kIndexDefAlias);
    }

    // ---- the library

    void library(WorkArea& a) {
        const rt::FieldDef &code = need(a, "CODE"), &category = need(a, "CATEGORY"), &serial = need(a, "SERIAL"),
                           &maxAdjust = need(a, "MAXADJUST"), &group = need(a, "GROUP"), &num = need(a, "NUMBER");
        const bool categories = readable_.count("LIBCAT") != 0;
        const std::uint32_t records = a.recordCount();
        std::unordered_map<std::string, std::uint32_t> codes;
        std::map<long long, std::pair<std::uint32_t, std::string>> serials;
        std::map<std::pair<double, double>, std::pair<std::uint32_t, std::string>> positions;
        scan(a, [&](const Row& r) {
            const std::string c = r.str(code);
            unique(a, r, codes, c);
            lib_.emplace(c, r.num(maxAdjust));
            const double g = r.num(group), n = r.num(num);
            suiteEntries_.add(g, n, r.recno);

            const std::string cat = r.str(category);
            if (categories && !libcat_.count(cat))
                add(a, r, c, "CATEGORY",
                    cat.empty() ? "there is no category: choose one of the library categories"
                                : "the category " + quoted(cat) + " is not a library category (libcat)");

            const double s = r.num(serial);
            if (s < 1 || std::trunc(s) != s) {
                add(a, r, c, "SERIAL",
                    "the library number " + number(s) +
                        " cannot be named by a library code: give the entry a number from 1 to " +
                        std::to_string(std::max<std::uint32_t>(records, 1)));
            } else if (s > records) {
                add(a, r, c, "SERIAL",
                    "the library number " + number(s) + " is beyond the " + std::to_string(records) +
                        " records of the library: a numeric library code reads back numbers 1 to " +
                        std::to_string(records) + " only");
            } else if (auto [it, fresh] = serials.emplace(static_cast<long long>(s), std::make_pair(r.recno, c));
                       !fresh) {
                add(a, r, c, "SERIAL",
                    "the library number " + number(s) + " is also that of " + quoted(it->second.second) + " (" +
                        recordRef(it->second.first) + "): a library code cannot tell the two suites apart");
            }

            // Unnumbered entries (GROUP or NUMBER 0, before the next Lib
            // Code pass) are named by no code and so confused with none.
            if (g >= 1 && n >= 1) {
                auto [it, fresh] = positions.emplace(std::make_pair(g, n), std::make_pair(r.recno, c));
                if (!fresh)
                    add(a, r, c, "GROUP",
                        "GROUP " + number(g) + " and NUMBER " + number(n) + " are also those of " +
                            quoted(it->second.second) + " (" + recordRef(it->second.first) +
                            "): a suite code cannot tell the two suites apart; Lib Code renumbers the library");
            }
        });
    }

    // ---- stock

    void stock(WorkArea& a) {
        const rt::FieldDef &code = need(a, "CODE"), &category = need(a, "CATEGORY");
        const bool categories = readable_.count("STOCKCAT") != 0;
        std::string cat;
        scan(a, [&](const Row& r) {
            const std::string c = r.str(code);
            unique(a, r, stock_, c);
            cat.assign(r.text(category));
            if (categories && !stockcat_.count(cat))
                add(a, r, c, "CATEGORY",
                    cat.empty() ? "there is no category: choose one of the component categories"
                                : "the category " + quoted(cat) + " is not a component category (stockcat)");
        });
    }

    // ---- configurations

    void configurations(WorkArea& a) {
        const rt::FieldDef &code = need(a, "CODE"), &type = need(a, "ASSEMCAT"), &suite = need(a, "LIB");
        const bool suites = readable_.count("LIB") != 0, types = readable_.count("ASSEMCAT") != 0;
        // The drawing of each configuration, as the data sheet draws it.
        WorkArea* assdraw = open("ASSDRAW", true);
        std::unordered_map<std::string, std::uint32_t> codes;
        std::string t;
        scan(a, [&](const Row& r) {
            const std::string c = r.str(code);
            unique(a, r, codes, c);
            Configuration conf;
            conf.recno = r.recno;
            conf.suite = r.str(suite);
            std::optional<double> maxAdjust;
            if (auto it = lib_.find(conf.suite); it != lib_.end()) maxAdjust = it->second;
            conf.adjustLimit = configurations::adjustmentLimit(maxAdjust);
            configurations_.emplace(c, conf);

            if (suites && !lib_.count(conf.suite))
                add(a, r, c, "LIB",
                    conf.suite.empty() ? "there is no suite: choose a library entry"
                                       : "the suite " + quoted(conf.suite) + " is not in the library");
            t.assign(r.text(type));
            if (types && !assemcat_.count(t))
                add(a, r, c, "ASSEMCAT",
                    t.empty() ? "there is no configuration type: choose one of the types"
                              : "the type " + quoted(t) + " is not a configuration type (assemcat)");
            if (assdraw && assdraw->orderCount() > 0) {
                a.goTo(r.recno);
                draw(a, *assdraw, c);
            }
        });
    }

    void draw(WorkArea& assembly, WorkArea& assdraw, const std::string& code) {
        assdraw.setOrder(1);
        const configurations::Drawing d = configurations::drawConfiguration(session_, assembly, assdraw);
        if (!d.failure) return;
        const configurations::DrawingFailure& f = *d.failure;
        drawingFailures_.emplace(std::make_pair(f.recno, f.field),
                                 "stops the data sheet's drawing of " + quoted(code) + ": " +
                                     (f.text.empty() ? std::string() : quoted(f.text) + " ") + f.why);
    }

    // The configuration a record's ASSCODE names, or nullptr after the finding.
    const Configuration* configurationOf(const WorkArea& a, const Row& r, const std::string& c,
                                         const std::string& key) {
        if (auto it = configurations_.find(c); it != configurations_.end()) return &it->second;
        if (readable_.count("ASSEMBLY"))
            add(a, r, key, "ASSCODE",
                c.empty() ? "there is no configuration code: the record belongs to no configuration; delete it"
                          : "no configuration has the code " + quoted(c) +
                                " (changed or deleted): change the code to a configuration's or delete the record");
        return nullptr;
    }

    void adjustment(const WorkArea& a, const Row& r, const rt::FieldDef& field, const Configuration& conf,
                    const std::string& key) {
        const double v = r.num(field);
        if (configurations::adjustmentAllowed(v, conf.adjustLimit)) return;
        const std::string limit = std::to_string(conf.adjustLimit);
        add(a, r, key, field.name,
            "the adjustment " + number(v) + " mm is beyond the limit of " +
                (conf.suite.empty() ? std::string("configurations without a suite") : "the suite " + quoted(conf.suite)) +
                ", -" + limit + " to " + limit + " mm: the line dialog refuses it");
    }

    void lines(WorkArea& a) {
        const rt::FieldDef &asscode = need(a, "ASSCODE"), &stkcode = need(a, "STKCODE"), &type = need(a, "TYPE"),
                           &adjust = need(a, "ADJUST"), &adjust2 = need(a, "ADJUST2"), &labour = need(a, "LABOUR");
        const bool items = readable_.count("STOCK") != 0;
        std::string c, component;
        scan(a, [&](const Row& r) {
            c.assign(r.text(asscode));
            component.assign(r.text(stkcode));
            const std::string key = component.empty() ? c : c + "/" + component;
            const Configuration* conf = configurationOf(a, r, c, key);
            if (items && !stock_.count(component))
                add(a, r, key, "STKCODE",
                    component.empty() ? "there is no component code: choose a stock item"
                                      : "the component " + quoted(component) + " is not in stock");
            const std::string_view t = r.text(type);
            if (!r.logical(labour) && (t.size() != 1 || std::string_view("LQAF").find(t[0]) == std::string_view::npos))
                add(a, r, key, "TYPE",
                    (t.empty() ? std::string("there is no line type") : "the line type " + quoted(t) + " is not L, Q, A or F") +
                        ": the formula dialog accepts only those");
            if (conf) {
                adjustment(a, r, adjust, *conf, key);
                adjustment(a, r, adjust2, *conf, key);
            }
        });
    }

    void panels(WorkArea& a) {
        const rt::FieldDef &asscode = need(a, "ASSCODE"), &panel = need(a, "PANELCODE");
        scan(a, [&](const Row& r) {
            const std::string c = r.str(asscode);
            configurationOf(a, r, c, c + "/" + r.str(panel));
        });
    }

    void punchHoles(WorkArea& a) {
        const rt::FieldDef &asscode = need(a, "ASSCODE"), &adjust = need(a, "ADJUST");
        scan(a, [&](const Row& r) {
            const std::string c = r.str(asscode);
            if (const Configuration* conf = configurationOf(a, r, c, c)) adjustment(a, r, adjust, *conf, c);
        });
    }

    // ---- drawing elements

    void elements(WorkArea& a) {
        const rt::FieldDef &asscode = need(a, "ASSCODE"), &type = need(a, "TYPE"), &fromRow = need(a, "FROMROW"),
                           &fromCol = need(a, "FROMCOL"), &toRow = need(a, "TOROW"), &toCol = need(a, "TOCOL"),
                           &fn = need(a, "FN"), &condition = need(a, "CONDITION");
        WorkArea* assembly = session_.area("ASSEMBLY");
        scan(a, [&](const Row& r) {
            const std::string key = r.str(asscode);
            configurationOf(a, r, key, key);
            configurations::DrawingElement e;
            e.recno = r.recno;
            e.type = r.raw(type);
            e.fromRow = r.raw(fromRow);
            e.fromCol = r.raw(fromCol);
            e.toRow = r.raw(toRow);
            e.toCol = r.raw(toCol);
            e.fn = r.raw(fn);
            e.condition = r.raw(condition);
            if (!configurations::isElementType(e.type))
                add(a, r, key, "TYPE",
                    (r.text(type).empty() ? std::string("there is no element type")
                                          : "the element type " + quoted(r.text(type)) + " is not one the drawing knows") +
                        " (LINE, LINE2T, LINE2B, LINE2R, LINE2L, LINE2H, LINE2V, ARROWL, ARROWR, ARROWD, ARROWU, "
                        "FUNCTION): the element draws nothing");
            std::set<std::string> fields;
            if (assembly) {
                for (const configurations::DrawingFailure& f :
                     configurations::checkElementTexts(session_, *assembly, a, e)) {
                    fields.insert(f.field);
                    const bool drawsNothing = f.why.ends_with("draws nothing");
                    add(a, r, key, f.field,
                        (f.text.empty() ? f.why : quoted(f.text) + " " + f.why) +
                            (drawsNothing ? "" : ": the data sheet's drawing stops at this element"));
                }
            }
            // The failures found drawing at the data sheet's values that a
            // look at the texts alone does not show.
            for (auto it = drawingFailures_.lower_bound({r.recno, std::string()});
                 it != drawingFailures_.end() && it->first.first == r.recno; ++it)
                if (!fields.count(it->first.second)) add(a, r, key, it->first.second, it->second);
        });
    }

    // ---- customers

    void customers(WorkArea& a) {
        const rt::FieldDef &custno = need(a, ds::kCustomerKeyField), &suites = need(a, "LIBCODE1");
        const bool library = readable_.count("LIB") != 0;
        scan(a, [&](const Row& r) {
            const std::string_view stored = r.text(suites);
            if (stored.empty()) return;
            const std::string customer = ds::allTrim(r.raw(custno));
            if (stored.front() == ' ')
                add(a, r, customer, "LIBCODE1",
                    "the suite code " + quoted(stored) +
                        " begins with a blank: Show Lib reads it without the blank, Chk Lib one digit further on, "
                        "so the two name different suites; remove the blank");
            std::string strange;
            for (char ch : stored) {
                const bool inSet = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f') ||
                                   ch == '-' || ch == ' ';
                if (!inSet && strange.find(ch) == std::string::npos) strange.push_back(ch);
            }
            if (!strange.empty())
                add(a, r, customer, "LIBCODE1",
                    "the suite code " + quoted(stored) + " holds " + quoted(strange) +
                        ", outside 0 to 9, A to F and \"-\": those positions name no suite");
            if (!library) return;
            std::string missing;
            for (const lib::SuitePosition& p : lib::positionsOfSuiteCode(ds::allTrim(stored)))
                if (suiteEntries_.entryAt(p) == 0)
                    missing += (missing.empty() ? "" : ", ") + std::string("digit ") + std::to_string(p.group) +
                               " value " + std::to_string(p.number);
            if (!missing.empty())
                add(a, r, customer, "LIBCODE1",
                    "the suite code " + quoted(stored) + " names suites the library does not hold (" + missing +
                        "): the customer's suites cannot all be shown");
        });
    }

    // ---- index keys

    // Every key text of `indexdef` compiled against its table, and
    // evaluated on the table's first record, as the rebuild would.
    void indexKeys() {
        for (const auto& entry : keys_) {
            // Named copies rather than a structured binding: the lambda below
            // captures them, which clang 14 does not allow for bindings.
            const auto recno = entry.first;
            const auto& e = entry.second;
            const std::string key = ds::allTrim(e.inStr);
            if (key.empty() || ds::allTrim(e.inName).empty()) continue;
            const std::string alias = ds::upper(ds::allTrim(e.alias));
            const std::string code = alias + "/" + ds::allTrim(e.inName);
            auto bad = [&](const std::string& what, const DbError& err) {
                std::string why = err.detail().empty() ? err.what() : err.detail();
                if (err.position() >= 0) why += " at " + std::to_string(err.position());
                report_.findings.push_back(Finding{ds::kIndexDefAlias, recno, code, "IN_STR",
                                                   "the key " + quoted(key) + " of index " + quoted(ds::allTrim(e.inName)) +
                                                       " " + what + ": " + why + "; the rebuild cannot build it"});
            };
            WorkArea* a = open(alias, false);
            if (!a) continue;
            rt::Expression compiled;
            try {
                compiled = a->compileHere(key);
            } catch (const DbError& err) {
                if (err.kind() == rt::ErrorKind::BadExpression)
                    bad("does not compile", err);
                else
                    unreadable(alias, err.what());
                continue;
            }
            try {
                a->setOrder(0);
                a->goTop();
                if (!a->eof()) {
                    session_.select(*a);
                    (void)compiled.evaluate(session_);
                }
            } catch (const DbError& err) {
                if (err.kind() == rt::ErrorKind::BadExpression)
                    bad("fails on " + recordRef(a->recno()), err);
                else
                    unreadable(alias, err.what());
            }
        }
    }

    rt::Session session_;
    ds::RecordingSink sink_;
    ds::DataContext local_;
    const ProgressFn& progress_;
    Report report_;
    int step_ = 0;

    std::set<std::string> readable_;  // the tables read whole
    std::set<std::string> failedOpen_;  // told once
    std::vector<std::pair<std::uint32_t, ds::IndexDefEntry>> keys_;
    std::unordered_map<std::string, std::uint32_t> libcat_, stockcat_, assemcat_, stock_;
    std::unordered_map<std::string, double> lib_;  // code -> MAXADJUST of its first entry
    lib::SuiteEntryIndex suiteEntries_;
    std::unordered_map<std::string, Configuration> configurations_;  // code -> its first record
    std::map<std::pair<std::uint32_t, std::string>, std::string> drawingFailures_;  // (element, field) -> why
};

}  // namespace

std::string findingLine(const Finding& f) {
    std::string line = f.alias + " #" + std::to_string(f.recno) + " " + f.field + ": " + f.problem;
    if (!f.code.empty()) line += " (" + f.code + ")";
    return line;
}

Report crossCheck(const ds::DataContext& ctx, const ProgressFn& progress) {
    Checker checker(ctx, progress);
    return checker.run();
}

}  // namespace mx::integrity
