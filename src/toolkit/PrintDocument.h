// The pages of a print job, kept as lists of drawing operations in the job's
// own device pixels (a 600 dpi page, origin at the paper's top left corner,
// no margins). Keeping the operations rather than painting at once lets the
// same pages go to the preview, to a PDF file and to a printer, each at its
// own resolution.
#pragma once

#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <vector>

class QPainter;
class QPrinter;

namespace mx::tk {

class PrintDocument {
public:
    static constexpr int kDpi = 600;

    PrintDocument();

    void setPageSize(const QPageSize& size) { pageSize_ = size; }
    void setOrientation(QPageLayout::Orientation o) { orientation_ = o; }
    const QPageSize& pageSize() const { return pageSize_; }
    QPageLayout::Orientation orientation() const { return orientation_; }
    QPageLayout layout() const;
    // The page in device pixels.
    QSize pixels() const;

    void newPage();
    int pageCount() const { return static_cast<int>(pages_.size()); }

    // Text with the top of its line at `top`. Operations before the first
    // newPage() start page 1.
    void text(double top, double left, const QString& text, const QFont& font);
    // Text inside a box, aligned there and never cut by it (used by the
    // column report).
    void textIn(const QRectF& box, const QString& text, const QFont& font, Qt::Alignment align);
    void line(double y1, double x1, double y2, double x2, double penWidth);
    void image(const QRectF& box, const QImage& image);

    // Paints page `index` (0-based) on a painter whose device has `deviceDpi`.
    void render(QPainter& painter, int index, double deviceDpi) const;
    // Writes every page to a PDF file, whole or not at all; false (and the
    // cause in *error) when it cannot be written.
    bool writePdf(const QString& path, const QString& title, QString* error = nullptr) const;
    // Sends every page to a printer (or a preview's printer).
    void print(QPrinter& printer) const;
    // All the texts of a page, in order (for tests and the dump).
    QStringList texts(int index) const;

private:
    struct Op {
        enum Kind { Text, TextIn, Line, Image } kind;
        QRectF box;  // Text: top-left; Line: from top-left to bottom-right
        QString text;
        QFont font;
        Qt::Alignment align;
        double pen = 1;
        QImage image;
    };
    std::vector<Op>& page();

    QPageSize pageSize_;
    QPageLayout::Orientation orientation_ = QPageLayout::Portrait;
    std::vector<std::vector<Op>> pages_;
};

}  // namespace mx::tk
