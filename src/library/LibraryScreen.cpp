#include "LibraryScreen.h"

#include <cmath>
#include <cstdio>

#include "Dialog.h"
#include "EditDialog.h"
#include "Error.h"
#include "Guarded.h"
#include "HotKeyConvention.h"
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

Value twoDigits(const Value& v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%2.0f", v.isNumeric() ? v.num() : 0.0);
    return Value::character(buf);
}

bool tagOf(const rt::WorkArea& lib, int ws) {
    std::string field = tagFieldName(ws);
    const Value v = lib.fieldValue(field.empty() ? "TAG" : field);
    return v.isTrue();
}

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
        if (field.empty() || lib.eof() || !ds::RECLOCK(ctx, 2)) return;
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
    rt::Settings& settings = ctx.session.settings();
    const bool softBefore = settings.softSeek;
    settings.softSeek = true;
    ia::guarded(ctx, [&] {
        Value code = Value::character(std::string(8, ' '));
        if (!ia::MSGGET1(QStringLiteral("Search"), QStringLiteral("Library / Suite Code"), code,
                         QString::fromStdString(ds::dataFile(ctx, ia::kSearchBitmap.toStdString()))))
            return;
        rt::WorkArea& area = browse.area();
        if (!area.seek(Value::character(ds::upper(ds::allTrim(code.str()))), true)) {
            tk::Ui::instance().alert(QStringLiteral("No Match Found"));
            area.goTop();
        }
        browse.resync();
    });
    settings.softSeek = softBefore;
}

void UPD(ds::DataContext& ctx, tk::Browse& browse, bool adding) {
    // The keys the screen binds again when the dialog closes.
    ia::ScreenKeys screenKeys({.viewUpdate = [&ctx, &browse] { UPD(ctx, browse, false); },
                               .add = [&ctx, &browse] { UPD(ctx, browse, true); },
                               .remove = {},
                               .search = [&ctx, &browse] { SRCH(ctx, browse); }});
    ia::guarded(ctx, [&] {
        rt::WorkArea& lib = browse.area();
        ctx.session.select(lib);
        if (adding) {
            // The append service tells of a failure itself; the blank entry
            // stays even when the dialog is cancelled.
            if (!ds::ADDREC(ctx, 2)) return;
            lib.unlock();  // no lock is held while the dialog is open
            browse.resync();
        }
        if (lib.eof()) return;

        ia::EditDialog edit(ctx, lib, QString::fromUtf8(kLibEntryTitle), tk::Box{50, 50, 280, 720});
        edit.copy({"CODE", "DESC", "TAG", "SERIAL", "MAXADJUST", "CATEGORY"});
        tk::Dialog& dlg = edit.dialog();
        dlg.addText({7, 10}, QStringLiteral("Code:"));
        dlg.addField({5, 55, 80, 12}, edit["CODE"], {.name = "CODE", .picture = "@!"});
        dlg.addText({20, 10}, QStringLiteral("Description:"));
        dlg.addField({18, 55, 150, 12}, edit["DESC"], {.name = "DESC", .picture = "@!"});
        dlg.addText({33, 10}, QStringLiteral("Tag:"));
        dlg.addField({31, 55, 12, 12}, edit["TAG"], {.name = "TAG", .picture = "Y"});
        dlg.addText({46, 10}, QStringLiteral("Number:"));
        dlg.addField({44, 55, 30, 12}, edit["SERIAL"], {.name = "SERIAL", .picture = "99", .readOnly = true});
        dlg.addText({59, 10}, QStringLiteral("Manual Tol.:"));
        dlg.addField({57, 55, 30, 12}, edit["MAXADJUST"], {.name = "MAXADJUST", .picture = "99"});
        dlg.addText({72, 10}, QStringLiteral("Category:"));
        rt::Value& category = edit["CATEGORY"];
        dlg.addField({70, 55, 90, 12}, category,
                     {.name = "CATEGORY", .picture = "@!", .valid = [&] {
                          ia::LOOKUPW(ctx, category,
                                      {.table = "libcat",
                                       .keyField = "libcat->Code",
                                       .keyTitle = QStringLiteral("Code"),
                                       .secondField = "libcat->Desc",
                                       .secondTitle = QStringLiteral("Name")});
                          dlg.refresh();
                          return true;
                      }});
        edit.addSaveCancel({100, 10, 45, 12}, {100, 60, 45, 12});
        edit.run(screenKeys);
    });
    browse.resync();
}

