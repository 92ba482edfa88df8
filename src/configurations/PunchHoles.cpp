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

void PUNHDEL(ds::DataContext& ctx, tk::Browse& list, const CurrentConfiguration& current) {
    deleteOwnedLine(ctx, list, current, QStringLiteral("Delete This Entry?"));
}

void PUNHUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
             bool adding) {
    rt::WorkArea& holes = list.area();
    openLineEdit(ctx, list, screen, current, adding, [&] {
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
        edit.run(screen, &list);
    });
}

void PUNCHOLE(ds::DataContext& ctx, const CurrentConfiguration& current) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    if (!ds::OPNALIAS(ctx, "punchole", false, true)) return;
    LineScreenLayout layout;
    layout.titlePrefix = kPunchHolesTitlePrefix;
    layout.box = {60, 30, 500, 700};
    layout.list = {10, 10, 317.5, 190};
    layout.scopeKey = "punchole->Asscode";
    layout.columns = {{QStringLiteral("Description"), 150}, {QStringLiteral("Dimension"), 80}, {QStringLiteral("Adjustment"), 80}};
    layout.row = [](rt::WorkArea& a) {
        return std::vector<Value>{a.fieldValue("DESC"), a.fieldValue("DIMENSION"), numberText(a.fieldValue("ADJUST"), 2, 0)};
    };
    layout.order = 1;
    layout.buttonRow = 205;
    layout.edit = [&ctx](tk::Browse& list, const ia::ScreenKeys& keys, const CurrentConfiguration& c, bool adding) {
        PUNHUPD(ctx, list, keys, c, adding);
    };
    layout.remove = [&ctx](tk::Browse& list, const CurrentConfiguration& c) { PUNHDEL(ctx, list, c); };
    runLineScreen(ctx, s.openArea("PUNCHOLE"), current, layout);
}

void PUNCHOLE(ds::DataContext& ctx) {
    if (const auto current = CurrentConfiguration::read(ctx)) PUNCHOLE(ctx, *current);
}

}  // namespace mx::configurations
