// Record services: the record lock `RECLOCK`, the append `ADDREC` and the
// record copier `COPYREC`, on the selected work area. Every change to a
// shared record is made between RECLOCK and the runtime's unlock; no lock
// is held across a dialog.
//
// The wait argument is a number of which every caller passes 2: the retry
// budget is ten times it in seconds, spent in steps of 0.2 seconds through
// the context's sleeper (2 gives one immediate attempt and up to 100 more,
// about 20 seconds). 0 retries until it succeeds.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "DataContext.h"
#include "File.h"

namespace mx::ds {

// Locks the current record of the selected work area, releasing any other
// record lock of that area. No message; false when the budget is spent (or
// nothing is selected, or the area is at end of file).
bool RECLOCK(DataContext& ctx, double wait);

// Appends a blank record to the selected table; it becomes current and
// locked. False when the budget is spent, after the timed box
// "Unable to add record."; the caller shows its own alert as well.
bool ADDREC(DataContext& ctx, double wait);

// Appends a record to `target` and copies into it every field of `source`'s
// current record whose name the target also has (a value the target field
// cannot take — another type, a number too wide — is left out). Nothing at
// all when the append or the lock fails. The selected area is the same
// afterwards.
void COPYREC(DataContext& ctx, std::string_view source, std::string_view target);

// A step that the workstations sharing a table must take one at a time
// (building the table's shared index files, numbering a new record), kept
// apart by a byte lock on the table's file beyond the range of the record,
// file and append locks. Only this program's own steps take it, so it waits
// for no record lock and no record lock waits for it. The lock is tried as
// RECLOCK tries (wait 2: about 20 seconds in steps of 0.2) and held until the
// object goes. A table held exclusively needs no lock: held() is true at once.
class TableStepLock {
public:
    enum class Step : std::uint64_t { OrderBuild = 1, Numbering = 2 };

    TableStepLock(DataContext& ctx, rt::WorkArea& area, Step step, double wait);
    ~TableStepLock();
    TableStepLock(const TableStepLock&) = delete;
    TableStepLock& operator=(const TableStepLock&) = delete;

    bool held() const { return held_; }

private:
    std::unique_ptr<rt::File> file_;  // an opener of its own on the table's file
    std::uint64_t offset_ = 0;
    bool held_ = false;
};

}  // namespace mx::ds
