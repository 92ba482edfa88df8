// The suites of a customer and the customers of a library entry (see SuiteViews.h).
#include "SuiteViews.h"

#include <cstdio>
#include <optional>

#include "CodeArithmetic.h"
#include "Dialog.h"
#include "Error.h"
#include "Guarded.h"
#include "LibraryCodes.h"
#include "Lookup.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"
#include "WaitCursor.h"
#include "WorkstationTags.h"

namespace mx::customers {

namespace {

using rt::Value;

Value twoDigits(const Value& v) { return Value::character(ds::fixedText(v.isNumeric() ? v.num() : 0.0, 2, 0)); }

}  // namespace

void SHOWLIB(ds::DataContext& ctx, int ws, const std::string& code, const std::string& company) {
    rt::Session& s = ctx.session;
    const std::string field = lib::tagFieldName(ws);
    const std::string scratch = lib::scratchTableName(ws);
    if (field.empty() || scratch.empty()) {
        tk::Ui::instance().alert(QStringLiteral("The suites of a customer cannot be shown on workstation %1: only "
                                                "workstations 1 to 9 have a tag field in the library and a scratch "
                                                "table of their own.")
                                     .arg(ws));
        return;
    }
    rt::SelectionGuard selection(s);
    const bool scratchWasOpen = s.area(scratch) != nullptr;
    ia::guarded(ctx, [&] {
        std::optional<tk::WaitCursor> busy(std::in_place);
        if (!ds::OPNALIAS(ctx, "lib", true, false)) return;
        rt::WorkArea& lib = s.openArea("LIB");
        // Held exclusively: no record locks are needed.
        const int tag = lib.fieldIndex(field);
        const std::uint32_t count = lib.recordCount();
        for (std::uint32_t r = 1; r <= count; ++r) {
            lib.goTo(r);
            if (lib.fieldValue(tag).isTrue()) lib.setField(tag, Value::logical(false));
        }
        lib.commit();
        if (!lib::tagBySuiteCode(ctx, ws, code)) return;

        s.select(lib);
        lib.setFilter(field);
        lib.goTop();
        busy.reset();

        tk::Dialog dlg(QStringLiteral("Library Details For ") + tk::toQ(company), tk::Box{40, 40, 525, 690});
        // A double click on a row does nothing: the view only shows the
        // entries; they are changed on the library screen.
        dlg.addBrowse({10, 10, 307.5, 212.5}, s, lib,
                      {{QStringLiteral("Code"), 80},
                       {QStringLiteral("Description"), 180},
                       {QStringLiteral("Category"), 90},
                       {QStringLiteral("Lib Id"), 40}},
                      [&lib] {
                          return std::vector<Value>{lib.fieldValue("CODE"), lib.fieldValue("DESC"),
                                                    lib.fieldValue("CATEGORY"), twoDigits(lib.fieldValue("SERIAL"))};
                      });
        dlg.addButton({227.5, 10, 45, 12}, QStringLiteral("&OK"), [&dlg] { dlg.end(); });
        dlg.run();
    });
    ds::closeQuietly(s, "LIB");
    if (!scratchWasOpen) ds::closeQuietly(s, scratch);
}

long markLibraryCodeUsers(ds::DataContext& ctx, const std::string& code) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    rt::WorkArea& mitrex = s.openArea("MITREX");
    s.select(mitrex);
    mitrex.setFilter("");
    const int mark = mitrex.fieldIndex("TAG1"), suites = mitrex.fieldIndex("LIBCODE1");
    auto setMark = [&](bool value) {
        if (!ds::RECLOCK(ctx, 2)) return false;  // the customer keeps its mark
        mitrex.setField(mark, Value::logical(value));
        mitrex.unlock();
        return true;
    };
    const std::uint32_t count = mitrex.recordCount();
    for (std::uint32_t r = 1; r <= count; ++r) {
        mitrex.goTo(r);
        if (mitrex.fieldValue(mark).isTrue()) setMark(false);
    }
    if (ds::allTrim(code).empty()) return 0;  // a blank code names no entry

