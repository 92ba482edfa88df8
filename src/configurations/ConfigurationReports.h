// The configurations' printed reports:
//   - `REP`: the configuration list, all configurations or those of one
//     grouping (`ASSEMCAT`) or of one suite (`LIB`), chosen in the dialog
//     "Limit Report To:", as a column report;
//   - `REP1`: the line-item report of the configuration `assembly` stands
//     on, drawn on the page (title block `REPTITL1`, heading block `REPHD1`):
//     its formula lines, from the Formulae screen and the Labour screen alike.
#pragma once

#include "DataContext.h"
#include "DrawnReport.h"
#include "HotKeyConvention.h"

namespace mx::configurations {

// `REP`: the dialog "Limit Report To:" with a grouping (looked up in
// `assemcat`) and a suite (looked up in `lib`); both filled bring the alert
// "You must Nominate a Group OR Suite Code (Not Both)." and the dialog
// again. Then "Preview Report on Screen" and the list of `assembly` in its
// active order, limited to the suite or the grouping when one was given.
// Cancel ends it at once. `assembly` is open; afterwards its filter and
// record are as before and the selected work area too. The lookups release
// Enter and F2: `screen`, when given, has its keys bound again at the end.
void REP(ds::DataContext& ctx, const tk::ReportValues& values, const ia::ScreenKeys* screen = nullptr);

// `REP1`: the print job "Assembly Line Item Report" (the printer chosen
// first; to the preview when `values.preview`) of the configuration
// `assembly` stands on: its formula lines (never its labour lines, whatever
// filter the calling screen put on `assline`) sought in `assline`'s
// controlling order (which begins with ASSCODE); a line's condition takes a
// row of its own. `assline`'s order, filter, scope
// and record, and the selected work area, are as before. Returns the pages
// delivered (0 when nothing was).
int REP1(ds::DataContext& ctx, const tk::ReportValues& values);

}  // namespace mx::configurations
