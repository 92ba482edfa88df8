// Drop-down lists bound to character variables (see the header).
#include "ComboBox.h"

#include "TextCodec.h"

namespace mx::tk {

namespace {
QString trimRight(QString s) {
    while (!s.isEmpty() && s.back() == ' ') s.chop(1);
    return s;
}
}  // namespace

ComboBox::ComboBox(rt::Value& variable, const QStringList& items, const QString& name, QWidget* parent)
    : QComboBox(parent), variable_(variable) {
    setObjectName(name);
    addItems(items);
    load();
    connect(this, &QComboBox::activated, this, [this](int index) {
        std::string s = fromQ(itemValue(index));
        size_t width = variable_.isCharacter() ? variable_.str().size() : s.size();
        if (s.size() < width) s.append(width - s.size(), ' ');
        variable_ = rt::Value::character(s);
    });
}

int ComboBox::find(const QString& text) const {
    for (int i = 0; i < count(); ++i)
        if (trimRight(itemValue(i)) == trimRight(text)) return i;
    return -1;
}

void ComboBox::setItemNote(int index, const QString& note) {
    const QString value = itemValue(index);
    setItemData(index, value, Qt::UserRole);
    setItemText(index, note.isEmpty() ? value : value + QStringLiteral("   ") + note);
}

QString ComboBox::itemValue(int index) const {
    const QVariant value = itemData(index, Qt::UserRole);
    return value.isValid() ? value.toString() : itemText(index);
}

void ComboBox::load() {
    int i = find(variable_.isCharacter() ? toQ(variable_.str()) : QString());
    setCurrentIndex(i);
}

BoundControl::SetResult ComboBox::scriptSet(const QString& value, QString* why) {
    int i = find(value);
    if (i < 0) {
        *why = QStringLiteral("the list %1 has no item \"%2\"").arg(objectName(), value);
        return SetResult::Impossible;
    }
    setFocus(Qt::OtherFocusReason);
    setCurrentIndex(i);
    emit activated(i);
    return SetResult::Done;
}

}  // namespace mx::tk