    // The entry the code names and, for each position of a suite code, the
    // entry a decode would tag there: the first in order 3 holding it.
    const bool libWasOpen = s.area("LIB") != nullptr;
    if (!ds::OPNALIAS(ctx, "lib", false, true)) return -1;
    rt::WorkArea& lib = s.openArea("LIB");
    std::uint32_t wanted = 0;
    lib::SuiteEntryIndex entries;
    try {
        if (lib.orderCount() >= 3) lib.setOrder(3);
        for (lib.goTop(); !lib.eof(); lib.skip())
            entries.add(lib.fieldValue("GROUP").num(), lib.fieldValue("NUMBER").num(), lib.recno());
        lib.setOrder(lib.orderCount() >= 1 ? 1 : 0);
        // The code is sought whole: "AB" is not the start of "ABC".
        std::string whole = ds::trimRight(code);
        if (const int c = lib.fieldIndex("CODE"); c >= 0) {
            const std::size_t width = static_cast<std::size_t>(lib.field(c).length);
            if (whole.size() < width) whole.resize(width, ' ');
        }
        if (lib.orderCount() >= 1 && lib.seek(Value::character(whole), false)) wanted = lib.recno();
    } catch (const rt::DbError&) {
        if (!libWasOpen) ds::closeQuietly(s, "LIB");
        throw;
    }
    if (!libWasOpen) ds::closeQuietly(s, "LIB");
    if (wanted == 0) return 0;

    s.select(mitrex);
    long marked = 0;
    for (std::uint32_t r = 1; r <= count; ++r) {
        mitrex.goTo(r);
        if (mitrex.deleted() || !entries.names(mitrex.fieldValue(suites).str(), wanted)) continue;
        marked += setMark(true);
    }
    return marked;
}

void SHOWUSERS(ds::DataContext& ctx) {
    rt::Session& s = ctx.session;
    const bool libWasOpen = s.area("LIB") != nullptr;
    Value code = Value::character(std::string(10, ' '));
    bool ok = false;
    tk::Dialog dlg(QString::fromUtf8(kCheckerTitle), tk::Box{140, 100, 280, 480});
    dlg.setCentred(true);
    dlg.addText({20, 10}, QStringLiteral("Code to Check:"));
    // A blank code is taken as it is (every customer), without the pick list.
    const std::function<bool()> lookUp =
        ia::lookupField(ctx, dlg, code, {.table = "lib", .keyField = "lib->Code", .keyTitle = QStringLiteral("Code"),
                                         .secondField = "lib->Desc", .secondTitle = QStringLiteral("Name")});
    dlg.addField({18, 95, 80, 12}, code,
                 {.name = QStringLiteral("CODE"), .picture = QStringLiteral("@!"), .valid = [&code, lookUp] {
                      return ds::allTrim(code.str()).empty() || lookUp();
                  }});
    // Enter in the code field checks it, then presses "OK".
    dlg.setDefaultButton(dlg.addButton({55, 10, 45, 12}, QStringLiteral("OK"), [&] {
        ok = true;
        dlg.end();
    }));
    dlg.addButton({55, 60, 45, 12}, QStringLiteral("Cancel"), [&dlg] { dlg.end(); });
    dlg.run();

    ia::guarded(ctx, [&] {
        if (!ok) return;
        long marked = 0;
        {
            tk::WaitCursor busy;
            marked = markLibraryCodeUsers(ctx, code.str());
        }
        rt::WorkArea& mitrex = s.openArea("MITREX");
        s.select(mitrex);
        const std::string checked = ds::allTrim(code.str());
        // A code no customer holds says so, and the register lists everyone
        // rather than nobody.
        if (marked == 0 && !checked.empty())
            tk::Ui::instance().info(QStringLiteral("No customer has a suite code with the library code ") + tk::toQ(checked) +
                                    QStringLiteral("."));
        if (marked > 0) mitrex.setFilter("TAG1");
        mitrex.goTop();
    });
    // The lookup may have left `lib` open: other workstations need it.
    if (!libWasOpen) ds::closeQuietly(s, "LIB");
    if (s.area("MITREX")) s.select("MITREX");
}

}  // namespace mx::customers
