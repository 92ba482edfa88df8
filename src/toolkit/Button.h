// A push button with an action. Pressing it first leaves the edit field that
// has the focus, as a click elsewhere does; when that field refuses its
// value the button does not act. Cancelling buttons ("&Cancel", "E&xit" and
// those marked so) act without asking the field, so a dialog can always be
// left. A cancelling button does not take the focus when clicked, so the
// field being edited is not left (and not validated) on the way out.
// Enter on a focused button presses it, as Space does (the hot keys let
// Enter through to a focused button: see HotKeys).
#pragma once

#include <QPushButton>
#include <functional>

namespace mx::tk {

class Button : public QPushButton {
    Q_OBJECT
public:
    Button(const QString& caption, std::function<void()> action, QWidget* parent);

    void setCancelling(bool cancelling);
    bool cancelling() const { return cancelling_; }
    // Acts as a click: leave the focused field, then run the action.
    void press();

    // Whether a caption reads as a cancelling one.
    static bool cancellingCaption(const QString& caption);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    std::function<void()> action_;
    bool cancelling_ = false;
};

}  // namespace mx::tk
