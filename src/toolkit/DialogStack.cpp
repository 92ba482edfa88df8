// The list of modal dialogs standing (see the header).
#include "DialogStack.h"

#include <algorithm>

namespace mx::tk {

DialogStack& DialogStack::instance() {
    static DialogStack stack;
    return stack;
}

void DialogStack::opened(QWidget* dialog) { dialogs_.push_back(dialog); }

void DialogStack::closed(QWidget* dialog) {
    dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), dialog), dialogs_.end());
}

}  // namespace mx::tk
