// `DATACHECK`: the Data Check screen of the Integrity Checks menu. It runs
// the data check across tables (CrossCheck.h) with the busy cursor and the
// table being read in the status line, then lists every finding: "Table",
// "Record", "Code", "Field", "Problem", table by table, each table's in
// record order, the tables that could not be read first. "&Print" prints
// the list as a column report (each problem whole, over several lines), "&Browse" opens the table browser on the
// finding's table at its record (the link the shell gives), "E&xit" ends.
// When there is nothing to report a box says so and no list is shown.
//
// It writes nothing to the data set: the check reads every table shared and
// read-only in a session of its own, and the list's rows are records of a
// scratch table in a temporary folder of its own, removed when the screen
// ends, so the screen works on a read-only share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CrossCheck.h"
#include "DataContext.h"

namespace mx::datacheck {

inline constexpr const char* kTitle = "Data Check";

// Opens the table `alias` at record `recno`.
using BrowseLink = std::function<void(const std::string& alias, std::uint32_t recno)>;

// The rows the screen lists for a report: a table that could not be read as
// a row of its own (no record, the cause as the problem), then the findings.
std::vector<integrity::Finding> listedRows(const integrity::Report& report);

// The status line while the check runs: "Data check: ASSLINE, table 8 of
// 15, record 4096 of 12000" (the record part left out before the table's
// records are read).
std::string progressText(const integrity::Progress& p);

// The printed report's lines for `rows`: Table, Record, Code, Field,
// Problem, the problem broken at blanks into lines of at most `width`
// characters (a longer word is cut), its further lines under the first with
// the other cells empty, so that no problem is cut short on the page.
std::vector<std::vector<std::string>> reportLines(const std::vector<integrity::Finding>& rows, std::size_t width);

// The whole screen. A table failure of the scratch table is told and ends it.
void DATACHECK(ds::DataContext& ctx, const BrowseLink& browse);

}  // namespace mx::datacheck
