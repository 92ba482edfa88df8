// Edit fields bound to variables (behaviour in the header).
#include "EditField.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QToolTip>
#include <limits>

#include "Button.h"
#include "FieldHost.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk {

namespace {

// The reason the running validation gave for refusing (EditField::refuse).
QString& pendingReason() {
    static QString reason;
    return reason;
}

// "&Amount:" and "Type(L/Q/A/F):" name the fields "Amount" and "Type".
QString plainLabel(QString text) {
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':'))) text.chop(1);
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(')'))) {
        const qsizetype open = text.lastIndexOf(QLatin1Char('('));
        if (open > 0) text = text.left(open).trimmed();
    }
    return text;
}

}  // namespace

EditField::EditField(rt::Value& variable, const FieldOptions& options, QWidget* parent)
    : QLineEdit(parent),
      variable_(variable),
      options_(options),
      format_(fromQ(options.picture), variable, Ui::instance().dateStyle()),
      validator_(new PictureValidator(format_, this)) {
    setObjectName(options.name);
    // The picture limits the length: a key past it is refused and said, not
    // dropped by the line edit without a word.
    setMaxLength(std::numeric_limits<int>::max());
    setValidator(validator_);
    if (format_.rightAligned()) setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setReadOnly(options.readOnly);
    if (options.password) setEchoMode(QLineEdit::Password);
    load();
    connect(this, &QLineEdit::textEdited, this, [this] {
        store();
        edited_ = true;
        pending_ = true;
    });
}

bool EditField::refuse(const QString& reason) {
    pendingReason() = reason;
    return false;
}

QString EditField::caption() const {
    return options_.caption.isEmpty() ? controlCaption(this) : options_.caption;
}

QString controlCaption(const QWidget* control) {
    // The nearest label to the left on the control's line with no other
    // control between them; else the nearest label just above it.
    const QRect me = control->geometry();
    const QLabel* left = nullptr;
    const QLabel* above = nullptr;
    int leftEdge = std::numeric_limits<int>::min();   // right edge of the best label to the left
    int blocked = std::numeric_limits<int>::min();    // right edge of the nearest control to the left
    int aboveEdge = std::numeric_limits<int>::min();  // bottom edge of the best label above
    if (const QWidget* p = control->parentWidget()) {
        for (const QObject* o : p->children()) {
            const auto* w = qobject_cast<const QWidget*>(o);
            if (!w || w == control || w->isHidden()) continue;
            const QRect r = w->geometry();
            const auto* label = qobject_cast<const QLabel*>(w);
            if (label && label->text().trimmed().isEmpty()) continue;
            const int middle = r.center().y();
            if (middle >= me.top() && middle <= me.bottom() && r.right() <= me.left() + 2) {
                if (!label && w->focusPolicy() != Qt::NoFocus) blocked = std::max(blocked, r.right());
                if (label && r.right() > leftEdge) {
                    left = label;
                    leftEdge = r.right();
                }
            } else if (label && r.bottom() <= me.top() + 2 && r.bottom() >= me.top() - 2 * r.height() &&
                       r.left() < me.right() && r.right() > me.left() && r.bottom() > aboveEdge) {
                above = label;
                aboveEdge = r.bottom();
            }
        }
    }
    for (const QLabel* label : {leftEdge > blocked ? left : nullptr, above}) {
        if (!label) continue;
        if (QString text = plainLabel(label->text()); !text.isEmpty()) return text;
    }
    return control->objectName();
}

FieldHost* EditField::host() const { return dynamic_cast<FieldHost*>(window()); }

void EditField::store() { variable_ = format_.value(fromQ(text()), variable_); }

void EditField::load() {
    edited_ = false;
    QString shown = toQ(format_.display(variable_));
    if (shown == text()) return;
    setText(shown);
    // A text longer than the box shows its beginning until the field is entered.
    if (!hasFocus()) setCursorPosition(0);
}

QString EditField::displayText() const { return echoMode() == QLineEdit::Password ? QString(text().size(), '*') : text(); }

void EditField::sayRefused(const QString& typed, const QString& statusText) {
    QApplication::beep();
    Ui& ui = Ui::instance();
    ui.status(statusText);
    statusShown_ = true;
    // The dialogs often stand over the main window's status line: the same
    // words by the field, where the person is looking.
    if (isVisible() && !ui.scripted()) QToolTip::showText(mapToGlobal(QPoint(0, height())), statusText, this);
    // A password's characters stay out of the transcript.
    if (auto* t = ui.transcript()) t->invalid(objectName(), echoMode() == QLineEdit::Password ? QString(typed.size(), '*') : typed);
}

void EditField::clearStatus() {
    if (!statusShown_) return;
    statusShown_ = false;
    Ui::instance().status(QString());
    QToolTip::hideText();
}

template <class F>
void EditField::edit(F&& run) {
    validator_->clear();
    run();
    if (const auto& refused = validator_->refused(); refused && !isReadOnly()) {
        const PictureValidator::Refusal r = *refused;
        validator_->clear();
        sayRefused(r.text, caption() + QLatin1Char(' ') + r.reason);
    }
}

bool EditField::leave() {
    if (validating_) return true;
    pending_ = false;
    if (isReadOnly()) return true;
    // Only a text the user changed goes back into the variable: a field
    // merely passed through keeps the value it was given exactly.
    if (edited_) store();
    bool ok = true;
    if (options_.valid) {
        validating_ = true;
        pendingReason().clear();
        ok = Ui::instance().invokeCheck(options_.valid);
        validating_ = false;
        load();
    }
    FieldHost* owner = host();
    if (!ok) {
        pending_ = true;
        QString reason = pendingReason();
        pendingReason().clear();
        if (reason.isEmpty()) reason = QStringLiteral("%1 does not take \u201C%2\u201D").arg(caption(), displayText());
        sayRefused(text(), reason);
        if (owner) owner->setRefusedField(this);
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        return false;
    }
    clearStatus();
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
    edit([&] { QLineEdit::keyPressEvent(e); });
}

void EditField::inputMethodEvent(QInputMethodEvent* e) {
    edit([&] { QLineEdit::inputMethodEvent(e); });
}

void EditField::dropEvent(QDropEvent* e) {
    edit([&] { QLineEdit::dropEvent(e); });
}

void EditField::contextMenuEvent(QContextMenuEvent* e) {
    edit([&] { QLineEdit::contextMenuEvent(e); });  // its Paste
}

BoundControl::SetResult EditField::scriptSet(const QString& value, QString* why) {
    if (isReadOnly() || !isEnabled()) {
        *why = QStringLiteral("the field %1 cannot be edited").arg(objectName());
        return SetResult::Impossible;
    }
    setFocus(Qt::OtherFocusReason);
    // A value the field cannot hold whole is refused whole, as its keys
    // would be: the field keeps what it showed, nothing cut is stored.
    if (const QString refused = validator_->refusal(value); !refused.isEmpty()) {
        sayRefused(value, caption() + QLatin1Char(' ') + refused);
        return SetResult::Refused;
    }
    setText(toQ(format_.type(fromQ(value))));
    store();
    edited_ = true;
    pending_ = true;
    return leave() ? SetResult::Done : SetResult::Refused;
}

}  // namespace mx::tk
