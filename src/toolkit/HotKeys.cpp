// The hot-key table and its application-wide key filter (rules in the header).
#include "HotKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include "FieldHost.h"

namespace mx::tk {

namespace {

const std::pair<int, int> kKeys[] = {
    {HotKeys::Tab, Qt::Key_Tab},         {HotKeys::Enter, Qt::Key_Return},  {HotKeys::Escape, Qt::Key_Escape},
    {HotKeys::Space, Qt::Key_Space},     {HotKeys::PageUp, Qt::Key_PageUp}, {HotKeys::PageDown, Qt::Key_PageDown},
    {HotKeys::End, Qt::Key_End},         {HotKeys::Home, Qt::Key_Home},     {HotKeys::Left, Qt::Key_Left},
    {HotKeys::Up, Qt::Key_Up},           {HotKeys::Right, Qt::Key_Right},   {HotKeys::Down, Qt::Key_Down},
    {HotKeys::Insert, Qt::Key_Insert},   {HotKeys::Delete, Qt::Key_Delete}, {HotKeys::F1, Qt::Key_F1},
    {HotKeys::F2, Qt::Key_F2},
};

HotKeys::Runner& runner() {
    static HotKeys::Runner run;
    return run;
}

}  // namespace

void HotKeys::setRunner(Runner run) { runner() = std::move(run); }

HotKeys::HotKeys() : layers_(1) { qApp->installEventFilter(this); }

HotKeys& HotKeys::instance() {
    static HotKeys* keys = new HotKeys();  // lives as long as the application
    return *keys;
}

void HotKeys::bind(int vk, KeyAction action) { top().bindings[vk] = std::move(action); }

void HotKeys::apply(const KeyMap& keys) {
    for (const auto& [vk, action] : keys) bind(vk, action);
}

bool HotKeys::hasAction(int vk) const {
    auto it = top().bindings.find(vk);
    return it != top().bindings.end() && it->second;
}

bool HotKeys::press(int vk) {
    auto it = top().bindings.find(vk);
    if (it == top().bindings.end() || !it->second) return false;
    KeyAction action = it->second;  // a copy: the action may rebind its own key
    if (const Runner& run = runner())
        run(action);
    else
        action();
    return true;
}

void HotKeys::enter(QWidget* window) { layers_.push_back(Layer{window, {}}); }

void HotKeys::leave(QWidget* window) {
    for (size_t i = layers_.size(); i-- > 1;) {
        if (layers_[i].window != window) continue;
        layers_.erase(layers_.begin() + static_cast<std::ptrdiff_t>(i), layers_.end());
        return;
    }
}

void HotKeys::clear() {
    layers_.clear();
    layers_.emplace_back();
}

int HotKeys::virtualKey(int qtKey) {
    if (qtKey == Qt::Key_Enter) return Enter;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return F1 + (qtKey - Qt::Key_F1);
    for (const auto& [vk, key] : kKeys)
        if (key == qtKey) return vk;
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
    return 0;
}

int HotKeys::qtKey(int vk) {
    if (vk >= F1 && vk < F1 + 24) return Qt::Key_F1 + (vk - F1);
    for (const auto& [v, key] : kKeys)
        if (v == vk) return key;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return vk;
    return 0;
}

bool HotKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int vk = virtualKey(key->key());
    if (vk == 0 || !hasAction(vk)) return false;
    // Only plain keys (Shift allowed) are hot keys; Ctrl/Alt combinations are the controls'.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    // Enter on a focused push button presses the button, whatever Enter is
    // bound to (a list screen's Enter on its list stays View/Update).
    if (vk == Enter && qobject_cast<QPushButton*>(watched)) return false;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    if (!window || !window->property(kToolkitWindow).toBool() || window->property(kOwnKeys).toBool()) return false;
    // Only the window standing on top has hot keys; the base layer serves
    // whichever toolkit window is up when no dialog stands.
    if (layers_.size() > 1 && top().window != window) return false;
    // The edit field being left must accept its value first, as a mouse
    // click elsewhere would make it.
    if (auto* host = dynamic_cast<FieldHost*>(window); host && !host->leaveFocusedField()) return true;
    press(vk);
    return true;
}

}  // namespace mx::tk
