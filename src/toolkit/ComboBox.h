// A drop-down list bound to a character variable: choosing an item stores
// its text (padded to the variable's width). Scripts choose by item text;
// trailing blanks do not count, so "" chooses an item of blanks. An item may
// carry a note shown after its text ("libcode   CODE"); the note is never
// stored, looked for or matched.
#pragma once

#include <QComboBox>

#include "BoundControl.h"
#include "Value.h"

namespace mx::tk {

class ComboBox : public QComboBox, public BoundControl {
    Q_OBJECT
public:
    ComboBox(rt::Value& variable, const QStringList& items, const QString& name, QWidget* parent);

    QWidget* widget() override { return this; }
    void load() override;
    QString displayText() const override { return currentText(); }
    SetResult scriptSet(const QString& value, QString* why) override;

    // Shows `note` after the text of item `index`.
    void setItemNote(int index, const QString& note);
    // The item's text without its note.
    QString itemValue(int index) const;

private:
    int find(const QString& text) const;

    rt::Value& variable_;
};

}  // namespace mx::tk
