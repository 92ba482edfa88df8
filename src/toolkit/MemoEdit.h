// A multi-line edit bound to a memo text. Memo texts keep their line breaks
// as CR LF in the table; the editor shows plain line breaks. A character the
// tables' code page cannot hold is refused as it is typed or pasted, as an
// edit field refuses it (beep, status line, `invalid NAME "TEXT"`), and so
// is a scripted text holding one.
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

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // False (and said) when `text` holds a character the tables cannot.
    bool encodable(const QString& text);

    rt::Value& variable_;
    bool loading_ = false;
};

}  // namespace mx::tk
