// `CHKADJ`: the bound on the millimetre adjustments of formula lines, labour
// lines and punch holes. The limit is the `MAXADJUST` of the configuration's
// library suite, or 5 when the suite is missing, cannot be read or has 0;
// an adjustment is allowed when its absolute value does not exceed it.
//
// The arithmetic and the alert's wording are pure functions, apart from the
// look-up of the limit in `lib` and the alert box itself.
#pragma once

#include <optional>
#include <string>

#include "DataContext.h"
#include "Value.h"

namespace mx::ia {
class DialogTables;
}

namespace mx::configurations {

// The limit when no suite gives one.
inline constexpr int kDefaultAdjustLimit = 5;

// The limit from a suite's `MAXADJUST` (nullopt: no such suite): that value
// when it is greater than 0, else the default. A fraction found in a damaged
// file is cut to its whole part.
int adjustmentLimit(std::optional<double> maxAdjust);
// Whether the adjustment lies within [-limit, limit], the bounds included.
bool adjustmentAllowed(double adjustment, int limit);
// "Invalid Adjustment, Must be between -5mm and 5mm." for the limit 5.
std::string adjustmentAlert(int limit);

// The limit of the configuration whose suite is `libCode`: `lib` is opened
// shared with its indexes, `libCode` sought in its first order, and `lib`
// closed again. A `lib` that cannot be opened (the opening service has said
// why) leaves the default. The selected work area is kept.
int lookUpAdjustmentLimit(ds::DataContext& ctx, const std::string& libCode);

// The validation of an adjustment field: true when `adjustment` is within
// the limit of the current `assembly` record's suite; otherwise the alert
// above is shown and false keeps the cursor in the field.
bool CHKADJ(ds::DataContext& ctx, const rt::Value& adjustment);

// The adjustment limit of one line dialog, looked up once: at the first
// check, in the suite of the current `assembly` record, through the
// dialog's tables (ia::DialogTables, Lookup.h), `lib` closed again at once
// so that the library screen can have it to itself. When `lib` cannot be
// had the limit is the default for the rest of the dialog, and the user has
// been told so once.
class DialogAdjustmentLimit {
public:
    DialogAdjustmentLimit(ds::DataContext& ctx, ia::DialogTables& tables) : ctx_(ctx), tables_(tables) {}
    int limit();
    // `CHKADJ` with this limit.
    bool check(const rt::Value& adjustment);

private:
    ds::DataContext& ctx_;
    ia::DialogTables& tables_;
    std::optional<int> limit_;
};

}  // namespace mx::configurations
