// A group of radio buttons bound to the number of the chosen one (1 to n).
// Captions may carry "&" hot letters. Scripts set it by number.
#pragma once

#include <QButtonGroup>
#include <QWidget>

#include "BoundControl.h"

namespace mx::tk {

class RadioGroup : public QWidget, public BoundControl {
    Q_OBJECT
public:
    // `rowHeight`: screen pixels from one button to the next.
    RadioGroup(int& choice, const QStringList& captions, const QString& name, int rowHeight, QWidget* parent);

    int count() const { return static_cast<int>(group_->buttons().size()); }

    QWidget* widget() override { return this; }
    void load() override;
    QString displayText() const override { return QString::number(choice_); }
    SetResult scriptSet(const QString& value, QString* why) override;

private:
    int& choice_;
    QButtonGroup* group_;
};

}  // namespace mx::tk
