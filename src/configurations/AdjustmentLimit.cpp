// The arithmetic of the adjustment limit (see AdjustmentCheck.h), without
// tables or windows, so that the data check uses the same rule as the line
// dialogs.
#include "AdjustmentCheck.h"

#include <cmath>

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

}  // namespace mx::configurations
