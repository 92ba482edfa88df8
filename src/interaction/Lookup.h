// `LOOKUPW`: the validation of a code typed into an edit field against a
// table. A code on file is accepted without a word; otherwise the "Lookup"
// dialog browses the table from the nearest key, and the user selects a row
// (its code replaces the value) or leaves with the value as typed.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "DataContext.h"
#include "Dialog.h"
#include "Value.h"

namespace mx::ia {

inline const QString kLookupUnavailable = QStringLiteral("Entry Not Validated. Database Unavailable.");

// What the lookup is given besides the value, named as the callers pass
// them (the fourteen arguments of the lookup after the value):
struct LookupOptions {
    std::string table{};          // alias of the table, any case
    std::string keyField{};       // field expression of the code ("lib->Code")
    QString keyTitle{};           // its column header ("Code")
    int top = 50, left = 200, bottom = 350, right = 600;  // the dialog's box in screen pixels (not centred)
    std::string order = "1";      // the index order to seek in, as a number in text
    std::string secondField{};    // field expression of the description column
    QString secondTitle{};        // its header
    std::string thirdField{};     // accepted and not shown
    QString thirdTitle{};         // accepted and not shown
    // True: the caller has the table open; it is used in place and its index
    // order restored (not its record). False: the table is opened shared
    // through OPNALIAS, closed again when the code was found, left open
    // otherwise (the screen's close-all on return closes it).
    bool alreadyOpen = false;
};

// Validates `value` (by reference: replaced by the selected record's key
// field, otherwise left as it was). Always returns true, so the field can
// always be left. The selected work area is restored. When the dialog was
// shown, Enter and F2 are left bound to `FNIL`. A table that cannot be
// opened gets the timed box "Entry Not Validated. Database Unavailable."
// for 1 second and the value is accepted unchecked.
//
//   ia::LOOKUPW(ctx, category, {.table = "libcat", .keyField = "libcat->Code", .keyTitle = "Code",
//                               .secondField = "libcat->Desc", .secondTitle = "Name"});
bool LOOKUPW(ds::DataContext& ctx, rt::Value& value, const LookupOptions& options);

// The validation of a code field of `dialog`: `value` looked up as LOOKUPW
// does, then every control of the dialog shown again. Always true.
std::function<bool()> lookupField(ds::DataContext& ctx, tk::Dialog& dialog, rt::Value& value, LookupOptions options);

}  // namespace mx::ia
