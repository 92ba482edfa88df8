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
        // `stock` and the suite's limit are had once for the dialog, not at every field's leave.
        ia::DialogTables tables(ctx);
        DialogAdjustmentLimit limit(ctx, tables);
        tk::Dialog& dlg = edit.dialog();
        constexpr double col = 65;
        const QString upper = QStringLiteral("@!"), yes = QStringLiteral("Y");
        int k = 0;
        auto row = [&](const char* caption, const std::vector<ia::FormField>& fields) {
            edit.addRow(k++, 10, QString::fromUtf8(caption), fields);
        };
        // An amount with its adjustment (checked against the suite's limit) and "mm".
        auto amount = [&](const char* caption, const char* field, const char* adjust) {
            Value& v = edit[adjust];
            dlg.addText({labelAt(k), col + 226}, QStringLiteral("mm"));
            row(caption, {{field, col, 200, upper}, {adjust, col + 205, 18, QStringLiteral("99"), [&limit, &v] { return limit.check(v); }}});
        };
        Value& type = edit["TYPE"];
        row("Code:", {{"STKCODE", col, 80, upper, stockCodeCheck(ctx, tables, dlg, edit["STKCODE"], edit["DESC"])}});
        row("Description:", {{"DESC", col, 150, upper}});
        row("Type(L/Q/A/F):", {{"TYPE", col, 12, upper, [&type] {
                return lineTypeAllowed(type) || tk::EditField::refuse(QStringLiteral("Type is one of L, Q, A, F"));
            }}});
        row("Quantity:", {{"QTY", col, 45, QStringLiteral("99999.99")}, {"CQTY", col + 50, 150, upper}});
        amount("Amount (L/Q/A):", "AMOUNT", "ADJUST");
        amount("Amount 2 (A):", "AMOUNT2", "ADJUST2");
        row("Condition:", {{"CONDITION", col, 270, upper}});
        if (current.secondStructure) row("Part of Lower:", {{"LOWER", col, 15, yes}});
        row("Labour Desc:", {{"LABDESC", col, 200, upper}});
        row("Wastage (Y/N):", {{"WASTAGE", col, 15, yes}});
        if (current.manualPanels)
            row("Panel Code:", {{"PANELCODE", col, 80, upper,
                                 ia::lookupField(ctx, dlg, edit["PANELCODE"],
                                                 {.table = "asspanel", .keyField = "asspanel->Panelcode",
                                                  .keyTitle = QStringLiteral("Panel"), .order = "2",
                                                  .secondField = "asspanel->Asscode",
                                                  .secondTitle = QStringLiteral("Configuration"), .alreadyOpen = true})}});
        edit.addSaveCancel({13.0 * k + 15, 10, 45, 12}, {13.0 * k + 15, 60, 45, 12});
        return edit.run(screen, &list);
    });
}

std::vector<Value> lineRow(rt::WorkArea& a, const char* first) {
    return {a.fieldValue(first),  a.fieldValue("TYPE"), numberText(a.fieldValue("QTY"), 8, 2), a.fieldValue("AMOUNT"),
            a.fieldValue("AMOUNT2"), a.fieldValue("DESC"), a.fieldValue("CONDITION")};
}

std::vector<DetailItem> lineDetailHead(double r, const QString& panelCaption) {
    return {{r, 10, QStringLiteral("Stock Code:")},
            {r, 60, {}, "STKCODE", {}, 80},
            {r, 150, QStringLiteral("Type: ")},
            {r, 175, {}, "TYPE", {}, 12},
            {r, 200, panelCaption, {}, {}, 0, true},
            {r, 248, {}, "PANELCODE", {}, 70, true},
            {r + 1, 10, QStringLiteral("Description: ")},
            {r + 1, 60, {}, "DESC", {}, 150},
            {r + 2, 10, QStringLiteral("Quantity: ")},
            {r + 2, 60, {}, "QTY", QStringLiteral("99999.99"), 45},
            {r + 2, 110, {}, "CQTY", {}, 150}};
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
        l.row = [](rt::WorkArea& a) { return lineRow(a, "STKCODE"); };
        l.order = kLineOrder;
        l.filter = "!assline->Labour";
        constexpr double r = 9.5;  // the panel's first row, below the list
        l.detail = lineDetailHead(r, QStringLiteral("Panel Code:"));
        l.detail.insert(l.detail.end(),
                   {{r + 3, 10, QStringLiteral("Amount: ")},
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
                    {r + 7, 130, {}, "WASTAGE", QStringLiteral("Y"), 12}});
        l.buttonRow = 240;
        l.hasReport = true;
        l.reportName = "The line-item report";
        l.edit = ASSLUPD;
        l.remove = ASSLDEL;
        return l;
    }();
    return layout;
}

void ASSLINE(ds::DataContext& ctx, const CurrentConfiguration& current, const std::function<void()>& lineReport) {
    runLineScreen(ctx, ctx.session.openArea("ASSLINE"), current, formulaeLayout(), lineReport);
}

void ASSLINE(ds::DataContext& ctx, const std::function<void()>& lineReport) {
    if (const auto current = CurrentConfiguration::read(ctx)) ASSLINE(ctx, *current, lineReport);
}

}  // namespace mx::configurations
