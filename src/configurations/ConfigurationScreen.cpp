// The Configurations screen, the header dialog, the delete with its cascade,
// the search and the description change (see ConfigurationScreen.h).
#include "ConfigurationScreen.h"

#include "ConfigurationCopyCommands.h"
#include "Dialog.h"
#include "DrawingElements.h"
#include "EditDialog.h"
#include "Error.h"
#include "FormulaLines.h"
#include "Guarded.h"
#include "Labour.h"
#include "ListScreen.h"
#include "Lookup.h"
#include "OptionsExtras.h"
#include "Opening.h"
#include "Prompts.h"
#include "PunchHoles.h"
#include "RecordServices.h"
#include "Search.h"
#include "Text.h"
#include "Ui.h"

namespace mx::configurations {

namespace {

using rt::Value;

rt::WorkArea& assemblyArea(ds::DataContext& ctx) { return ctx.session.openArea("ASSEMBLY"); }

Value flag(const rt::WorkArea& a, const char* field) {
    const Value v = a.fieldValue(field);
    return Value::character(v.isTrue() ? "Y" : " ");
}

// The tables the screen opens, in this order; `assembly` last stays selected.
constexpr const char* kScreenTables[] = {"assline", "assdraw", "asspanel", "assembly"};
// The tables whose records belong to a configuration, each with an order 1
// that begins with `ASSCODE`.
constexpr const char* kDependents[] = {"ASSLINE", "ASSDRAW", "ASSPANEL", "PUNCHOLE"};

// Marks deleted every record of `area` whose `ASSCODE` is `code`, each under
// its own lock; one that cannot be locked is skipped and stays. The area is
// first freed of any restriction a line screen left on it.
void removeDependents(ds::DataContext& ctx, rt::WorkArea& area, const Value& code) {
    ctx.session.select(area);
    area.setFilter("");
    area.clearScope();
    area.setOrder(1);
    const std::string wanted = ds::trimRight(code.str());
    for (area.seek(code, false); !area.eof(); area.skip(1)) {
        if (ds::trimRight(area.fieldValue("ASSCODE").str()) != wanted) break;
        if (!ds::RECLOCK(ctx, 2)) continue;
        area.deleteRecord();
        area.unlock();
    }
}

// Releases the configuration record's lock on every way out of the cascade.
struct UnlockAfter {
    rt::WorkArea& area;
    ~UnlockAfter() {
        try {
            area.unlock();
        } catch (...) {
        }
    }
};

}  // namespace

bool deleteConfiguration(ds::DataContext& ctx) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    rt::WorkArea& assembly = assemblyArea(ctx);
    if (assembly.eof()) return false;
    if (!ds::OPNALIAS(ctx, "punchole", false, true)) return false;
    s.select(assembly);
    if (!ds::RECLOCK(ctx, 2)) {
        tk::Ui::instance().alert(ia::kUnableToLock);
        return false;
    }
    UnlockAfter unlock{assembly};
    const Value code = assembly.fieldValue("CODE");
    for (const char* alias : kDependents) removeDependents(ctx, s.openArea(alias), code);
    s.select(assembly);
    assembly.deleteRecord();
    assembly.commit();
    assembly.unlock();
    assembly.skip(-1);
    if (assembly.bof()) assembly.goTop();
    return true;
}

void DEL(ds::DataContext& ctx, tk::Browse& list) {
    ia::guarded(ctx, [&] {
        if (assemblyArea(ctx).eof()) return;
        if (!tk::Ui::instance().noYes(QStringLiteral("Delete This Configuration?"))) return;
        deleteConfiguration(ctx);
    });
    list.resync();
}

void SRCH(ds::DataContext& ctx, tk::Browse& list) {
    ia::searchByCode(ctx, list, QStringLiteral("Configuration Code"), 15);
}

