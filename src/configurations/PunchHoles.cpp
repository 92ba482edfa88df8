// The Punch Holes screen, its dialog and its delete (see PunchHoles.h).
#include "PunchHoles.h"

#include "AdjustmentCheck.h"
#include "CurrentConfiguration.h"
#include "Guarded.h"
#include "LineScreen.h"
#include "Opening.h"

namespace mx::configurations {

namespace {

using rt::Value;

}  // namespace

void PUNHDEL(ds::DataContext& ctx, tk::Browse& list) { deleteOwnedLine(ctx, list, QStringLiteral("Delete This Entry?")); }

void PUNHUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding) {
    bool shown = false;
    ia::guarded(ctx, [&] {
        const auto current = CurrentConfiguration::read(ctx);
        if (!current) return;
        rt::WorkArea& holes = list.area();
        ctx.session.select(holes);
        if (adding) {
            if (!appendLine(ctx, holes, *current)) return;
            list.resync();
        }
        if (holes.eof()) return;

        ia::EditDialog edit(ctx, holes, adding ? QStringLiteral("New ") : QStringLiteral("User View/Update"),
                            tk::Box{80, 40, 280, 600});
        edit.copy({"ASSCODE", "DESC", "DIMENSION", "ADJUST"});
        tk::Dialog& dlg = edit.dialog();
        dlg.addText({labelAt(0), 10}, QStringLiteral("Description:"));
        dlg.addField({fieldAt(0), 60, 150, 12}, edit["DESC"], {.name = "DESC", .picture = "@!"});
        dlg.addText({labelAt(1), 10}, QStringLiteral("Dimension:"));
        dlg.addField({fieldAt(1), 60, 150, 12}, edit["DIMENSION"], {.name = "DIMENSION", .picture = "@!"});
        dlg.addText({labelAt(2), 10}, QStringLiteral("Adjustment:"));
        Value& adjust = edit["ADJUST"];
        dlg.addField({fieldAt(2), 60, 12, 12}, adjust,
                     {.name = "ADJUST", .picture = "99", .valid = [&ctx, &adjust] { return CHKADJ(ctx, adjust); }});
        edit.addSaveCancel({55, 10, 45, 12}, {55, 60, 45, 12});
        shown = true;
        edit.run(screen, &list);
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

void PUNCHOLE(ds::DataContext& ctx) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    if (!CurrentConfiguration::read(ctx)) return;
    if (!ds::OPNALIAS(ctx, "punchole", false, true)) return;
    rt::WorkArea& holes = s.openArea("PUNCHOLE");
    LineScreenLayout layout;
    layout.titlePrefix = kPunchHolesTitlePrefix;
    layout.box = {60, 30, 500, 700};
    layout.list = {10, 10, 317.5, 190};
    layout.scopeKey = "punchole->Asscode";
    layout.columns = {{QStringLiteral("Description"), 150}, {QStringLiteral("Dimension"), 80}, {QStringLiteral("Adjustment"), 80}};
    layout.row = [](rt::WorkArea& a) {
        return std::vector<Value>{a.fieldValue("DESC"), a.fieldValue("DIMENSION"), numberText(a.fieldValue("ADJUST"), 2, 0)};
    };
    layout.restrict = [](rt::WorkArea& a) { a.setOrder(1); };
    layout.buttonRow = 205;
    layout.edit = [&ctx](tk::Browse& list, const ia::ScreenKeys& keys, bool adding) { PUNHUPD(ctx, list, keys, adding); };
    layout.remove = [&ctx](tk::Browse& list) { PUNHDEL(ctx, list); };
    runLineScreen(ctx, holes, layout);
}

}  // namespace mx::configurations
