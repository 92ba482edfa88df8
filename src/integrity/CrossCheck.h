// The data check across tables: what the tables of a data set say about each
// other, where `mxadmin check` only proves each file sound. It finds
//   - configuration records (`assline`, `assdraw`, `asspanel`, `punchole`)
//     whose ASSCODE names no configuration;
//   - formula and labour lines whose component is not in `stock`, formula
//     lines of a type other than L, Q, A or F, and adjustments of lines and
//     punch holes beyond the limit of their configuration's suite;
//   - configurations whose suite or type does not exist;
//   - library entries whose category does not exist, two live entries with
//     the same SERIAL or the same GROUP and NUMBER, a SERIAL no library code
//     can name;
//   - stock items whose category does not exist;
//   - the same code twice in the tables the screens keep one record per code
//     in (`assembly`, `lib`, `stock`, `libcat`, `stockcat`, `assemcat`);
//   - expressions held in data that our evaluator cannot compile: the index
//     keys of `indexdef`, the drawing elements' coordinates, conditions and
//     functions (each also evaluated at the data sheet's values, as the
//     sheet draws it), and element types the drawing does not know;
//   - customers whose suite code holds characters outside the code's set,
//     names library entries that do not exist, or begins with a blank.
//
// It works in a session of its own, so the caller's open tables, selection
// and positions are untouched. Every table is opened shared and for reading
// only: the check writes nothing, runs on a read-only share and beside
// working stations. Each table is read once, in record order, into sets of
// the codes the other tables name; deleted records are passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DataContext.h"

namespace mx::integrity {

// One thing wrong with one record.
struct Finding {
    std::string alias;         // the table's alias, "ASSLINE"
    std::uint32_t recno = 0;   // its record number
    std::string code;          // the record's key: its code, the configuration and component of a line
    std::string field;         // the field at fault, "ASSCODE"
    std::string problem;       // what is wrong and what it means, for the user

    bool operator==(const Finding&) const = default;
};

// The finding as one line: "ASSLINE #184 ASSCODE: " + problem + " (" + code + ")";
// the code part is left out when the record has none.
std::string findingLine(const Finding& f);

// Where the check stands, told before each table is read and every few
// thousand records while it is read: `step` of `steps` (from 1), the alias
// being read, its records read so far and its record count.
struct Progress {
    int step = 0;
    int steps = 0;
    std::string alias;
    std::uint32_t record = 0;
    std::uint32_t records = 0;
};
using ProgressFn = std::function<void(const Progress&)>;

struct Report {
    // In the order of the tables above, each table's in record order.
    std::vector<Finding> findings;
    // The tables that could not be read, each naming the file and the cause
    // (missing, held exclusively elsewhere, damaged, a field missing). The
    // checks that need such a table are left out; the others are made.
    std::vector<std::string> unreadable;
    int tablesRead = 0;

    bool readable() const { return unreadable.empty(); }
    bool clean() const { return readable() && findings.empty(); }
};

// Checks the data set of `ctx.dataDir` (with `ctx.security` and `ctx.user`
// for tables in per-user folders). Throws nothing for bad data: every
// failure ends up in the report.
Report crossCheck(const ds::DataContext& ctx, const ProgressFn& progress = {});

}  // namespace mx::integrity
