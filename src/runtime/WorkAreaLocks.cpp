// A work area's locks in shared mode: the record and file locks, each
// re-reading the current record once held, and their release with the
// pending changes committed first.
#include "WorkArea.h"

#include <vector>

namespace mx::rt {

// ---------------------------------------------------------------- locks

bool WorkArea::lock() {
    if (!table_->shared()) return true;
    if (eof_) return false;
    bool held = table_->recordLocked(recno_);
    for (std::uint32_t r : std::vector<std::uint32_t>(table_->lockedRecords()))
        if (r != recno_) table_->unlockRecord(r);
    if (held) return true;
    if (dirty_) commit();
    if (!table_->lockRecord(recno_)) return false;
    // Another station may have changed the record: read it again.
    readCurrent();
    return true;
}

bool WorkArea::lockRecord(std::uint32_t recno) {
    if (!table_->shared()) return true;
    bool ok = table_->lockRecord(recno);
    if (ok && recno == recno_ && !dirty_) readCurrent();
    return ok;
}

bool WorkArea::lockFile() {
    if (!table_->shared()) return true;
    if (dirty_) commit();
    bool ok = table_->lockFile();
    if (ok && !eof_) readCurrent();
    return ok;
}

void WorkArea::unlock() {
    commit();
    table_->unlockAll();
}

void WorkArea::unlockRecord(std::uint32_t recno) {
    if (recno == recno_) commit();
    table_->unlockRecord(recno);
}

}  // namespace mx::rt
