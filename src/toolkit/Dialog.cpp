// Modal dialogs and control placement (see the header).
#include "Dialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

#include "DialogStack.h"
#include "Fonts.h"
#include "Ui.h"

namespace mx::tk {

Dialog::Dialog(const QString& title, const Box& box, QWidget* parent) : QDialog(parent), unit_(box.unit) {
    setWindowTitle(title);
    setProperty(HotKeys::kToolkitWindow, true);
    setFont(Fonts::dialog());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QRect r = Geometry::box(box);
    setFixedSize(r.size());
    move(r.topLeft());
}

template <class W>
W* Dialog::placed(W* widget, const Place& at) {
    QRect r = Geometry::place(at, unit_);
    QSize hint = widget->sizeHint();
    widget->setGeometry(r.x(), r.y(), r.width() > 0 ? r.width() : hint.width(),
                        r.height() > 0 ? r.height() : hint.height());
    return widget;
}

QLabel* Dialog::addText(const Place& at, const QString& text) {
    auto* label = new QLabel(text, controlParent());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (at.height > 0 && Geometry::length(at.height) > label->sizeHint().height() * 2) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    return placed(label, at);
}

EditField* Dialog::addField(const Place& at, rt::Value& variable, const FieldOptions& options) {
    return placed(new EditField(variable, options, controlParent()), at);
}

MemoEdit* Dialog::addMemo(const Place& at, rt::Value& variable, const QString& name, bool readOnly) {
    return placed(new MemoEdit(variable, name, readOnly, controlParent()), at);
}

Button* Dialog::addButton(const Place& at, const QString& caption, std::function<void()> action) {
    return placed(new Button(caption, std::move(action), controlParent()), at);
}

CheckBox* Dialog::addCheckBox(const Place& at, rt::Value& variable, const QString& caption, const QString& name) {
    return placed(new CheckBox(variable, caption, name, controlParent()), at);
}

ComboBox* Dialog::addCombo(const Place& at, rt::Value& variable, const QStringList& items, const QString& name) {
    auto* combo = new ComboBox(variable, items, name, controlParent());
    placed(combo, at);
    combo->setFixedHeight(std::max(combo->height(), combo->sizeHint().height()));
    if (combo->width() < 48) combo->setFixedWidth(48);  // room for the arrow and two letters
    return combo;
}

RadioGroup* Dialog::addRadio(const Place& at, int& choice, const QStringList& captions, const QString& name) {
    auto* group = new RadioGroup(choice, captions, name, Geometry::length(12), controlParent());
    QRect r = Geometry::place(at, unit_);
    group->move(r.topLeft());
    if (r.width() > 0) group->resize(r.width(), group->height());
    return group;
}

QLabel* Dialog::addBitmap(const Place& at, const QString& file, bool stretch, bool border) {
    auto* label = new QLabel(controlParent());
    QPixmap pix;
    const QString& own = Ui::instance().bitmapFolder();
    if (QFile::exists(file))
        pix.load(file);
    else if (!own.isEmpty() && !file.isEmpty())
        pix.load(QDir(own).filePath(QFileInfo(file).fileName()));
    label->setPixmap(pix);
    label->setScaledContents(stretch);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (border) label->setFrameShape(QFrame::Box);
    QRect r = Geometry::place(at, unit_);
    label->setGeometry(r.x(), r.y(), r.width() > 0 ? r.width() : pix.width(), r.height() > 0 ? r.height() : pix.height());
    return label;
}

Browse* Dialog::addBrowse(const Place& at, rt::Session& session, rt::WorkArea& area, std::vector<BrowseColumn> columns,
                          Browse::RowFn row) {
    auto* browse = placed(new Browse(session, area, std::move(columns), std::move(row), this), at);
    browses_.push_back(browse);
    if (isVisible()) browse->show();  // added while the dialog stands
    return browse;
}

void Dialog::removeBrowse(Browse* browse) {
    browses_.erase(std::remove(browses_.begin(), browses_.end(), browse), browses_.end());
    delete browse;
}

QScrollArea* Dialog::beginScrolledPage(const Place& at, double pageWidth, double pageHeight) {
    page_ = nullptr;
    auto* scroll = placed(new QScrollArea(this), at);
    scroll->setFrameShape(QFrame::StyledPanel);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* page = new QWidget;
    page->resize(Geometry::length(pageWidth), Geometry::length(pageHeight));
    scroll->setWidget(page);  // the scroll area owns the page
    scroll->setWidgetResizable(false);
    // Tabbing (or a script's entering) onto a control out of sight brings it into view.
    connect(qApp, &QApplication::focusChanged, scroll, [scroll, page](QWidget*, QWidget* now) {
        if (now && page->isAncestorOf(now)) scroll->ensureWidgetVisible(now, 8, 8);
    });
    page_ = page;
    return scroll;
}

void Dialog::setDefaultButton(Button* button) {
    if (default_) default_->setDefault(false);
    default_ = button;
    if (button) button->setDefault(true);
}

void Dialog::setKeys(KeyMap whileOpen, KeyMap afterClose) {
    openKeys_ = std::move(whileOpen);
    closeKeys_ = std::move(afterClose);
}

bool Dialog::run() {
    Ui& ui = Ui::instance();
    if (centred_) {
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        move(screen.center() - QPoint(width() / 2, height() / 2));
    }
    // The dialog's own hot-key layer: only the keys it binds act while it
    // stands; the screen's beneath wait until it has closed.
    HotKeys& keys = HotKeys::instance();
    struct Layer {
        HotKeys& keys;
        Dialog* dialog;
        ~Layer() { keys.leave(dialog); }
    };
    int result = Rejected;
    {
        keys.enter(this);
        Layer layer{keys, this};
        keys.apply(openKeys_);
        DialogStack::instance().opened(this);
        ui.dialogOpened(this, windowTitle(), reported_);
        if (!(ui.answerSource() && ui.answerSource()->ending())) {
            // Focus starts on the first control that takes it, in tab order.
            if (!focusWidget()) focusNextChild();
            result = exec();
        }
        DialogStack::instance().closed(this);
        ui.dialogClosed(this, windowTitle(), reported_);
    }
    keys.apply(closeKeys_);
    return result == Accepted;
}

void Dialog::end() { accept(); }

void Dialog::refresh() {
    for (BoundControl* c : boundControls()) c->load();
    for (Browse* b : browses_) b->refresh();
}

bool Dialog::leaveFocusedField() {
    if (auto* field = qobject_cast<EditField*>(focusWidget()); field && field->pendingValidation()) return field->leave();
    if (refused_) {
        refused_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

std::vector<BoundControl*> Dialog::boundControls() const {
    std::vector<BoundControl*> out;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (auto* c = dynamic_cast<BoundControl*>(w)) out.push_back(c);
    }
    return out;
}

}  // namespace mx::tk
