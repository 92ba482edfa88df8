// The index rebuild: recreates every index file that `indexdef` defines,
// packing tables on the way where a record asks for it. This is the
// non-interactive core (`INIT_IDX`); the question before a menu-started
// rebuild, the wait box and "Reindex Complete!" belong to the caller.
//
// The shell runs it at start-up when "indexdef.ntx" is missing
// (indexdefIndexExists(), Opening.h) and from the File menu.
#pragma once

#include <string>
#include <vector>

#include "DataContext.h"

namespace mx::ds {

struct RebuildReport {
    bool indexdefAvailable = true;      // false: nothing was rebuilt
    int indexesBuilt = 0;               // index files written, "indexdef.ntx" included
    int tablesPacked = 0;               // pack runs (one per record asking for it)
    std::vector<std::string> skipped;   // aliases that could not be opened, each once
    std::vector<std::string> failures;  // index files not built, with the reason shown

    bool ok() const { return indexdefAvailable && skipped.empty() && failures.empty(); }
};

// Rebuilds the index set:
//  1. opens `indexdef` exclusively (2 attempts one second apart); when it
//     cannot be had: "Indexdef Data file Not Available.  Try again later."
//     (when the data folder has no "indexdef.dbf" at all, followed by that
//     cause and how a data set is created) and nothing changes;
//  2. builds "indexdef.ntx" on `indexdef->db_alias` first;
//  3. reads every `indexdef` record in record order (a missing `NOINDEX`
//     field counts as false) and closes `indexdef`;
//  4. per record, unless `NOINDEX`: opens the alias exclusively without
//     indexes through `OPNALIAS` (a table that cannot be opened is skipped
//     after its message, and so are the further records of its alias,
//     without another attempt or message), empties it when `initialise` and `ZAPONINIT`,
//     packs it when `PACK`, builds the index file `PATH` + `IN_NAME` on
//     `IN_STR` when `IN_NAME` is not empty, and closes it. The records of
//     `indexdef` itself are left out: its index was built in step 2;
//  5. closes every table.
//
// Index files are written beside the table they index: in `PATH`, or for a
// table held per user while a login is in force, in the user's
// sub-directory of it, where the opening service looks for them.
//
// An index file is written under a temporary name and renamed over the old
// one only when complete. A key expression that cannot be evaluated leaves
// no new file; the alert names the table, the index file and the
// expression, and the rebuild goes on. The old file of that index stays,
// unless this run packed or emptied the table: then it would point at
// records that have moved, and it is removed.
//
// The menu calls it with initialise false, so `ZAPONINIT` never empties a
// table in this system; true is for a data set being initialised.
RebuildReport INIT_IDX(DataContext& ctx, bool initialise = false);

// One index file a screen builds for itself: its name without extension and
// its key expression.
struct IndexFileSpec {
    std::string name;
    std::string key;
};

// Builds the index files `specs` of the open table in `area` from scratch,
// beside the table's file, each under a temporary name renamed over the old
// file only when complete (a workstation that has the old file open keeps
// reading it), and makes them the area's order list in the order given with
// the first one controlling. Throws DbError on the first that cannot be built;
// the area is then left without orders.
void buildOrderList(rt::WorkArea& area, const std::vector<IndexFileSpec>& specs);

// The order list of a table that several workstations keep open at once
// and change (the customer register), which each opens with its index files
// built afresh. A file that another workstation has open is not replaced:
// that workstation writes every change it makes into the file it has, and
// a new file in its place would leave those changes where no one reads
// them. So, one workstation at a time (TableStepLock, OrderBuild; Busy when
// it cannot be had within the wait of 2), each of `shared` is attached as it
// is when another opener has it open and it was built on the same key, and
// built afresh as buildOrderList builds otherwise; each of `own` (a
// workstation's private sort) is always built afresh. The order list is
// `shared` then `own`, the first of `own` controlling, else the first of
// `shared`. Throws DbError on a file that cannot be built or attached; the
// area is then left without orders.
void openSharedOrderList(DataContext& ctx, rt::WorkArea& area, const std::vector<IndexFileSpec>& shared,
                         const std::vector<IndexFileSpec>& own = {});

}  // namespace mx::ds
