// `COMPTYPE`: copies the item type of every configuration formula line to
// the stock item the line uses, on the shared tables, locking each stock
// record it changes.
#pragma once

#include <cstdint>

#include "DataContext.h"
#include "PassProgress.h"

namespace mx::lib {

// The whole action: busy cursor; opens `stock` and `assline` shared with
// their indexes (and stops when either fails, the open service having told
// why); the pass; the information box "All Done!". The tables are left open
// for the menu's close-all. A table failure during the pass ends it
// quietly, without "All Done!".
void COMPTYPE(ds::DataContext& ctx);

// The pass without windows. Requires `STOCK` open with its order 1 (by
// `CODE`) and `ASSLINE` open. For every `assline` record from the top in
// its active order whose `TYPE` is not empty, seeks its `STKCODE` in
// `stock`; when found and the record can be locked (`RECLOCK` with a wait of
// 2) sets `STOCK->TYPE` to the line's type and unlocks. The last typed line
// of an item wins; an empty `TYPE` never clears one; a record that cannot
// be locked keeps its type, silently. A stock item that already has the
// line's type is left alone (the outcome is the same, without the lock and
// the write). `progress` gets the lines gone through every kProgressStride
// lines. Returns the number of stock records written; the selection and
// `stock`'s order are kept.
std::uint32_t applyLineTypes(ds::DataContext& ctx, const ProgressFn& progress = {});

}  // namespace mx::lib
