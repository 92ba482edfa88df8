#include "RecordServices.h"

#include <cmath>
#include <functional>

#include "DbfTable.h"
#include "Error.h"

namespace mx::ds {

using rt::WorkArea;

namespace {

constexpr double kStep = 0.2;  // seconds between attempts

// One attempt at once, then attempts after each step of the budget.
bool retry(DataContext& ctx, double wait, const std::function<bool()>& attempt) {
    if (attempt()) return true;
    const bool forever = wait == 0;
    // Whole steps of 0.2 seconds in ten times `wait` seconds.
    const long steps = std::lround(wait * 10 / kStep);
    for (long i = 0; forever || i < steps; ++i) {
        if (attempt()) return true;
        ctx.sleeper.wait(kStep);
    }
    return false;
}

}  // namespace

bool RECLOCK(DataContext& ctx, double wait) {
    WorkArea* area = ctx.session.selected();
    if (!area || area->eof()) return false;
    return retry(ctx, wait, [area] { return area->lock(); });
}

bool ADDREC(DataContext& ctx, double wait) {
    WorkArea* area = ctx.session.selected();
    if (!area) return false;
    if (retry(ctx, wait, [area] { return area->append(); })) return true;
    ctx.sink.timed("Unable to add record.", 2.0);
    return false;
}

void COPYREC(DataContext& ctx, std::string_view sourceAlias, std::string_view targetAlias) {
    rt::SelectionGuard guard(ctx.session);
    WorkArea* source = ctx.session.area(sourceAlias);
    WorkArea* target = ctx.session.area(targetAlias);
    if (!source || !target) return;
    ctx.session.select(*target);
    if (!ADDREC(ctx, 2) || !RECLOCK(ctx, 2)) return;
    for (int i = 0; i < source->fieldCount(); ++i) {
        const int t = target->fieldIndex(source->field(i).name);
        if (t < 0) continue;
        try {
            target->setField(t, source->fieldValue(i));
        } catch (const rt::DbError&) {
            // A value this field cannot take stays out; the other fields are copied.
        }
    }
    target->unlock();
}

TableStepLock::TableStepLock(DataContext& ctx, WorkArea& area, Step step, double wait) {
    if (!area.shared()) {
        held_ = true;
        return;
    }
    offset_ = rt::DbfTable::kLockBase + rt::DbfTable::kFileLockLength + 1 + static_cast<std::uint64_t>(step);
    file_ = rt::File::open(area.table().path(), rt::OpenMode::Shared, true);
    held_ = retry(ctx, wait, [this] { return file_->lock(offset_, 1, true, false); });
}

TableStepLock::~TableStepLock() {
    if (file_ && held_) file_->unlock(offset_, 1);
}

}  // namespace mx::ds
