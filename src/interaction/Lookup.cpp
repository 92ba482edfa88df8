// LOOKUPW (see Lookup.h): the exact seek, the soft seek, and the lookup
// dialog with its browse, buttons and hot keys.
#include "Lookup.h"

#include <charconv>

#include "Dialog.h"
#include "Expression.h"
#include "HotKeyConvention.h"
#include "Opening.h"
#include "Search.h"
#include "Text.h"
#include "Ui.h"

namespace mx::ia {

namespace {

// The order number held in text; text that holds none gives order 1.
int orderNumber(const std::string& text) {
    const char* b = text.data();
    const char* e = b + text.size();
    while (b < e && *b == ' ') ++b;
    int n = 1;
    std::from_chars(b, e, n);
    return n;
}

// Text loses its trailing blanks; other values are sought as they are.
rt::Value trimmedForSoftSeek(const rt::Value& v) {
    return v.isCharacter() ? rt::Value::character(ds::trimRight(v.str())) : v;
}

// Puts the table's index order back on every way out, when it was open before.
struct OrderRestorer {
    rt::Session& session;
    std::string alias;
    int order = -1;  // -1: nothing to restore
    ~OrderRestorer() {
        if (order < 0) return;
        try {
            if (rt::WorkArea* a = session.area(alias)) a->setOrder(order);
        } catch (...) {
        }
    }
};

// The dialog's layout, in the toolkit's layout units relative to the box.
struct LookupLayout {
    double browseWidth, browseHeight, buttonRow;
    static LookupLayout of(int top, int left, int bottom, int right) {
        return {double(right - left - 202), double(bottom - top - 180), double(bottom - top - 170)};
    }
};

void runLookupDialog(rt::Session& session, rt::WorkArea& area, rt::Value& value, const LookupOptions& o,
                     const QString& searchBitmap) {
    session.select(area);
    rt::Expression key = rt::Expression::compile(o.keyField, session);
    rt::Expression second = o.secondField.empty() ? rt::Expression() : rt::Expression::compile(o.secondField, session);
    const LookupLayout at = LookupLayout::of(o.top, o.left, o.bottom, o.right);

    tk::Dialog dlg(QStringLiteral("Lookup"), tk::Box{double(o.top), double(o.left), double(o.bottom), double(o.right)});
    tk::Browse* browse = dlg.addBrowse({0, 0, at.browseWidth, at.browseHeight}, session, area,
                                       {{o.keyTitle, 100}, {o.secondTitle, 150}}, [&] {
                                           return std::vector<rt::Value>{key.evaluate(session),
                                                                         second.evaluate(session)};
                                       });
    browse->onDoubleClick([] {});
    auto select = [&] {
        if (!area.eof()) value = key.evaluate(session);
        dlg.end();
    };
    auto search = [browse, &searchBitmap] { SRCH(*browse, searchBitmap); };
    dlg.addButton({at.buttonRow, 10, 45, 12}, QStringLiteral("S&elect"), select);
    dlg.addButton({at.buttonRow, 62, 45, 12}, QStringLiteral("&Search"), search);
    dlg.addButton({at.buttonRow, 112, 45, 12}, QStringLiteral("E&xit"), [&dlg] { dlg.reject(); });
    dlg.setKeys({{tk::HotKeys::Enter, select}, {tk::HotKeys::F2, search}}, lookupClosedKeys());
    dlg.run();
}

}  // namespace

bool LOOKUPW(ds::DataContext& ctx, rt::Value& value, const LookupOptions& o) {
    rt::Session& session = ctx.session;
    const std::string alias = ds::upper(o.table);
    rt::SelectionGuard selection(session);
    OrderRestorer restoreOrder{session, alias};

    rt::WorkArea* area = nullptr;
    if (o.alreadyOpen) {
        area = session.area(alias);
        if (area) {
            session.select(*area);
            restoreOrder.order = area->order();
        }
    } else if (ds::OPNALIAS(ctx, alias, /*exclusive=*/false, /*withIndexes=*/true)) {
        area = session.area(alias);
    }
    if (!area) {
        tk::Ui::instance().timed(kLookupUnavailable, 1.0, QStringLiteral("Information"));
        return true;
    }

    area->setOrder(orderNumber(o.order));
    if (area->seek(value, /*soft=*/false)) {
        if (!o.alreadyOpen) session.close(alias);
        return true;
    }
    area->seek(trimmedForSoftSeek(value), /*soft=*/true);

    runLookupDialog(session, *area, value, o, QString::fromStdString(ds::dataFile(ctx, kSearchBitmap.toStdString())));
    tk::HotKeys::instance().apply(lookupClosedKeys());
    return true;
}

std::function<bool()> lookupField(ds::DataContext& ctx, tk::Dialog& dialog, rt::Value& value, LookupOptions options) {
    return [&ctx, &dialog, &value, options = std::move(options)] {
        LOOKUPW(ctx, value, options);
        dialog.refresh();
        return true;
    };
}

}  // namespace mx::ia
