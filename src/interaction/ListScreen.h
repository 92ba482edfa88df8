// The frame of every list screen: one dialog with one browse over a work
// area, its button rows, and the hot keys of the list-screen convention
// (HotKeyConvention.h), owned together. The keys are bound while the frame
// stands, bound again after every dialog or sub-screen over it, and released
// when the frame goes, so no screen keeps a key guard of its own.
//
// A new screen is written as this example (the library screen, shortened):
//
//   bool LIB(ds::DataContext& ctx) {
//       ia::ListScreen screen(ctx, QString::fromUtf8(kLibTitle), {10, 100, 465, 800});
//       screen.setActions({.viewUpdate = screen.onList([&](tk::Browse& l) { UPD(ctx, l, screen.keys(), false); }),
//                          .add = screen.onList([&](tk::Browse& l) { UPD(ctx, l, screen.keys(), true); }),
//                          .search = screen.onList([&](tk::Browse& l) { SRCH(ctx, l); })});
//       if (!ds::OPNALIAS(ctx, "lib", true, true)) return false;   // the frame releases its keys
//       rt::WorkArea& lib = ctx.session.openArea("LIB");
//       screen.addList({10, 10, 332.5, 167.5}, lib, columns, [&lib] { return row(lib); });
//       screen.addButtons(182.5, 10, {{"", {}}, {"View/&Update", screen.actions().viewUpdate}, ...});
//       screen.run();
//       return true;
//   }
//
// and its edit dialog as the EditDialog example, opened through
// `ia::openEdit` (EditDialog.h): the constructor of the dialog wires its
// controls to working values, the copy loads them from the record, Save
// validates and writes.
//
// Lifetimes: the frame outlives its dialog's run; actions made by `onList`
// hold a reference to the frame and do nothing until the list stands.
#pragma once

#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "DataContext.h"
#include "Dialog.h"
#include "HotKeyConvention.h"

namespace mx::ia {

// One button of a row: caption and action; an empty caption leaves its
// place free.
using ButtonSpec = std::pair<QString, std::function<void()>>;

class ListScreen {
public:
    // Binds the convention's keys (to `FNIL` until `setActions`); nothing is
    // shown before `run`.
    ListScreen(ds::DataContext& ctx, const QString& title, const tk::Box& box);
    // Releases every key of the convention (`closedScreenKeys`).
    ~ListScreen();
    ListScreen(const ListScreen&) = delete;
    ListScreen& operator=(const ListScreen&) = delete;

    ds::DataContext& context() { return ctx_; }
    tk::Dialog& dialog() { return dialog_; }
    const ScreenKeys& keys() const { return keys_; }
    const ListActions& actions() const { return actions_; }

    // The screen's list; std::logic_error before `addList`.
    tk::Browse& list();
    bool hasList() const { return list_ != nullptr; }

    // An action on the list: runs `action` with the list once it stands,
    // nothing before (a key pressed while the screen's tables open).
    tk::KeyAction onList(std::function<void(tk::Browse&)> action);

    // The screen's Enter, Insert, Delete and F2 (an empty action binds its
    // key to `FNIL`); bound at once. A double click on the list runs
    // `viewUpdate`.
    void setActions(ListActions actions);

    // The browse of the screen over `area`.
    tk::Browse& addList(const tk::Place& at, rt::WorkArea& area, std::vector<tk::BrowseColumn> columns,
                        tk::Browse::RowFn row);

    // Takes the list out of the dialog and deletes it (a screen that shows
    // another table in its place adds a new list).
    void removeList();

    tk::Button* addButton(const tk::Place& at, const QString& caption, std::function<void()> action);
    // A row of 45 x 12 buttons from column `first`, one every 50 units; a
    // button with an empty caption leaves its place free.
    void addButtons(double row, double first, const std::vector<ButtonSpec>& buttons);

    // After something that released the keys or moved the table (a
    // sub-screen, a lookup, a report): the keys bound again, the list
    // re-synchronised with its area.
    void restore();

    // Runs `body` as one operation of the screen (`guarded`: the selection
    // kept, a table failure ending it quietly), then `restore`.
    void operation(const std::function<void()>& body);

    // Shows the screen until Exit, Escape or the close box.
    void run();

private:
    ds::DataContext& ctx_;
    tk::Dialog dialog_;
    ListActions actions_;
    ScreenKeys keys_;
    tk::Browse* list_ = nullptr;
};

}  // namespace mx::ia
