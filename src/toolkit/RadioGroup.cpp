// Radio groups bound to a choice number (see the header).
#include "RadioGroup.h"

#include <QRadioButton>

namespace mx::tk {

RadioGroup::RadioGroup(int& choice, const QStringList& captions, const QString& name, int rowHeight, QWidget* parent)
    : QWidget(parent), choice_(choice), group_(new QButtonGroup(this)) {
    setObjectName(name);
    int y = 0, width = 0;
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions[i], this);
        b->adjustSize();
        b->move(0, y);
        y += rowHeight;
        width = std::max(width, b->width());
        group_->addButton(b, i + 1);
    }
    resize(width, y);
    load();
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) { choice_ = id; });
}

void RadioGroup::load() {
    if (auto* b = group_->button(choice_)) b->setChecked(true);
}

BoundControl::SetResult RadioGroup::scriptSet(const QString& value, QString* why) {
    bool ok = false;
    int n = value.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > count()) {
        *why = QStringLiteral("the radio group %1 has no choice %2").arg(objectName(), value);
        return SetResult::Impossible;
    }
    choice_ = n;
    load();
    group_->button(n)->setFocus(Qt::OtherFocusReason);
    return SetResult::Done;
}

}  // namespace mx::tk
