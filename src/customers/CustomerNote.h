// `MXNOTE`: the note dialog of a customer, a free text kept in `mxnote`
// under the customer's key, at most one record per customer.
#pragma once

#include <QString>
#include <string>

#include "DataContext.h"
#include "Value.h"

namespace mx::customers {

// The note dialog's title: "Notes For " and the company name.
QString noteTitle(const std::string& company);

// Finds the note record of `key` in `mxnote` or, when there is none,
// appends one with that key (the append's failure is told and ends the
// operation). The dialog edits the text; "&Save" writes it under the note
// record's lock (wait 2; a lock that cannot be had is told, "Unable to Lock
// Record.  Try Again Later!", and nothing is written). Page Down and Page
// Up page the text and never save. `mitrex` is selected again in every case;
// the keys are left released, for the caller to bind its own again.
void MXNOTE(ds::DataContext& ctx, const rt::Value& key, const std::string& company);

}  // namespace mx::customers
