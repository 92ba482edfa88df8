// Multi-line memo edits (see the header).
#include "MemoEdit.h"

#include "TextCodec.h"

namespace mx::tk {

MemoEdit::MemoEdit(rt::Value& variable, const QString& name, bool readOnly, QWidget* parent)
    : QPlainTextEdit(parent), variable_(variable) {
    setObjectName(name);
    setReadOnly(readOnly);
    setTabChangesFocus(true);
    load();
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (loading_) return;
        QString t = toPlainText();
        t.replace('\n', QStringLiteral("\r\n"));
        variable_ = rt::Value::character(fromQ(t));
    });
}

void MemoEdit::load() {
    QString t = variable_.isCharacter() ? toQ(variable_.str()) : QString();
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Memo fields end in a 0x1A or trailing blanks on some files: not part of the text.
    while (!t.isEmpty() && (t.back() == QChar(0x1A) || t.back() == QChar(0))) t.chop(1);
    if (t == toPlainText()) return;
    loading_ = true;
    setPlainText(t);
    loading_ = false;
}

BoundControl::SetResult MemoEdit::scriptSet(const QString& value, QString* why) {
    if (isReadOnly()) {
        *why = QStringLiteral("the text %1 is read-only").arg(objectName());
        return SetResult::Impossible;
    }
    setFocus(Qt::OtherFocusReason);
    setPlainText(value);
    return SetResult::Done;
}

}  // namespace mx::tk
