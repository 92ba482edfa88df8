// An edit field bound to a variable, with a picture and a validation.
//
// The variable follows every edit. A key the picture or the tables' code
// page refuses changes nothing: the field beeps, the status line (and a tip
// by the field) says what the field holds ("Amount holds at most 999.99"),
// and the transcript gets
// `invalid NAME "TEXT"` with the text the key would have made. A scripted
// `set` of a value that does not fit is refused whole the same way, never
// stored cut.
//
// The validation runs when the field is left (Tab, Enter, a click
// elsewhere, a button or hot key that acts); when it answers false the field
// keeps the focus, beeps, the status line gives the validation's reason
// (refuse()), the transcript gets `invalid NAME "VALUE"`, and buttons other
// than cancelling ones do not act until the field is accepted. The
// validation may change the variable (a lookup puts the chosen code there):
// the field shows the variable again after it ran. Enter leaves the field:
// to the dialog's default button when it has one, else to the next control.
#pragma once

#include <QLineEdit>
#include <functional>

#include "BoundControl.h"
#include "PictureFormat.h"
#include "PictureValidator.h"
#include "Value.h"

namespace mx::tk {

class FieldHost;

struct FieldOptions {
    QString name{};                 // object name: the field's or variable's name ("CODE")
    QString picture{};              // "@!", "@X", "Y", "999.99", "9999" ...
    std::function<bool()> valid{};  // runs when the field is left; false keeps the focus
    bool readOnly = false;
    bool password = false;          // shows the characters masked
    QString caption{};              // how messages name it; empty: the label before it, else `name`
};

// How messages name a control: the label standing before it on its line
// ("Amount:" gives "Amount", "Type(L/Q/A/F):" gives "Type"), else the label
// just above it, else its object name.
QString controlCaption(const QWidget* control);

class EditField : public QLineEdit, public BoundControl {
    Q_OBJECT
public:
    EditField(rt::Value& variable, const FieldOptions& options, QWidget* parent);

    const PictureFormat& format() const { return format_; }
    // How the status line names the field: its caption, else the label
    // standing before it on its line ("Amount:" gives "Amount"), else its name.
    QString caption() const;

    // For a validation that keeps the focus: records why, for the status
    // line ("Type is one of L, Q, A, F"), and answers false, so that a
    // validation can end with `return ok || EditField::refuse("...");`.
    static bool refuse(const QString& reason);

    // Runs the validation as leaving the field does; false when refused.
    bool leave();
    // Whether leaving now must run the validation (entered or edited since
    // it last ran, or refused last time).
    bool pendingValidation() const { return pending_; }

    QWidget* widget() override { return this; }
    void load() override;
    QString displayText() const override;
    SetResult scriptSet(const QString& value, QString* why) override;

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    FieldHost* host() const;  // the dialog the field stands in, if any
    void store();
    // Runs a person's edit; a refusal of the picture or the code page during
    // it is said (beep, status line, transcript).
    template <class F>
    void edit(F&& run);
    // Says that the field did not take `typed`: beep, status line, transcript.
    void sayRefused(const QString& typed, const QString& statusText);
    void clearStatus();

    rt::Value& variable_;
    FieldOptions options_;
    PictureFormat format_;
    PictureValidator* validator_;
    bool pending_ = false;
    bool edited_ = false;       // the text was changed since the variable was shown
    bool statusShown_ = false;  // the status line shows this field's refusal
    bool validating_ = false;
};

}  // namespace mx::tk
