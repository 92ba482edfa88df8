// Box and control placement arithmetic (units explained in the header).
#include "Geometry.h"

#include <cmath>

namespace mx::tk {

namespace {
int px(double v) { return static_cast<int>(std::lround(v)); }
}  // namespace

QRect Geometry::box(const Box& b) {
    if (b.unit == Unit::Cell)
        return QRect(px(b.left * kCellWidth), px(b.top * kCellHeight), px((b.right - b.left) * kCellWidth),
                     px((b.bottom - b.top) * kCellHeight));
    return QRect(px(b.left), px(b.top), px(b.right - b.left), px(b.bottom - b.top));
}

QRect Geometry::place(const Place& p, Unit dialogUnit) {
    int x = dialogUnit == Unit::Cell ? px(p.col * kCellWidth) : px(p.col * kLayoutScale);
    int y = dialogUnit == Unit::Cell ? px(p.row * kCellHeight) : px(p.row * kLayoutScale);
    // Dialogs laid out in text cells give their controls' sizes in plain
    // pixels (a 45-pixel button at column 1 ends before column 8).
    if (dialogUnit == Unit::Cell) return QRect(x, y, px(p.width), px(p.height));
    return QRect(x, y, length(p.width), length(p.height));
}

int Geometry::length(double layoutUnits) { return px(layoutUnits * kLayoutScale); }

}  // namespace mx::tk
