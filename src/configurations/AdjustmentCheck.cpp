// The adjustment limit and its check (see AdjustmentCheck.h).
#include "AdjustmentCheck.h"

#include <cmath>

#include "Guarded.h"
#include "Opening.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::configurations {

int adjustmentLimit(std::optional<double> maxAdjust) {
    if (!maxAdjust || !std::isfinite(*maxAdjust)) return kDefaultAdjustLimit;
    const double whole = std::trunc(*maxAdjust);
    if (whole <= 0) return kDefaultAdjustLimit;
    return whole > 1e6 ? 1000000 : static_cast<int>(whole);
}

bool adjustmentAllowed(double adjustment, int limit) { return std::fabs(adjustment) <= limit; }

std::string adjustmentAlert(int limit) {
    const std::string n = std::to_string(limit);
    return "Invalid Adjustment, Must be between -" + n + "mm and " + n + "mm.";
}

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
