// The shared blocks of the drawn reports (see the header).
#include "DrawnReport.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>

namespace mx::tk {

namespace {

// A paint device with the print resolution, so fonts measure as they print.
QPaintDevice* printMetricsDevice() {
    static QImage image = [] {
        QImage i(8, 8, QImage::Format_Mono);
        const int dpm = static_cast<int>(PrintDocument::kDpi / 0.0254 + 0.5);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return &image;
}

}  // namespace

double drawTitleBlock(PageGrid& grid, const TitleBlockStyle& style, const TitleBlockContent& content) {
    grid.job().startPage();
    grid.text(0, style.margin, content.company, style.company);
    double row = 2;
    for (qsizetype i = 0; i < content.titles.size(); ++i) {
        const QString& line = content.titles[i];
        grid.text(row, ((style.width - style.margin) - static_cast<double>(line.size())) / 2, line, style.title);
        row += i == 0 ? style.firstTitleStep : style.titleStep;
    }
    row += 1;
    if (content.page) grid.text(row, style.margin, QStringLiteral("Page: ") + QString::number(*content.page), style.info);
    if (content.date) grid.text(row, style.width - style.dateFromRight, QStringLiteral("Date: ") + *content.date, style.info);
    return row + style.afterInfo;
}

void ruleAcross(PageGrid& grid, const TitleBlockStyle& style, double row, double pen) {
    grid.horizontal(row, style.margin, style.width - style.margin, pen);
}

double textColumns(const PageGrid& grid, const QString& text, const QFont& font) {
    if (grid.columnUnit() <= 0) return 0;
    return QFontMetricsF(font, printMetricsDevice()).horizontalAdvance(text) / grid.columnUnit();
}

void textRight(PageGrid& grid, double row, double rightCol, const QString& text, const QFont& font) {
    grid.text(row, rightCol - textColumns(grid, text, font), text, font);
}

void RowTexts::text(double row, double col, const QString& text, const QFont& font) {
    double start = col;
    if (auto it = ends_.find(row); it != ends_.end())
        start = std::max(col, it->second + textColumns(grid_, QStringLiteral(" "), font));
    grid_.text(row, start, text, font);
    double& end = ends_[row];
    end = std::max(end, start + textColumns(grid_, text, font));
}

void RowTexts::textRight(double row, double rightCol, const QString& text, const QFont& font) {
    this->text(row, rightCol - textColumns(grid_, text, font), text, font);
}

}  // namespace mx::tk
