// An edit field bound to a variable, with a picture and a validation.
//
// The variable follows every edit. The validation runs when the field is
// left (Tab, Enter, a click elsewhere, a button or hot key that acts); when
// it answers false the field keeps the focus, the transcript gets
// `invalid NAME "VALUE"`, and buttons other than cancelling ones do not act
// until the field is accepted. The validation may change the variable (a
// lookup puts the chosen code there): the field shows the variable again
// after it ran. Enter leaves the field: to the dialog's default button when
// it has one, else to the next control.
#pragma once

#include <QLineEdit>
#include <functional>

#include "BoundControl.h"
#include "PictureFormat.h"
#include "Value.h"

namespace mx::tk {

class FieldHost;

struct FieldOptions {
    QString name{};                 // object name: the field's or variable's name ("CODE")
    QString picture{};              // "@!", "@X", "Y", "999.99", "9999" ...
    std::function<bool()> valid{};  // runs when the field is left; false keeps the focus
    bool readOnly = false;
    bool password = false;          // shows the characters masked
};

class EditField : public QLineEdit, public BoundControl {
    Q_OBJECT
public:
    EditField(rt::Value& variable, const FieldOptions& options, QWidget* parent);

    const PictureFormat& format() const { return format_; }

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

private:
    FieldHost* host() const;  // the dialog the field stands in, if any
    void store();

    rt::Value& variable_;
    FieldOptions options_;
    PictureFormat format_;
    bool pending_ = false;
    bool validating_ = false;
};

}  // namespace mx::tk
