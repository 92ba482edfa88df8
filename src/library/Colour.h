// `COLOUR`: the main menu's colour-selection dialog. Nothing is stored,
// shown or passed on, and no table is opened.
#pragma once

namespace mx::lib {

// Shows the colour-selection dialog with no initial colour and returns when
// it closes; a choice and a cancel are alike. A failure while it stands ends
// the action quietly.
void COLOUR();

}  // namespace mx::lib
