#include "SystemRecord.h"

#include "Error.h"
#include "Opening.h"

namespace mx::ds {

std::optional<bool> readSecurity(DataContext& ctx) {
    rt::SelectionGuard guard(ctx.session);
    // Only read: a data set this user may not write still starts.
    if (!OPNALIAS(ctx, "sysinfo", false, true, OpenOptions{.readOnlyWhenRefused = true})) return std::nullopt;
    bool security = false;
    try {
        rt::Value v = ctx.session.area("SYSINFO")->fieldValue("SECURITY");
        security = v.isTrue();
    } catch (const rt::DbError& e) {
        ctx.sink.alert(std::string("Unable to read sysinfo. ") + e.what());
        ctx.session.close("SYSINFO");
        return std::nullopt;
    }
    ctx.session.close("SYSINFO");
    return security;
}

}  // namespace mx::ds
