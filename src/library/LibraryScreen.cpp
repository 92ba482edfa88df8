#include "LibraryScreen.h"

#include <cmath>
#include <cstdio>

#include "Dialog.h"
#include "EditDialog.h"
#include "Error.h"
#include "Guarded.h"
#include "HotKeyConvention.h"
#include "ListScreen.h"
#include "LibraryCodes.h"
#include "Lookup.h"
#include "Opening.h"
#include "Prompts.h"
#include "RecordServices.h"
#include "Search.h"
#include "Text.h"
#include "Ui.h"

namespace mx::lib {

namespace {

using rt::Value;

rt::WorkArea& libArea(ds::DataContext& ctx) { return ctx.session.openArea("LIB"); }

Value twoDigits(const Value& v) { return Value::character(ds::fixedText(v.isNumeric() ? v.num() : 0.0, 2, 0)); }

bool tagOf(const rt::WorkArea& lib, int ws) { return lib.fieldValue(shownTagFieldName(ws)).isTrue(); }

// Sets (or clears) the workstation's tag on every entry from the current one
// to the end of the active order that `wanted` accepts, each under its own
// lock; entries that cannot be locked are skipped. Back on the current entry.
template <class Pred>
void walkSetting(ds::DataContext& ctx, int ws, bool value, Pred wanted) {
    const std::string field = tagFieldName(ws);
    rt::WorkArea& lib = libArea(ctx);
    ctx.session.select(lib);
    if (field.empty() || lib.eof()) return;
    const std::uint32_t remembered = lib.recno();
    for (; !lib.eof(); lib.skip()) {
        if (!wanted(lib)) continue;
        if (!ds::RECLOCK(ctx, 2)) continue;
        lib.setField(field, Value::logical(value));
        lib.unlock();
    }
    lib.goTo(remembered);
}

}  // namespace

bool GETTAG(ds::DataContext& ctx, int ws) {
    bool tagged = false;
    ia::guarded(ctx, [&] {
        rt::WorkArea& lib = libArea(ctx);
        if (!lib.eof()) tagged = tagOf(lib, ws);
    });
    return tagged;
}

void TAG(ds::DataContext& ctx, int ws) {
    ia::guarded(ctx, [&] {
        const std::string field = tagFieldName(ws);
        rt::WorkArea& lib = libArea(ctx);
        ctx.session.select(lib);
        if (field.empty() || lib.eof()) return;
        if (!ds::RECLOCK(ctx, 2)) {
            tk::Ui::instance().alert(ia::kUnableToLock);
            return;
        }
        lib.setField(field, Value::logical(!tagOf(lib, ws)));
        lib.unlock();
    });
}

void UNTAG(ds::DataContext& ctx, int ws) {
    ia::guarded(ctx, [&] { walkSetting(ctx, ws, false, [](rt::WorkArea&) { return true; }); });
}

void TAGALL(ds::DataContext& ctx, int ws) {
    ia::guarded(ctx, [&] {
        walkSetting(ctx, ws, true, [](rt::WorkArea& lib) { return !ds::allTrim(lib.fieldValue("DESC").str()).empty(); });
    });
}

void CHNGORDR(tk::Browse& browse) {
    rt::WorkArea& area = browse.area();
    const int order = area.order();
    if (order >= 1 && order <= 3 && area.orderCount() >= (order % 3) + 1) area.setOrder(order % 3 + 1);
    area.goTop();
    browse.resync();
}

void tagByLibraryCode(ds::DataContext& ctx, int ws, const std::string& text) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& lib = libArea(ctx);
        ctx.session.select(lib);
        lib.pack();
        lib.goTop();
        UNTAG(ctx, ws);
        const long count = static_cast<long>(lib.recordCount());

        const std::string scratchName = scratchTableName(ws);
        if (scratchName.empty()) return;
        if (!ds::OPNALIAS(ctx, scratchName, true, true)) return;
        rt::WorkArea* scratch = ctx.session.selected();
        if (!scratch) return;
        scratch->zap();
        for (int serial : serialsOfLibraryCode(ds::allTrim(text), count)) {
            scratch->append();
            scratch->setField("SERIAL", Value::numeric(static_cast<double>(serial)));
        }
        scratch->commit();

        const std::string field = tagFieldName(ws);
        const int serialField = scratch->fieldIndex("SERIAL");
        for (lib.goTop(); !lib.eof(); lib.skip()) {
            const double serial = lib.fieldValue("SERIAL").num();
            bool named = false;
            for (scratch->goTop(); !scratch->eof() && !named; scratch->skip())
                named = scratch->fieldValue(serialField).num() == serial;
            if (named) lib.setField(field, Value::logical(true));  // `lib` is held exclusively
        }
        lib.commit();
    });
}

void TAGNUM(ds::DataContext& ctx, int ws, tk::Browse& browse) {
    rt::Session& s = ctx.session;
    const int remembered = s.selectedArea();
    Value code = Value::character(std::string(16, ' '));
    if (ia::MSGGET1(QStringLiteral("Library Code"), QStringLiteral("Enter Library Code:"), code))
        tagByLibraryCode(ctx, ws, code.str());
    try {
        s.selectById(remembered);
        if (rt::WorkArea* a = s.selected()) a->goTop();
    } catch (const rt::DbError&) {
    }
    browse.resync();
}

void SRCH(ds::DataContext& ctx, tk::Browse& browse) {
    ia::searchByCode(ctx, browse, QStringLiteral("Library / Suite Code"), 8);
}

