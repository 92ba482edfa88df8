// The preview pane's arithmetic (see DrawingFit.h).
#include "DrawingFit.h"

#include <algorithm>
#include <limits>

namespace mx::configurations {

PreviewFit fitSegments(std::span<const Segment> segments, double width, double height, double margin) {
    double left = std::numeric_limits<double>::infinity(), top = left;
    double right = -left, bottom = -left;
    for (const Segment& s : segments) {
        left = std::min({left, s.x1, s.x2});
        right = std::max({right, s.x1, s.x2});
        top = std::min({top, s.y1, s.y2});
        bottom = std::max({bottom, s.y1, s.y2});
    }
    PreviewFit fit;
    if (segments.empty()) {
        fit.dx = width / 2;
        fit.dy = height / 2;
        return fit;
    }
    const double spanX = right - left, spanY = bottom - top;
    const double roomX = std::max(0.0, width - 2 * margin), roomY = std::max(0.0, height - 2 * margin);
    if (spanX <= 0 && spanY <= 0)
        fit.scale = 1;
    else if (spanX <= 0)
        fit.scale = roomY / spanY;
    else if (spanY <= 0)
        fit.scale = roomX / spanX;
    else
        fit.scale = std::min(roomX / spanX, roomY / spanY);
    fit.dx = width / 2 - (left + right) / 2 * fit.scale;
    fit.dy = height / 2 - (top + bottom) / 2 * fit.scale;
    return fit;
}

ElementSegments segmentsOf(const Drawing& drawing, std::uint32_t recno) {
    for (const ElementSegments& e : drawing.elements)
        if (e.recno == recno) return e;
    return ElementSegments{recno, 0, 0};
}

}  // namespace mx::configurations
