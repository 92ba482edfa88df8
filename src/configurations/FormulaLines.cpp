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

void ASSLDEL(ds::DataContext& ctx, tk::Browse& list, const CurrentConfiguration& current) {
    deleteOwnedLine(ctx, list, current, QStringLiteral("Delete This Line?"));
}

void ASSLUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
             bool adding) {
    rt::Session& s = ctx.session;
    // The panel lookup offers only this configuration's panels.
    bool panelsReady = !current.manualPanels;
    if (!panelsReady)
        ia::guarded(ctx, [&] {
            if (!ds::OPNALIAS(ctx, "asspanel", false, true)) return;
            rt::WorkArea& panels = s.openArea("ASSPANEL");
            panels.setFilter("asspanel->Asscode == assembly->Code");
            panels.goTop();
            panelsReady = true;
        });
    if (!panelsReady) {
        screen.bind();
        list.resync();
        return;
    }
    rt::WorkArea& lines = list.area();
    openLineEdit(ctx, list, screen, current, adding, [&] {
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
        if (current.secondStructure) {
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
        if (current.manualPanels) {
            caption("Panel Code:");
            dlg.addField({fieldAt(k), col, 80, 12}, edit["PANELCODE"],
                         {.name = "PANELCODE",
                          .picture = "@!",
                          .valid = ia::lookupField(ctx, dlg, edit["PANELCODE"],
                                                   {.table = "asspanel",
                                                    .keyField = "asspanel->Panelcode",
                                                    .keyTitle = QStringLiteral("Panel"),
                                                    .order = "2",
                                                    .secondField = "asspanel->Asscode",
                                                    .secondTitle = QStringLiteral("Configuration"),
                                                    .alreadyOpen = true})});
            ++k;
        }
        edit.addSaveCancel({13.0 * k + 15, 10, 45, 12}, {13.0 * k + 15, 60, 45, 12});
        edit.run(screen, &list);
    });
}

const LineScreenLayout& formulaeLayout() {
    static const LineScreenLayout layout = [] {
        LineScreenLayout l;
        l.titlePrefix = kFormulaeTitlePrefix;
        l.box = {60, 30, 580, 690};
        l.list = {10, 10, 312.5, 100};
        l.scopeKey = "assline->Asscode";
        l.columns = {{QStringLiteral("Code"), 80},        {QStringLiteral("Type"), 40},
                     {QStringLiteral("Qty"), 40, Qt::AlignRight}, {QStringLiteral("Amount 1"), 120},
                     {QStringLiteral("Amount 2"), 120},   {QStringLiteral("Description"), 150},
                     {QStringLiteral("Condition"), 150}};
        l.row = [](rt::WorkArea& a) {
            return std::vector<Value>{a.fieldValue("STKCODE"), a.fieldValue("TYPE"), numberText(a.fieldValue("QTY"), 8, 2),
                                      a.fieldValue("AMOUNT"),  a.fieldValue("AMOUNT2"), a.fieldValue("DESC"),
                                      a.fieldValue("CONDITION")};
        };
        l.order = kLineOrder;
        l.filter = "!assline->Labour";
        constexpr double r = 9.5;  // the panel's first row, below the list
        l.detail = {{r, 10, QStringLiteral("Stock Code:")},
                    {r, 60, {}, "STKCODE", {}, 80},
                    {r, 150, QStringLiteral("Type: ")},
                    {r, 175, {}, "TYPE", {}, 12},
                    {r, 200, QStringLiteral("Panel Code:"), {}, {}, 0, true},
                    {r, 248, {}, "PANELCODE", {}, 70, true},
                    {r + 1, 10, QStringLiteral("Description: ")},
                    {r + 1, 60, {}, "DESC", {}, 150},
                    {r + 2, 10, QStringLiteral("Quantity: ")},
                    {r + 2, 60, {}, "QTY", QStringLiteral("99999.99"), 45},
                    {r + 2, 110, {}, "CQTY", {}, 150},
                    {r + 3, 10, QStringLiteral("Amount: ")},
                    {r + 3, 60, {}, "AMOUNT", {}, 200},
                    {r + 3, 265, {}, "ADJUST", QStringLiteral("99"), 18},
                    {r + 3, 286, QStringLiteral("mm")},
                    {r + 4, 10, QStringLiteral("Amount 2: ")},
                    {r + 4, 60, {}, "AMOUNT2", {}, 200},
                    {r + 4, 265, {}, "ADJUST2", QStringLiteral("99"), 18},
                    {r + 4, 286, QStringLiteral("mm")},
                    {r + 5, 10, QStringLiteral("Condition: ")},
                    {r + 5, 60, {}, "CONDITION", {}, 200},
                    {r + 7, 10, QStringLiteral("Lower: ")},
                    {r + 7, 60, {}, "LOWER", QStringLiteral("Y"), 12},
                    {r + 7, 90, QStringLiteral("Wastage: ")},
                    {r + 7, 130, {}, "WASTAGE", QStringLiteral("Y"), 12}};
        l.buttonRow = 240;
        l.hasReport = true;
        l.reportName = "The line-item report";
        return l;
    }();
    return layout;
}

void ASSLINE(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& lineReport) {
    LineScreenLayout layout = formulaeLayout();
    layout.edit = [&ctx](tk::Browse& list, const ia::ScreenKeys& keys, const CurrentConfiguration& c, bool adding) {
        ASSLUPD(ctx, list, keys, c, adding);
    };
    layout.remove = [&ctx](tk::Browse& list, const CurrentConfiguration& c) { ASSLDEL(ctx, list, c); };
    layout.report = lineReport;
    runLineScreen(ctx, ctx.session.openArea("ASSLINE"), current, layout);
}

void ASSLINE(ds::DataContext& ctx, const std::function<void()>& lineReport) {
    if (const auto current = CurrentConfiguration::read(ctx)) ASSLINE(ctx, *current, lineReport);
}

}  // namespace mx::configurations
