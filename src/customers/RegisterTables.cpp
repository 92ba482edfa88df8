// The register's tables and orders (see RegisterTables.h).
#include "RegisterTables.h"

#include <optional>

#include "Catalogue.h"
#include "Error.h"
#include "Guarded.h"
#include "Opening.h"
#include "WaitCursor.h"

namespace mx::customers {

namespace {

rt::WorkArea& register_(ds::DataContext& ctx) { return ctx.session.openArea("MITREX"); }

// The standard order list, and with `own` a temporary sort on top of it.
// False when it could not be built: the standard list is tried once more,
// and failing that the register is left in record order.
bool applyOrders(ds::DataContext& ctx, const std::vector<ds::IndexFileSpec>& own) {
    rt::WorkArea& mitrex = register_(ctx);
    try {
        ds::openSharedOrderList(ctx, mitrex, registerOrders(), own);
        return true;
    } catch (const rt::DbError&) {
        if (own.empty()) throw;
    }
    ds::openSharedOrderList(ctx, mitrex, registerOrders());
    return false;
}

bool temporarySort(ds::DataContext& ctx, const char* key) {
    bool built = false;
    ia::guarded(ctx, [&] {
        tk::WaitCursor busy;
        built = applyOrders(ctx, {{kTemporarySort, key}});
    });
    return built;
}

}  // namespace

const std::vector<ds::IndexFileSpec>& registerOrders() {
    static const std::vector<ds::IndexFileSpec> orders = {
        {ds::kCustomerKeyIndex, ds::kCustomerKeyField}, {"mxcust", "company"}, {"mxmgr", "mgr"}, {"mxamt", "amount"}};
    return orders;
}

bool openRegister(ds::DataContext& ctx) {
    rt::Session& s = ctx.session;
    const bool notesOpen = s.area("MXNOTE") != nullptr, registerOpen = s.area("MITREX") != nullptr;
    auto giveUp = [&] {
        if (!registerOpen) ds::closeQuietly(s, "MITREX");
        if (!notesOpen) ds::closeQuietly(s, "MXNOTE");
        return false;
    };
    // A busy or missing table ends the screen without a word, as the opening
    // service's lower opener has none; a damaged one is explained.
    auto opened = [&](const char* table) {
        std::optional<rt::DbError> why;
        if (ds::OPNDBF(ctx, table, false, {}, {}, &why)) return true;
        if (why && (why->kind() == rt::ErrorKind::Corrupt || why->kind() == rt::ErrorKind::Io))
            ctx.sink.alert(std::string("Unable to open the customer register. ") + why->what());
        return false;
    };
    try {
        if (!opened("mxnote")) return giveUp();
        ds::openSharedOrderList(ctx, s.openArea("MXNOTE"), {{ds::kCustomerNoteIndex, ds::kCustomerKeyField}});
        if (!opened("mitrex")) return giveUp();
        rt::WorkArea& mitrex = s.openArea("MITREX");
        ds::openSharedOrderList(ctx, mitrex, registerOrders());
        s.select(mitrex);
        mitrex.setOrder(1);
        mitrex.goTop();
    } catch (const rt::DbError& e) {
        ctx.sink.alert(std::string("Unable to open the customer register. ") + e.what());
        return giveUp();
    }
    return true;
}

bool SETSTATEORDER(ds::DataContext& ctx) { return temporarySort(ctx, "state1"); }
bool SETCHANGEORDER(ds::DataContext& ctx) { return temporarySort(ctx, "dtos(changed)"); }

bool temporarySortInForce(ds::DataContext& ctx) {
    rt::WorkArea* mitrex = ctx.session.area("MITREX");
    return mitrex && mitrex->orderCount() > static_cast<int>(registerOrders().size());
}

void selectRegisterOrder(ds::DataContext& ctx, int order) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& mitrex = register_(ctx);
        if (temporarySortInForce(ctx)) {
            tk::WaitCursor busy;
            applyOrders(ctx, {});
        }
        if (order <= mitrex.orderCount()) mitrex.setOrder(order);
    });
}

}  // namespace mx::customers
