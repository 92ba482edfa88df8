// The guarded block every screen operation runs in: the selected work area
// (and, when asked, its record) is remembered and selected again at the end,
// whatever happened, and a table failure inside (a busy, damaged or missing
// file, a record that went away) ends the operation quietly.
#pragma once

#include <cstdint>
#include <string>

#include "DataContext.h"
#include "Error.h"
#include "Session.h"
#include "WorkArea.h"

namespace mx::ia {

// Runs `body` in the guarded block; false when a table failure ended it.
template <class F>
bool guarded(rt::Session& session, F&& body, bool keepRecord = false) {
    rt::SelectionGuard selection(session, keepRecord);
    try {
        body();
        return true;
    } catch (const rt::DbError&) {
        return false;
    }
}

template <class F>
bool guarded(ds::DataContext& ctx, F&& body, bool keepRecord = false) {
    return guarded(ctx.session, std::forward<F>(body), keepRecord);
}

// A screen that restricts a table while it stands: the area's order and
// filter as they were (and with `keepRecord` its record) are put back on
// every way out; a failure of that is passed over, the area left as it is.
class RestrictionKept {
public:
    explicit RestrictionKept(rt::WorkArea& area, bool keepRecord = false)
        : area_(area), order_(area.order()), filter_(area.filterText()), recno_(keepRecord ? area.recno() : 0) {}
    ~RestrictionKept() {
        try {
            if (area_.filterText() != filter_) area_.setFilter(filter_);
            if (area_.order() != order_) area_.setOrder(order_);
            if (recno_) area_.goTo(recno_);
        } catch (...) {
        }
    }
    RestrictionKept(const RestrictionKept&) = delete;
    RestrictionKept& operator=(const RestrictionKept&) = delete;

private:
    rt::WorkArea& area_;
    int order_;
    std::string filter_;
    std::uint32_t recno_;
};

}  // namespace mx::ia
