// The Formulae screen, the line dialog and the line delete (see FormulaLines.h).
#include "FormulaLines.h"

#include "AdjustmentCheck.h"
#include "CurrentConfiguration.h"
#include "Guarded.h"
#include "LineScreen.h"
#include "Lookup.h"
#include "Opening.h"
#include "Text.h"

namespace mx::configurations {

namespace {

using rt::Value;

bool lineTypeAllowed(const Value& type) {
    const std::string t = ds::allTrim(type.str());
    return t == "L" || t == "Q" || t == "A" || t == "F";
}

}  // namespace

void ASSLDEL(ds::DataContext& ctx, tk::Browse& list) { deleteOwnedLine(ctx, list, QStringLiteral("Delete This Line?")); }

void ASSLUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding) {
    bool shown = false;
    ia::guarded(ctx, [&] {
        rt::Session& s = ctx.session;
        const auto current = CurrentConfiguration::read(ctx);
        if (!current) return;
        rt::WorkArea& lines = list.area();
        // The panel lookup offers only this configuration's panels.
        if (current->manualPanels) {
            if (!ds::OPNALIAS(ctx, "asspanel", false, true)) return;
            rt::WorkArea& panels = s.openArea("ASSPANEL");
            panels.setFilter("asspanel->Asscode == assembly->Code");
            panels.goTop();
        }
        s.select(lines);
        if (adding) {
            if (!appendLine(ctx, lines, *current)) return;
            list.resync();
        }
        if (lines.eof()) return;

        ia::EditDialog edit(ctx, lines, QString::fromUtf8(kLineDialogTitle), tk::Box{80, 40, 500, 720});
        edit.copy(lineFields());
        tk::Dialog& dlg = edit.dialog();
        constexpr double col = 65;
        int k = 0;
        auto caption = [&](const char* text) { dlg.addText({labelAt(k), 10}, QString::fromUtf8(text)); };
        auto adjustment = [&](const char* field, double at) {
            Value& v = edit[field];
            dlg.addField({fieldAt(k), at, 18, 12}, v,
                         {.name = QString::fromUtf8(field), .picture = "99", .valid = [&ctx, &v] { return CHKADJ(ctx, v); }});
            dlg.addText({labelAt(k), at + 21}, QStringLiteral("mm"));
        };

        caption("Code:");
        dlg.addField({fieldAt(k), col, 80, 12}, edit["STKCODE"],
                     {.name = "STKCODE", .picture = "@!", .valid = stockCodeCheck(ctx, dlg, edit["STKCODE"], edit["DESC"])});
        ++k;
        caption("Description:");
        dlg.addField({fieldAt(k), col, 150, 12}, edit["DESC"], {.name = "DESC", .picture = "@!"});
        ++k;
        caption("Type(L/Q/A/F):");
        Value& type = edit["TYPE"];
        dlg.addField({fieldAt(k), col, 12, 12}, type,
                     {.name = "TYPE", .picture = "@!", .valid = [&type] { return lineTypeAllowed(type); }});
        ++k;
        caption("Quantity:");
        dlg.addField({fieldAt(k), col, 45, 12}, edit["QTY"], {.name = "QTY", .picture = "99999.99"});
        dlg.addField({fieldAt(k), col + 50, 150, 12}, edit["CQTY"], {.name = "CQTY", .picture = "@!"});
        ++k;
        caption("Amount (L/Q/A):");
        dlg.addField({fieldAt(k), col, 200, 12}, edit["AMOUNT"], {.name = "AMOUNT", .picture = "@!"});
        adjustment("ADJUST", col + 205);
        ++k;
        caption("Amount 2 (A):");
        dlg.addField({fieldAt(k), col, 200, 12}, edit["AMOUNT2"], {.name = "AMOUNT2", .picture = "@!"});
        adjustment("ADJUST2", col + 205);
        ++k;
        caption("Condition:");
        dlg.addField({fieldAt(k), col, 270, 12}, edit["CONDITION"], {.name = "CONDITION", .picture = "@!"});
        ++k;
        if (current->secondStructure) {
            caption("Part of Lower:");
            dlg.addField({fieldAt(k), col, 15, 12}, edit["LOWER"], {.name = "LOWER", .picture = "Y"});
            ++k;
        }
        caption("Labour Desc:");
        dlg.addField({fieldAt(k), col, 200, 12}, edit["LABDESC"], {.name = "LABDESC", .picture = "@!"});
        ++k;
        caption("Wastage (Y/N):");
        dlg.addField({fieldAt(k), col, 15, 12}, edit["WASTAGE"], {.name = "WASTAGE", .picture = "Y"});
        ++k;
        if (current->manualPanels) {
            caption("Panel Code:");
            Value& panel = edit["PANELCODE"];
            dlg.addField({fieldAt(k), col, 80, 12}, panel, {.name = "PANELCODE", .picture = "@!", .valid = [&] {
                                                                ia::LOOKUPW(ctx, panel,
                                                                            {.table = "asspanel",
                                                                             .keyField = "asspanel->Panelcode",
                                                                             .keyTitle = QStringLiteral("Panel"),
                                                                             .order = "2",
                                                                             .secondField = "asspanel->Asscode",
                                                                             .secondTitle = QStringLiteral("Configuration"),
                                                                             .alreadyOpen = true});
                                                                dlg.refresh();
                                                                return true;
                                                            }});
            ++k;
        }
        edit.addSaveCancel({13.0 * k + 15, 10, 45, 12}, {13.0 * k + 15, 60, 45, 12});
        shown = true;
        edit.run(screen, &list);
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

void ASSLINE(ds::DataContext& ctx, const std::function<void()>& lineReport) {
    rt::WorkArea& lines = ctx.session.openArea("ASSLINE");
    LineScreenLayout layout;
    layout.titlePrefix = kFormulaeTitlePrefix;
    layout.box = {60, 30, 580, 690};
    layout.list = {10, 10, 312.5, 100};
    layout.scopeKey = "assline->Asscode";
    layout.columns = {{QStringLiteral("Code"), 80},       {QStringLiteral("Type"), 40},
                      {QStringLiteral("Qty"), 40, Qt::AlignRight},        {QStringLiteral("Amount 1"), 120},
                      {QStringLiteral("Amount 2"), 120},  {QStringLiteral("Description"), 150},
                      {QStringLiteral("Condition"), 150}};
    layout.row = [](rt::WorkArea& a) {
        return std::vector<Value>{a.fieldValue("STKCODE"), a.fieldValue("TYPE"), numberText(a.fieldValue("QTY"), 8, 2),
                                  a.fieldValue("AMOUNT"),  a.fieldValue("AMOUNT2"), a.fieldValue("DESC"),
                                  a.fieldValue("CONDITION")};
    };
    layout.restrict = [](rt::WorkArea& a) {
        a.setOrder(kLineOrder);
        a.setFilter("!assline->Labour");
    };
    layout.detail = [](DetailPanel& p, const CurrentConfiguration& c) {
        auto row = [](double k) { return 9.5 + k; };
        p.text({labelAt(row(0)), 10}, QStringLiteral("Stock Code:"));
        p.add({fieldAt(row(0)), 60}, "STKCODE", {}, 80);
        p.text({labelAt(row(0)), 150}, QStringLiteral("Type: "));
        p.add({fieldAt(row(0)), 175}, "TYPE", {}, 12);
        if (c.manualPanels) {
            p.text({labelAt(row(0)), 200}, QStringLiteral("Panel Code:"));
            p.add({fieldAt(row(0)), 248}, "PANELCODE", {}, 70);
        }
        p.text({labelAt(row(1)), 10}, QStringLiteral("Description: "));
        p.add({fieldAt(row(1)), 60}, "DESC", {}, 150);
        p.text({labelAt(row(2)), 10}, QStringLiteral("Quantity: "));
        p.add({fieldAt(row(2)), 60}, "QTY", QStringLiteral("99999.99"), 45);
        p.add({fieldAt(row(2)), 110}, "CQTY", {}, 150);
        p.text({labelAt(row(3)), 10}, QStringLiteral("Amount: "));
        p.add({fieldAt(row(3)), 60}, "AMOUNT", {}, 200);
        p.add({fieldAt(row(3)), 265}, "ADJUST", QStringLiteral("99"), 18);
        p.text({labelAt(row(3)), 286}, QStringLiteral("mm"));
        p.text({labelAt(row(4)), 10}, QStringLiteral("Amount 2: "));
        p.add({fieldAt(row(4)), 60}, "AMOUNT2", {}, 200);
        p.add({fieldAt(row(4)), 265}, "ADJUST2", QStringLiteral("99"), 18);
        p.text({labelAt(row(4)), 286}, QStringLiteral("mm"));
        p.text({labelAt(row(5)), 10}, QStringLiteral("Condition: "));
        p.add({fieldAt(row(5)), 60}, "CONDITION", {}, 200);
        p.text({labelAt(row(7)), 10}, QStringLiteral("Lower: "));
        p.add({fieldAt(row(7)), 60}, "LOWER", QStringLiteral("Y"), 12);
        p.text({labelAt(row(7)), 90}, QStringLiteral("Wastage: "));
        p.add({fieldAt(row(7)), 130}, "WASTAGE", QStringLiteral("Y"), 12);
    };
    layout.buttonRow = 240;
    layout.edit = [&ctx](tk::Browse& list, const ia::ScreenKeys& keys, bool adding) { ASSLUPD(ctx, list, keys, adding); };
    layout.remove = [&ctx](tk::Browse& list) { ASSLDEL(ctx, list); };
    layout.hasReport = true;
    layout.report = lineReport;
    layout.reportName = "The line-item report";
    runLineScreen(ctx, lines, layout);
}

}  // namespace mx::configurations
