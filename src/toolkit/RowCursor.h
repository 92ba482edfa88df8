// What a browse needs of the rows it shows: a cursor over an ordered,
// possibly restricted list of rows that it moves by steps, never by loading.
// AreaCursor implements it over a work area; tests implement it over a vector.
//
// Contract: after any call the cursor stands on a row when there is one; a
// move that would leave the list stops on its first or last row.
#pragma once

#include <cstdint>

namespace mx::tk {

class RowCursor {
public:
    virtual ~RowCursor() = default;

    // First / last row; false when there are no rows.
    virtual bool top() = 0;
    virtual bool bottom() = 0;
    // Moves up to |n| rows forward (n > 0) or back (n < 0); returns the rows
    // actually moved, with the sign of n.
    virtual long skip(long n) = 0;
    // The row's id (a record number); 0 when there are no rows.
    virtual std::uint32_t id() = 0;
    // Puts the cursor on the row with this id. False when that is no row any
    // more (deleted, out of the scope): the cursor then stands on the next
    // row, or on the last one, or nowhere when the list is empty.
    virtual bool seek(std::uint32_t id) = 0;
    // Makes the current position a row (after others moved the cursor): stays
    // when it is one, else as seek() does. False when the list is empty.
    virtual bool settle() = 0;
    // Place of the current row for the scroll bar, 0 (first) to 1 (last), and
    // a move to such a place.
    virtual double fraction() = 0;
    virtual void goFraction(double f) = 0;
};

}  // namespace mx::tk
