// The hot-key convention every browse screen follows, and `FNIL`, the empty
// action released keys are bound to. Built on the toolkit's one binding
// table (HotKeys) and on Dialog::setKeys, which binds a dialog's keys when it
// opens and the keys of the screen beneath when it closes.
//
//   key          list screen          edit dialog over it   screen closed
//   Enter  13    view/update          FNIL                  FNIL
//   Insert 45    add                  FNIL                  FNIL
//   Delete 46    delete (or FNIL)     FNIL                  FNIL
//   F2    113    SRCH                 FNIL                  FNIL
//   PgDn   34    FNIL                 save                  FNIL
//   Space  32    (not bound)          FNIL                  FNIL
//
// A key bound to `FNIL` is bound to the toolkit's empty action: no hot key
// runs, and the key goes on to the control as it would without a binding
// (Space still types a blank, Page Down still pages a browse).
#pragma once

#include "Dialog.h"
#include "HotKeys.h"

namespace mx::ia {

// Does nothing: the action of a released hot key.
void FNIL();

// The binding that stands for `FNIL` in a key map.
inline tk::KeyAction fnilAction() { return {}; }

// A list screen's actions; an empty one (a screen that does not delete)
// binds its key to `FNIL`.
struct ListActions {
    tk::KeyAction viewUpdate{};  // Enter
    tk::KeyAction add{};         // Insert
    tk::KeyAction remove{};      // Delete
    tk::KeyAction search{};      // F2
};

tk::KeyMap listScreenKeys(const ListActions& actions);
// Enter, Space, Insert, Delete and F2 to `FNIL`, Page Down to `save`.
tk::KeyMap editDialogKeys(tk::KeyAction save);
// Every key of the convention to `FNIL`: what a screen leaves behind.
tk::KeyMap closedScreenKeys();
// Enter and F2 to `FNIL`: what a lookup leaves behind.
tk::KeyMap lookupClosedKeys();

// One screen's keys: bound while the screen stands, bound again whenever an
// edit dialog over it closes, released when the screen returns.
class ScreenKeys {
public:
    explicit ScreenKeys(ListActions actions) : keys_(listScreenKeys(actions)) {}

    const tk::KeyMap& keys() const { return keys_; }
    // Binds the screen's keys now (after something that released them, such
    // as a lookup).
    void bind() const;
    // The screen's own dialog: its keys while open, `FNIL` everywhere after.
    void attach(tk::Dialog& screen) const;
    // An edit dialog over the screen: the edit keys while it is open (Page
    // Down runs `save`), the screen's keys again when it closes.
    void attachEdit(tk::Dialog& edit, tk::KeyAction save) const;

private:
    tk::KeyMap keys_;
};

}  // namespace mx::ia
