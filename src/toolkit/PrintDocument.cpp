// Recorded print pages and their rendering (see the header).
#include "PrintDocument.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QPrinter>

namespace mx::tk {

PrintDocument::PrintDocument() : pageSize_(QPageSize::A4) {}

QPageLayout PrintDocument::layout() const { return QPageLayout(pageSize_, orientation_, QMarginsF(0, 0, 0, 0)); }

QSize PrintDocument::pixels() const { return layout().fullRectPixels(kDpi).size(); }

void PrintDocument::newPage() { pages_.emplace_back(); }

std::vector<PrintDocument::Op>& PrintDocument::page() {
    if (pages_.empty()) newPage();
    return pages_.back();
}

void PrintDocument::text(double top, double left, const QString& text, const QFont& font) {
    page().push_back(Op{Op::Text, QRectF(left, top, 0, 0), text, font, Qt::AlignLeft, 1, {}});
}

void PrintDocument::textIn(const QRectF& box, const QString& text, const QFont& font, Qt::Alignment align) {
    page().push_back(Op{Op::TextIn, box, text, font, align, 1, {}});
}

void PrintDocument::line(double y1, double x1, double y2, double x2, double penWidth) {
    page().push_back(Op{Op::Line, QRectF(QPointF(x1, y1), QPointF(x2, y2)), {}, {}, {}, penWidth, {}});
}

void PrintDocument::image(const QRectF& box, const QImage& image) {
    page().push_back(Op{Op::Image, box, {}, {}, {}, 1, image});
}

void PrintDocument::render(QPainter& painter, int index, double deviceDpi) const {
    if (index < 0 || index >= pageCount()) return;
    const double s = deviceDpi / kDpi;
    for (const Op& op : pages_[static_cast<size_t>(index)]) {
        switch (op.kind) {
            case Op::Text: {
                painter.setFont(op.font);
                painter.setPen(Qt::black);
                QFontMetricsF fm(op.font, painter.device());
                painter.drawText(QPointF(op.box.left() * s, op.box.top() * s + fm.ascent()), op.text);
                break;
            }
            case Op::TextIn: {
                painter.setFont(op.font);
                painter.setPen(Qt::black);
                QRectF r(op.box.left() * s, op.box.top() * s, op.box.width() * s, op.box.height() * s);
                // Never clipped to the box: a text a little wider than its
                // box prints whole rather than losing its last letter.
                painter.drawText(r, static_cast<int>(op.align) | Qt::TextSingleLine | Qt::TextDontClip, op.text);
                break;
            }
            case Op::Line: {
                QPen pen(Qt::black);
                pen.setWidthF(std::max(op.pen * s, 0.5));
                pen.setCapStyle(Qt::SquareCap);
                painter.setPen(pen);
                painter.drawLine(QPointF(op.box.left() * s, op.box.top() * s),
                                 QPointF(op.box.right() * s, op.box.bottom() * s));
                break;
            }
            case Op::Image: {
                QRectF r(op.box.left() * s, op.box.top() * s, op.box.width() * s, op.box.height() * s);
                if (r.width() <= 0 || r.height() <= 0)
                    r.setSize(QSizeF(op.image.width() * s * kDpi / 96.0, op.image.height() * s * kDpi / 96.0));
                painter.drawImage(r, op.image);
                break;
            }
        }
    }
}

bool PrintDocument::writePdf(const QString& path, const QString& title, QString* error) const {
    // Whole or not at all: the pages go to a temporary file beside the
    // target, renamed over it once they are all written. A file that cannot
    // be created is found here, before a painter would complain of it.
    QSaveFile file(path);
    auto failed = [&](const QString& why) {
        if (error) *error = why;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return failed(file.errorString());
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("mxdev"));
        pdf.setResolution(kDpi);
        pdf.setPageLayout(layout());
        QPainter painter;
        if (!painter.begin(&pdf)) return failed(QStringLiteral("the PDF writer could not start"));
        for (int i = 0; i < std::max(pageCount(), 1); ++i) {
            if (i > 0) pdf.newPage();
            render(painter, i, pdf.resolution());
        }
        if (!painter.end()) return failed(file.errorString());
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

void PrintDocument::print(QPrinter& printer) const {
    printer.setFullPage(true);
    printer.setPageLayout(layout());
    QPainter painter;
    if (!painter.begin(&printer)) return;
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0) printer.newPage();
        render(painter, i, printer.resolution());
    }
    painter.end();
}

QStringList PrintDocument::texts(int index) const {
    QStringList out;
    if (index < 0 || index >= pageCount()) return out;
    for (const Op& op : pages_[static_cast<size_t>(index)])
        if (op.kind == Op::Text || op.kind == Op::TextIn) out << op.text;
    return out;
}

}  // namespace mx::tk
