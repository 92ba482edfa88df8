// The note dialog of a customer (see CustomerNote.h).
#include "CustomerNote.h"

#include "Catalogue.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "Guarded.h"
#include "HotKeyConvention.h"
#include "TextCodec.h"

namespace mx::customers {

QString noteTitle(const std::string& company) { return QStringLiteral("Notes For ") + tk::toQ(company); }

void MXNOTE(ds::DataContext& ctx, const rt::Value& key, const std::string& company) {
    rt::Session& s = ctx.session;
    // The register binds no keys of its own: what comes back after the dialog.
    const ia::ScreenKeys registerKeys(ia::ListActions{});
    ia::guarded(ctx, [&] {
        rt::WorkArea& notes = s.openArea("MXNOTE");
        s.select(notes);
        // A customer without a note gets one; left unsaved, it goes again.
        const bool appended = !notes.seek(key, false);
        if (appended && !ia::appendRecord(ctx, notes, {{ds::kCustomerKeyField, key}})) return;
        const std::uint32_t recno = notes.recno();

        ia::EditDialog edit(ctx, notes, noteTitle(company), tk::Box{6, 6, 29, 81, tk::Unit::Cell});
        edit.copy({"NOTE"});
        tk::Dialog& dlg = edit.dialog();
        dlg.addMemo({1, 2, 560, 280}, edit["NOTE"], QStringLiteral("NOTE"));
        edit.addSaveCancel({20, 2, 90, 24}, {20, 15, 90, 24});
        edit.setCaption("NOTE", QStringLiteral("Note:"));
        if (edit.run(registerKeys) == ia::EditOutcome::Cancelled && appended) ia::discardAdded(ctx, notes, recno);
    });
    if (s.area("MITREX")) s.select("MITREX");
}

}  // namespace mx::customers
