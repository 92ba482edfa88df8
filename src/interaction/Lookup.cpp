// LOOKUPW (see Lookup.h): the exact seek, the soft seek, and the lookup
// dialog with its browse, buttons and hot keys.
#include "Lookup.h"

#include <charconv>

#include "Dialog.h"
#include "Expression.h"
#include "HotKeyConvention.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "Search.h"
#include "Text.h"
#include "TextCodec.h"
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

DialogTables::~DialogTables() {
    for (const std::string& alias : opened_) ds::closeQuietly(ctx_.session, alias);
}

rt::WorkArea* DialogTables::open(const std::string& aliasIn, const QString& without) {
    rt::Session& session = ctx_.session;
    const std::string alias = ds::upper(aliasIn);
    if (missing_.count(alias)) return nullptr;
    if (rt::WorkArea* area = session.area(alias)) {
        session.select(*area);
        return area;
    }
    // The opening service's words are gathered, to be told in the one box.
    ds::RecordingSink told;
    ds::DataContext quiet(session, told, ctx_.sleeper, ctx_.dataDir);
    quiet.security = ctx_.security;
    quiet.user = ctx_.user;
    quiet.readOnly = ctx_.readOnly;
    quiet.toldDamaged = ctx_.toldDamaged;
    quiet.tellDamaged = ctx_.tellDamaged;
    std::optional<rt::DbError> failure;
    ds::OpenOptions options;
    options.lastError = &failure;
    const bool opened = ds::OPNALIAS(quiet, alias, /*exclusive=*/false, /*withIndexes=*/true, options);
    ctx_.toldDamaged = quiet.toldDamaged;
    if (opened) {
        for (const ds::RecordingSink::Message& m : told.messages()) {
            if (m.kind == ds::RecordingSink::Kind::Alert) ctx_.sink.alert(m.text);
            else if (m.kind == ds::RecordingSink::Kind::Info) ctx_.sink.info(m.text);
            else if (m.kind == ds::RecordingSink::Kind::Timed) ctx_.sink.timed(m.text, m.seconds);
            else ctx_.sink.status(m.text);
        }
        opened_.insert(alias);
        return session.area(alias);
    }
    missing_.insert(alias);
    const QString name = QString::fromStdString(ds::allTrim(aliasIn));
    QString why;
    if (failure && failure->kind() == rt::ErrorKind::Busy) {
        why = QStringLiteral("The table %1 is in use on another workstation.").arg(name);
    } else {
        why = QStringLiteral("The table %1 cannot be opened.").arg(name);
        for (const std::string& text : told.alerts()) why += QStringLiteral(" ") + tk::toQ(text);
    }
    tk::Ui::instance().alert(why + QStringLiteral(" ") + without);
    return nullptr;
}

void DialogTables::close(const std::string& aliasIn) {
    const std::string alias = ds::upper(aliasIn);
    if (opened_.erase(alias)) ds::closeQuietly(ctx_.session, alias);
}

bool DialogTables::missing(const std::string& alias) const { return missing_.count(ds::upper(alias)) != 0; }

bool LOOKUPW(ds::DataContext& ctx, rt::Value& value, const LookupOptions& o) {
    rt::Session& session = ctx.session;
    const std::string alias = ds::upper(o.table);
    rt::SelectionGuard selection(session);
    OrderRestorer restoreOrder{session, alias};

    rt::WorkArea* area = nullptr;
    if (o.tables) {
        area = o.tables->open(alias, kLookupWithout);
        if (!area) return true;  // told once by the dialog's tables
        restoreOrder.order = area->order();
    } else if (o.alreadyOpen) {
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
        if (!o.alreadyOpen && !o.tables) session.close(alias);
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
