// What the table browser does with the records it shows: its view, the
// table's records in the current order that pass the session's deleted
// setting and the area's filter. Each function walks the view with the
// area's own moves, one record at a time, so the memory used does not grow
// with the table, and leaves the area on the record it stood on.
//
//   const auto n = countView(session, lib);                 // records the filter lets through
//   exportCsv(session, lib, "/tmp/lib.csv", dates);          // the view as CSV, whole or none
//   printView(session, lib, "LIB", columns, row);            // the view on landscape pages
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PictureFormat.h"
#include "Session.h"

namespace mx::tablebrowser {

// Field `i` of the area's current record as text: character fields without
// their trailing blanks, numbers as the field shows them without leading
// blanks, dates in the date style (blank: empty), logicals T or F, memos
// whole.
QString fieldText(const rt::WorkArea& area, int i, const tk::DateStyle& dates);

// The records of the view; the area's position is kept.
std::uint64_t countView(rt::Session& session, rt::WorkArea& area);
// The same over the records numbered `from` to `to` (inclusive, cut to the
// table), for a count made a part at a time.
std::uint64_t countView(rt::Session& session, rt::WorkArea& area, std::uint32_t from, std::uint32_t to);

// Compiles `text` as a filter over the area's fields and tries it on the
// current record (when there is one). Throws rt::DbError(BadExpression),
// whose position() is the 1-based character position, for an expression
// that does not compile, fails there, or is no condition.
void checkFilter(rt::Session& session, rt::WorkArea& area, const std::string& text);

// From the record after the current one, in the view: the first record that
// holds `text` in a character or memo field, ignoring case, made current.
// False, the position kept, when none does.
bool findText(rt::Session& session, rt::WorkArea& area, const QString& text);

// The current record as two tab-separated lines: the field names, then the
// values (fieldText; tabs and line breaks inside a value become blanks).
QString recordText(const rt::WorkArea& area, const tk::DateStyle& dates);

// Writes the view to `path` as CSV in UTF-8: a header row of the field
// names, then one row per record (fieldText), fields quoted where they hold
// a comma, a quote or a line break. The file is written beside the target
// under a temporary name and renamed over it at the end, so `path` holds the
// whole export or what it held before. Returns the rows written; a file
// that cannot be written is rt::DbError(Io) naming it and the cause.
std::uint64_t exportCsv(rt::Session& session, rt::WorkArea& area, const QString& path, const tk::DateStyle& dates);

// One column of a printed view: header, width in characters, flush right.
struct PrintColumn {
    QString header;
    int chars = 10;
    bool right = false;
};

// Prints the view as a column report titled `title`: A4 landscape, the
// columns that fit across the page, then the pages of the next columns that
// fit, and so on, no column cut; the first `repeated` columns (the mark and
// the record number) start every band so each row can be told. `row` gives
// the cells of the current record. Returns the pages delivered (0 when the
// job could not print).
int printView(rt::Session& session, rt::WorkArea& area, const QString& title, const std::vector<PrintColumn>& columns,
              const std::function<QStringList()>& row, size_t repeated = 0);

}  // namespace mx::tablebrowser
