// The table browser's record dialog "Edit Record (ALIAS)": one control per
// field of the current record, named by the field's name, laid out in
// columns on a page that scrolls when the table is too wide for the screen
// (RecordLayout.h). It follows the edit pattern of every screen: the fields
// are copied into working values, no lock is held while the dialog stands,
// and Save checks every value against its field first (a number too wide is
// refused with a message and the dialog stays), then locks the record
// (wait 2), makes sure the record's index entries are sound, writes the
// fields the user changed, commits and unlocks. Fields nobody changed are
// not written, so a change another workstation made meanwhile to another
// field of the record stays.
//
// On a table opened read-only the same dialog shows the record with every
// control read-only, titled "View Record (ALIAS)", and offers only "&Cancel".
#pragma once

#include <QString>

#include "Browse.h"
#include "DataContext.h"
#include "EditDialog.h"
#include "HotKeyConvention.h"

namespace mx::tablebrowser {

QString editTitle(const std::string& alias);
QString viewTitle(const std::string& alias);

// Shows the dialog over `area`'s current record, or with `adding` over a
// blank record that Save appends (nothing is added before Save; a refused
// append is told). Page Down and Page Up page through a form too long for
// the dialog; Save is the button and Ctrl+S. Afterwards, in every case,
// `keys` are bound again and `list` re-synchronised. A damaged index entry
// found under the lock, or a table failure while writing, is thrown as the
// runtime's DbError after the lock is released (nothing of the dialog's
// values is written in the first case).
ia::EditOutcome editRecord(ds::DataContext& ctx, rt::WorkArea& area, const ia::ScreenKeys& keys, tk::Browse* list,
                           bool readOnly, bool adding = false);

}  // namespace mx::tablebrowser
