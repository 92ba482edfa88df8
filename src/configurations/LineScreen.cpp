// The frame of the configuration's line screens (see LineScreen.h).
#include "LineScreen.h"

#include <optional>

#include "Error.h"
#include "Guarded.h"
#include "ListScreen.h"
#include "Lookup.h"
#include "NumberFormat.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Text.h"
#include "Ui.h"

namespace mx::configurations {

namespace {

using rt::Value;

// The trimmed description of stock item `code`, empty when it is not on
// file; nullopt when `stock` cannot be had. Read through the dialog's tables.
std::optional<std::string> stockDescription(ia::DialogTables& tables, const Value& code) {
    rt::WorkArea* stock = tables.open("stock", ia::kLookupWithout);
    if (!stock) return std::nullopt;
    std::string desc;
    try {
        const int order = stock->order();
        stock->setOrder(stock->orderCount() > 0 ? 1 : 0);
        if (stock->seek(code, false)) desc = ds::allTrim(stock->fieldValue("DESC").str());
        stock->setOrder(order);
    } catch (const rt::DbError&) {
        desc.clear();
    }
    return desc;
}

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

void DetailPanel::place(const std::vector<DetailItem>& items, bool manualPanels) {
    for (const DetailItem& item : items) {
        if (item.withPanels && !manualPanels) continue;
        if (item.field.empty())
            dialog_.addText({labelAt(item.row), item.col}, item.caption);
        else
            add({fieldAt(item.row), item.col}, item.field, item.picture, item.width);
    }
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

std::function<bool()> stockCodeCheck(ds::DataContext& ctx, ia::DialogTables& tables, tk::Dialog& dialog, Value& code,
                                     Value& desc) {
    return [&ctx, &tables, &dialog, &code, &desc] {
        rt::SelectionGuard selection(ctx.session);
        ia::LOOKUPW(ctx, code, {.table = "stock", .keyField = "stock->code", .keyTitle = QStringLiteral("Code"),
                                .secondField = "stock->Desc", .secondTitle = QStringLiteral("Name"), .tables = &tables});
        // Without `stock` the description stays as it stands.
        if (std::optional<std::string> text = stockDescription(tables, code)) {
            const size_t width = desc.str().size();
            if (width > 0) text->resize(width, ' ');
            desc = Value::character(*text);
        }
        dialog.refresh();
        return true;
    };
}

void openLineEdit(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, const CurrentConfiguration& current,
                  bool adding, const std::function<ia::EditOutcome()>& show, std::vector<std::pair<std::string, Value>> extra) {
    auto append = [&] {
        if (!appendLine(ctx, list.area(), current, std::move(extra))) return false;
        list.resync();
        return true;
    };
    ia::openEdit(ctx, list, screen, adding, append, show);
}

void deleteOwnedLine(ds::DataContext& ctx, tk::Browse& list, const CurrentConfiguration& current, const QString& question) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& area = list.area();
        if (area.eof()) return;
        if (!tk::Ui::instance().yesNo(question)) return;
        ctx.session.select(area);
        if (!ds::RECLOCK(ctx, 2)) {
            tk::Ui::instance().alert(ia::kUnableToLock);
            return;
        }
        area.deleteRecord();
        area.commit();
        area.unlock();
        area.skip(-1);
        const std::string code = ds::trimRight(current.code.str());
        if (area.eof() || ds::trimRight(area.fieldValue("ASSCODE").str()) != code) area.seek(current.code, false);
    });
    list.resync();
}

void runLineScreen(ds::DataContext& ctx, rt::WorkArea& area, const CurrentConfiguration& current,
                   const LineScreenLayout& layout, const std::function<void()>& report) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    ia::ListScreen screen(ctx, current.title(layout.titlePrefix), layout.box);
    DetailPanel panel(screen.dialog(), area);
    // The panel shows the line again after an edit of it, not only after a move.
    auto then = [&panel](const std::function<void(tk::Browse&)>& step) {
        return [&panel, step](tk::Browse& list) {
            step(list);
            panel.refill();
        };
    };
    screen.setActions(
        {.viewUpdate = screen.onList(then([&](tk::Browse& l) { layout.edit(ctx, l, screen.keys(), current, false); })),
         .add = screen.onList(then([&](tk::Browse& l) { layout.edit(ctx, l, screen.keys(), current, true); })),
         .remove = screen.onList(then([&](tk::Browse& l) { layout.remove(ctx, l, current); })),
         .search = {}});

    auto restrict = [&] {
        area.setOrder(layout.order);
        area.setFilter(layout.filter);
    };
    ia::RestrictionKept keeper(area);
    s.select(area);
    restrict();
    area.seek(current.code, false);

    tk::Browse& list = screen.addList(layout.list, area, layout.columns, [&area, &layout] { return layout.row(area); });
    list.setScope(layout.scopeKey, current.code, current.code);
    if (!layout.detail.empty()) {
        panel.place(layout.detail, current.manualPanels);
        list.onChange([&panel] { panel.refill(); });
    }

    std::vector<ia::ButtonSpec> buttons = {{QStringLiteral("&Add"), screen.actions().add},
                                           {QStringLiteral("View/&Update"), screen.actions().viewUpdate},
                                           {QStringLiteral("&Delete"), screen.actions().remove}};
    if (layout.hasReport)
        buttons.push_back({QStringLiteral("Re&port"), [&] {
                               if (!report) {
                                   tk::Ui::instance().info(QString::fromUtf8(layout.reportName) +
                                                           QStringLiteral(" is not available yet in this version of the program."));
                                   return;
                               }
                               // The report runs on the configuration whose lines are shown;
                               // this screen's restriction and line come back afterwards.
                               const std::uint32_t recno = area.recno();
                               ia::guarded(ctx, [&] {
                                   s.select(s.openArea("ASSEMBLY"));
                                   report();
                               });
                               ia::guarded(ctx, [&] {
                                   s.select(area);
                                   restrict();
                                   area.goTo(recno);
                               });
                               screen.restore();
                               panel.refill();
                           }});
    buttons.push_back({QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); }});
    screen.addButtons(layout.buttonRow, 10, buttons);

    panel.refill();
    screen.run();
}

}  // namespace mx::configurations
