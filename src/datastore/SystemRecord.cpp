#include "SystemRecord.h"

#include "Error.h"
#include "Opening.h"

namespace mx::ds {

std::optional<bool> readSecurity(DataContext& ctx) {
    rt::SelectionGuard guard(ctx.session);
    if (!OPNALIAS(ctx, "sysinfo")) return std::nullopt;
    bool security = false;
    try {
        rt::Value v = ctx.session.area("SYSINFO")->fieldValue("SECURITY");
        security = v.isLogical() && v.boolean();
    } catch (const rt::DbError& e) {
        ctx.sink.alert(std::string("Unable to read sysinfo. ") + e.what());
        ctx.session.close("SYSINFO");
        return std::nullopt;
    }
    ctx.session.close("SYSINFO");
    return security;
}

}  // namespace mx::ds
