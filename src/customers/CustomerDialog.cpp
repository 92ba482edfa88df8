// The customer dialog and the new customer of an Add (see CustomerDialog.h).
#include "CustomerDialog.h"

#include <algorithm>

#include "Catalogue.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "Error.h"
#include "Guarded.h"
#include "HotKeyConvention.h"
#include "RecordServices.h"
#include "Ui.h"

namespace mx::customers {

namespace {

using rt::Value;

// One caption and its field: caption at (row, col), 50 x 12 unless told; the field at
// (fieldRow, fieldCol), `width` wide and 12 high (0: its natural width).
struct FieldPlace {
    const char* caption;  // nullptr: a field beside the previous one
    double row, col;
    const char* field;
    double fieldRow, fieldCol, width;
    const char* picture;
    enum Kind { Edit, Check, Choice } kind = Edit;
    double captionWidth = 50;
};

// Rows and widths as given for this dialog. At the toolkit's scale and in
// the bold dialog font a few fields would cover the caption beside them, so
// the right-hand group (Version, Amount, Closed, Fin. Type) stands 35 units
// further right, the middle column's fields 5 units, the Manager field is 8
// units narrower and the "Town/State/Pcode:" caption wide enough for its text.
const std::vector<FieldPlace>& layout() {
    static const std::vector<FieldPlace> places = {
        {"Company Name:", 20, 10, "COMPANY", 18, 65, 150, "@X"},
        {"Version:", 20, 225, "VERSION", 18, 280, 35, "@!"},
        {"Lite:", 33, 135, "LITE", 31, 190, 12, "Y"},
        {"Amount:", 33, 225, "AMOUNT", 31, 280, 35, "999.99"},
        {"Suite Code:", 46, 10, "LIBCODE1", 44, 65, 0, "@!"},
        {"COD:", 46, 135, "COD", 44, 190, 12, "", FieldPlace::Check},
        {"Closed:", 46, 225, "CLOSED", 44, 280, 12, "", FieldPlace::Check},
        {"Fin. Type:", 59, 225, "FINTYPE", 57, 280, 24, "", FieldPlace::Choice},
        {"Contact:", 72, 130, "CONTACT", 70, 190, 200, "@!"},
        {"Owner:", 85, 130, "OWNER", 83, 190, 100, "@!"},
        {"State:", 98, 10, "STATE1", 96, 65, 20, "@!"},
        {"Street:", 98, 130, "CSTREET", 96, 190, 80, "@!"},
        {"Manager:", 111, 10, "MGR", 109, 65, 62, "@!"},
        {"Suburb:", 111, 130, "CSUBURB", 109, 190, 80, "@!"},
        {"Changed:", 124, 10, "CHANGED", 122, 65, 35, ""},
        {"Town/State/Pcode:", 124, 130, "CTOWN", 122, 190, 80, "@!", FieldPlace::Edit, 60},
        {nullptr, 0, 0, "CSTATE", 122, 275, 20, "@!"},
        {nullptr, 0, 0, "CPOSTCODE", 122, 300, 25, "9999"},
        {"Phone:", 137, 10, "CPHONE", 135, 65, 55, ""},
        {"Fax:", 137, 130, "CFAX", 135, 190, 55, ""},
        {"Mobile:", 150, 10, "CMOBILE", 148, 65, 55, ""},
        {"Email:", 163, 10, "EMAIL", 161, 65, 175, "@X"},
        {"Trading Name:", 176, 10, "TRADINGAS", 174, 65, 175, "@!"},
        {"TeamViewer ID:", 189, 10, "TEAMVIEWER", 187, 65, 100, ""},
    };
    return places;
}

}  // namespace

const std::vector<std::string>& customerDialogFields() {
    static const std::vector<std::string> fields = [] {
        std::vector<std::string> out;
        for (const FieldPlace& p : layout()) out.push_back(p.field);
        return out;
    }();
    return fields;
}

rt::Value noteOf(ds::DataContext& ctx, const rt::Value& key) {
    rt::WorkArea* notes = ctx.session.area("MXNOTE");
    if (notes && notes->orderCount() > 0 && notes->seek(key, false)) return notes->fieldValue("NOTE");
    return Value::character("");
}

double nextCustomerKey(ds::DataContext& ctx) {
    double highest = 0;
    auto highestIn = [&highest](rt::WorkArea& area) {
        const int key = area.fieldIndex(ds::kCustomerKeyField);
        if (key < 0) return;
        const std::uint32_t count = area.recordCount();
        for (std::uint32_t r = 1; r <= count; ++r) {
            area.goTo(r);  // deleted records too: their notes stay
            highest = std::max(highest, area.fieldValue(key).num());
        }
    };
    if (rt::WorkArea* notes = ctx.session.area("MXNOTE")) highestIn(*notes);
    highestIn(ctx.session.openArea("MITREX"));
    return highest + 1;
}

bool appendCustomer(ds::DataContext& ctx) {
    rt::WorkArea& mitrex = ctx.session.openArea("MITREX");
    ctx.session.select(mitrex);
    ds::TableStepLock numbering(ctx, mitrex, ds::TableStepLock::Step::Numbering, 2);
    if (!numbering.held()) {
        tk::Ui::instance().alert(ia::kUnableToAdd);
        return false;
    }
    const double key = nextCustomerKey(ctx);
    return ia::appendRecord(ctx, mitrex, {{ds::kCustomerKeyField, Value::numeric(key)}});
}

void UPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding) {
    rt::WorkArea& mitrex = list.area();
    // The new customer goes again when the dialog is cancelled. The list
    // shows it where it can; a list restricted to marked customers cannot,
    // and the dialog is over it all the same.
    auto append = [&] {
        if (!appendCustomer(ctx)) return false;
        const std::uint32_t added = mitrex.recno();
        list.resync();
        mitrex.goTo(added);
        return true;
    };
    ia::openEdit(ctx, list, screen, adding, append, [&] {
        ia::EditDialog edit(ctx, mitrex, QString::fromUtf8(kCustomerTitle), tk::Box{50, 50, 650, 920});
        edit.copy(customerDialogFields());
        Value note = noteOf(ctx, mitrex.fieldValue(ds::kCustomerKeyField));
        ctx.session.select(mitrex);

        tk::Dialog& dlg = edit.dialog();
        for (const FieldPlace& p : layout()) {
            if (p.caption) {
                dlg.addText({p.row, p.col, p.captionWidth, 12}, QString::fromUtf8(p.caption));
                edit.setCaption(p.field, QString::fromUtf8(p.caption));
            }
            const tk::Place at{p.fieldRow, p.fieldCol, p.width, 12};
            const QString name = QString::fromUtf8(p.field);
            switch (p.kind) {
                case FieldPlace::Check:
                    dlg.addCheckBox(at, edit[p.field], {}, name);
                    break;
                case FieldPlace::Choice:
                    dlg.addCombo(at, edit[p.field], {QStringLiteral("  "), QStringLiteral("AP"), QStringLiteral("PP")}, name);
                    break;
                case FieldPlace::Edit:
                    dlg.addField(at, edit[p.field], {.name = name, .picture = QString::fromUtf8(p.picture)});
                    break;
            }
        }
        dlg.addText({202, 10, 50, 12}, QStringLiteral("Notes:"));
        dlg.addMemo({200, 65, 210, 65}, note, QStringLiteral("NOTE"), true);

        edit.addSaveCancel({285, 10, 45, 12}, {285, 60, 45, 12});
        dlg.addButton({285, 210, 45, 12}, QStringLiteral("&Reset Change"), [&] {
            edit["CHANGED"] = Value::date(0);
            dlg.refresh();
        });
        return edit.run(screen, &list);
    });
    list.resync();
}

}  // namespace mx::customers