bool LIB(ds::DataContext& ctx, int ws, bool registerMode, const LibraryLinks& links) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    tk::Browse* browse = nullptr;
    auto viewUpdate = [&] {
        if (browse) UPD(ctx, *browse, false);
    };
    ia::ScreenKeys keys({.viewUpdate = viewUpdate,
                         .add = [&] {
                             if (browse) UPD(ctx, *browse, true);
                         },
                         .remove = {},
                         .search = [&] {
                             if (browse) SRCH(ctx, *browse);
                         }});
    keys.bind();
    struct ReleaseAfter {
        ~ReleaseAfter() { tk::HotKeys::instance().apply(ia::closedScreenKeys()); }
    } releaseAfter;

    if (!ds::OPNALIAS(ctx, "lib", true, true)) return false;
    rt::WorkArea& lib = libArea(ctx);
    lib.goTop();

    tk::Dialog dlg(QString::fromUtf8(kLibTitle), tk::Box{10, 100, 465, 800});
    browse = dlg.addBrowse({10, 10, 332.5, 167.5}, s, lib,
                           {{QStringLiteral("Code"), 80},
                            {QStringLiteral("Description"), 180},
                            {QStringLiteral("Category"), 90},
                            {QStringLiteral("Tag"), 45},
                            {QStringLiteral("No"), 50},
                            {QStringLiteral("Max Tol"), 60}},
                           [&lib, ws] {
                               return std::vector<Value>{lib.fieldValue("CODE"),
                                                         lib.fieldValue("DESC"),
                                                         lib.fieldValue("CATEGORY"),
                                                         Value::character(tagOf(lib, ws) ? "*" : " "),
                                                         twoDigits(lib.fieldValue("SERIAL")),
                                                         twoDigits(lib.fieldValue("MAXADJUST"))};
                           });
    browse->onDoubleClick(viewUpdate);
    tk::Ui& ui = tk::Ui::instance();
    auto notYet = [&ui](const char* what) {
        ui.info(QString::fromUtf8(what) + QStringLiteral(" is not available yet in this version of the program."));
    };

    dlg.addButton({182.5, 60, 45, 12}, QStringLiteral("View/&Update"), viewUpdate);
    dlg.addButton({182.5, 160, 45, 12}, QStringLiteral("&Search"), [&] { SRCH(ctx, *browse); });
    dlg.addButton({182.5, 210, 45, 12}, QStringLiteral("Re&port"), [&] {
        if (links.report)
            ia::guarded(ctx, links.report);
        else
            notYet("The library report");
        browse->resync();
    });
    dlg.addButton({182.5, 260, 45, 12}, QStringLiteral("E&xit"), [&dlg] { dlg.end(); });
    dlg.addButton({197.5, 10, 45, 12}, QStringLiteral("&Tag/Untag"), [&] {
        TAG(ctx, ws);
        browse->refresh();
    });
    dlg.addButton({197.5, 60, 45, 12}, QStringLiteral("Untag A&ll"), [&] {
        UNTAG(ctx, ws);
        browse->refresh();
    });
    dlg.addButton({197.5, 110, 45, 12}, QStringLiteral("Ta&g All"), [&] {
        TAGALL(ctx, ws);
        browse->refresh();
    });
    dlg.addButton({197.5, 210, 45, 12}, QStringLiteral("&Lib Code"), [&] {
        if (links.libCode)
            ia::guarded(ctx, links.libCode);
        else
            LIBCODE(ctx);
        browse->resync();
    });
    dlg.addButton({197.5, 260, 45, 12}, QStringLiteral("C&hange Order"), [&] { CHNGORDR(*browse); });
    dlg.addButton({212.5, 10, 45, 12}, QStringLiteral("Tag/&Num"), [&] { TAGNUM(ctx, ws, *browse); });
    if (!registerMode)
        dlg.addButton({212.5, 60, 45, 12}, QStringLiteral("Customers"), [&] {
            if (links.customers)
                ia::guarded(ctx, [&] { links.customers(lib.eof() ? std::string() : ds::allTrim(lib.fieldValue("CODE").str())); });
            else
                notYet("The library users search");
            browse->resync();
        });

    keys.attach(dlg);
    dlg.run();
    return true;
}

}  // namespace mx::lib
