#include "ComponentCategories.h"

#include <map>
#include <string>
#include <string_view>

#include "Dialog.h"
#include "Error.h"
#include "HotKeyConvention.h"
#include "ListScreen.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Ui.h"
#include "WaitCursor.h"

namespace mx::lib {

namespace {

using rt::Value;

void runDialog(ia::ListScreen& screen, rt::WorkArea& used) {
    const int code = used.fieldIndex("CODE"), desc = used.fieldIndex("DESC"), mark = used.fieldIndex("USED");
    screen.context().session.select(used);
    used.goTop();
    tk::Browse& list = screen.addList({10, 10, 337.5, 165}, used,
                                      {{QStringLiteral("Code"), 100},
                                       {QStringLiteral("Description"), 280},
                                       {QStringLiteral("Used"), 60}},
                                      [&used, code, desc, mark] {
                                          return std::vector<Value>{used.fieldValue(code), used.fieldValue(desc),
                                                                    Value::character(used.fieldValue(mark).isTrue() ? "*" : " ")};
                                      });
    screen.addButton({180, 210, 45, 12}, QStringLiteral("Re&port"), [&list] { list.print(); });
    screen.addButton({180, 260, 45, 12}, QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); });
    screen.run();
}

}  // namespace

std::uint32_t markUsedCategories(ds::DataContext& ctx, const ProgressFn& progress) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    rt::WorkArea& stock = s.openArea("STOCK");
    rt::WorkArea& stockcat = s.openArea("STOCKCAT");
    rt::WorkArea& used = s.openArea("USED");

    used.zap();
    std::uint32_t done = 0;
    for (stockcat.goTop(); !stockcat.eof(); stockcat.skip()) {
        if (progress && progressDue(++done)) progress(done);
        ds::COPYREC(ctx, "STOCKCAT", "USED");
    }

    used.clearOrders();
    used.createOrder(ds::newDataFile(ctx, "used.ntx"), "code");
    used.setOrder(1);

    // Which order the stock items are read in does not matter to the
    // result; record order spares the index.
    const int category = stock.fieldIndex("CATEGORY");
    const int mark = used.fieldIndex("USED");
    const int savedOrder = stock.order();
    stock.setOrder(0);
    // The categories the items name, each once (by the field's bytes): a
    // stock table names few categories many times over, and each is then
    // sought in `used` once instead of once for every item.
    std::map<std::string, Value, std::less<>> named;
    for (stock.goTop(); !stock.eof(); stock.skip()) {
        if (progress && progressDue(++done)) progress(done);
        const std::string_view bytes = stock.fieldBytes(category);
        if (named.find(bytes) == named.end()) named.emplace(std::string(bytes), stock.fieldValue(category));
    }
    stock.setOrder(savedOrder);
    std::uint32_t marked = 0;
    for (const auto& [bytes, value] : named) {
        if (!used.seek(value, false)) continue;
        const Value m = used.fieldValue(mark);
        if (m.isTrue()) continue;
        used.setField(mark, Value::logical(true));  // no lock: `used` is held exclusively
        ++marked;
    }
    used.goTop();
    return marked;
}

void COMPCAT(ds::DataContext& ctx) {
    // The list binds no keys: every key of the convention does nothing
    // while it stands and after it.
    ia::ListScreen screen(ctx, QString::fromUtf8(kCompcatTitle), tk::Box{50, 20, 470, 750});
    rt::Session& s = ctx.session;
    if (!ds::OPNALIAS(ctx, "stock", false, true) || !ds::OPNALIAS(ctx, "stockcat", false, true)) return;
    if (!ds::OPNALIAS(ctx, "used", true, false)) return;

    try {
        {
            tk::WaitCursor busy;
            const std::uint32_t total = s.openArea("STOCKCAT").recordCount() + s.openArea("STOCK").recordCount();
            PassProgress progress(QStringLiteral("Checking component categories:"), total);
            markUsedCategories(ctx, progress.callback());
        }
        runDialog(screen, s.openArea("USED"));
    } catch (const rt::DbError&) {
        // The operation's guarded block: a table failure ends it quietly.
    }
}

}  // namespace mx::lib
