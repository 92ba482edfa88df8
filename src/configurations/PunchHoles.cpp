// The Punch Holes screen, its dialog and its delete (see PunchHoles.h).
#include "PunchHoles.h"

#include "AdjustmentCheck.h"
#include "CurrentConfiguration.h"
#include "Guarded.h"
#include "LineScreen.h"
#include "Lookup.h"
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
        ia::DialogTables tables(ctx);  // the suite's limit looked up once for the dialog
        DialogAdjustmentLimit limit(ctx, tables);
        Value& adjust = edit["ADJUST"];
        edit.addRow(0, 10, QStringLiteral("Description:"), {{"DESC", 60, 150, QStringLiteral("@!")}});
        edit.addRow(1, 10, QStringLiteral("Dimension:"), {{"DIMENSION", 60, 150, QStringLiteral("@!")}});
        edit.addRow(2, 10, QStringLiteral("Adjustment:"),
                    {{"ADJUST", 60, 12, QStringLiteral("99"), [&limit, &adjust] { return limit.check(adjust); }}});
        edit.addSaveCancel({55, 10, 45, 12}, {55, 60, 45, 12});
        return edit.run(screen, &list);
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
    layout.edit = PUNHUPD;
    layout.remove = PUNHDEL;
    runLineScreen(ctx, s.openArea("PUNCHOLE"), current, layout);
}

void PUNCHOLE(ds::DataContext& ctx) {
    if (const auto current = CurrentConfiguration::read(ctx)) PUNCHOLE(ctx, *current);
}

}  // namespace mx::configurations
