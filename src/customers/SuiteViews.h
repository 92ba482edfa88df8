// The register's two views of the suites of the library:
//   - `SHOWLIB`: the library entries one customer's suite code names, in
//     "Library Details For " + company, through this workstation's own tag
//     field and scratch table, with `lib` held exclusively meanwhile;
//   - `SHOWUSERS` ("Chk Lib"): the customers whose suite code names one
//     library entry, marked with `TAG1`, the register restricted to them.
//
// The customers of an entry are decided from their suite codes themselves
// (lib::SuiteEntryIndex) against `lib` read shared: no workstation's tag
// field and no scratch table is touched, so the check runs while other
// workstations use the library, and it leaves their tagging alone.
#pragma once

#include <string>

#include "DataContext.h"

namespace mx::customers {

inline constexpr const char* kCheckerTitle = "Library Code Checker";

// `SHOWLIB`: clears workstation `ws`'s tag on every `lib` entry, decodes
// `code` into its scratch table and tags the entries named, then lists the
// tagged entries under "Library Details For " + `company`. `lib` is opened
// exclusively without indexes and closed afterwards; when it cannot be had
// the opening service has told why. A workstation number outside 1 to 9
// owns no tag field and no scratch table: nothing is cleared or tagged and
// the user is told so. The selected work area is kept.
void SHOWLIB(ds::DataContext& ctx, int ws, const std::string& code, const std::string& company);

// The marking of `SHOWUSERS` without windows, on the open `mitrex`: clears
// `TAG1` on every customer (any restriction removed first), then, unless
// `code` is blank, sets it on each customer whose `LIBCODE1` names the
// `lib` entry with that code (order 1). Every change is made under the
// customer's lock (wait 2); a customer that cannot be locked keeps its
// mark. `lib` is read shared with its indexes and closed again unless it
// was open already. Returns the customers marked, or -1 when `lib` could
// not be opened (the opening service has told why; marks are cleared).
long markLibraryCodeUsers(ds::DataContext& ctx, const std::string& code);

// `SHOWUSERS`: asks for a library code ("Library Code Checker", checked
// against `lib` through the lookup; a blank code is taken as blank, without
// the pick list), marks its customers, and restricts the register to them.
// A blank code clears every mark and shows every customer; a code no
// customer holds says so and shows every customer too. Cancel changes
// nothing. `mitrex` is left selected on its first customer.
void SHOWUSERS(ds::DataContext& ctx);

}  // namespace mx::customers