void UPD(ds::DataContext& ctx, tk::Browse& browse, const ia::ScreenKeys& screen, bool adding) {
    rt::WorkArea& lib = browse.area();
    // The append service tells of a failure itself; a cancelled dialog marks
    // the blank entry deleted again. No lock is held while the dialog is open.
    auto append = [&] {
        if (!ds::ADDREC(ctx, 2)) return false;
        lib.unlock();
        browse.resync();
        return true;
    };
    ia::openEdit(ctx, browse, screen, adding, append, [&] {
        ia::EditDialog edit(ctx, lib, QString::fromUtf8(kLibEntryTitle), tk::Box{50, 50, 280, 720});
        edit.copy({"CODE", "DESC", "TAG", "SERIAL", "MAXADJUST", "CATEGORY"});
        tk::Dialog& dlg = edit.dialog();
        constexpr double col = 55;
        edit.addRow(0, 10, QStringLiteral("Code:"), {{"CODE", col, 80, QStringLiteral("@!")}});
        edit.addRow(1, 10, QStringLiteral("Description:"), {{"DESC", col, 150, QStringLiteral("@!")}});
        edit.addRow(2, 10, QStringLiteral("Tag:"), {{"TAG", col, 12, QStringLiteral("Y")}});
        edit.addRow(3, 10, QStringLiteral("Number:"), {{"SERIAL", col, 30, QStringLiteral("99"), {}, true}});
        edit.addRow(4, 10, QStringLiteral("Manual Tol.:"), {{"MAXADJUST", col, 30, QStringLiteral("99")}});
        edit.addRow(5, 10, QStringLiteral("Category:"),
                    {{"CATEGORY", col, 90, QStringLiteral("@!"),
                      ia::lookupField(ctx, dlg, edit["CATEGORY"], {.table = "libcat", .keyField = "libcat->Code",
                                                                   .keyTitle = QStringLiteral("Code"), .secondField = "libcat->Desc",
                                                                   .secondTitle = QStringLiteral("Name")})}});
        edit.addSaveCancel({100, 10, 45, 12}, {100, 60, 45, 12});
        return edit.run(screen, &browse);
    });
}

bool LIB(ds::DataContext& ctx, int ws, bool registerMode, const LibraryLinks& links) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    ia::ListScreen screen(ctx, QString::fromUtf8(kLibTitle), tk::Box{10, 100, 465, 800});
    screen.setActions({.viewUpdate = screen.onList([&](tk::Browse& b) { UPD(ctx, b, screen.keys(), false); }),
                       .add = screen.onList([&](tk::Browse& b) { UPD(ctx, b, screen.keys(), true); }),
                       .remove = {},
                       .search = screen.onList([&](tk::Browse& b) { SRCH(ctx, b); })});

    if (!ds::OPNALIAS(ctx, "lib", true, true)) return false;
    rt::WorkArea& lib = libArea(ctx);
    lib.goTop();

    tk::Browse& browse = screen.addList({10, 10, 332.5, 167.5}, lib,
                                        {{QStringLiteral("Code"), 80}, {QStringLiteral("Description"), 180},
                                         {QStringLiteral("Category"), 90}, {QStringLiteral("Tag"), 45},
                                         {QStringLiteral("No"), 50}, {QStringLiteral("Max Tol"), 60}},
                                        [&lib, ws] {
                                            return std::vector<Value>{lib.fieldValue("CODE"),
                                                                      lib.fieldValue("DESC"),
                                                                      lib.fieldValue("CATEGORY"),
                                                                      Value::character(tagOf(lib, ws) ? "*" : " "),
                                                                      twoDigits(lib.fieldValue("SERIAL")),
                                                                      twoDigits(lib.fieldValue("MAXADJUST"))};
                                        });
    tk::Ui& ui = tk::Ui::instance();
    auto notYet = [&ui](const char* what) {
        ui.info(QString::fromUtf8(what) + QStringLiteral(" is not available yet in this version of the program."));
    };
    // A linked screen on the library, or the screen's own words when there is none.
    auto linked = [&](const std::function<void()>& link, const std::function<void()>& otherwise) {
        if (link)
            ia::guarded(ctx, link);
        else
            otherwise();
        browse.resync();
    };
    // The workstation's tags changed: the list shows them again.
    auto tagging = [&](void (*step)(ds::DataContext&, int)) {
        return [&ctx, &browse, ws, step] {
            step(ctx, ws);
            browse.refresh();
        };
    };

    screen.addButtons(182.5, 10,
                      {{{}, {}},
                       {QStringLiteral("View/&Update"), screen.actions().viewUpdate},
                       {{}, {}},
                       {QStringLiteral("&Search"), screen.actions().search},
                       {QStringLiteral("Re&port"), [&] { linked(links.report, [&] { notYet("The library report"); }); }},
                       {QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); }}});
    screen.addButtons(197.5, 10,
                      {{QStringLiteral("&Tag/Untag"), tagging(TAG)},
                       {QStringLiteral("Untag A&ll"), tagging(UNTAG)},
                       {QStringLiteral("Ta&g All"), tagging(TAGALL)},
                       {{}, {}},
                       {QStringLiteral("&Lib Code"), [&] { linked(links.libCode, [&] { LIBCODE(ctx, ws); }); }},
                       {QStringLiteral("C&hange Order"), [&] { CHNGORDR(browse); }}});
    screen.addButtons(212.5, 10,
                      {{QStringLiteral("Tag/&Num"), [&] { TAGNUM(ctx, ws, browse); }},
                       {registerMode ? QString() : QStringLiteral("Customers"), [&] {
                            if (!links.customers) return linked({}, [&] { notYet("The library users search"); });
                            linked([&] { links.customers(lib.eof() ? std::string() : ds::allTrim(lib.fieldValue("CODE").str())); },
                                   {});
                        }}});
    screen.run();
    return true;
}

}  // namespace mx::lib
