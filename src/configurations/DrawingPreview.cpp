// The drawing's preview pane (see DrawingPreview.h).
#include "DrawingPreview.h"

#include <QPainter>
#include <QPen>

namespace mx::configurations {

DrawingPreview::DrawingPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DRAWING"));
    setAutoFillBackground(false);
}

void DrawingPreview::setDrawing(Drawing drawing) {
    drawing_ = std::move(drawing);
    update();
}

void DrawingPreview::setHighlight(std::uint32_t recno) {
    if (recno == highlight_) return;
    highlight_ = recno;
    update();
}

PreviewFit DrawingPreview::fit() const { return fitSegments(drawing_.segments, width(), height(), kMargin); }

void DrawingPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(Qt::gray, 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    // Plain lines: antialiased, a drawing of 500 elements paints in twice the time.
    const PreviewFit f = fit();
    auto line = [&](const Segment& s) { p.drawLine(QPointF(f.x(s.x1), f.y(s.y1)), QPointF(f.x(s.x2), f.y(s.y2))); };
    const ElementSegments lit = segmentsOf(drawing_, highlight_);
    p.setPen(QPen(Qt::black, 1));
    for (std::size_t i = 0; i < drawing_.segments.size(); ++i)
        if (i < lit.first || i >= lit.first + lit.count) line(drawing_.segments[i]);
    p.setPen(QPen(QColor(200, 0, 0), 2));
    for (std::size_t i = lit.first; i < lit.first + lit.count && i < drawing_.segments.size(); ++i)
        line(drawing_.segments[i]);
}

}  // namespace mx::configurations
