// Copying a configuration and carrying its records to a new code (see
// ConfigurationCopy.h).
#include "ConfigurationCopy.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

#include "Error.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Text.h"

namespace mx::configurations {

namespace {

using rt::Value;
using rt::WorkArea;

// The dependent tables, each with the field that names one of its records
// to the user and the words for one and for several of them.
struct Dependent {
    const char* alias;
    const char* nameField;
    const char* one;
    const char* many;
};
constexpr Dependent kDependents[] = {
    {"ASSLINE", "STKCODE", "line", "lines"},
    {"ASSDRAW", "TYPE", "drawing element", "drawing elements"},
    {"ASSPANEL", "PANELCODE", "panel", "panels"},
    {"PUNCHOLE", "DESC", "punch hole", "punch holes"},
};

int& countOf(DependentCounts& c, size_t table) {
    switch (table) {
        case 0: return c.lines;
        case 1: return c.drawings;
        case 2: return c.panels;
        default: return c.punchHoles;
    }
}

std::string cleanCode(const std::string& code) { return ds::upper(ds::allTrim(code)); }

int fieldOrThrow(const WorkArea& area, const char* name) {
    const int i = area.fieldIndex(name);
    if (i < 0) throw rt::DbError(rt::ErrorKind::NotFound, area.table().path(), std::string("no field ") + name);
    return i;
}

// The key that finds `code` in an order beginning with field `i`: the code
// blank-padded to the field's width, so that no longer code matches.
Value keyFor(const WorkArea& area, int i, const std::string& code) {
    std::string key = code;
    key.resize(static_cast<size_t>(area.field(i).length), ' ');
    return Value::character(key);
}

// Calls `each` on every live record of `area` whose field `i` holds `code`,
// found in the area's controlling order (which begins with that field).
// `each` must not change the field: the walk follows the order.
template <class F>
void forEachNamed(WorkArea& area, int i, const std::string& code, F&& each) {
    if (code.empty()) return;
    for (area.seek(keyFor(area, i, code), false); !area.eof(); area.skip(1)) {
        if (ds::trimRight(area.fieldBytes(i)) != code) break;
        if (!area.deleted()) each();
    }
}

// A dependent table ready to be sought by `ASSCODE`: no filter, no scope,
// first order (what a line screen left on it goes; it sets its own again).
WorkArea& dependent(ds::DataContext& ctx, const char* alias) {
    WorkArea& area = ctx.session.openArea(alias);
    if (!area.filterText().empty()) area.setFilter("");
    area.clearScope();
    if (area.order() != 1) area.setOrder(1);
    return area;
}

// `assembly` in its first order and unfiltered while this lives; its order,
// filter and record are given back afterwards unless `stay` says otherwise.
class AssemblyByCode {
public:
    explicit AssemblyByCode(ds::DataContext& ctx)
        : area_(ctx.session.openArea("ASSEMBLY")),
          order_(area_.order()),
          filter_(area_.filterText()),
          recno_(area_.recno()),
          code_(fieldOrThrow(area_, "CODE")) {
        if (!filter_.empty()) area_.setFilter("");
        if (order_ != 1) area_.setOrder(1);
    }
    ~AssemblyByCode() {
        try {
            if (area_.order() != order_) area_.setOrder(order_);
            if (area_.filterText() != filter_) area_.setFilter(filter_);
            area_.goTo(stay_ ? *stay_ : recno_);
        } catch (const rt::DbError&) {
            // The list re-synchronises from wherever the area stands.
        }
    }
    WorkArea& area() { return area_; }
    int codeField() const { return code_; }
    void stayOn(std::uint32_t recno) { stay_ = recno; }