void DESCCHNG(ds::DataContext& ctx, tk::Browse& list) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = assemblyArea(ctx);
        if (assembly.eof()) return;
        Value desc = assembly.fieldValue("DESC");
        if (!ia::MSGGET1(QString::fromUtf8(kDescChangeTitle), QString::fromUtf8(kDescChangePrompt), desc)) return;
        ctx.session.select(assembly);
        if (!ds::RECLOCK(ctx, 2)) {
            tk::Ui::instance().alert(ia::kUnableToLock);
            return;
        }
        assembly.setField("DESC", desc);
        assembly.unlock();
    });
    list.resync();
}

void UPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding) {
    rt::WorkArea& assembly = list.area();
    // The new configuration exists from the append on; a cancelled dialog
    // marks it deleted again. The alerts have told of a failure.
    auto append = [&] {
        if (!ia::appendRecord(ctx, assembly)) return false;
        list.resync();
        return true;
    };
    ia::openEdit(ctx, list, screen, adding, append, [&] {
        ia::EditDialog edit(ctx, assembly, QString::fromUtf8(kHeaderTitle), tk::Box{60, 30, 430, 520});
        edit.copy({"CODE", "DESC", "LIB", "ASSEMCAT", "WSPEED", "PRICE", "COSTPRICE", "WRATED", "STYPE", "STYPE2",
                   "SECTION", "SECTIONA", "SHOWER", "ENFWIDTH"});
        tk::Dialog& dlg = edit.dialog();
        constexpr double col = 80;
        const QString upper = QStringLiteral("@!"), yes = QStringLiteral("Y");
        edit.addRow(0, 10, QStringLiteral("Code:"), {{"CODE", col, 80, upper}});
        edit.addRow(1, 10, QStringLiteral("Description:"), {{"DESC", col, 150, upper}});
        edit.addRow(2, 10, QStringLiteral("Type:"), {{"ASSEMCAT", col, 65, upper}});
        edit.addRow(3, 10, QStringLiteral("Library:"),
                    {{"LIB", col, 65, upper,
                      ia::lookupField(ctx, dlg, edit["LIB"], {.table = "lib", .keyField = "lib->Code",
                                                              .keyTitle = QStringLiteral("Code"), .secondField = "lib->Desc",
                                                              .secondTitle = QStringLiteral("Description")})}});
        edit.addRow(4, 10, QStringLiteral("Wind Rated:"), {{"WRATED", col, 12, yes}});
        edit.addRow(5, 10, QStringLiteral("Struct. Type:"), {{"STYPE", col, 30, upper}, {"STYPE2", col + 35, 30, upper}});
        edit.addRow(6, 10, QStringLiteral("Section Type:"), {{"SECTION", col, 35, upper}});
        edit.addRow(7, 10, QStringLiteral("Section Type A:"), {{"SECTIONA", col, 35, upper}});
        edit.addRow(8, 10, QStringLiteral("Top and Bottom:"), {{"SHOWER", col, 12, yes}});
        edit.addRow(9, 10, QStringLiteral("Enforce Max Wdth:"), {{"ENFWIDTH", col, 12, yes}});
        edit.addSaveCancel({13.0 * 11, 10, 45, 12}, {13.0 * 11, 60, 45, 12});
        const std::string oldCode = assembly.fieldValue("CODE").str();
        const ia::EditOutcome outcome = edit.run(screen, &list);
        if (outcome == ia::EditOutcome::Saved) offerMove(ctx, oldCode);
        return outcome;
    });
}

