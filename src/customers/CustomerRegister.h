// `MITREX`: the customer register. Lists the `mitrex` customers (shared
// with the other workstations) in fourteen columns, and from its two button
// rows adds, changes and deletes customers (CustomerDialog.h), searches them
// by name (`SRCH`), tags them (`TAG`), edits their notes (CustomerNote.h),
// sorts them by the register's orders or by a temporary sort, prints the
// list, shows a customer's suites and finds the customers of a library
// entry (SuiteViews.h), and opens the library screen in register mode.
// Its tables and orders are those of RegisterTables.h.
//
// Every operation runs in its own guarded block: the selected work area is
// kept and a table failure ends the operation quietly.
#pragma once

#include <string>
#include <vector>

#include "Browse.h"
#include "DataContext.h"
#include "LibraryScreen.h"
#include "RegisterTables.h"
#include "Value.h"

namespace mx::customers {

inline constexpr const char* kRegisterTitle = "Mitrex Customer Register (MITREX)";

// The screen. The work area selected before is selected again when it
// returns; the tables are left open (the caller closes them). `ws` and
// `library` are what "&Library" gives the library screen.
void MITREX(ds::DataContext& ctx, int ws, const lib::LibraryLinks& library = {});

// `CNAME`: the name of the last name search, 25 characters, blank when the
// screen opens; the search and its "next" step share it.
struct SearchState {
    rt::Value cname = rt::Value::character(std::string(25, ' '));
};

// `SRCH`: "Search By:" offers "&Name" and, after a name search, "Nex&t "
// with that name. "&Name" asks for the name ("Name Search", "&Start at
// Top") and looks from the first customer (or the one after the current)
// for a company or trading name holding it; "Nex&t" looks from the one
// after the current, in company names only. Case is ignored. No match ends
// on the last customer, without a message.
void SRCH(ds::DataContext& ctx, tk::Browse& list, SearchState& search);
// From the current customer forward in the active order and restriction,
// the first whose `COMPANY` (or, with `tradingNameToo`, `TRADINGAS`) holds
// `name` ignoring case; false, at end of file, when there is none.
bool findName(rt::WorkArea& mitrex, const std::string& name, bool tradingNameToo);

// `TAG`: inverts the current customer's `TAG` under its lock (wait 2); a
// lock failure changes nothing and says "Unable to Lock Record.  Try Again
// Later!".
void TAG(ds::DataContext& ctx);
// `UNTAG1`: clears `TAG` on every record of the selected table, each under
// its lock (wait 2; one that cannot be locked keeps its tag), and comes back
// to the current record.
void UNTAG1(ds::DataContext& ctx);
// `DEL`: "Delete This Entry?"; on Yes the current customer is deleted under
// its lock and the list moves on to the next customer, or to the new last
// one. A lock failure is told ("Unable to Lock Record.  Try Again Later!").
// The customer's note stays in `mxnote`.
void DEL(ds::DataContext& ctx, tk::Browse& list);

}  // namespace mx::customers
