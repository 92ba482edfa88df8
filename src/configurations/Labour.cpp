// The Labour screen and the labour line dialog (see Labour.h).
#include "Labour.h"

#include "CurrentConfiguration.h"
#include "FormulaLines.h"
#include "Guarded.h"
#include "LineScreen.h"

namespace mx::configurations {

using rt::Value;

void ASSLAUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
              bool adding) {
    rt::WorkArea& lines = list.area();
    openLineEdit(
        ctx, list, screen, current, adding,
        [&] {
            ia::EditDialog edit(ctx, lines, QString::fromUtf8(kLabourDialogTitle), tk::Box{80, 40, 350, 700});
            edit.copy(lineFields());
            ia::DialogTables tables(ctx);  // `stock` had once for the dialog
            constexpr double col = 65;
            const QString upper = QStringLiteral("@!");
            edit.addRow(0, 10, QStringLiteral("Code:"),
                        {{"STKCODE", col, 80, upper, stockCodeCheck(ctx, tables, edit.dialog(), edit["STKCODE"], edit["DESC"])}});
            edit.addRow(1, 10, QStringLiteral("Description:"), {{"DESC", col, 150, upper}});
            edit.addRow(2, 10, QStringLiteral("Type(L/Q/A/F):"), {{"TYPE", col, 12, upper}});
            edit.addRow(3, 10, QStringLiteral("Quantity:"), {{"QTY", col, 45, QStringLiteral("99999.99")}});
            edit.addRow(4, 10, QStringLiteral("Condition:"), {{"CONDITION", col, 170, upper}});
            edit.addRow(5, 10, QStringLiteral("Labour Desc:"), {{"LABDESC", col, 200, upper}});
            edit.addSaveCancel({100, 10, 45, 12}, {100, 60, 45, 12});
            return edit.run(screen, &list);
        },
        {{"LABOUR", Value::logical(true)}});
}

namespace {

const LineScreenLayout& labourLayout() {
    static const LineScreenLayout layout = [] {
        LineScreenLayout l = formulaeLayout();
        l.titlePrefix = kLabourTitlePrefix;
        l.box = {60, 30, 500, 700};
        l.list = {10, 10, 317.5, 85};
        l.columns[0] = {QStringLiteral("Code"), 80};
        l.columns[2] = {QStringLiteral("Qty"), 55, Qt::AlignRight};
        // The list's first column shows the line's `ASSCODE`.
        l.row = [](rt::WorkArea& a) { return lineRow(a, "ASSCODE"); };
        l.filter = "assline->Labour";
        constexpr double r = 8;  // the panel's first row, below the list
        l.detail = lineDetailHead(r, QStringLiteral("Panel Code: "));
        l.detail.insert(l.detail.end(),
                   {{r + 3, 10, QStringLiteral("Condition: ")}, {r + 3, 60, {}, "CONDITION", {}, 200},
                    {r + 4, 10, QStringLiteral("Labour Desc: ")}, {r + 4, 60, {}, "LABDESC", {}, 200}});
        l.buttonRow = 185;
        l.edit = ASSLAUPD;
        return l;
    }();
    return layout;
}

}  // namespace

void ASSLAB(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& lineReport) {
    runLineScreen(ctx, ctx.session.openArea("ASSLINE"), current, labourLayout(), lineReport);
}

void ASSLAB(ds::DataContext& ctx, const std::function<void()>& lineReport) {
    if (const auto current = CurrentConfiguration::read(ctx)) ASSLAB(ctx, *current, lineReport);
}

}  // namespace mx::configurations
