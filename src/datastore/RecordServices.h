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

#include <string_view>

#include "DataContext.h"

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

}  // namespace mx::ds
