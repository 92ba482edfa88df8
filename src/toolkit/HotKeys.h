// Hot keys: virtual-key codes bound to actions while a screen or dialog
// stands. A screen binds its keys when it opens, an edit dialog binds its own
// over them, and whoever closes a dialog binds the screen's keys again
// (Dialog can do that for it, see Dialog::setKeys).
//
// The bindings are kept per standing window, as a stack of layers:
//   1. the base layer belongs to the main window (and to any toolkit window
//      that is not run as a modal dialog);
//   2. every Dialog::run() puts an empty layer of its own on top while it
//      stands and takes it away when it closes;
//   3. bind(), apply() and release() change the top layer, hasAction() and
//      press() read it;
//   4. a key press acts only in the window of the top layer. So a prompt,
//      choice box or any dialog opened over a screen has no hot keys of its
//      own unless it binds some: Enter presses its default button, and the
//      keys of the screen beneath never fire while it stands.
//
// A key press in the top layer's window is looked up before the focused
// control sees it:
//   - a key bound to an action runs the action (after the focused edit field
//     has been left and accepted) and the control never sees the key;
//   - a key bound to nothing (released) or not bound at all goes on to the
//     control as usual, so Space still types a blank and Page Down still
//     pages a browse.
// Enter on a focused push button is the button's: it presses it.
// Keys pressed in message boxes and other Qt windows are not looked up, nor
// in a toolkit window marked kOwnKeys (the one-line prompt and the choice
// box): there Enter answers the box, and the screen's keys wait beneath it.
//
// The table knows no dialog: a window whose fields validate on leaving is
// asked through FieldHost, and actions run through the runner Ui installs.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QWidget;

namespace mx::tk {

using KeyAction = std::function<void()>;
// Bindings to apply together; an empty action releases the key.
using KeyMap = std::vector<std::pair<int, KeyAction>>;

class HotKeys : public QObject {
    Q_OBJECT
public:
    // The virtual-key codes the screens use.
    enum Vk : int {
        Tab = 9, Enter = 13, Escape = 27, Space = 32, PageUp = 33, PageDown = 34, End = 35, Home = 36,
        Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46, F1 = 112, F2 = 113,
    };

    // The program's table; installs the key filter on the application the
    // first time (a QApplication must exist).
    static HotKeys& instance();

    // ---- the top layer
    void bind(int vk, KeyAction action);
    void release(int vk) { bind(vk, {}); }
    void apply(const KeyMap& keys);
    bool hasAction(int vk) const;
    // Runs the key's action as a key press would; false when it has none.
    bool press(int vk);

    // Property set on the top-level windows the toolkit owns: hot keys act
    // only there.
    static constexpr const char* kToolkitWindow = "mxToolkitWindow";
    // Property of a toolkit window that takes every key itself.
    static constexpr const char* kOwnKeys = "mxOwnKeys";

    // What runs a key's action: Ui installs its guard (Ui::invoke), which
    // reports a failure escaping the action; until then actions run as they are.
    using Runner = std::function<void(const KeyAction&)>;
    static void setRunner(Runner runner);
    // ---- layers (Dialog::run)
    // `window` begins to stand over the windows beneath: a new, empty layer.
    void enter(QWidget* window);
    // `window` has closed: its layer goes, and so does any layer left above it.
    void leave(QWidget* window);
    // The layers standing, the base included.
    size_t depth() const { return layers_.size(); }
    // Forgets every binding and every layer above the base.
    void clear();

    // Qt key <-> virtual-key code; 0 when there is none.
    static int virtualKey(int qtKey);
    static int qtKey(int vk);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Layer {
        QPointer<QWidget> window;  // null for the base layer
        std::map<int, KeyAction> bindings;
    };

    HotKeys();
    Layer& top() { return layers_.back(); }
    const Layer& top() const { return layers_.back(); }

    std::vector<Layer> layers_;  // never empty: layers_[0] is the base
};

}  // namespace mx::tk