    // Whether a live configuration other than record `except` has `code`.
    bool taken(const std::string& code, std::uint32_t except) {
        bool found = false;
        forEachNamed(area_, code_, code, [&] { found = found || area_.recno() != except; });
        return found;
    }

private:
    WorkArea& area_;
    int order_;
    std::string filter_;
    std::uint32_t recno_;
    int code_;
    std::optional<std::uint32_t> stay_;
};

// One record's fields as the file holds them (memo fields as their text).
struct RecordImage {
    std::vector<std::string> bytes;
    std::vector<Value> memos;  // by field, only where the field is a memo
};

RecordImage imageOf(const WorkArea& area) {
    RecordImage r;
    r.bytes.reserve(static_cast<size_t>(area.fieldCount()));
    for (int i = 0; i < area.fieldCount(); ++i) {
        if (area.field(i).type == rt::FieldType::Memo) {
            r.memos.resize(static_cast<size_t>(area.fieldCount()));
            r.memos[static_cast<size_t>(i)] = area.fieldValue(i);
            r.bytes.emplace_back();
        } else {
            r.bytes.emplace_back(area.fieldBytes(i));
        }
    }
    return r;
}

// Fills the area's new, locked record from `image`, with `code` in field `codeField`.
void fill(WorkArea& area, const RecordImage& image, int codeField, const std::string& code) {
    for (int i = 0; i < area.fieldCount(); ++i) {
        if (i == codeField)
            area.setFieldBytes(i, code);
        else if (area.field(i).type == rt::FieldType::Memo)
            area.setField(i, image.memos[static_cast<size_t>(i)]);
        else
            area.setFieldBytes(i, image.bytes[static_cast<size_t>(i)]);
    }
}

// The records one copy has appended, to be marked deleted again when it
// cannot be finished.
class Appended {
public:
    explicit Appended(ds::DataContext& ctx) : ctx_(ctx) {}
    void add(WorkArea& area) { written_.emplace_back(&area, area.recno()); }
    size_t size() const { return written_.size(); }
    // Marks every record deleted again, each under its lock (wait 2); the
    // number that could not be (locked elsewhere, or a refused write).
    int undo() {
        int left = 0;
        for (auto it = written_.rbegin(); it != written_.rend(); ++it) {
            WorkArea& area = *it->first;
            try {
                area.unlock();
                area.goTo(it->second);
                ctx_.session.select(area);
                if (!ds::RECLOCK(ctx_, 2)) {
                    ++left;
                    continue;
                }
                area.deleteRecord();
                area.unlock();
            } catch (const rt::DbError&) {
                ++left;
            }
        }
        written_.clear();
        return left;
    }

private:
    ds::DataContext& ctx_;
    std::vector<std::pair<WorkArea*, std::uint32_t>> written_;
};

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string listed(const DependentCounts& c) {
    return counted(c.lines, "line", "lines") + ", " + counted(c.drawings, "drawing element", "drawing elements") +
           ", " + counted(c.panels, "panel", "panels") + " and " + counted(c.punchHoles, "punch hole", "punch holes");
}

}  // namespace

bool openCopyTables(ds::DataContext& ctx) {
    rt::SelectionGuard selection(ctx.session);
    for (const char* alias : {"ASSLINE", "ASSDRAW", "ASSPANEL", "PUNCHOLE", "ASSEMBLY"})
        if (!ctx.session.area(alias) && !ds::OPNALIAS(ctx, alias, false, true)) return false;
    return true;
}

DependentCounts countDependents(ds::DataContext& ctx, const std::string& code) {
    DependentCounts c;
    const std::string wanted = cleanCode(code);
    for (size_t t = 0; t < std::size(kDependents); ++t) {
        WorkArea& area = dependent(ctx, kDependents[t].alias);
        int& n = countOf(c, t);
        forEachNamed(area, fieldOrThrow(area, "ASSCODE"), wanted, [&n] { ++n; });
    }
    return c;
}

CodeRefusal refuseCode(ds::DataContext& ctx, const std::string& code, std::uint32_t except) {
    CodeRefusal r;
    const std::string wanted = cleanCode(code);
    {
        AssemblyByCode assembly(ctx);
        if (assembly.taken(wanted, except)) {
            r.kind = CodeRefusal::Kind::Taken;
            r.message = "Configuration " + wanted + " already exists.";
            return r;
        }
    }
    r.named = countDependents(ctx, wanted);
    if (r.named.total() > 0) {
        r.kind = CodeRefusal::Kind::Named;
        r.message = counted(r.named.total(), "record", "records") + " (" + listed(r.named) + ") still name " + wanted +
                    " without a configuration, left by an earlier code change; they would mix with it.";
    }
    return r;
}

CopyResult copyConfiguration(ds::DataContext& ctx, const std::string& newCode) {
    rt::SelectionGuard selection(ctx.session);
    CopyResult result;
    const std::string code = cleanCode(newCode);
    if (code.empty()) return result;
    WorkArea& assemblyArea = ctx.session.openArea("ASSEMBLY");
    if (assemblyArea.eof() || assemblyArea.deleted()) return result;
    const int codeField = fieldOrThrow(assemblyArea, "CODE");
    const std::string sourceCode = ds::trimRight(assemblyArea.fieldBytes(codeField));
    const RecordImage header = imageOf(assemblyArea);

    if (CodeRefusal refusal = refuseCode(ctx, code)) {
        result.outcome = CopyResult::Outcome::Refused;
        result.message = refusal.message + " Nothing was copied.";
        return result;
    }

    // Every dependent is read before anything is written, and written in
    // record order: an order that ties on the code (the formula screen's,
    // the drawing's) lists the copies as it lists their sources.
    struct Source {
        WorkArea* area;
        int codeField;
        std::vector<std::pair<std::uint32_t, RecordImage>> records;
    };
    std::vector<Source> sources;
    for (const Dependent& d : kDependents) {
        WorkArea& area = dependent(ctx, d.alias);
        Source s{&area, fieldOrThrow(area, "ASSCODE"), {}};
        forEachNamed(area, s.codeField, sourceCode, [&] { s.records.emplace_back(area.recno(), imageOf(area)); });
        std::sort(s.records.begin(), s.records.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        sources.push_back(std::move(s));
    }

    AssemblyByCode assembly(ctx);
    Appended appended(ctx);
    auto failed = [&](const std::string& why) {
        const size_t written = appended.size();
        const int left = appended.undo();
        result.outcome = CopyResult::Outcome::Failed;
        result.message = "The copy of " + sourceCode + " as " + code + " could not be finished: " + why + " ";
        if (written == 0)
            result.message += "Nothing was written.";
        else if (left == 0)
            result.message += "The " + counted(static_cast<int>(written), "record", "records") +
                              " it had written were removed again.";
        else
            result.message += counted(left, "record", "records") + " of the " +
                              counted(static_cast<int>(written), "record", "records") +
                              " it had written could not be removed again: they name " + code +
                              " without a configuration, and a copy to " + code + " is refused while they do.";
        return result;
    };
    // Appends one record through the append service; false when it could not be.
    auto append = [&](WorkArea& area, const RecordImage& image, int field) {
        ctx.session.select(area);
        if (!ds::ADDREC(ctx, 2)) return false;
        appended.add(area);
        fill(area, image, field, code);
        area.unlock();
        return true;
    };
    try {
        for (size_t t = 0; t < sources.size(); ++t) {
            for (const auto& [recno, image] : sources[t].records) {
                if (!append(*sources[t].area, image, sources[t].codeField))
                    return failed(std::string("the table of ") + kDependents[t].many + " was busy at another workstation.");
                ++countOf(result.copied, t);
            }
        }
        // Another workstation may have taken the code meanwhile.
        if (assembly.taken(code, 0)) return failed("Configuration " + code + " was made meanwhile at another workstation.");
        if (!append(assembly.area(), header, codeField))
            return failed("the table of configurations was busy at another workstation.");
    } catch (const rt::DbError& e) {
        return failed(std::string(e.what()) + ".");
    }
    result.outcome = CopyResult::Outcome::Copied;
    result.header = assembly.area().recno();
    assembly.stayOn(result.header);
    return result;
}

MoveResult moveDependents(ds::DataContext& ctx, const std::string& oldCode, const std::string& newCode) {
    rt::SelectionGuard selection(ctx.session);
    MoveResult result;
    const std::string from = cleanCode(oldCode);
    const std::string to = cleanCode(newCode);
    if (from.empty() || to.empty() || from == to) return result;
    for (size_t t = 0; t < std::size(kDependents); ++t) {
        WorkArea& area = dependent(ctx, kDependents[t].alias);
        const int codeField = fieldOrThrow(area, "ASSCODE");
        const int nameField = area.fieldIndex(kDependents[t].nameField);
        // The records first: a moved record leaves its place in the order.
        std::vector<std::uint32_t> records;
        forEachNamed(area, codeField, from, [&] { records.push_back(area.recno()); });
        ctx.session.select(area);
        for (std::uint32_t recno : records) {
            area.goTo(recno);
            if (!ds::RECLOCK(ctx, 2)) {
                std::string name = kDependents[t].one;
                if (nameField >= 0) {
                    const std::string own = ds::allTrim(area.fieldBytes(nameField));
                    if (!own.empty()) name += " " + own;
                }
                result.stayed.push_back(name + " (record " + std::to_string(recno) + ")");
                continue;
            }
            // Read under the lock: another workstation may have moved or removed it.
            if (!area.deleted() && ds::trimRight(area.fieldBytes(codeField)) == from) {
                area.setFieldBytes(codeField, to);
                ++countOf(result.moved, t);
            }
            area.unlock();
        }
    }
    return result;
}

std::string moveQuestion(const DependentCounts& c, const std::string& oldCode, const std::string& newCode) {
    return "Move the " + std::to_string(c.lines) + " lines, " + std::to_string(c.drawings) + " drawing elements, " +
           std::to_string(c.panels) + " panels and " + std::to_string(c.punchHoles) + " punch holes of " +
           cleanCode(oldCode) + " to " + cleanCode(newCode) + "?";
}

}  // namespace mx::configurations
