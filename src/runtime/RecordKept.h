// Puts a work area back on the record it stood on when the guard was made,
// on every way out of a pass over the table; a failure to go back (the
// record went away meanwhile) is passed over and leaves the area where it is.
#pragma once

#include <cstdint>

#include "Error.h"
#include "WorkArea.h"

namespace mx::rt {

class RecordKept {
public:
    explicit RecordKept(WorkArea& area) : area_(area), recno_(area.recno()) {}
    ~RecordKept() {
        try {
            area_.goTo(recno_);
        } catch (const DbError&) {
        }
    }
    RecordKept(const RecordKept&) = delete;
    RecordKept& operator=(const RecordKept&) = delete;

private:
    WorkArea& area_;
    std::uint32_t recno_;
};

}  // namespace mx::rt
