// The browse's window of visible rows (invariants in the header).
#include "RowWindow.h"

#include <algorithm>

namespace mx::tk {

RowWindow::RowWindow(RowCursor& cursor, Fetch fetch) : cursor_(cursor), fetch_(std::move(fetch)) {}

void RowWindow::setCapacity(int rows) {
    rows = std::max(rows, 1);
    if (rows == capacity_) return;
    capacity_ = rows;
    if (!rows_.empty()) reload(std::min(current_, capacity_ - 1));
}

RowWindow::Row RowWindow::fetchRow() {
    ++fetches_;
    return Row{cursor_.id(), fetch_ ? fetch_() : std::vector<std::string>{}};
}

void RowWindow::reload(int anchor) {
    rows_.clear();
    current_ = -1;
    if (!cursor_.settle()) return;
    const std::uint32_t here = cursor_.id();
    anchor = std::clamp(anchor, 0, capacity_ - 1);

    // Up to `anchor` rows above, then fill downwards.
    long above = -cursor_.skip(-anchor);
    for (int i = 0; i < capacity_; ++i) {
        if (i > 0 && cursor_.skip(1) == 0) break;
        rows_.push_back(fetchRow());
    }
    // Short at the end of the list: fill from above the first row.
    if (static_cast<int>(rows_.size()) < capacity_) {
        cursor_.seek(rows_.front().id);
        std::vector<Row> before;
        while (static_cast<int>(rows_.size() + before.size()) < capacity_ && cursor_.skip(-1) == -1)
            before.push_back(fetchRow());
        rows_.insert(rows_.begin(), before.rbegin(), before.rend());
        above += static_cast<long>(before.size());
    }
    current_ = static_cast<int>(std::min<long>(above, static_cast<long>(rows_.size()) - 1));
    if (rows_[static_cast<size_t>(current_)].id != here) {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].id == here) current_ = static_cast<int>(i);
    }
    cursor_.seek(rows_[static_cast<size_t>(current_)].id);
}

void RowWindow::top() {
    if (!cursor_.top()) {
        rows_.clear();
        current_ = -1;
        return;
    }
    reload(0);
}

void RowWindow::bottom() {
    if (!cursor_.bottom()) {
        rows_.clear();
        current_ = -1;
        return;
    }
    reload(capacity_ - 1);
}

void RowWindow::down() {
    if (rows_.empty()) return refresh();
    if (current_ + 1 < static_cast<int>(rows_.size())) {
        ++current_;
        cursor_.seek(rows_[static_cast<size_t>(current_)].id);
        return;
    }
    cursor_.seek(rows_.back().id);
    if (cursor_.skip(1) != 1) return;
    rows_.push_back(fetchRow());
    if (static_cast<int>(rows_.size()) > capacity_) rows_.erase(rows_.begin());
    current_ = static_cast<int>(rows_.size()) - 1;
}

void RowWindow::up() {
    if (rows_.empty()) return refresh();
    if (current_ > 0) {
        --current_;
        cursor_.seek(rows_[static_cast<size_t>(current_)].id);
        return;
    }
    cursor_.seek(rows_.front().id);
    if (cursor_.skip(-1) != -1) return;
    rows_.insert(rows_.begin(), fetchRow());
    if (static_cast<int>(rows_.size()) > capacity_) rows_.pop_back();
    current_ = 0;
}

void RowWindow::pageDown() {
    if (rows_.empty()) return refresh();
    int last = static_cast<int>(rows_.size()) - 1;
    if (current_ < last) {
        current_ = last;
        cursor_.seek(rows_.back().id);
        return;
    }
    // The next page, read on the way to its last row: each record between
    // is passed once (reloading there would walk back and forth over them).
    cursor_.seek(rows_.back().id);
    std::vector<Row> next;
    while (static_cast<int>(next.size()) < capacity_ && cursor_.skip(1) == 1) next.push_back(fetchRow());
    if (next.empty()) return;
    // Short at the end of the list: the page ends at the last row, filled from above.
    if (static_cast<int>(next.size()) < capacity_) return reload(capacity_ - 1);
    rows_ = std::move(next);
    current_ = capacity_ - 1;
}

void RowWindow::pageUp() {
    if (rows_.empty()) return refresh();
    if (current_ > 0) {
        current_ = 0;
        cursor_.seek(rows_.front().id);
        return;
    }
    cursor_.seek(rows_.front().id);
    std::vector<Row> before;
    while (static_cast<int>(before.size()) < capacity_ && cursor_.skip(-1) == -1) before.push_back(fetchRow());
    if (before.empty()) return;
    // Short at the top of the list: the page begins at the first row.
    if (static_cast<int>(before.size()) < capacity_) return reload(0);
    rows_.assign(before.rbegin(), before.rend());
    current_ = 0;
}

bool RowWindow::select(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return false;
    current_ = index;
    if (!cursor_.seek(rows_[static_cast<size_t>(index)].id)) {
        refresh();  // the row went away under us: show what is there now
        return false;
    }
    return true;
}

bool RowWindow::goRow(long n) {
    if (n < 1 || !cursor_.top()) {
        reload(0);
        return false;
    }
    long moved = cursor_.skip(n - 1);
    reload(static_cast<int>(std::min<long>(moved, capacity_ - 1)));
    return moved == n - 1;
}

void RowWindow::goFraction(double f) {
    cursor_.goFraction(std::clamp(f, 0.0, 1.0));
    reload(static_cast<int>(f * (capacity_ - 1) + 0.5));
}

}  // namespace mx::tk
