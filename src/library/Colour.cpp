#include "Colour.h"

#include "Ui.h"

namespace mx::lib {

void COLOUR() {
    try {
        (void)tk::Ui::instance().chooseColour();
    } catch (...) {
    }
}

}  // namespace mx::lib
