// The Configurations screen's side of copying a configuration and of
// carrying its records to a new code (the work itself: ConfigurationCopy.h).
#pragma once

#include <string>

#include "Browse.h"
#include "DataContext.h"

namespace mx::configurations {

inline constexpr const char* kCopyTitle = "Copy Configuration";
inline constexpr const char* kCopyPrompt = "New Code:";

// "Cop&y": asks for the new code (upper case, as wide as `CODE`) and copies
// the current configuration with its lines, drawing elements, panels and
// punch holes under it. A blank entry or Cancel copies nothing, silently; a
// refused code or a copy that could not be finished is told in an alert.
// The list then stands on the new configuration (on the old one when
// nothing was copied).
void COPYCONF(ds::DataContext& ctx, tk::Browse& list);

// After the header dialog saved the current configuration: when its code is
// no longer `oldCode` and records still name `oldCode`, offers to move them
// to the new code (No preselected; No leaves them where they are). The move
// is refused with an alert when another configuration has the new code or
// records already name it; a record that cannot be locked is named in an
// alert and stays. `assembly` stays on the configuration.
void offerMove(ds::DataContext& ctx, const std::string& oldCode);

}  // namespace mx::configurations
