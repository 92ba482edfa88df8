// The library codes on the data: `LIBCODE` numbers the entries and builds
// the suite code from a workstation's tag fields; `tagBySuiteCode` decodes a suite
// code into a workstation's tags (the numeric decode is `tagByLibraryCode`,
// LibraryScreen.h). The arithmetic of both forms is in CodeArithmetic.h.
#pragma once

#include <string>

#include "CodeArithmetic.h"
#include "DataContext.h"

namespace mx::lib {

// ---- on the data

// `LIBCODE`: numbers every `lib` entry (order 3, groups of four, each under
// its own lock; an entry that cannot be locked keeps its old GROUP/NUMBER),
// builds the suite code from workstation `ws`'s tags (the field its Tag
// column shows, WorkstationTags.h), shows it, offers to copy it
// to the clipboard and shows it once more in a prompt. `lib` is opened
// shared with its indexes (an open `lib` is reused) and left in order 3 at
// its end; nothing happens when it cannot be opened (after the open
// service's message). The selected work area is kept; a table failure ends
// the operation quietly. Returns the code (empty when `lib` did not open).
std::string LIBCODE(ds::DataContext& ctx, int ws);

// The suite-code decode: empties workstation `ws`'s scratch table (opened
// exclusively), writes a record per position of `code` and, for each, the
// `SERIAL` of the `lib` entry with that GROUP and NUMBER (searched from the
// first record of the active order) while setting the workstation's tag on
// that entry. Does nothing for `ws` outside 1..9 or when the scratch table
// cannot be opened (false then). Uses the open `lib`, else opens it shared.
// Tags are not cleared first. The selected work area is kept.
bool tagBySuiteCode(ds::DataContext& ctx, int ws, const std::string& code);

}  // namespace mx::lib
