// Push buttons (see the header).
#include "Button.h"

#include <QKeyEvent>

#include "FieldHost.h"
#include "ScriptParser.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::tk {

Button::Button(const QString& caption, std::function<void()> action, QWidget* parent)
    : QPushButton(caption, parent), action_(std::move(action)), cancelling_(cancellingCaption(caption)) {
    setAutoDefault(false);
    setCancelling(cancelling_);
    connect(this, &QPushButton::clicked, this, [this] { press(); });
}

bool Button::cancellingCaption(const QString& caption) {
    std::string plain = ScriptParser::plainCaption(toUtf8(caption));
    return plain == "Cancel" || plain == "Exit";
}

void Button::setCancelling(bool cancelling) {
    cancelling_ = cancelling;
    setFocusPolicy(cancelling ? Qt::TabFocus : Qt::StrongFocus);
}

void Button::press() {
    if (!cancelling_) {
        if (auto* host = dynamic_cast<FieldHost*>(window()); host && !host->leaveFocusedField()) return;
    }
    if (action_) Ui::instance().invoke(action_);
}

void Button::keyPressEvent(QKeyEvent* e) {
    // Keypad Enter is Enter.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        e->accept();
        if (!e->isAutoRepeat()) press();
        return;
    }
    QPushButton::keyPressEvent(e);
}

}  // namespace mx::tk
