// The formula lines of the current configuration: the Formulae screen
// (`ASSLINE`), the line dialog (`ASSLUPD`) and the line delete (`ASSLDEL`,
// shared with the Labour screen). Formula lines are the `assline` records
// of the configuration whose `LABOUR` is false; the screen lists them in
// the table's third order (by `ASSCODE`) with the filter "!assline->Labour"
// and a scope on the configuration's code, so it reads only those lines.
//
// The amount, quantity and condition texts are stored as typed and never
// evaluated. A line exists from the moment Add appends it: a cancelled Add
// leaves a line that carries only the configuration's code.
#pragma once

#include <functional>

#include "Browse.h"
#include "CurrentConfiguration.h"
#include "DataContext.h"
#include "HotKeyConvention.h"
#include "LineScreen.h"

namespace mx::configurations {

inline constexpr const char* kFormulaeTitlePrefix = "Cutting Sheet Details for :";
inline constexpr const char* kLineDialogTitle = "Component Details (ASSEMBLY)";
// The order of `assline` both line screens list in: it begins with `ASSCODE`.
inline constexpr int kLineOrder = 3;

// The Formulae screen for the configuration under the Configurations
// screen's cursor (nothing when there is none). `lineReport` prints the
// line-item report ("Re&port"); empty, the button says it is not available
// yet. The caller binds its own keys again afterwards.
void ASSLINE(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& lineReport = {});
// The same for the `assembly` record under the cursor, read here (nothing
// when there is none).
void ASSLINE(ds::DataContext& ctx, const std::function<void()>& lineReport = {});
// The Formulae screen's list, panel and buttons (without its dialogs); the
// Labour screen is the same list over the other lines.
const LineScreenLayout& formulaeLayout();
// The detail panel's first three rows (code, type and panel code;
// description; quantity) from panel row `firstRow`, as both line screens show them.
std::vector<DetailItem> lineDetailHead(double firstRow, const QString& panelCaption);
// A row of the line lists: `first` (the Formulae list shows the stock code,
// the Labour list the line's `ASSCODE`), type, quantity, amounts,
// description and condition.
std::vector<rt::Value> lineRow(rt::WorkArea& a, const char* first);

// The line dialog over the list's current line; with `adding` a line is
// appended for the configuration first. `screen` is bound again and `list`
// re-synchronised afterwards, in every case.
void ASSLUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
             bool adding);

// Deletes the list's current line after "Delete This Line?" (a line that
// cannot be locked stays, quietly) and lands on the configuration's next
// remaining line.
void ASSLDEL(ds::DataContext& ctx, tk::Browse& list, const CurrentConfiguration& current);

}  // namespace mx::configurations
