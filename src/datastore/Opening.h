// The opening service: every table is opened by alias through `OPNALIAS`,
// which learns the table's directory, file name and index files from
// `indexdef`, retries while another workstation holds the file, and explains
// a failure in exactly one alert (plus the floppy hint). `OPNDBF` and
// `NETUSE` are the lower-level openers without messages; `CLOSDATA` closes
// everything.
//
// File names given to these functions may carry a "\"-separated directory
// prefix relative to the data directory and are matched case-insensitively
// (DataContext.h).
//
// Retries: a file that another process holds (the runtime's Busy error) is
// tried again after a one-second wait through the context's sleeper. Any
// other failure (a damaged file, a missing one, a refused read) ends the
// attempts at once: waiting cannot mend it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DataContext.h"
#include "Error.h"

namespace mx::ds {

// Opens the table of `alias` (any case) shared or exclusive, with the index
// files `indexdef` lists for it (at most 7) when `withIndexes`, in a work
// area of its own named by the upper-cased alias, selects that area and
// positions it: on the top record in order 1, or, when an exclusive open
// replaced a table that was already open, on the record it was on.
//
// An alias that is already open and asked for shared is only reset: order 1
// (natural order when it has no index), no filter, no scope, top record.
//
// False means one alert has been shown (the floppy hint may follow) and the
// work area selected before the call is selected again. A failed exclusive
// re-open leaves the table closed.
//
// A table that opens but ends inside a record (a file cut short) is used
// with its whole records; the user is told once a run, in an alert, that it
// is damaged and how to check it. With `ctx.readOnly` every file is opened
// for reading only.
bool OPNALIAS(DataContext& ctx, std::string_view alias, bool exclusive = false, bool withIndexes = true);

// Closes the area `alias` when it is open; a failure of the close (the area
// is gone either way) is passed over.
void closeQuietly(rt::Session& s, std::string_view alias);

// What a caller that can work without writing asks of the opening service.
// With `readOnlyWhenRefused`, a shared open of a table whose files this user
// may not write (a read-only file or a read-only share: the runtime refuses
// the read-write open, the read-only one succeeds) opens the table and its
// index files read-only instead of failing. `openedReadOnly`, when given,
// tells whether that happened; `lastError`, when given, receives the
// runtime's failure when the open failed, so that a caller can tell a
// damaged file from a busy one.
struct OpenOptions {
    bool readOnlyWhenRefused = false;
    bool* openedReadOnly = nullptr;
    std::optional<rt::DbError>* lastError = nullptr;
};

// OPNALIAS with those options; the messages are the same.
bool OPNALIAS(DataContext& ctx, std::string_view alias, bool exclusive, bool withIndexes, const OpenOptions& options);

// Opens `file` (".dbf" added when it has no extension) under `alias`
// (default: the file's base name, upper case) in a new work area, then
// attaches the index files given, in order (empty names attach nothing; at
// most 7 are attached). Up to 11 attempts one second apart while the file is
// busy. When the alias is already open it only selects that area. No
// message; on failure the previously selected area stays selected and
// `lastError`, when given, receives the last failure, for a caller that
// explains a damaged file.
bool OPNDBF(DataContext& ctx, const std::string& file, bool exclusive, const std::vector<std::string>& indexes = {},
            const std::string& alias = {}, std::optional<rt::DbError>* lastError = nullptr);
// OPNDBF with the options above (no message either).
bool OPNDBF(DataContext& ctx, const std::string& file, bool exclusive, const std::vector<std::string>& indexes,
            const std::string& alias, const OpenOptions& options);

// Opens `file` in place of the selected work area (which is closed first),
// without indexes, under `alias` (default: the file's base name). `tries`
// attempts one second apart while the file is busy; 0 tries until it
// succeeds. No message.
bool NETUSE(DataContext& ctx, const std::string& file, bool exclusive, int tries, const std::string& alias = {});

// The alert for a table `table` (as `indexdef` names it, directory
// included) that `OPNDBF` could not open, from its last failure: held by
// another workstation (after the retries), a damaged or unreadable index
// file (with the rebuild that repairs it), a damaged table or memo file,
// or the runtime's own words naming the file.
std::string openFailureMessage(const DataContext& ctx, const std::string& table, const std::optional<rt::DbError>& err,
                               bool exclusive);

// Empty when the table's file holds whole records only (an end-of-file
// marker aside); else what is wrong, naming the file: it ends inside a record.
std::string partialRecord(rt::WorkArea& area);

// Closes every open table. A table whose pending changes cannot be written
// is reported in an alert; the others are closed all the same.
void CLOSDATA(DataContext& ctx);

// Whether "indexdef.ntx" exists in the data directory: start-up rebuilds
// every index without asking when it does not.
bool indexdefIndexExists(const DataContext& ctx);

}  // namespace mx::ds
