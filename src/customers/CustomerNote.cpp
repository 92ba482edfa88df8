// The note dialog of a customer (see CustomerNote.h).
#include "CustomerNote.h"

#include <QKeyEvent>

#include "Catalogue.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "Guarded.h"
#include "HotKeyConvention.h"
#include "MemoEdit.h"
#include "TextCodec.h"

namespace mx::customers {

QString noteTitle(const std::string& company) { return QStringLiteral("Notes For ") + tk::toQ(company); }

void MXNOTE(ds::DataContext& ctx, const rt::Value& key, const std::string& company) {
    rt::Session& s = ctx.session;
    // Every key released after the dialog: the screen beneath binds its own again.
    const ia::ScreenKeys released(ia::ListActions{});
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
        tk::MemoEdit* text = dlg.addMemo({1, 2, 560, 280}, edit["NOTE"], QStringLiteral("NOTE"));
        // Page Down and Page Up page the text, which may run past the box;
        // neither saves. The key goes to the text itself, past the hot keys
        // that brought it here.
        auto page = [text](Qt::Key key) {
            return [text, key] {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                static_cast<QObject*>(text)->event(&press);
            };
        };
        edit.setPageKeys(page(Qt::Key_PageDown), page(Qt::Key_PageUp));
        edit.addSaveCancel({20, 2, 90, 24}, {20, 15, 90, 24});
        edit.setCaption("NOTE", QStringLiteral("Note:"));
        if (edit.run(released) == ia::EditOutcome::Cancelled && appended) ia::discardAdded(ctx, notes, recno);
    });
    if (s.area("MITREX")) s.select("MITREX");
}

}  // namespace mx::customers
