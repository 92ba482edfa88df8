// The shared blocks of the drawn reports (see the header).
#include "DrawnReport.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>

namespace mx::tk {

QPaintDevice* printMetrics() {
    static QImage image = [] {
        QImage i(8, 8, QImage::Format_Mono);
        const int dpm = static_cast<int>(PrintDocument::kDpi / 0.0254 + 0.5);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return &image;
}

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
    return QFontMetricsF(font, printMetrics()).horizontalAdvance(text) / grid.columnUnit();
}

void textRight(PageGrid& grid, double row, double rightCol, const QString& text, const QFont& font) {
    grid.text(row, rightCol - textColumns(grid, text, font), text, font);
}

namespace {

// A text's width without the blanks it ends in: a caption's trailing blank
// is no part of the gap to what follows it.
double inkColumns(const PageGrid& grid, const QString& text, const QFont& font) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' ')) --n;
    return textColumns(grid, text.left(n), font);
}

double gapColumns(const PageGrid& grid, const QFont& font) { return textColumns(grid, QStringLiteral("  "), font); }

}  // namespace

void RowTexts::text(double row, double col, const QString& text, const QFont& font) {
    if (text.trimmed().isEmpty()) return;
    double start = col;
    if (auto it = ends_.find(row); it != ends_.end()) start = std::max(col, it->second + gapColumns(grid_, font));
    grid_.text(row, start, text, font);
    double& end = ends_[row];
    end = std::max(end, start + inkColumns(grid_, text, font));
}

void RowTexts::textRight(double row, double rightCol, const QString& text, const QFont& font) {
    this->text(row, rightCol - textColumns(grid_, text, font), text, font);
}

int RowTexts::row(double row, const std::vector<RowCell>& cells) {
    const size_t n = cells.size();
    std::vector<QStringList> lines(n);
    std::vector<double> widths(n);
    for (size_t i = 0; i < n; ++i) {
        lines[i] = QStringList{cells[i].text};
        widths[i] = inkColumns(grid_, cells[i].text, cells[i].font);
    }
    std::vector<double> starts(n);
    const double before = ends_.count(row) ? ends_[row] : -1e9;
    auto place = [&] {
        double end = before;
        for (size_t i = 0; i < n; ++i) {
            const double wanted = cells[i].flushRight ? cells[i].col - textColumns(grid_, cells[i].text, cells[i].font) : cells[i].col;
            starts[i] = std::max(wanted, end + gapColumns(grid_, cells[i].font));
            if (widths[i] > 0 || !cells[i].text.isEmpty()) end = starts[i] + widths[i];
        }
        return end;
    };
    double end = place();
    // The edge, or where a text put at its own column ends beyond it: only
    // what the pushing adds is wrapped away.
    double edge = rightEdge_;
    for (size_t i = 0; i < n; ++i)
        if (!cells[i].flushRight) edge = std::max(edge, cells[i].col + widths[i]);
        else edge = std::max(edge, cells[i].col);
    if (rightEdge_ > 0 && end > edge) {
        // Wrap, left to right, the texts wider than their own columns until
        // the row stays on the page.
        for (size_t i = 0; i < n && end > edge; ++i) {
            if (!cells[i].wraps || cells[i].flushRight) continue;
            const double next = i + 1 < n ? (cells[i + 1].flushRight ? cells[i + 1].col - widths[i + 1] : cells[i + 1].col)
                                          : rightEdge_;
            const double own = next - gapColumns(grid_, cells[i].font) - starts[i];
            if (own <= 0 || widths[i] <= own) continue;
            // Broken at its blanks only: a line is at least its widest word.
            double widestWord = 0;
            for (const QString& w : cells[i].text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                widestWord = std::max(widestWord, textColumns(grid_, w, cells[i].font));
            if (widestWord >= widths[i]) continue;
            const QFontMetricsF fm(cells[i].font, printMetrics());
            lines[i] = wrapText(cells[i].text, fm, std::max(own, widestWord) * grid_.columnUnit() + 0.5);
            widths[i] = 0;
            for (const QString& l : lines[i]) widths[i] = std::max(widths[i], inkColumns(grid_, l, cells[i].font));
            end = place();
        }
    }
    // A last text still past the edge at its own column is set against
    // the edge instead, when that keeps it clear of the one before it.
    if (rightEdge_ > 0 && n > 0 && starts[n - 1] + widths[n - 1] > rightEdge_) {
        const double before = n > 1 ? starts[n - 2] + widths[n - 2] + gapColumns(grid_, cells[n - 1].font) : 0;
        const double pulled = rightEdge_ - widths[n - 1];
        if (pulled >= before && pulled < starts[n - 1]) {
            starts[n - 1] = pulled;
            end = rightEdge_;
        }
    }
    qsizetype taken = 1;
    for (size_t i = 0; i < n; ++i) {
        for (qsizetype l = 0; l < lines[i].size(); ++l) grid_.text(row + static_cast<double>(l), starts[i], lines[i][l], cells[i].font);
        taken = std::max(taken, lines[i].size());
    }
    ends_[row] = std::max(before, end);
    return static_cast<int>(taken);
}

QStringList wrapText(const QString& text, const QFontMetricsF& metrics, double width) {
    QStringList out;
    QString line;
    auto fits = [&](const QString& s) { return metrics.horizontalAdvance(s) <= width; };
    auto flush = [&] {
        if (!line.isEmpty()) out << line;
        line.clear();
    };
    for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && fits(line + QLatin1Char(' ') + word)) {
            line += QLatin1Char(' ') + word;
            continue;
        }
        flush();
        // A word wider than a line is cut where it reads best.
        while (!fits(word) && word.size() > 1) {
            qsizetype cut = 1;
            while (cut < word.size() && fits(word.left(cut + 1))) ++cut;
            for (qsizetype k = cut; k > cut / 2; --k) {
                if (QStringLiteral("@.-/_").contains(word[k - 1])) {
                    cut = k;
                    break;
                }
            }
            out << word.left(cut);
            word = word.mid(cut);
        }
        line = word;
    }
    flush();
    if (out.isEmpty()) out << QString();
    return out;
}

}  // namespace mx::tk
