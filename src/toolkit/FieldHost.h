// A window whose edit fields are validated when they are left (Dialog is the
// one). The controls in it and the hot keys ask their window through this,
// found by a cast of QWidget::window(), so that they need not know Dialog,
// which is built from them.
#pragma once

namespace mx::tk {

class Button;
class EditField;

class FieldHost {
public:
    virtual ~FieldHost() = default;

    // Leaves the edit field holding the focus, running its validation when it
    // is due; false when a field refused its value (it keeps the focus).
    virtual bool leaveFocusedField() = 0;
    // The field that last refused its value and has not accepted one since.
    virtual EditField* refusedField() const = 0;
    virtual void setRefusedField(EditField* field) = 0;
    // The button Enter presses from an edit field; nullptr when none.
    virtual Button* defaultButton() const = 0;

protected:
    FieldHost() = default;
    FieldHost(const FieldHost&) = default;
    FieldHost& operator=(const FieldHost&) = default;
};

}  // namespace mx::tk
