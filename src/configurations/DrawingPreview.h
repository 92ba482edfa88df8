// The preview pane of the drawing screens: the segments of a drawing, as the
// data sheet draws them, scaled to the pane (DrawingFit.h), with the
// segments of one element highlighted. It paints what it is given and
// computes nothing of the drawing itself.
#pragma once

#include <QWidget>
#include <cstdint>

#include "Drawing.h"
#include "DrawingFit.h"

namespace mx::configurations {

class DrawingPreview : public QWidget {
    Q_OBJECT
public:
    explicit DrawingPreview(QWidget* parent = nullptr);

    void setDrawing(Drawing drawing);
    const Drawing& drawing() const { return drawing_; }
    // The element whose segments are drawn highlighted (0: none).
    void setHighlight(std::uint32_t recno);
    std::uint32_t highlight() const { return highlight_; }
    // The fit at the pane's current size.
    PreviewFit fit() const;

    // Space kept free around the drawing, in pixels.
    static constexpr double kMargin = 8;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    Drawing drawing_;
    std::uint32_t highlight_ = 0;
};

}  // namespace mx::configurations
