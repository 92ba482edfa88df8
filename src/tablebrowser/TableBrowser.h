// `BROWSE`: the built-in table browser of the File menu, for looking at and
// mending the tables no screen edits. It lists every table of the data
// folder (the aliases `indexdef` defines, then any other ".dbf" there),
// shows one at a time in a browse of its record numbers and all its fields,
// deleted records included and marked, through a filter when one is set, in record order or in any of its index orders, and
// edits, appends, deletes, recalls and seeks records through the record
// services, the table open shared so other workstations go on working.
//
// Names a scripted session uses: the dialog "Table Browser"; its combo boxes
// TABLE (the alias) and ORDER ("Record order" or an index file's name,
// shown with its key text); the buttons "&Edit", "&Append", "&Delete",
// "Re&call", "&Seek", "E&xit", and for the view "&Filter", "Fi&nd", "&Go To",
// "Expo&rt", "&Print", "C&opy" (TableView.h); the record dialog "Edit Record (ALIAS)"
// (RecordDialog.h) with one control per field named by the field.
//
// A table this user may not write (a read-only file or share) opens
// read-only: the user is told once, the changing buttons are not offered,
// and Enter or a double click shows the record in "View Record (ALIAS)". A
// table or index that proves damaged (when it opens, or when a change finds
// the record's index entry missing) is named with its fault and how to
// check and rebuild it; from then on nothing is written to it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "DataContext.h"

namespace mx::tablebrowser {

inline constexpr const char* kTitle = "Table Browser";
// The ORDER item of the natural order.
inline constexpr const char* kRecordOrder = "Record order";

// The screen. Deleted records are shown while it stands (the session's
// setting is restored afterwards); the work area selected before is
// selected again and the table it showed last is closed.
void BROWSE(ds::DataContext& ctx);
// The same, opened on the table `table` (an alias of the list) at record
// `recno`; the first table when `table` is not listed, its top record when
// `recno` is beyond its end.
void BROWSE(ds::DataContext& ctx, const std::string& table, std::uint32_t recno);

// The folder the program was started in: an exported file named without a
// folder goes there. Unset, the current folder.
void setStartFolder(const QString& folder);
QString startFolder();

// How to check and mend a damaged data set, for the messages that name the
// fault: the companion's check and rebuild of `dataDir`, and the menu item.
QString repairAdvice(const std::string& dataDir);

}  // namespace mx::tablebrowser
