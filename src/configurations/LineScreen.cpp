// The frame of the configuration's line screens (see LineScreen.h).
#include "LineScreen.h"

#include "Error.h"
#include "Guarded.h"
#include "Lookup.h"
#include "NumberFormat.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Text.h"
#include "Ui.h"

namespace mx::configurations {

namespace {

using rt::Value;

// The trimmed description of stock item `code`; empty when it is not on
// file or `stock` cannot be opened. `stock` is closed again.
std::string stockDescription(ds::DataContext& ctx, const Value& code) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    if (!ds::OPNALIAS(ctx, "stock", false, true)) return {};
    std::string desc;
    try {
        rt::WorkArea& stock = s.openArea("STOCK");
        if (stock.seek(code, false)) desc = ds::allTrim(stock.fieldValue("DESC").str());
    } catch (const rt::DbError&) {
        desc.clear();
    }
    try {
        s.close("STOCK");
    } catch (const rt::DbError&) {
    }
    return desc;
}

// The area's order and filter as they were, put back on every way out.
struct RestrictionKeeper {
    rt::WorkArea& area;
    int order;
    std::string filter;
    explicit RestrictionKeeper(rt::WorkArea& a) : area(a), order(a.order()), filter(a.filterText()) {}
    ~RestrictionKeeper() {
        try {
            area.setFilter(filter);
            area.setOrder(order);
        } catch (...) {
        }
    }
};

}  // namespace

const std::vector<std::string>& lineFields() {
    static const std::vector<std::string> fields = {"ASSCODE", "STKCODE",   "DESC",  "TYPE",    "GROUPING", "QTY",
                                                    "CQTY",    "EACHQTY",   "AMOUNT", "AMOUNT2", "CONDITION", "LOWER",
                                                    "TAG",     "LABDESC",   "WASTAGE", "PANELCODE", "ADJUST", "ADJUST2"};
    return fields;
}

Value numberText(const Value& n, int width, int decimals) {
    return Value::character(rt::formatNumber(n.isNumeric() ? n.num() : 0.0, width, decimals));
}

void DetailPanel::add(const tk::Place& at, const std::string& field, const QString& picture, double width) {
    values_[field] = area_.fieldValue(field);
    tk::Place place = at;
    if (width > 0) place.width = width;
    if (place.height == 0) place.height = 12;
    tk::EditField* shown =
        dialog_.addField(place, values_[field], {.name = QString::fromStdString(field), .picture = picture, .readOnly = true});
    shown->setFocusPolicy(Qt::NoFocus);  // shown, not a stop of the Tab key
    fields_.emplace_back(field, shown);
}

void DetailPanel::refill() {
    for (auto& [field, control] : fields_) {
        values_[field] = area_.fieldValue(field);
        control->load();
    }
}

bool appendLine(ds::DataContext& ctx, rt::WorkArea& area, const CurrentConfiguration& current,
                std::vector<std::pair<std::string, Value>> extra) {
    extra.insert(extra.begin(), {"ASSCODE", current.code});
    return ia::appendRecord(ctx, area, extra);
}

std::function<bool()> stockCodeCheck(ds::DataContext& ctx, tk::Dialog& dialog, Value& code, Value& desc) {
    return [&ctx, &dialog, &code, &desc] {
        ia::LOOKUPW(ctx, code,
                    {.table = "stock",
                     .keyField = "stock->code",
                     .keyTitle = QStringLiteral("Code"),
                     .secondField = "stock->Desc",
                     .secondTitle = QStringLiteral("Name")});
        std::string text = stockDescription(ctx, code);
        const size_t width = desc.str().size();
        if (width > 0) text.resize(width, ' ');
        desc = Value::character(text);
        dialog.refresh();
        return true;
    };
}

void deleteOwnedLine(ds::DataContext& ctx, tk::Browse& list, const QString& question) {
    ia::guarded(ctx, [&] {
        const auto current = CurrentConfiguration::read(ctx);
        rt::WorkArea& area = list.area();
        if (!current || area.eof()) return;
        if (!tk::Ui::instance().yesNo(question)) return;
        ctx.session.select(area);
        if (!ds::RECLOCK(ctx, 2)) return;
        area.deleteRecord();
        area.commit();
        area.unlock();
        area.skip(-1);
        const std::string code = ds::trimRight(current->code.str());
        if (area.eof() || ds::trimRight(area.fieldValue("ASSCODE").str()) != code) area.seek(current->code, false);
    });
    list.resync();
}

void runLineScreen(ds::DataContext& ctx, rt::WorkArea& area, const LineScreenLayout& layout) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    const auto current = CurrentConfiguration::read(ctx);
    if (!current) return;

    tk::Browse* list = nullptr;
    ia::ScreenKeys* keysRef = nullptr;
    DetailPanel* panelRef = nullptr;
    // The panel shows the line again after an edit of it, not only after a move.
    auto refill = [&] {
        if (panelRef) panelRef->refill();
    };
    auto viewUpdate = [&] {
        if (!list) return;
        layout.edit(*list, *keysRef, false);
        refill();
    };
    auto add = [&] {
        if (!list) return;
        layout.edit(*list, *keysRef, true);
        refill();
    };
    auto remove = [&] {
        if (!list) return;
        layout.remove(*list);
        refill();
    };
    ia::ScreenKeys keys({.viewUpdate = viewUpdate, .add = add, .remove = remove, .search = {}});
    keysRef = &keys;
    keys.bind();

    RestrictionKeeper keeper(area);
    s.select(area);
    layout.restrict(area);
    area.seek(current->code, false);

    tk::Dialog dlg(current->title(layout.titlePrefix), layout.box);
    list = dlg.addBrowse(layout.list, s, area, layout.columns, [&area, &layout] { return layout.row(area); });
    list->setScope(layout.scopeKey, current->code, current->code);
    list->onDoubleClick(viewUpdate);
    DetailPanel panel(dlg, area);
    if (layout.detail) {
        layout.detail(panel, *current);
        panelRef = &panel;
        list->onChange(refill);
    }

    const double row = layout.buttonRow;
    double col = 10;
    auto button = [&](const QString& caption, std::function<void()> action) {
        dlg.addButton({row, col, 45, 12}, caption, std::move(action));
        col += 50;
    };
    button(QStringLiteral("&Add"), add);
    button(QStringLiteral("View/&Update"), viewUpdate);
    button(QStringLiteral("&Delete"), remove);
    if (layout.hasReport)
        button(QStringLiteral("Re&port"), [&] {
            if (!layout.report) {
                tk::Ui::instance().info(QString::fromUtf8(layout.reportName) +
                                        QStringLiteral(" is not available yet in this version of the program."));
                return;
            }
            // The report runs on the configuration whose lines are shown;
            // this screen's restriction and line come back afterwards.
            const std::uint32_t recno = area.recno();
            ia::guarded(ctx, [&] {
                s.select(s.openArea("ASSEMBLY"));
                layout.report();
            });
            ia::guarded(ctx, [&] {
                s.select(area);
                layout.restrict(area);
                area.goTo(recno);
            });
            keys.bind();
            list->resync();
            refill();
        });
    button(QStringLiteral("E&xit"), [&dlg] { dlg.end(); });

    keys.attach(dlg);
    refill();
    dlg.run();
}

}  // namespace mx::configurations
