#include "ApplyType.h"

#include "Error.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Text.h"
#include "Ui.h"
#include "WaitCursor.h"

namespace mx::lib {

namespace {

bool blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::uint32_t applyLineTypes(ds::DataContext& ctx, const ProgressFn& progress) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    rt::WorkArea& stock = s.openArea("STOCK");
    rt::WorkArea& lines = s.openArea("ASSLINE");
    const int lineCode = lines.fieldIndex("STKCODE"), lineType = lines.fieldIndex("TYPE");
    const int stockType = stock.fieldIndex("TYPE");
    if (lineCode < 0 || lineType < 0 || stockType < 0)
        throw rt::DbError(rt::ErrorKind::NotFound, "COMPTYPE", "STKCODE, TYPE or STOCK->TYPE is missing");

    const int savedOrder = stock.order();
    stock.setOrder(1);
    s.select(stock);  // RECLOCK locks in the selected area
    std::uint32_t done = 0, written = 0;
    for (lines.goTop(); !lines.eof(); lines.skip()) {
        if (progress && progressDue(++done)) progress(done);
        const rt::Value type = lines.fieldValue(lineType);
        if (!type.isCharacter() || blank(type.str())) continue;
        if (!stock.seek(lines.fieldValue(lineCode), false)) continue;
        const rt::Value current = stock.fieldValue(stockType);
        if (current.isCharacter() && ds::trimRight(current.str()) == ds::trimRight(type.str())) continue;
        if (!ds::RECLOCK(ctx, 2)) continue;
        stock.setField(stockType, type);
        stock.unlock();
        ++written;
    }
    stock.setOrder(savedOrder);
    return written;
}

void COMPTYPE(ds::DataContext& ctx) {
    tk::WaitCursor busy;
    if (!ds::OPNALIAS(ctx, "stock", false, true) || !ds::OPNALIAS(ctx, "assline", false, true)) return;
    try {
        PassProgress progress(QStringLiteral("Applying types to components:"),
                              ctx.session.openArea("ASSLINE").recordCount());
        applyLineTypes(ctx, progress.callback());
    } catch (const rt::DbError&) {
        return;  // the operation's guarded block: a table failure ends it quietly
    }
    tk::Ui::instance().info(QStringLiteral("All Done!"));
}

}  // namespace mx::lib
