// The adjustment check on the current configuration (see AdjustmentCheck.h);
// the arithmetic is in AdjustmentLimit.cpp.
#include "AdjustmentCheck.h"

#include "Guarded.h"
#include "Opening.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::configurations {

int lookUpAdjustmentLimit(ds::DataContext& ctx, const std::string& libCode) {
    std::optional<double> maxAdjust;
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    if (!ds::OPNALIAS(ctx, "lib", false, true)) return kDefaultAdjustLimit;
    try {
        rt::WorkArea& lib = s.openArea("LIB");
        // The whole code: a seek also finds a longer code that begins with it.
        if (lib.seek(rt::Value::character(libCode), false) &&
            ds::trimRight(lib.fieldValue("CODE").str()) == ds::trimRight(libCode))
            maxAdjust = lib.fieldValue("MAXADJUST").num();
    } catch (const rt::DbError&) {
        maxAdjust.reset();  // a damaged `lib` gives no limit of its own
    }
    try {
        s.close("LIB");
    } catch (const rt::DbError&) {
    }
    return adjustmentLimit(maxAdjust);
}

bool CHKADJ(ds::DataContext& ctx, const rt::Value& adjustment) {
    std::string libCode;
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = ctx.session.openArea("ASSEMBLY");
        if (!assembly.eof()) libCode = assembly.fieldValue("LIB").str();
    });
    const int limit = lookUpAdjustmentLimit(ctx, libCode);
    if (adjustmentAllowed(adjustment.isNumeric() ? adjustment.num() : 0.0, limit)) return true;
    tk::Ui::instance().alert(tk::toQ(adjustmentAlert(limit)));
    return false;
}

}  // namespace mx::configurations
