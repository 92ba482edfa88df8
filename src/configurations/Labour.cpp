// The Labour screen and the labour line dialog (see Labour.h).
#include "Labour.h"

#include "CurrentConfiguration.h"
#include "FormulaLines.h"
#include "Guarded.h"
#include "LineScreen.h"

namespace mx::configurations {

namespace {

using rt::Value;

}  // namespace

void ASSLAUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding) {
    bool shown = false;
    ia::guarded(ctx, [&] {
        const auto current = CurrentConfiguration::read(ctx);
        if (!current) return;
        rt::WorkArea& lines = list.area();
        ctx.session.select(lines);
        if (adding) {
            if (!appendLine(ctx, lines, *current, {{"LABOUR", Value::logical(true)}})) return;
            list.resync();
        }
        if (lines.eof()) return;

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
        shown = true;
        edit.run(screen, &list);
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

void ASSLAB(ds::DataContext& ctx, const std::function<void()>& lineReport) {
    rt::WorkArea& lines = ctx.session.openArea("ASSLINE");
    LineScreenLayout layout;
    layout.titlePrefix = kLabourTitlePrefix;
    layout.box = {60, 30, 500, 700};
    layout.list = {10, 10, 317.5, 85};
    layout.scopeKey = "assline->Asscode";
    layout.columns = {{QStringLiteral("Code"), 80},      {QStringLiteral("Type"), 40},
                      {QStringLiteral("Qty"), 55, Qt::AlignRight},       {QStringLiteral("Amount 1"), 120},
                      {QStringLiteral("Amount 2"), 120}, {QStringLiteral("Description"), 150},
                      {QStringLiteral("Condition"), 150}};
    layout.row = [](rt::WorkArea& a) {
        return std::vector<Value>{a.fieldValue("ASSCODE"), a.fieldValue("TYPE"), numberText(a.fieldValue("QTY"), 8, 2),
                                  a.fieldValue("AMOUNT"),  a.fieldValue("AMOUNT2"), a.fieldValue("DESC"),
                                  a.fieldValue("CONDITION")};
    };
    layout.restrict = [](rt::WorkArea& a) {
        a.setOrder(kLineOrder);
        a.setFilter("assline->Labour");
    };
    layout.detail = [](DetailPanel& p, const CurrentConfiguration& c) {
        auto row = [](double k) { return 8 + k; };
        p.text({labelAt(row(0)), 10}, QStringLiteral("Stock Code:"));
        p.add({fieldAt(row(0)), 60}, "STKCODE", {}, 80);
        p.text({labelAt(row(0)), 150}, QStringLiteral("Type: "));
        p.add({fieldAt(row(0)), 175}, "TYPE", {}, 12);
        if (c.manualPanels) {
            p.text({labelAt(row(0)), 200}, QStringLiteral("Panel Code: "));
            p.add({fieldAt(row(0)), 248}, "PANELCODE", {}, 70);
        }
        p.text({labelAt(row(1)), 10}, QStringLiteral("Description: "));
        p.add({fieldAt(row(1)), 60}, "DESC", {}, 150);
        p.text({labelAt(row(2)), 10}, QStringLiteral("Quantity: "));
        p.add({fieldAt(row(2)), 60}, "QTY", QStringLiteral("99999.99"), 45);
        p.add({fieldAt(row(2)), 110}, "CQTY", {}, 150);
        p.text({labelAt(row(3)), 10}, QStringLiteral("Condition: "));
        p.add({fieldAt(row(3)), 60}, "CONDITION", {}, 200);
        p.text({labelAt(row(4)), 10}, QStringLiteral("Labour Desc: "));
        p.add({fieldAt(row(4)), 60}, "LABDESC", {}, 200);
    };
    layout.buttonRow = 185;
    layout.edit = [&ctx](tk::Browse& list, const ia::ScreenKeys& keys, bool adding) { ASSLAUPD(ctx, list, keys, adding); };
    layout.remove = [&ctx](tk::Browse& list) { ASSLDEL(ctx, list); };
    layout.hasReport = true;
    layout.report = lineReport;
    layout.reportName = "The line-item report";
    runLineScreen(ctx, lines, layout);
}

}  // namespace mx::configurations
