// Where a drawing's segments go in a preview pane, as arithmetic: the
// segments' bounding box scaled by one factor across and down, as large as
// the pane holds inside its margin, and centred. No Qt: the preview widget
// only paints what this places.
#pragma once

#include <cstddef>
#include <span>

#include "Drawing.h"

namespace mx::configurations {

struct PreviewFit {
    double scale = 1;         // pane units per device unit
    double dx = 0, dy = 0;    // pane position of device point (0, 0)

    double x(double deviceX) const { return dx + deviceX * scale; }
    double y(double deviceY) const { return dy + deviceY * scale; }
};

// The fit of `segments` into a pane `width` x `height` with `margin` left
// free on every side. A drawing without extent (no segments, or every point
// the same) is centred at scale 1; a pane smaller than its margins gives a
// scale of 0 (everything on the pane's centre) rather than a negative one.
PreviewFit fitSegments(std::span<const Segment> segments, double width, double height, double margin);

// The segments element `recno` drew; none (count 0) when it drew nothing
// or is not in the drawing.
ElementSegments segmentsOf(const Drawing& drawing, std::uint32_t recno);

}  // namespace mx::configurations
