// The Configurations screen, the header dialog, the delete with its cascade,
// the search and the description change (see ConfigurationScreen.h).
#include "ConfigurationScreen.h"

#include "Dialog.h"
#include "DrawingElements.h"
#include "EditDialog.h"
#include "Error.h"
#include "FormulaLines.h"
#include "Guarded.h"
#include "Labour.h"
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
    if (!ds::RECLOCK(ctx, 2)) return false;
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
    rt::Settings& settings = ctx.session.settings();
    const bool softBefore = settings.softSeek;
    settings.softSeek = true;
    ia::guarded(ctx, [&] {
        Value code = Value::character(std::string(15, ' '));
        if (!ia::MSGGET1(QStringLiteral("Search"), QStringLiteral("Configuration Code"), code,
                         QString::fromStdString(ds::dataFile(ctx, ia::kSearchBitmap.toStdString()))))
            return;
        rt::WorkArea& area = list.area();
        if (!area.seek(Value::character(ds::upper(ds::allTrim(code.str()))), true)) {
            tk::Ui::instance().alert(QStringLiteral("No Match Found"));
            area.goTop();
        }
    });
    settings.softSeek = softBefore;
    list.resync();
}

void DESCCHNG(ds::DataContext& ctx, tk::Browse& list) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = assemblyArea(ctx);
        if (assembly.eof()) return;
        Value desc = assembly.fieldValue("DESC");
        if (!ia::MSGGET1(QString::fromUtf8(kDescChangeTitle), QString::fromUtf8(kDescChangePrompt), desc)) return;
        ctx.session.select(assembly);
        if (!ds::RECLOCK(ctx, 2)) return;
        assembly.setField("DESC", desc);
        assembly.unlock();
    });
    list.resync();
}

void UPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, bool adding) {
    bool shown = false;
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = assemblyArea(ctx);
        ctx.session.select(assembly);
        if (adding) {
            // The new configuration exists from here on, also when the dialog
            // is cancelled; the alerts have told of a failure.
            if (!ia::appendRecord(ctx, assembly)) return;
            list.resync();
        }
        if (assembly.eof()) return;

        ia::EditDialog edit(ctx, assembly, QString::fromUtf8(kHeaderTitle), tk::Box{60, 30, 430, 520});
        edit.copy({"CODE", "DESC", "LIB", "ASSEMCAT", "WSPEED", "PRICE", "COSTPRICE", "WRATED", "STYPE", "STYPE2",
                   "SECTION", "SECTIONA", "SHOWER", "ENFWIDTH"});
        tk::Dialog& dlg = edit.dialog();
        auto row = [](int k) { return 13.0 * k; };
        constexpr double field = 80;
        dlg.addText({row(0) + 7, 10}, QStringLiteral("Code:"));
        dlg.addField({row(0) + 5, field, 80, 12}, edit["CODE"], {.name = "CODE", .picture = "@!"});
        dlg.addText({row(1) + 7, 10}, QStringLiteral("Description:"));
        dlg.addField({row(1) + 5, field, 150, 12}, edit["DESC"], {.name = "DESC", .picture = "@!"});
        dlg.addText({row(2) + 7, 10}, QStringLiteral("Type:"));
        dlg.addField({row(2) + 5, field, 65, 12}, edit["ASSEMCAT"], {.name = "ASSEMCAT", .picture = "@!"});
        dlg.addText({row(3) + 7, 10}, QStringLiteral("Library:"));
        Value& lib = edit["LIB"];
        dlg.addField({row(3) + 5, field, 65, 12}, lib,
                     {.name = "LIB", .picture = "@!", .valid = [&] {
                          ia::LOOKUPW(ctx, lib,
                                      {.table = "lib",
                                       .keyField = "lib->Code",
                                       .keyTitle = QStringLiteral("Code"),
                                       .secondField = "lib->Desc",
                                       .secondTitle = QStringLiteral("Description")});
                          dlg.refresh();
                          return true;
                      }});
        dlg.addText({row(4) + 7, 10}, QStringLiteral("Wind Rated:"));
        dlg.addField({row(4) + 5, field, 12, 12}, edit["WRATED"], {.name = "WRATED", .picture = "Y"});
        dlg.addText({row(5) + 7, 10}, QStringLiteral("Struct. Type:"));
        dlg.addField({row(5) + 5, field, 30, 12}, edit["STYPE"], {.name = "STYPE", .picture = "@!"});
        dlg.addField({row(5) + 5, field + 35, 30, 12}, edit["STYPE2"], {.name = "STYPE2", .picture = "@!"});
        dlg.addText({row(6) + 7, 10}, QStringLiteral("Section Type:"));
        dlg.addField({row(6) + 5, field, 35, 12}, edit["SECTION"], {.name = "SECTION", .picture = "@!"});
        dlg.addText({row(7) + 7, 10}, QStringLiteral("Section Type A:"));
        dlg.addField({row(7) + 5, field, 35, 12}, edit["SECTIONA"], {.name = "SECTIONA", .picture = "@!"});
        dlg.addText({row(8) + 7, 10}, QStringLiteral("Top and Bottom:"));
        dlg.addField({row(8) + 5, field, 12, 12}, edit["SHOWER"], {.name = "SHOWER", .picture = "Y"});
        dlg.addText({row(9) + 7, 10}, QStringLiteral("Enforce Max Wdth:"));
        dlg.addField({row(9) + 5, field, 12, 12}, edit["ENFWIDTH"], {.name = "ENFWIDTH", .picture = "Y"});
        edit.addSaveCancel({row(11), 10, 45, 12}, {row(11), 60, 45, 12});
        shown = true;
        edit.run(screen, &list);
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

bool ASSEMBLY(ds::DataContext& ctx, const ConfigurationLinks& links) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    tk::Browse* browse = nullptr;
    // Every action goes through the screen's list once the dialog stands.
    auto onList = [&browse](auto action) {
        return [&browse, action] {
            if (browse) action(*browse);
        };
    };
    ia::ScreenKeys* keysRef = nullptr;
    auto viewUpdate = onList([&](tk::Browse& b) { UPD(ctx, b, *keysRef, false); });
    auto add = onList([&](tk::Browse& b) { UPD(ctx, b, *keysRef, true); });
    auto remove = onList([&](tk::Browse& b) { DEL(ctx, b); });
    auto search = onList([&](tk::Browse& b) { SRCH(ctx, b); });
    ia::ScreenKeys keys({.viewUpdate = viewUpdate, .add = add, .remove = remove, .search = search});
    keysRef = &keys;
    keys.bind();
    struct ReleaseAfter {
        ~ReleaseAfter() { tk::HotKeys::instance().apply(ia::closedScreenKeys()); }
    } releaseAfter;

    for (const char* table : kScreenTables)
        if (!ds::OPNALIAS(ctx, table, false, true)) return false;
    rt::WorkArea& assembly = assemblyArea(ctx);
    s.select(assembly);
    assembly.goTop();

    tk::Dialog dlg(QString::fromUtf8(kConfigurationsTitle), tk::Box{50, 20, 470, 750});
    browse = dlg.addBrowse({10, 10, 350, 165}, s, assembly,
                           {{QStringLiteral("Code"), 130},
                            {QStringLiteral("Description"), 270},
                            {QStringLiteral("Suite"), 80},
                            {QStringLiteral("Type"), 80},
                            {QStringLiteral("W/R"), 25},
                            {QStringLiteral("Lock"), 28}},
                           [&assembly] {
                               return std::vector<Value>{assembly.fieldValue("CODE"), assembly.fieldValue("DESC"),
                                                         assembly.fieldValue("LIB"), assembly.fieldValue("ASSEMCAT"),
                                                         flag(assembly, "WRATED"), flag(assembly, "LOCLABOUR")};
                           });
    browse->onDoubleClick(viewUpdate);

    tk::Ui& ui = tk::Ui::instance();
    auto notYet = [&ui](const char* what) {
        ui.info(QString::fromUtf8(what) + QStringLiteral(" is not available yet in this version of the program."));
    };
    // A screen started on the current configuration, with `assembly`
    // selected; afterwards the screen's keys and list come back. `need`
    // false: it also runs when the list is empty.
    auto sub = [&](const std::function<void()>& body, bool need = true) {
        ia::guarded(ctx, [&] {
            s.select(assembly);
            if (need && assembly.eof()) return;
            body();
        });
        keys.bind();
        browse->resync();
    };
    // A linked screen: assembly's order and filter are put back afterwards,
    // whatever the linked screen did to them.
    auto linked = [&](const std::function<void()>& link, const char* what, bool need) {
        if (!link) {
            notYet(what);
            return;
        }
        const int order = assembly.order();
        const std::string filter = assembly.filterText();
        const std::uint32_t recno = assembly.recno();
        sub(link, need);
        ia::guarded(ctx, [&] {
            if (assembly.order() != order) assembly.setOrder(order);
            if (assembly.filterText() != filter) assembly.setFilter(filter);
            assembly.goTo(recno);
        });
        browse->resync();
    };

    constexpr double row1 = 180, row2 = 195;
    dlg.addButton({row1, 10, 45, 12}, QStringLiteral("&Add"), add);
    dlg.addButton({row1, 60, 45, 12}, QStringLiteral("View/&Update"), viewUpdate);
    dlg.addButton({row1, 110, 45, 12}, QStringLiteral("&Delete"), remove);
    dlg.addButton({row1, 160, 45, 12}, QStringLiteral("&Search"), search);
    dlg.addButton({row1, 210, 45, 12}, QStringLiteral("Re&port"),
                  [&] { linked(links.report, "The configuration report", false); });
    dlg.addButton({row1, 260, 45, 12}, QStringLiteral("E&xit"), [&dlg] { dlg.end(); });
    dlg.addButton({row1, 310, 45, 12}, QStringLiteral("Dra&wing"), [&] { sub([&] { ASSDRAW(ctx, links.dataSheet); }); });
    dlg.addButton({row2, 10, 45, 12}, QStringLiteral("&Formulae"), [&] { sub([&] { ASSLINE(ctx, links.lineReport); }); });
    dlg.addButton({row2, 60, 45, 12}, QStringLiteral("&Options"), [&] { sub([&] { ASSOEDIT(ctx, keys, browse); }); });
    dlg.addButton({row2, 110, 45, 12}, QStringLiteral("&Extras"), [&] { sub([&] { ASSDEDIT(ctx, keys, browse); }); });
    dlg.addButton({row2, 160, 45, 12}, QStringLiteral("&Labour"), [&] { sub([&] { ASSLAB(ctx, links.lineReport); }); });
    dlg.addButton({row2, 210, 45, 12}, QStringLiteral("Data Sht"), [&] { linked(links.dataSheet, "The data sheet", true); });
    dlg.addButton({row2, 260, 45, 12}, QStringLiteral("Punch &Holes"), [&] { sub([&] { PUNCHOLE(ctx); }); });
    // The free place at the end of the second row: the box has no room for
    // a row further down.
    dlg.addButton({row2, 310, 45, 12}, QStringLiteral("&z) Desc Chng"), [&] { DESCCHNG(ctx, *browse); });

    keys.attach(dlg);
    dlg.run();
    return true;
}

}  // namespace mx::configurations
