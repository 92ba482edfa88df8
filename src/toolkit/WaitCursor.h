// The wait cursor for the length of a block: shown when made, the previous
// cursor back when it ends, whatever happened in between.
#pragma once

#include "Ui.h"

namespace mx::tk {

class WaitCursor {
public:
    WaitCursor() { Ui::instance().setBusy(true); }
    ~WaitCursor() { Ui::instance().setBusy(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace mx::tk
