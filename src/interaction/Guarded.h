// The guarded block every screen operation runs in: the selected work area
// (and, when asked, its record) is remembered and selected again at the end,
// whatever happened, and a table failure inside (a busy, damaged or missing
// file, a record that went away) ends the operation quietly.
#pragma once

#include "DataContext.h"
#include "Error.h"
#include "Session.h"

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

}  // namespace mx::ia
