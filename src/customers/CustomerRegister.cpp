// The customer register screen and its list operations (see CustomerRegister.h).
#include "CustomerRegister.h"

#include <cstdio>
#include <set>

#include "Catalogue.h"
#include "CustomerDialog.h"
#include "CustomerNote.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "Error.h"
#include "Guarded.h"
#include "HotKeyConvention.h"
#include "ListScreen.h"
#include "Prompts.h"
#include "RecordServices.h"
#include "SuiteViews.h"
#include "Opening.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"
#include "WaitCursor.h"

namespace mx::customers {

namespace {

using rt::Value;

Value mark(const rt::WorkArea& a, const char* field, const char* shown) {
    return Value::character(a.fieldValue(field).isTrue() ? shown : " ");
}

// `AMOUNT` as text, 7 wide with 2 decimals.
Value amountText(const Value& v) { return Value::character(ds::fixedText(v.isNumeric() ? v.num() : 0.0, 7, 2)); }

rt::WorkArea& register_(ds::DataContext& ctx) { return ctx.session.openArea("MITREX"); }

}  // namespace

bool findName(rt::WorkArea& mitrex, const std::string& name, bool tradingNameToo) {
    const std::string wanted = ds::upper(ds::allTrim(name));
    const int company = mitrex.fieldIndex("COMPANY"), trading = mitrex.fieldIndex("TRADINGAS");
    for (; !mitrex.eof(); mitrex.skip()) {
        if (ds::upper(mitrex.fieldValue(company).str()).find(wanted) != std::string::npos) return true;
        if (tradingNameToo && ds::upper(mitrex.fieldValue(trading).str()).find(wanted) != std::string::npos) return true;
    }
    return false;
}

void SRCH(ds::DataContext& ctx, tk::Browse& list, SearchState& search) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& mitrex = register_(ctx);
        ctx.session.select(mitrex);
        const std::string last = ds::allTrim(search.cname.str());
        QStringList choices{QStringLiteral("&Name")};
        // An "&" of the name is shown as it is, not as a hot letter.
        if (!last.empty()) choices << QStringLiteral("Nex&t ") + tk::toQ(last).replace('&', QStringLiteral("&&"));
        const int choice = ia::DECBOX(choices, 9, QStringLiteral("Search By:"));
        if (choice == 1) {
            Value name = search.cname;
            Value fromTop = Value::logical(true);
            tk::Dialog dlg(QStringLiteral("Name Search"), tk::Box{6, 6, 19, 81, tk::Unit::Cell});
            dlg.addText({1, 2}, QStringLiteral("Name:"));
            dlg.addField({1, 10, 240, 24}, name, {.name = QStringLiteral("CNAME")});
            dlg.addCheckBox({3, 10, 160, 24}, fromTop, QStringLiteral("&Start at Top"), QStringLiteral("STARTTOP"));
            tk::Button* ok = dlg.addButton({6, 10, 90, 24}, QStringLiteral("&OK"), [&dlg] { dlg.end(); });
            dlg.setDefaultButton(ok);
            if (!dlg.run()) return;  // Escape or the close box: no search
            search.cname = name;
            if (ds::allTrim(name.str()).empty()) return;
            if (fromTop.isTrue())
                mitrex.goTop();
            else if (!mitrex.eof())
                mitrex.skip();
            if (!findName(mitrex, name.str(), true)) mitrex.goBottom();
        } else if (choice == 2) {
            if (!mitrex.eof()) mitrex.skip();
            if (!findName(mitrex, last, false)) mitrex.goBottom();
        } else {
            return;
        }
        list.resync();
    });
}

void TAG(ds::DataContext& ctx) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& mitrex = register_(ctx);
        ctx.session.select(mitrex);
        if (mitrex.eof()) return;
        if (!ds::RECLOCK(ctx, 2)) {
            tk::Ui::instance().alert(ia::kUnableToLock);
            return;
        }
        mitrex.setField("TAG", Value::logical(!mitrex.fieldValue("TAG").isTrue()));
        mitrex.unlock();
    });
}

