// A modal dialog and the controls the screens place in it.
//
// A screen's dialog: construct it with its title and box, add controls
// (each bound to the screen's working variables), run() it, and read the
// variables afterwards. The constructor only sets the window up; nothing is
// shown before run().
//
//   rt::Value code = lib.fieldValue("CODE"), desc = lib.fieldValue("DESC");
//   Dialog dlg("Library / Suite Code View", {50, 50, 280, 720});
//   dlg.addText({7, 10}, "Code:");
//   dlg.addField({5, 55, 80, 12}, code, {.name = "CODE", .picture = "@!"});
//   dlg.addButton({100, 10, 45, 12}, "&Save", [&] { saved = true; dlg.end(); });
//   dlg.addButton({100, 60, 45, 12}, "&Cancel", [&] { dlg.end(); });
//   dlg.setKeys({{HotKeys::PageDown, save}, {HotKeys::Enter, {}}}, screenKeys);
//   dlg.run();
//
// Positions and sizes are in layout units (see Geometry.h). The dialog uses
// the dialog font unless told otherwise. Escape and the close box close it
// (run() then returns false); end() closes it with run() returning true.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QScrollArea>
#include <functional>
#include <vector>

#include "Browse.h"
#include "Button.h"
#include "CheckBox.h"
#include "ComboBox.h"
#include "EditField.h"
#include "FieldHost.h"
#include "Geometry.h"
#include "HotKeys.h"
#include "MemoEdit.h"
#include "RadioGroup.h"

namespace mx::tk {

class Dialog : public QDialog, public FieldHost {
    Q_OBJECT
public:
    Dialog(const QString& title, const Box& box, QWidget* parent = nullptr);

    // Centred on the screen instead of at the box's top left (default off).
    void setCentred(bool centred) { centred_ = centred; }
    // Boxes of the toolkit itself (prompt, choice) are recorded as such, not
    // as dialogs opening and closing.
    void setReported(bool reported) { reported_ = reported; }
    Unit unit() const { return unit_; }

    // ---- controls
    QLabel* addText(const Place& at, const QString& text);
    EditField* addField(const Place& at, rt::Value& variable, const FieldOptions& options = {});
    MemoEdit* addMemo(const Place& at, rt::Value& variable, const QString& name = {}, bool readOnly = false);
    Button* addButton(const Place& at, const QString& caption, std::function<void()> action);
    CheckBox* addCheckBox(const Place& at, rt::Value& variable, const QString& caption = {}, const QString& name = {});
    ComboBox* addCombo(const Place& at, rt::Value& variable, const QStringList& items, const QString& name = {});
    RadioGroup* addRadio(const Place& at, int& choice, const QStringList& captions, const QString& name = {});
    // An image file at its natural size (or stretched to the place's size);
    // a file missing there is looked for in the program's bitmap folder
    // (Ui::bitmapFolder); nothing is shown when it is missing there too.
    QLabel* addBitmap(const Place& at, const QString& file, bool stretch = false, bool border = false);
    Browse* addBrowse(const Place& at, rt::Session& session, rt::WorkArea& area, std::vector<BrowseColumn> columns,
                      Browse::RowFn row);
    // Takes a browse out of the dialog and deletes it (a screen that shows
    // another table in its place adds a new one).
    void removeBrowse(Browse* browse);

    // A scrolled page for more controls than the box holds: the controls
    // added until endScrolledPage() go on a page of `pageWidth` x
    // `pageHeight` layout units, placed from its own top left, that scrolls
    // inside the place `at`; the control that takes the focus is scrolled
    // into view. One page at a time.
    QScrollArea* beginScrolledPage(const Place& at, double pageWidth, double pageHeight);
    void endScrolledPage() { page_ = nullptr; }

    // The button Enter presses from an edit field.
    void setDefaultButton(Button* button);
    Button* defaultButton() const override { return default_; }

    // Hot keys bound when the dialog opens (in its own layer, HotKeys.h) and
    // when it closes (the keys of the window beneath). Either map may be
    // empty; a dialog that binds none has no hot keys while it stands.
    void setKeys(KeyMap whileOpen, KeyMap afterClose);

    // Shows the dialog modally until it is ended or closed; true when ended
    // through end().
    bool run();
    void end();
    // Every bound control shows its variable again.
    void refresh();

    // Leaves the edit field holding the focus, running its validation when it
    // is due; false when a field refused its value (it keeps the focus).
    bool leaveFocusedField() override;
    EditField* refusedField() const override { return refused_; }
    void setRefusedField(EditField* field) override { refused_ = field; }

    // Bound controls in tab order, and the browses in the order added.
    std::vector<BoundControl*> boundControls() const;
    const std::vector<Browse*>& browses() const { return browses_; }

private:
    template <class W>
    W* placed(W* widget, const Place& at);
    // Where controls go: the scrolled page while one is begun, else the dialog.
    QWidget* controlParent() { return page_ ? page_ : static_cast<QWidget*>(this); }

    Unit unit_;
    bool centred_ = false;
    bool reported_ = true;
    Button* default_ = nullptr;
    EditField* refused_ = nullptr;
    KeyMap openKeys_, closeKeys_;
    std::vector<Browse*> browses_;
    QWidget* page_ = nullptr;
};

}  // namespace mx::tk
