// `UPD`: the customer dialog "Mitrex Customer Details (MITREX)" over the
// current `mitrex` customer, and the new customer an Add makes first.
//
// The dialog edits copies of the fields it shows; no lock is held while it
// stands, so of two workstations editing one customer the last to save
// wins, for the fields the dialog shows. Save locks the customer (wait 2)
// and writes those fields only: the key, `LIBCODE`, `TAG` and `TAG1` are
// left as they are on file, so a mark another workstation set meanwhile
// stays. A lock that cannot be had is told ("Unable to Lock Record.  Try
// Again Later!") and nothing is written. `CHANGED` is written as edited;
// "&Reset Change" blanks it. The note is shown read-only (it is edited with
// "&Notes").
#pragma once

#include <string>
#include <vector>

#include "Browse.h"
#include "DataContext.h"
#include "HotKeyConvention.h"
#include "Value.h"

namespace mx::customers {

inline constexpr const char* kCustomerTitle = "Mitrex Customer Details (MITREX)";

// The fields the dialog shows and Save writes, in tab order.
const std::vector<std::string>& customerDialogFields();

// The dialog; with `adding`, over a new customer appended first
// (appendCustomer). `list` is re-synchronised afterwards in every case, and
// Page Down is released again.
void UPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding);

// A new customer for an Add: appended to `mitrex` with the next free
// customer key (one above every key in `mitrex`, deleted customers
// included, and in `mxnote`, so that no customer ever finds another's
// note), numbered one workstation at a time. The new customer is current
// and stays whatever the dialog does next. False, after the alert
// "Unable to Add Record to Data File.  Try Again Later!", when the
// numbering lock or the append could not be had.
bool appendCustomer(ds::DataContext& ctx);

// The next free customer key (see appendCustomer); the caller holds the
// numbering lock.
double nextCustomerKey(ds::DataContext& ctx);

// The note text of the customer with `key`: `NOTE` of its `mxnote` record,
// or an empty text when it has none.
rt::Value noteOf(ds::DataContext& ctx, const rt::Value& key);

}  // namespace mx::customers
