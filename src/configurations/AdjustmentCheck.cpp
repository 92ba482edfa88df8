// The adjustment check on the current configuration (see AdjustmentCheck.h);
// the arithmetic is in AdjustmentLimit.cpp.
#include "AdjustmentCheck.h"

#include "Guarded.h"
#include "Lookup.h"
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

namespace {

std::string currentSuite(ds::DataContext& ctx) {
    std::string libCode;
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = ctx.session.openArea("ASSEMBLY");
        if (!assembly.eof()) libCode = assembly.fieldValue("LIB").str();
    });
    return libCode;
}

bool checked(const rt::Value& adjustment, int limit) {
    if (adjustmentAllowed(adjustment.isNumeric() ? adjustment.num() : 0.0, limit)) return true;
    tk::Ui::instance().alert(tk::toQ(adjustmentAlert(limit)));
    return false;
}

}  // namespace

bool CHKADJ(ds::DataContext& ctx, const rt::Value& adjustment) {
    return checked(adjustment, lookUpAdjustmentLimit(ctx, currentSuite(ctx)));
}

int DialogAdjustmentLimit::limit() {
    if (limit_) return *limit_;
    const std::string libCode = currentSuite(ctx_);
    rt::SelectionGuard selection(ctx_.session);
    std::optional<double> maxAdjust;
    const QString without = QStringLiteral("The adjustments of this dialog are checked against the limit %1.")
                                .arg(kDefaultAdjustLimit);
    if (rt::WorkArea* lib = tables_.open("lib", without)) {
        try {
            const int order = lib->order();
            lib->setOrder(lib->orderCount() > 0 ? 1 : 0);
            // The whole code: a seek also finds a longer code that begins with it.
            if (lib->seek(rt::Value::character(libCode), false) &&
                ds::trimRight(lib->fieldValue("CODE").str()) == ds::trimRight(libCode))
                maxAdjust = lib->fieldValue("MAXADJUST").num();
            lib->setOrder(order);
        } catch (const rt::DbError&) {
            maxAdjust.reset();  // a damaged `lib` gives no limit of its own
        }
        tables_.close("lib");
    }
    limit_ = adjustmentLimit(maxAdjust);
    return *limit_;
}

bool DialogAdjustmentLimit::check(const rt::Value& adjustment) { return checked(adjustment, limit()); }

}  // namespace mx::configurations
