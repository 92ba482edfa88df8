// What every control bound to a variable offers the dialog around it and the
// scripted session: re-reading its variable, its value as displayed, and
// being set as a person would set it.
#pragma once

#include <QString>

class QWidget;

namespace mx::tk {

class BoundControl {
public:
    enum class SetResult {
        Done,        // the value was entered and accepted
        Refused,     // the field's validation refused it and kept the focus
        Impossible,  // the control cannot take that value (no such item, read-only ...)
    };

    virtual ~BoundControl() = default;
    virtual QWidget* widget() = 0;
    // Shows the variable's current value (after others changed it).
    virtual void load() = 0;
    // The value as the control shows it.
    virtual QString displayText() const = 0;
    // Enters the control, replaces its content with `value` as if typed or
    // chosen, and leaves it; *why says what made it impossible.
    virtual SetResult scriptSet(const QString& value, QString* why) = 0;
};

}  // namespace mx::tk
