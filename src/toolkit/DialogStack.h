// The toolkit's modal dialogs standing, innermost last. Dialog::run reports
// each dialog as it opens and closes; whoever needs the window on top (Ui
// for the parent of its boxes, the script driver for the window its commands
// act on) reads it here, without knowing Dialog.
//
// One list for the program (instance()); Ui::reset() empties it for tests.
#pragma once

#include <vector>

class QWidget;

namespace mx::tk {

class DialogStack {
public:
    static DialogStack& instance();

    // `dialog` stands over the others until closed() names it.
    void opened(QWidget* dialog);
    // `dialog` has closed (wherever it stood); nothing when it is not listed.
    void closed(QWidget* dialog);
    void clear() { dialogs_.clear(); }

    const std::vector<QWidget*>& dialogs() const { return dialogs_; }
    bool empty() const { return dialogs_.empty(); }
    // The innermost dialog; nullptr when none stands.
    QWidget* top() const { return dialogs_.empty() ? nullptr : dialogs_.back(); }

private:
    DialogStack() = default;
    std::vector<QWidget*> dialogs_;
};

}  // namespace mx::tk
