// The library's printed outputs and the library-users search:
//   - `REP`: the library list, a column report of `lib` in its active order;
//   - `SHOWLIB1`: the customers of the register whose suite code names one
//     library entry, marked through the register's `TAG`, listed in a
//     dialog and unmarked again when it closes;
//   - `REP1`: the drawn report of that list (title block `REPTL`, column
//     heading block `REPHD`), 39 customers to a page.
#pragma once

#include <QString>
#include <string>

#include "DataContext.h"
#include "DrawnReport.h"
#include "LibraryScreen.h"

namespace mx::lib {

// What the printed pages say of the firm and the day (the drawn reports'
// shared values; the users report always goes to the preview).
using ReportValues = tk::ReportValues;

// `REP`: asks "Preview Report on Screen" (No preselected: the printer) and
// prints every `lib` entry from the first in the active order; `lib` is left
// on the entry that was current.
void REP(ds::DataContext& ctx, const ReportValues& values);

// The marking pass of `SHOWLIB1` without windows. `mitrex` is open with the
// customer key order controlling, `lib` is open in the order the screen
// shows. Every customer whose `LIBCODE1` names the entry found by seeking
// `code` in `lib`'s active order gets `TAG` set (under its record lock, wait
// 2; a customer that cannot be locked stays unmarked). Workstation `ws`'s
// tags are cleared on every entry and then hold the suites of the last
// customer in key order, as its scratch table does. False when the scratch
// table is not to be had (`ws` outside 1..9, or held elsewhere): then no
// customer was marked. With no customers nothing changes at all.
bool markLibraryUsers(ds::DataContext& ctx, int ws, const std::string& code);

// `SHOWLIB1`: the marking pass, then the dialog "Library Users For " + code
// over the marked customers ("&Report" runs `REP1`), then every customer's
// `TAG` cleared and `mitrex` closed. The register's index files are built
// afresh first, except those another workstation has open, which are
// shared (ds::openSharedOrderList). A failure ends it quietly; the selected work area and its
// record are restored.
void SHOWLIB1(ds::DataContext& ctx, int ws, const std::string& code, const ReportValues& values);

// `REP1`: the drawn report "Library Users" of the customers `mitrex` is
// filtered to, in customer key order, always to the preview (the printer
// is chosen first where there are printers). Returns the pages delivered;
// no customers give no page and nothing is delivered.
int REP1(ds::DataContext& ctx, const std::string& code, const ReportValues& values);

// The library screen's links to the above.
LibraryLinks reportLinks(ds::DataContext& ctx, int ws, const ReportValues& values);

}  // namespace mx::lib
