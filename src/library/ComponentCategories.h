// `COMPCAT`: the component category check. Every `stockcat` record is
// copied into the work table `used`, which is indexed on its code; every
// `stock` item then marks its category there; the dialog lists `used` with a
// "*" against each category some stock item names.
//
// `used` is opened exclusively, so a second workstation running the check at
// the same time is refused by the open service and its check ends.
#pragma once

#include <cstdint>

#include "DataContext.h"
#include "PassProgress.h"

namespace mx::lib {

// The dialog's title.
inline constexpr const char* kCompcatTitle = "Component Categories - (COMPCAT)";

// The whole screen: opens `stock` and `stockcat` shared and `used`
// exclusively (returning when any open fails), fills and marks `used`, and
// shows the dialog. The six keys of the hot-key convention are released
// before and after. The tables are left open for the menu's close-all.
void COMPCAT(ds::DataContext& ctx);

// The pass without windows. Requires `STOCK` and `STOCKCAT` open and `USED`
// open exclusively without indexes. Empties `used`, copies every `stockcat`
// record (in its active order) into it by field name (`COPYREC`), builds the
// index file "used" on `CODE` in the data directory as its only order, and
// sets `USED` on every category that a `stock` record names. `progress` gets
// the records gone through (categories, then stock items), every
// kProgressStride records. Returns the number of categories marked. Leaves
// `used` on its top record; the selection is kept.
std::uint32_t markUsedCategories(ds::DataContext& ctx, const ProgressFn& progress = {});

}  // namespace mx::lib
