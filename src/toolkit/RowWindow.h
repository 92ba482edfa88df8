// The rows a browse shows: a window of at most `capacity` consecutive rows
// and the highlighted one among them, kept in step with a RowCursor. It
// fetches only the rows it shows (so its memory and work do not grow with the
// table) and leaves the cursor on the highlighted row after every operation,
// so the table's current record is always the one the user sees highlighted.
//
// Invariants after every public call:
//  1. rows() are consecutive rows of the cursor's list, in order.
//  2. rows().size() == min(capacity, rows in the list).
//  3. current() indexes rows() (or is -1 when the list is empty), and the
//     cursor stands on rows()[current()].
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "RowCursor.h"

namespace mx::tk {

class RowWindow {
public:
    struct Row {
        std::uint32_t id = 0;
        std::vector<std::string> cells;
    };
    // Reads the cells of the cursor's current row.
    using Fetch = std::function<std::vector<std::string>()>;

    RowWindow(RowCursor& cursor, Fetch fetch);

    void setCapacity(int rows);
    int capacity() const { return capacity_; }

    const std::vector<Row>& rows() const { return rows_; }
    int current() const { return current_; }
    bool empty() const { return rows_.empty(); }

    // Builds the window around the cursor's current row, placing it at
    // visible index `anchor` when the rows above and below allow.
    void reload(int anchor);
    // Re-reads the rows around the cursor's row, keeping its visible index
    // (after the table changed under the window, or the cursor was moved).
    void refresh() { reload(current_ < 0 ? 0 : current_); }

    void top();
    void bottom();
    void down();
    void up();
    void pageDown();
    void pageUp();
    // Highlights the visible row at `index` (a click); false when none is there.
    bool select(int index);
    // Highlights the n-th row of the whole list (1-based); false when the list
    // has fewer rows (the window then stays on the last one).
    bool goRow(long n);
    void goFraction(double f);

    // Rows read through Fetch so far (for tests and the statistics).
    long fetches() const { return fetches_; }

private:
    Row fetchRow();

    RowCursor& cursor_;
    Fetch fetch_;
    int capacity_ = 1;
    std::vector<Row> rows_;
    int current_ = -1;
    long fetches_ = 0;
};

}  // namespace mx::tk
