// Check boxes bound to logical variables (see the header).
#include "CheckBox.h"

namespace mx::tk {

CheckBox::CheckBox(rt::Value& variable, const QString& caption, const QString& name, QWidget* parent)
    : QCheckBox(caption, parent), variable_(variable) {
    setObjectName(name);
    load();
    connect(this, &QCheckBox::toggled, this, [this](bool on) { variable_ = rt::Value::logical(on); });
}

void CheckBox::load() { setChecked(variable_.isTrue()); }

QString CheckBox::displayText() const { return isChecked() ? QStringLiteral("Y") : QStringLiteral("N"); }

BoundControl::SetResult CheckBox::scriptSet(const QString& value, QString* why) {
    QString v = value.trimmed().toUpper();
    if (v != "Y" && v != "N" && v != "T" && v != "F") {
        *why = QStringLiteral("a check box takes Y or N, not \"%1\"").arg(value);
        return SetResult::Impossible;
    }
    if (!isEnabled()) {
        *why = QStringLiteral("the check box is disabled");
        return SetResult::Impossible;
    }
    setFocus(Qt::OtherFocusReason);
    setChecked(v == "Y" || v == "T");
    return SetResult::Done;
}

}  // namespace mx::tk
