// A check box bound to a logical variable. Scripts set it with Y or N (T and
// F also do) and find it by its name or its caption.
#pragma once

#include <QCheckBox>

#include "BoundControl.h"
#include "Value.h"

namespace mx::tk {

class CheckBox : public QCheckBox, public BoundControl {
    Q_OBJECT
public:
    CheckBox(rt::Value& variable, const QString& caption, const QString& name, QWidget* parent);

    QWidget* widget() override { return this; }
    void load() override;
    QString displayText() const override;
    SetResult scriptSet(const QString& value, QString* why) override;

private:
    rt::Value& variable_;
};

}  // namespace mx::tk