bool ASSEMBLY(ds::DataContext& ctx, const ConfigurationLinks& links) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    // Wider than the list by one button, so that the first row has room for Copy and Drawing.
    ia::ListScreen screen(ctx, QString::fromUtf8(kConfigurationsTitle), tk::Box{50, 20, 470, 850});
    screen.setActions({.viewUpdate = screen.onList([&](tk::Browse& b) { UPD(ctx, b, screen.keys(), false); }),
                       .add = screen.onList([&](tk::Browse& b) { UPD(ctx, b, screen.keys(), true); }),
                       .remove = screen.onList([&](tk::Browse& b) { DEL(ctx, b); }),
                       .search = screen.onList([&](tk::Browse& b) { SRCH(ctx, b); })});

    for (const char* table : kScreenTables)
        if (!ds::OPNALIAS(ctx, table, false, true)) return false;
    rt::WorkArea& assembly = assemblyArea(ctx);
    s.select(assembly);
    assembly.goTop();

    tk::Browse& list = screen.addList({10, 10, 350, 165}, assembly,
                                      {{QStringLiteral("Code"), 130}, {QStringLiteral("Description"), 270},
                                       {QStringLiteral("Suite"), 80}, {QStringLiteral("Type"), 80},
                                       {QStringLiteral("W/R"), 25}, {QStringLiteral("Lock"), 28}},
                                      [&assembly] {
                                          return std::vector<Value>{assembly.fieldValue("CODE"), assembly.fieldValue("DESC"),
                                                                    assembly.fieldValue("LIB"), assembly.fieldValue("ASSEMCAT"),
                                                                    flag(assembly, "WRATED"), flag(assembly, "LOCLABOUR")};
                                      });

    // A screen started on the configuration under the cursor, read once
    // here, with `assembly` selected; afterwards the screen's keys and list
    // come back. Nothing when the list is empty.
    auto sub = [&](const std::function<void(const CurrentConfiguration&)>& body) {
        return [&, body] {
            screen.operation([&] {
                s.select(assembly);
                if (const auto current = CurrentConfiguration::read(ctx)) body(*current);
            });
        };
    };
    // A linked screen: assembly's order and filter are put back afterwards,
    // whatever the linked screen did to them. `need` false: it also runs
    // when the list is empty.
    auto linked = [&](const std::function<void()>& link, const char* what, bool need) {
        return [&, link, what, need] {
            if (!link) {
                tk::Ui::instance().info(QString::fromUtf8(what) +
                                        QStringLiteral(" is not available yet in this version of the program."));
                return;
            }
            const int order = assembly.order();
            const std::string filter = assembly.filterText();
            const std::uint32_t recno = assembly.recno();
            screen.operation([&] {
                s.select(assembly);
                if (need && assembly.eof()) return;
                link();
            });
            ia::guarded(ctx, [&] {
                if (assembly.order() != order) assembly.setOrder(order);
                if (assembly.filterText() != filter) assembly.setFilter(filter);
                assembly.goTo(recno);
            });
            list.resync();
        };
    };

    const ia::ListActions& act = screen.actions();
    screen.addButtons(180, 10,
                      {{QStringLiteral("&Add"), act.add},
                       {QStringLiteral("View/&Update"), act.viewUpdate},
                       {QStringLiteral("&Delete"), act.remove},
                       {QStringLiteral("&Search"), act.search},
                       {QStringLiteral("Re&port"), linked(links.report, "The configuration report", false)},
                       {QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); }},
                       {QStringLiteral("Cop&y"), [&] { COPYCONF(ctx, list); }},
                       {QStringLiteral("Dra&wing"), sub([&](const CurrentConfiguration& c) { ASSDRAW(ctx, c, links.dataSheet); })}});
    screen.addButtons(
        195, 10,
        {{QStringLiteral("&Formulae"), sub([&](const CurrentConfiguration& c) { ASSLINE(ctx, c, links.lineReport); })},
         {QStringLiteral("&Options"), sub([&](const CurrentConfiguration& c) { ASSOEDIT(ctx, c, screen.keys(), &list); })},
         {QStringLiteral("&Extras"), sub([&](const CurrentConfiguration& c) { ASSDEDIT(ctx, c, screen.keys(), &list); })},
         {QStringLiteral("&Labour"), sub([&](const CurrentConfiguration& c) { ASSLAB(ctx, c, links.lineReport); })},
         {QStringLiteral("Data Sht"), linked(links.dataSheet, "The data sheet", true)},
         {QStringLiteral("Punch &Holes"), sub([&](const CurrentConfiguration& c) { PUNCHOLE(ctx, c); })},
         // The free place at the end of the second row: the box has no room
         // for a row further down.
         {QStringLiteral("&z) Desc Chng"), [&] { DESCCHNG(ctx, list); }}});

    screen.run();
    return true;
}

}  // namespace mx::configurations
