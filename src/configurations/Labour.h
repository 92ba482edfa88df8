// The labour lines of the current configuration: the Labour screen
// (`ASSLAB`) and the labour line dialog (`ASSLAUPD`); deleting is `ASSLDEL`
// of the Formulae screen. Labour lines are the `assline` records whose
// `LABOUR` is true, listed like the formula lines (third order, scope on the
// configuration's code) under the filter "assline->Labour". The labour lock
// of the configuration is not consulted here.
#pragma once

#include <functional>

#include "Browse.h"
#include "CurrentConfiguration.h"
#include "DataContext.h"
#include "HotKeyConvention.h"

namespace mx::configurations {

inline constexpr const char* kLabourTitlePrefix = "Labour Details for :";
inline constexpr const char* kLabourDialogTitle = "Labour Item Details (ASSEMBLY)";

// The Labour screen for the configuration under the Configurations screen's
// cursor (nothing when there is none); `lineReport` as for ASSLINE.
void ASSLAB(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& lineReport = {});
// The same for the `assembly` record under the cursor, read here.
void ASSLAB(ds::DataContext& ctx, const std::function<void()>& lineReport = {});

// The labour line dialog over the list's current line; with `adding` a line
// is appended first, with the configuration's code and the labour flag. It
// edits the code, description, type (any letter), quantity, condition and
// labour description and writes the other carried fields back unchanged.
void ASSLAUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
              bool adding);

}  // namespace mx::configurations
