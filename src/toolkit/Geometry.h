// Where windows and controls go. Screens give dialog boxes as top, left,
// bottom, right in screen pixels or in text cells (16 pixels high, 8 wide),
// and place controls by row and column with widths and heights.
//
// Control coordinates are layout units: in a pixel dialog a row or column
// unit and every width and height is two screen pixels, so the layouts the
// screens give fill the boxes they give for their dialogs (a 45 x 12 button
// becomes 90 x 24, room for "View/Update" in the 12-pixel bold dialog font;
// a browse of 332.5 x 167.5 fills most of a 700 x 455 dialog). In a text-cell
// dialog rows and columns are text cells and sizes stay layout units.
// Browse column widths are screen pixels.
#pragma once

#include <QRect>

namespace mx::tk {

enum class Unit { Pixel, Cell };

struct Box {
    double top = 0, left = 0, bottom = 0, right = 0;
    Unit unit = Unit::Pixel;
};

// A control's place: row and column in the dialog's unit, width and height in
// layout units (plain pixels in a dialog laid out in text cells); a width or
// height of 0 takes the control's natural size.
struct Place {
    double row = 0, col = 0, width = 0, height = 0;
};

class Geometry {
public:
    static constexpr double kCellHeight = 16.0;
    static constexpr double kCellWidth = 8.0;
    static constexpr double kLayoutScale = 2.0;

    // The box in screen pixels.
    static QRect box(const Box& b);
    // The control's rectangle in its dialog; zero sizes are left zero.
    static QRect place(const Place& p, Unit dialogUnit);
    // A layout length (width or height) in screen pixels.
    static int length(double layoutUnits);
};

}  // namespace mx::tk