void UNTAG1(ds::DataContext& ctx) {
    ia::guarded(ctx, [&] {
        rt::WorkArea* area = ctx.session.selected();
        if (!area || area->fieldIndex("TAG") < 0) return;
        const std::uint32_t here = area->recno();
        for (area->goTop(); !area->eof(); area->skip()) {
            if (!area->fieldValue("TAG").isTrue() || !ds::RECLOCK(ctx, 2)) continue;
            area->setField("TAG", Value::logical(false));
            area->unlock();
        }
        area->goTo(here);
    });
}

void DEL(ds::DataContext& ctx, tk::Browse& list) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& mitrex = register_(ctx);
        ctx.session.select(mitrex);
        if (mitrex.eof()) return;
        if (!tk::Ui::instance().yesNo(QStringLiteral("Delete This Entry?"))) return;
        if (!ds::RECLOCK(ctx, 2)) {
            tk::Ui::instance().alert(ia::kUnableToLock);
            return;
        }
        mitrex.deleteRecord();
        mitrex.unlock();
        mitrex.skip();
        if (mitrex.eof()) mitrex.goBottom();
    });
    list.resync();
}

void MITREX(ds::DataContext& ctx, int ws, const lib::LibraryLinks& library) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    SearchState search;
    // The keys of every list screen: Enter modifies, Insert adds, Delete
    // deletes and F2 searches, as the buttons do.
    ia::ListScreen screen(ctx, QString::fromUtf8(kRegisterTitle), tk::Box{10, 10, 535, 1190});
    screen.setActions({.viewUpdate = screen.onList([&](tk::Browse& l) { UPD(ctx, l, screen.keys(), false); }),
                       .add = screen.onList([&](tk::Browse& l) { UPD(ctx, l, screen.keys(), true); }),
                       .remove = screen.onList([&](tk::Browse& l) { DEL(ctx, l); }),
                       .search = screen.onList([&](tk::Browse& l) { SRCH(ctx, l, search); })});
    {
        tk::WaitCursor busy;
        if (!openRegister(ctx)) return;
    }
    rt::WorkArea& mitrex = s.openArea("MITREX");

    tk::Browse& list = screen.addList({10, 10, 572.5, 217.5}, mitrex,
                                     {{QStringLiteral("T"), 20}, {QStringLiteral("L"), 20}, {QStringLiteral("#"), 20},
                                      {QStringLiteral("Company"), 220}, {QStringLiteral("Email"), 180},
                                      {QStringLiteral("C"), 20}, {QStringLiteral("S"), 20},
                                      {QStringLiteral("Suite Code"), 130}, {QStringLiteral("Version"), 50},
                                      // State, Changed and Amount a little wider
                                      // than given, so that their texts show
                                      // whole in the dialog font.
                                      {QStringLiteral("State"), 40},
                                      {QStringLiteral("Manager"), 120},
                                      {QStringLiteral("Changed"), 65},
                                      {QStringLiteral("Amount"), 60, Qt::AlignRight},
                                      {QStringLiteral("Trading Name"), 250}},
                                     [&mitrex] {
                                         return std::vector<Value>{mark(mitrex, "TAG", "*"),
                                                                   mark(mitrex, "LITE", "*"),
                                                                   mark(mitrex, "TAG1", "#"),
                                                                   mitrex.fieldValue("COMPANY"),
                                                                   mitrex.fieldValue("EMAIL"),
                                                                   mark(mitrex, "COD", "C"),
                                                                   mark(mitrex, "CLOSED", "S"),
                                                                   mitrex.fieldValue("LIBCODE1"),
                                                                   mitrex.fieldValue("VERSION"),
                                                                   mitrex.fieldValue("STATE1"),
                                                                   mitrex.fieldValue("MGR"),
                                                                   mitrex.fieldValue("CHANGED"),
                                                                   amountText(mitrex.fieldValue("AMOUNT")),
                                                                   mitrex.fieldValue("TRADINGAS")};
                                     });
    // After a new order or restriction: the first row, the list rebuilt.
    auto fromTop = [&] {
        ia::guarded(ctx, [&] { mitrex.goTop(); });
        list.resync();
    };

    constexpr double kFirst = 232.5, kSecond = 247.5;
    screen.addButton({kFirst, 10, 45, 12}, QStringLiteral("&Add"), screen.actions().add);
    screen.addButton({kFirst, 60, 45, 12}, QStringLiteral("&Modify"), screen.actions().viewUpdate);
    screen.addButton({kFirst, 110, 45, 12}, QStringLiteral("&Delete"), screen.actions().remove);
    screen.addButton({kFirst, 160, 45, 12}, QStringLiteral("&Search"), screen.actions().search);
    screen.addButton({kFirst, 210, 45, 12}, QStringLiteral("&Print"), [&] {
        list.print(QString::fromUtf8(kRegisterTitle));
        list.refresh();
    });
    screen.addButton({kFirst, 260, 45, 12}, QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); });
    screen.addButton({kFirst, 360, 45, 12}, QStringLiteral("Sort/State"), [&] {
        SETSTATEORDER(ctx);
        fromTop();
    });
    screen.addButton({kFirst, 410, 45, 12}, QStringLiteral("Chk Lib"), [&] {
        SHOWUSERS(ctx);
        fromTop();
    });
    screen.addButton({kSecond, 10, 45, 12}, QStringLiteral("&Tag"), [&] {
        TAG(ctx);
        list.refresh();
    });
    screen.addButton({kSecond, 110, 45, 12}, QStringLiteral("&Notes"), [&] {
        ia::guarded(ctx, [&] {
            if (mitrex.eof()) return;
            MXNOTE(ctx, mitrex.fieldValue(ds::kCustomerKeyField), ds::trimRight(mitrex.fieldValue("COMPANY").str()));
        });
        screen.restore();
    });
    screen.addButton({kSecond, 160, 45, 12}, QStringLiteral("S&how Lib"), [&] {
        ia::guarded(ctx, [&] {
            if (mitrex.eof()) return;
            SHOWLIB(ctx, ws, ds::allTrim(mitrex.fieldValue("LIBCODE1").str()),
                    ds::trimRight(mitrex.fieldValue("COMPANY").str()));
        });
        list.resync();
    });
    screen.addButton({kSecond, 210, 45, 12}, QStringLiteral("&Library"), [&] {
        // The library screen leaves `lib` (held exclusively) and what else
        // it opened open; the register closes them at once, so that other
        // workstations can use the library while the register stands.
        std::set<std::string> before;
        for (rt::WorkArea* a : s.areas()) before.insert(a->alias());
        ia::guarded(ctx, [&] { lib::LIB(ctx, ws, true, library); });
        std::vector<std::string> opened;
        for (rt::WorkArea* a : s.areas())
            if (!before.count(a->alias())) opened.push_back(a->alias());
        for (const std::string& alias : opened) ds::closeQuietly(s, alias.c_str());
        screen.restore();
    });
    screen.addButton({kSecond, 260, 45, 12}, QStringLiteral("Acct Manager"), [&] {
        selectRegisterOrder(ctx, kManagerOrder);
        fromTop();
    });
    screen.addButton({kSecond, 310, 45, 12}, QStringLiteral("Sort / Amt"), [&] {
        selectRegisterOrder(ctx, kAmountOrder);
        fromTop();
    });
    screen.addButton({kSecond, 360, 45, 12}, QStringLiteral("Sort/Change"), [&] {
        SETCHANGEORDER(ctx);
        fromTop();
    });

    screen.run();
}

}  // namespace mx::customers
