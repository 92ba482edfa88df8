// The configurations' printed reports:
//   - `REP`: the configuration list, all configurations or those of one
//     grouping (`ASSEMCAT`) or of one suite (`LIB`), chosen in the dialog
//     "Limit Report To:", as a column report.
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

}  // namespace mx::configurations
