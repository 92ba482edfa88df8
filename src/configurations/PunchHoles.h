// The punch holes of the current configuration: the Punch Holes screen
// (`PUNCHOLE`), its dialog (`PUNHUPD`) and its delete (`PUNHDEL`). A punch
// hole is a `punchole` record under the configuration's code: a
// description, a dimension text stored as typed, and a signed whole
// millimetre adjustment bounded by the configuration's limit (`CHKADJ`).
#pragma once

#include "Browse.h"
#include "CurrentConfiguration.h"
#include "DataContext.h"
#include "HotKeyConvention.h"

namespace mx::configurations {

inline constexpr const char* kPunchHolesTitlePrefix = "Punch Hole Details for :";

// Opens `punchole` (shared, with indexes; the screen is not shown when it
// cannot be) and shows the screen for the configuration under the
// Configurations screen's cursor. The caller binds its own keys again.
void PUNCHOLE(ds::DataContext& ctx, const CurrentConfiguration& current);
// The same for the `assembly` record under the cursor, read here.
void PUNCHOLE(ds::DataContext& ctx);

// The dialog, titled "New " when `adding` (a punch hole is appended for the
// configuration first) and "User View/Update" otherwise. `screen` is bound
// again and `list` re-synchronised afterwards, in every case.
void PUNHUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
             bool adding);

// Deletes the current punch hole after "Delete This Entry?".
void PUNHDEL(ds::DataContext& ctx, tk::Browse& list, const CurrentConfiguration& current);

}  // namespace mx::configurations
