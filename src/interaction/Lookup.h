// `LOOKUPW`: the validation of a code typed into an edit field against a
// table. A code on file is accepted without a word; otherwise the "Lookup"
// dialog browses the table from the nearest key, and the user selects a row
// (its code replaces the value) or leaves with the value as typed.
#pragma once

#include <QString>
#include <string>

#include "DataContext.h"
#include "Value.h"

namespace mx::ia {

inline const QString kLookupUnavailable = QStringLiteral("Entry Not Validated. Database Unavailable.");

// The fourteen arguments, after the data context the table is opened in:
//   value        the code, by reference; replaced by the selected record's
//                key field, otherwise left as it was;
//   table        alias of the table, any case;
//   keyField     field expression of the code ("lib->Code"), keyTitle its
//                column header;
//   top .. right the dialog's box in screen pixels (not centred);
//   order        the index order to seek in, as a number in text ("1");
//   secondField  field expression of the description column, secondTitle
//                its header;
//   thirdField, thirdTitle  accepted and not shown;
//   alreadyOpen  true: the caller has the table open; it is used in place
//                and its index order restored (not its record). False: the
//                table is opened shared through OPNALIAS, closed again when
//                the code was found, left open otherwise (the screen's
//                close-all on return closes it).
// Always returns true, so the field can always be left. The selected work
// area is restored. When the dialog was shown, Enter and F2 are left bound
// to `FNIL`. A table that cannot be opened gets the timed box
// "Entry Not Validated. Database Unavailable." for 1 second and the value is
// accepted unchecked.
bool LOOKUPW(ds::DataContext& ctx, rt::Value& value, const std::string& table, const std::string& keyField,
             const QString& keyTitle, int top, int left, int bottom, int right, const std::string& order,
             const std::string& secondField, const QString& secondTitle, const std::string& thirdField,
             const QString& thirdTitle, bool alreadyOpen);

}  // namespace mx::ia
