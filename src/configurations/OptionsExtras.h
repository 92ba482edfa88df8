// The parameters of a configuration beyond its header, in two dialogs over
// the current `assembly` record:
//   `ASSOEDIT` "Options for ..." — the size ranges, the ten options A to J,
//     the glass minimum, the manual-panel flag, the stud opening and the
//     labour lock; Save writes exactly these fields, so an Extras edit of
//     other fields made meanwhile elsewhere is kept;
//   `ASSDEDIT` "Extras for ..." — the include flags, the ten extras, the
//     frame thicknesses and the wardrobe panels; it carries every other field
//     of the record along and Save writes all of them back except `SECTION`
//     and `SECTIONA`, so the last Extras save wins for every field it wrote.
// A failed lock on Save writes nothing and says "Unable to Lock Record.  Try
// Again Later!". No field is checked
// against another: a minimum may exceed its maximum.
#pragma once

#include <string>
#include <vector>

#include "Browse.h"
#include "CurrentConfiguration.h"
#include "DataContext.h"
#include "HotKeyConvention.h"

namespace mx::configurations {

// The fields each dialog copies; the Options dialog also writes all of its own.
const std::vector<std::string>& optionsFields();
const std::vector<std::string>& extrasFields();

// The dialogs. Both leave the work area selected before selected again,
// bind `screen`'s keys again and re-synchronise `list` (when given).
void ASSOEDIT(ds::DataContext& ctx, const CurrentConfiguration& current, const ia::ScreenKeys& screen, tk::Browse* list = nullptr);
void ASSDEDIT(ds::DataContext& ctx, const CurrentConfiguration& current, const ia::ScreenKeys& screen, tk::Browse* list = nullptr);

}  // namespace mx::configurations
