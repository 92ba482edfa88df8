// Multi-line memo edits (see the header).
#include "MemoEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QToolTip>

#include "EditField.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

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

bool MemoEdit::encodable(const QString& text) {
    const QString bad = unencodable(text);
    if (bad.isEmpty()) return true;
    QApplication::beep();
    Ui& ui = Ui::instance();
    const QString said = QStringLiteral("%1 cannot hold \u201C%2\u201D: the tables keep Windows-1252 text").arg(controlCaption(this), bad);
    ui.status(said);
    if (isVisible() && !ui.scripted()) QToolTip::showText(mapToGlobal(QPoint(0, 0)), said, this);
    if (auto* t = ui.transcript()) t->invalid(objectName(), text);
    return false;
}

void MemoEdit::keyPressEvent(QKeyEvent* e) {
    if (!isReadOnly() && !e->text().isEmpty() && !encodable(e->text())) {
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void MemoEdit::inputMethodEvent(QInputMethodEvent* e) {
    if (!isReadOnly() && !encodable(e->commitString())) {
        e->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(e);
}

void MemoEdit::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !encodable(source->text())) return;
    QPlainTextEdit::insertFromMimeData(source);
}

BoundControl::SetResult MemoEdit::scriptSet(const QString& value, QString* why) {
    if (isReadOnly()) {
        *why = QStringLiteral("the text %1 is read-only").arg(objectName());
        return SetResult::Impossible;
    }
    setFocus(Qt::OtherFocusReason);
    if (!encodable(value)) return SetResult::Refused;
    setPlainText(value);
    return SetResult::Done;
}

}  // namespace mx::tk
