// Work-area rows for the browse (see the header).
#include "AreaCursor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Error.h"

namespace mx::tk {

AreaCursor::AreaCursor(rt::Session& session, rt::WorkArea& area) : session_(session), area_(area) {}

void AreaCursor::setScope(const std::string& keyExpression, rt::Value low, rt::Value high) {
    rt::SelectionGuard guard(session_);
    session_.select(area_);
    scope_ = Scope{rt::Expression::compile(keyExpression, session_), std::move(low), std::move(high)};
}

void AreaCursor::clearScope() { scope_.reset(); }

int AreaCursor::compareKey(const rt::Value& key, const rt::Value& bound) const {
    if (key.isCharacter() && bound.isCharacter()) {
        const std::string& k = key.str();
        const std::string& b = bound.str();
        size_t n = std::min(k.size(), b.size());
        int c = std::memcmp(k.data(), b.data(), n);
        if (c != 0) return c < 0 ? -1 : 1;
        return k.size() < b.size() ? -1 : 0;  // a key shorter than the bound sorts before it
    }
    if (key.isNumeric() && bound.isNumeric()) return key.num() < bound.num() ? -1 : key.num() > bound.num() ? 1 : 0;
    if (key.isDate() && bound.isDate()) return key.day() < bound.day() ? -1 : key.day() > bound.day() ? 1 : 0;
    if (key.isLogical() && bound.isLogical()) return int(key.boolean()) - int(bound.boolean());
    return 0;
}

bool AreaCursor::inScope() {
    if (!scope_) return true;
    if (area_.eof()) return false;
    rt::Value k = scope_->key.evaluate(session_);
    if (!scope_->low.isNil() && compareKey(k, scope_->low) < 0) return false;
    if (!scope_->high.isNil() && compareKey(k, scope_->high) > 0) return false;
    return true;
}

bool AreaCursor::top() {
    if (scope_ && area_.order() > 0 && !scope_->low.isNil()) {
        area_.seek(scope_->low, true);
        if (area_.eof() || !inScope()) return toEof();
        return true;
    }
    area_.goTop();
    while (!area_.eof() && !inScope()) area_.skip(1);
    return !area_.eof();
}

bool AreaCursor::bottom() {
    if (scope_ && area_.order() > 0 && !scope_->high.isNil()) {
        if (!area_.seek(scope_->high, true, true)) {
            if (area_.eof())
                area_.goBottom();
            else
                area_.skip(-1);
        }
        if (area_.eof() || !inScope()) return toEof();
        return true;
    }
    area_.goBottom();
    while (!area_.eof() && !inScope()) {
        std::uint32_t before = area_.recno();
        area_.skip(-1);
        if (area_.bof() || area_.recno() == before) return toEof();
    }
    return !area_.eof();
}

bool AreaCursor::toEof() {
    area_.goTo(0);
    return false;
}

bool AreaCursor::visibleHere() {
    if (area_.eof()) return false;
    if (session_.settings().deletedHidden && area_.deleted()) return false;
    if (!area_.filterText().empty()) {
        if (filterText_ != area_.filterText()) {
            rt::SelectionGuard guard(session_);
            session_.select(area_);
            filter_ = rt::Expression::compile(area_.filterText(), session_);
            filterText_ = area_.filterText();
        }
        rt::Value v = filter_.evaluate(session_);
        if (v.isLogical() && !v.boolean()) return false;
    }
    return inScope();
}

long AreaCursor::skip(long n) {
    if (area_.eof() && !settle()) return 0;
    long moved = 0;
    const long step = n > 0 ? 1 : -1;
    while (moved != n) {
        std::uint32_t from = area_.recno();
        area_.skip(step);
        bool off = step > 0 ? area_.eof() : area_.bof();
        if (off || !inScope() || area_.recno() == from) {
            area_.goTo(from);
            break;
        }
        moved += step;
    }
    return moved;
}

std::uint32_t AreaCursor::id() { return area_.eof() ? 0 : area_.recno(); }

bool AreaCursor::seek(std::uint32_t recno) {
    area_.goTo(recno);
    if (visibleHere()) return true;
    settle();
    return false;
}

bool AreaCursor::settle() {
    if (visibleHere()) return true;
    if (!area_.eof()) {
        bool hidden = (session_.settings().deletedHidden && area_.deleted());
        if (!hidden && scope_ && !inScope()) {
            // Outside the scope: go to its nearer end.
            rt::Value k = scope_->key.evaluate(session_);
            bool below = !scope_->low.isNil() && compareKey(k, scope_->low) < 0;
            return below ? top() : bottom();
        }
        // A hidden record: the area's skip moves on to the next visible one.
        area_.skip(1);
        if (!area_.eof() && inScope()) return true;
    }
    return bottom();
}

double AreaCursor::fraction() {
    if (area_.eof()) return 0.0;
    std::uint32_t count = area_.approxKeyCount();
    if (count <= 1) return 0.0;
    std::uint32_t pos = area_.approxKeyPosition();
    if (pos == 0) return 0.0;
    return static_cast<double>(pos - 1) / static_cast<double>(count - 1);
}

void AreaCursor::goFraction(double f) {
    f = std::clamp(f, 0.0, 1.0);
    if (f <= 0.0) {
        top();
        return;
    }
    if (f >= 1.0) {
        bottom();
        return;
    }
    std::uint32_t count = area_.keyCount();
    area_.goToKeyPosition(static_cast<std::uint32_t>(std::llround(f * (count - 1))) + 1);
    settle();
}

}  // namespace mx::tk
