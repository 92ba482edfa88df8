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
            tk::Dialog& dlg = edit.dialog();
            constexpr double col = 65;
            auto caption = [&](int k, const char* text) { dlg.addText({labelAt(k), 10}, QString::fromUtf8(text)); };
            caption(0, "Code:");
            dlg.addField({fieldAt(0), col, 80, 12}, edit["STKCODE"],
                         {.name = "STKCODE", .picture = "@!", .valid = stockCodeCheck(ctx, dlg, edit["STKCODE"], edit["DESC"])});
            caption(1, "Description:");
            dlg.addField({fieldAt(1), col, 150, 12}, edit["DESC"], {.name = "DESC", .picture = "@!"});
            caption(2, "Type(L/Q/A/F):");
            dlg.addField({fieldAt(2), col, 12, 12}, edit["TYPE"], {.name = "TYPE", .picture = "@!"});
            caption(3, "Quantity:");
            dlg.addField({fieldAt(3), col, 45, 12}, edit["QTY"], {.name = "QTY", .picture = "99999.99"});
            caption(4, "Condition:");
            dlg.addField({fieldAt(4), col, 170, 12}, edit["CONDITION"], {.name = "CONDITION", .picture = "@!"});
            caption(5, "Labour Desc:");
            dlg.addField({fieldAt(5), col, 200, 12}, edit["LABDESC"], {.name = "LABDESC", .picture = "@!"});
            edit.addSaveCancel({100, 10, 45, 12}, {100, 60, 45, 12});
            edit.run(screen, &list);
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
        l.row = [](rt::WorkArea& a) {
            return std::vector<Value>{a.fieldValue("ASSCODE"), a.fieldValue("TYPE"), numberText(a.fieldValue("QTY"), 8, 2),
                                      a.fieldValue("AMOUNT"),  a.fieldValue("AMOUNT2"), a.fieldValue("DESC"),
                                      a.fieldValue("CONDITION")};
        };
        l.filter = "assline->Labour";
        constexpr double r = 8;  // the panel's first row, below the list
        l.detail = {{r, 10, QStringLiteral("Stock Code:")},
                    {r, 60, {}, "STKCODE", {}, 80},
                    {r, 150, QStringLiteral("Type: ")},
                    {r, 175, {}, "TYPE", {}, 12},
                    {r, 200, QStringLiteral("Panel Code: "), {}, {}, 0, true},
                    {r, 248, {}, "PANELCODE", {}, 70, true},
                    {r + 1, 10, QStringLiteral("Description: ")},
                    {r + 1, 60, {}, "DESC", {}, 150},
                    {r + 2, 10, QStringLiteral("Quantity: ")},
                    {r + 2, 60, {}, "QTY", QStringLiteral("99999.99"), 45},
                    {r + 2, 110, {}, "CQTY", {}, 150},
                    {r + 3, 10, QStringLiteral("Condition: ")},
                    {r + 3, 60, {}, "CONDITION", {}, 200},
                    {r + 4, 10, QStringLiteral("Labour Desc: ")},
                    {r + 4, 60, {}, "LABDESC", {}, 200}};
        l.buttonRow = 185;
        return l;
    }();
    return layout;
}

}  // namespace

void ASSLAB(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& lineReport) {
    LineScreenLayout layout = labourLayout();
    layout.edit = [&ctx](tk::Browse& list, const ia::ScreenKeys& keys, const CurrentConfiguration& c, bool adding) {
        ASSLAUPD(ctx, list, keys, c, adding);
    };
    layout.remove = [&ctx](tk::Browse& list, const CurrentConfiguration& c) { ASSLDEL(ctx, list, c); };
    layout.report = lineReport;
    runLineScreen(ctx, ctx.session.openArea("ASSLINE"), current, layout);
}

void ASSLAB(ds::DataContext& ctx, const std::function<void()>& lineReport) {
    if (const auto current = CurrentConfiguration::read(ctx)) ASSLAB(ctx, *current, lineReport);
}

}  // namespace mx::configurations
