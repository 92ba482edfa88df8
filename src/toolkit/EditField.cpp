// Edit fields bound to variables (behaviour in the header).
#include "EditField.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

#include "Button.h"
#include "FieldHost.h"
#include "PictureValidator.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk {

EditField::EditField(rt::Value& variable, const FieldOptions& options, QWidget* parent)
    : QLineEdit(parent),
      variable_(variable),
      options_(options),
      format_(fromQ(options.picture), variable, Ui::instance().dateStyle()) {
    setObjectName(options.name);
    setMaxLength(format_.length());
    setValidator(new PictureValidator(format_, this));
    if (format_.rightAligned()) setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setReadOnly(options.readOnly);
    if (options.password) setEchoMode(QLineEdit::Password);
    load();
    connect(this, &QLineEdit::textEdited, this, [this] {
        store();
        pending_ = true;
    });
}

FieldHost* EditField::host() const { return dynamic_cast<FieldHost*>(window()); }

void EditField::store() { variable_ = format_.value(fromQ(text()), variable_); }

void EditField::load() {
    QString shown = toQ(format_.display(variable_));
    if (shown == text()) return;
    setText(shown);
    // A text longer than the box shows its beginning until the field is entered.
    if (!hasFocus()) setCursorPosition(0);
}

QString EditField::displayText() const { return echoMode() == QLineEdit::Password ? QString(text().size(), '*') : text(); }

bool EditField::leave() {
    if (validating_) return true;
    pending_ = false;
    if (isReadOnly()) return true;
    store();
    bool ok = true;
    if (options_.valid) {
        validating_ = true;
        ok = Ui::instance().invokeCheck(options_.valid);
        validating_ = false;
        load();
    }
    FieldHost* owner = host();
    if (!ok) {
        pending_ = true;
        if (auto* t = Ui::instance().transcript()) t->invalid(objectName(), text());
        if (owner) owner->setRefusedField(this);
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        return false;
    }
    if (owner && owner->refusedField() == this) owner->setRefusedField(nullptr);
    return true;
}

void EditField::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason) pending_ = true;
}

void EditField::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    if (pending_) leave();
}

void EditField::keyPressEvent(QKeyEvent* e) {
    // Keypad Enter is Enter.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        e->accept();
        if (!leave()) return;
        FieldHost* owner = host();
        if (owner && owner->defaultButton())
            owner->defaultButton()->press();
        else
            focusNextChild();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

BoundControl::SetResult EditField::scriptSet(const QString& value, QString* why) {
    if (isReadOnly() || !isEnabled()) {
        *why = QStringLiteral("the field %1 cannot be edited").arg(objectName());
        return SetResult::Impossible;
    }
    setFocus(Qt::OtherFocusReason);
    setText(toQ(format_.type(fromQ(value))));
    store();
    pending_ = true;
    return leave() ? SetResult::Done : SetResult::Refused;
}

}  // namespace mx::tk
