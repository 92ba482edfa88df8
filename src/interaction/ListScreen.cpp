// The list-screen frame (see ListScreen.h).
#include "ListScreen.h"

#include <stdexcept>

#include "Guarded.h"

namespace mx::ia {

ListScreen::ListScreen(ds::DataContext& ctx, const QString& title, const tk::Box& box)
    : ctx_(ctx), dialog_(title, box), keys_(ListActions{}) {
    keys_.bind();
}

ListScreen::~ListScreen() { tk::HotKeys::instance().apply(closedScreenKeys()); }

tk::Browse& ListScreen::list() {
    if (!list_) throw std::logic_error("the list screen has no list yet");
    return *list_;
}

tk::KeyAction ListScreen::onList(std::function<void(tk::Browse&)> action) {
    return [this, action = std::move(action)] {
        if (list_) action(*list_);
    };
}

void ListScreen::setActions(ListActions actions) {
    actions_ = std::move(actions);
    keys_ = ScreenKeys(actions_);
    keys_.bind();
    if (list_) list_->onDoubleClick(actions_.viewUpdate);
}

tk::Browse& ListScreen::addList(const tk::Place& at, rt::WorkArea& area, std::vector<tk::BrowseColumn> columns,
                                tk::Browse::RowFn row) {
    list_ = dialog_.addBrowse(at, ctx_.session, area, std::move(columns), std::move(row));
    if (actions_.viewUpdate) list_->onDoubleClick(actions_.viewUpdate);
    return *list_;
}

void ListScreen::removeList() {
    if (!list_) return;
    dialog_.removeBrowse(list_);
    list_ = nullptr;
}

tk::Button* ListScreen::addButton(const tk::Place& at, const QString& caption, std::function<void()> action) {
    return dialog_.addButton(at, caption, std::move(action));
}

void ListScreen::addButtons(double row, double first, const std::vector<ButtonSpec>& buttons) {
    double col = first;
    for (const auto& [caption, action] : buttons) {
        if (!caption.isEmpty()) dialog_.addButton({row, col, 45, 12}, caption, action);
        col += 50;
    }
}

void ListScreen::restore() {
    keys_.bind();
    if (list_) list_->resync();
}

void ListScreen::operation(const std::function<void()>& body) {
    guarded(ctx_, body);
    restore();
}

void ListScreen::run() {
    keys_.attach(dialog_);
    dialog_.run();
}

}  // namespace mx::ia
