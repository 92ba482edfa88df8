// A multi-line edit bound to a memo text. Memo texts keep their line breaks
// as CR LF in the table; the editor shows plain line breaks.
#pragma once

#include <QPlainTextEdit>

#include "BoundControl.h"
#include "Value.h"

namespace mx::tk {

class MemoEdit : public QPlainTextEdit, public BoundControl {
    Q_OBJECT
public:
    MemoEdit(rt::Value& variable, const QString& name, bool readOnly, QWidget* parent);

    QWidget* widget() override { return this; }
    void load() override;
    QString displayText() const override { return toPlainText(); }
    SetResult scriptSet(const QString& value, QString* why) override;

private:
    rt::Value& variable_;
    bool loading_ = false;
};

}  // namespace mx::tk
