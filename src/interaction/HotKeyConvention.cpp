// The hot-key convention of the browse screens (see HotKeyConvention.h).
#include "HotKeyConvention.h"

namespace mx::ia {

using tk::HotKeys;
using tk::KeyAction;
using tk::KeyMap;

void FNIL() {}

namespace {
KeyAction orFnil(const KeyAction& action) { return action ? action : fnilAction(); }
}  // namespace

KeyMap listScreenKeys(const ListActions& a) {
    return {{HotKeys::Enter, orFnil(a.viewUpdate)},
            {HotKeys::Insert, orFnil(a.add)},
            {HotKeys::Delete, orFnil(a.remove)},
            {HotKeys::F2, orFnil(a.search)},
            {HotKeys::PageDown, fnilAction()}};
}

KeyMap editDialogKeys(KeyAction save) {
    return {{HotKeys::Enter, fnilAction()},  {HotKeys::Space, fnilAction()}, {HotKeys::Insert, fnilAction()},
            {HotKeys::Delete, fnilAction()}, {HotKeys::F2, fnilAction()},    {HotKeys::PageDown, orFnil(save)}};
}

KeyMap closedScreenKeys() { return editDialogKeys({}); }

KeyMap lookupClosedKeys() { return {{HotKeys::Enter, fnilAction()}, {HotKeys::F2, fnilAction()}}; }

void ScreenKeys::bind() const { HotKeys::instance().apply(keys_); }

void ScreenKeys::attach(tk::Dialog& screen) const { screen.setKeys(keys_, closedScreenKeys()); }

void ScreenKeys::attachEdit(tk::Dialog& edit, KeyAction save) const {
    edit.setKeys(editDialogKeys(std::move(save)), keys_);
}

}  // namespace mx::ia
