// The column report (layout in the header).
#include "ColumnReport.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>

#include "DrawnReport.h"
#include "Fonts.h"

namespace mx::tk {

namespace {

constexpr double kMarginMm = 15.0;
double mm(double v) { return v * PrintDocument::kDpi / 25.4; }

}  // namespace

ColumnReport::ColumnReport(const QString& title, bool preview, const QString& printer)
    : title_(title), preview_(preview), printer_(printer) {}

void ColumnReport::addColumn(const QString& header, int width, Text data, Qt::Alignment align) {
    columns_.push_back(Column{header, width, std::move(data), align});
}

QStringList ColumnReport::cells() {
    QStringList out = row_ ? row_() : QStringList();
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].data) {
            while (out.size() <= static_cast<qsizetype>(i)) out << QString();
            out[static_cast<qsizetype>(i)] = columns_[i].data();
        }
    }
    return out;
}

namespace {

// A column's widest texts at the reference size, so the other sizes need
// only measure these few rather than every row again.
constexpr size_t kWidest = 4;

// Measured widths keep a little room over the metrics' own, against the
// rounding of glyph positions by the paint engines.
constexpr double kSlack = 1.01;

}  // namespace

void ColumnReport::layoutColumns(const std::vector<QStringList>& rows) {
    QPaintDevice* dev = printMetrics();
    left_ = mm(kMarginMm);
    right_ = job_->pageWidth() - mm(kMarginMm);
    const double gap = mm(3);

    // The widest texts of each column, found once in the largest font.
    const double largest = 9;
    std::vector<std::vector<QString>> widest(columns_.size());
    {
        const QFontMetricsF fm(Fonts::printer(QStringLiteral("Arial"), largest), dev);
        for (size_t c = 0; c < columns_.size(); ++c) {
            std::vector<std::pair<double, QString>> best;
            for (const QStringList& row : rows) {
                if (static_cast<qsizetype>(c) >= row.size() || row[static_cast<qsizetype>(c)].isEmpty()) continue;
                const QString& t = row[static_cast<qsizetype>(c)];
                const double w = fm.horizontalAdvance(t);
                if (best.size() == kWidest && w <= best.back().first) continue;
                best.emplace_back(w, t);
                std::sort(best.begin(), best.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
                if (best.size() > kWidest) best.pop_back();
            }
            for (auto& b : best) widest[c].push_back(b.second);
        }
    }

    std::vector<double> natural(columns_.size());
    auto measure = [&](double points) {
        bodyFont_ = Fonts::printer(QStringLiteral("Arial"), points);
        boldFont_ = Fonts::printer(QStringLiteral("Arial"), points, true);
        const QFontMetricsF fm(bodyFont_, dev), boldFm(boldFont_, dev);
        const double charW = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
        double x = left_;
        for (size_t c = 0; c < columns_.size(); ++c) {
            double w = std::max(columns_[c].width * charW, boldFm.horizontalAdvance(columns_[c].header));
            for (const QString& t : widest[c]) w = std::max(w, fm.horizontalAdvance(t));
            natural[c] = std::max(w * kSlack, charW);
            x += natural[c] + gap;
        }
        return x - gap;
    };

    double points = largest;
    bool turned = false;
    for (;;) {
        if (measure(points) <= right_) break;
        if (points <= 5) {
            // Too wide for the page upright even in the smallest font: the
            // page is turned, rather than the last columns running off it.
            if (turned) break;
            turned = true;
            job_->setLandscape(true);
            right_ = job_->pageWidth() - mm(kMarginMm);
            points = largest;
            continue;
        }
        points -= 0.5;
    }

    colW_ = natural;
    wrapped_.assign(columns_.size(), false);
    // Still too wide: the widest text columns give up width, their texts
    // wrapping onto further lines of the row, until the row fits. A column
    // keeps at least its header's width and its widest word's... where it
    // can; numbers (flush right) never wrap.
    const QFontMetricsF fm(bodyFont_, dev), boldFm(boldFont_, dev);
    auto total = [&] {
        double x = 0;
        for (double w : colW_) x += w + gap;
        return x - gap;
    };
    const double room = right_ - left_;
    for (int round = 0; round < 64 && total() > room; ++round) {
        size_t pick = columns_.size();
        for (size_t c = 0; c < columns_.size(); ++c) {
            if (columns_[c].align & Qt::AlignRight) continue;
            const double least = std::max(boldFm.horizontalAdvance(columns_[c].header) * kSlack, fm.horizontalAdvance(QStringLiteral("MMMM")));
            if (colW_[c] <= least + 1) continue;
            if (pick == columns_.size() || colW_[c] > colW_[pick]) pick = c;
        }
        if (pick == columns_.size()) break;  // nothing left to give: the row runs as it must
        const double least = std::max(boldFm.horizontalAdvance(columns_[pick].header) * kSlack, fm.horizontalAdvance(QStringLiteral("MMMM")));
        // Half its width at a time, or just what the row is over.
        const double over = total() - room;
        colW_[pick] = std::max(least, std::max(colW_[pick] - over, colW_[pick] / 2));
        wrapped_[pick] = true;
    }
    colX_.clear();
    double x = left_;
    for (double w : colW_) {
        colX_.push_back(x);
        x += w + gap;
    }

    titleFont_ = Fonts::printer(QStringLiteral("Arial"), 12, true);
    lineHeight_ = QFontMetricsF(bodyFont_, dev).height() * 1.15;
    titleHeight_ = QFontMetricsF(titleFont_, dev).height() * 1.3;
    top_ = mm(12);
    bottom_ = job_->pageHeight() - mm(12) - lineHeight_ * static_cast<double>(footers_.size() + 1);
}

QStringList ColumnReport::cellLines(size_t column, const QString& text) const {
    if (!wrapped_[column]) return {text};
    const QFontMetricsF fm(bodyFont_, printMetrics());
    return wrapText(text, fm, colW_[column] / kSlack);
}

void ColumnReport::startPage() {
    ++page_;
    job_->startPage();
    PrintDocument& doc = job_->document();
    y_ = top_;
    doc.textIn(QRectF(left_, y_, right_ - left_, titleHeight_), title_, titleFont_, Qt::AlignHCenter | Qt::AlignVCenter);
    y_ += titleHeight_;
    for (const Text& h : headers_) {
        doc.textIn(QRectF(left_, y_, right_ - left_, lineHeight_), h(), bodyFont_, Qt::AlignHCenter | Qt::AlignVCenter);
        y_ += lineHeight_;
    }
    y_ += lineHeight_ * 0.5;
    for (size_t i = 0; i < columns_.size(); ++i)
        doc.textIn(QRectF(colX_[i], y_, colW_[i], lineHeight_), columns_[i].header, boldFont_,
                   (columns_[i].align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    y_ += lineHeight_;
    doc.line(y_, left_, y_, right_, 4);
    y_ += lineHeight_ * 0.25;
    rowsTop_ = y_;
}

void ColumnReport::finishPage() {
    PrintDocument& doc = job_->document();
    double y = bottom_ + lineHeight_ * 0.5;
    for (const Text& f : footers_) {
        doc.textIn(QRectF(left_, y, right_ - left_, lineHeight_), f(), bodyFont_, Qt::AlignHCenter | Qt::AlignVCenter);
        y += lineHeight_;
    }
}

int ColumnReport::run(RowCursor& rows) {
    job_ = std::make_unique<PrintJob>(PrintOptions{title_, false, preview_, printer_});
    page_ = 0;
    if (!job_->ok()) return 0;
    // Every row is read first: the columns are as wide as their widest text.
    std::vector<QStringList> all;
    if (rows.id() != 0) {
        do {
            QStringList row = cells();
            for (qsizetype i = 0; i < row.size() && i < static_cast<qsizetype>(columns_.size()); ++i) {
                if (columns_[static_cast<size_t>(i)].align & Qt::AlignRight)
                    row[i] = row[i].trimmed();
                else
                    while (!row[i].isEmpty() && row[i].back() == QLatin1Char(' ')) row[i].chop(1);
            }
            all.push_back(std::move(row));
        } while (rows.skip(1) == 1);
    }
    layoutColumns(all);
    startPage();
    for (const QStringList& row : all) {
        std::vector<QStringList> lines(columns_.size());
        qsizetype height = 1;
        for (size_t i = 0; i < columns_.size(); ++i) {
            const QString text = static_cast<qsizetype>(i) < row.size() ? row[static_cast<qsizetype>(i)] : QString();
            lines[i] = cellLines(i, text);
            height = std::max(height, lines[i].size());
        }
        if (y_ + lineHeight_ * static_cast<double>(height) > bottom_ && y_ > rowsTop_) {
            finishPage();
            startPage();
        }
        for (size_t i = 0; i < columns_.size(); ++i) {
            const Qt::Alignment align = columns_[i].align & Qt::AlignHorizontal_Mask;
            for (qsizetype l = 0; l < lines[i].size(); ++l)
                job_->document().textIn(QRectF(colX_[i], y_ + lineHeight_ * static_cast<double>(l), colW_[i], lineHeight_),
                                        lines[i][l], bodyFont_, align | Qt::AlignVCenter);
        }
        y_ += lineHeight_ * static_cast<double>(height);
    }
    finishPage();
    int pages = job_->pages();
    return job_->end() ? pages : 0;
}

}  // namespace mx::tk
