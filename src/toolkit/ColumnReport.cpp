// The column report (layout in the header).
#include "ColumnReport.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>

#include "Fonts.h"

namespace mx::tk {

namespace {

// A paint device with the print resolution, so fonts measure as they print.
const QImage& printMetricsDevice() {
    static QImage image = [] {
        QImage i(8, 8, QImage::Format_Mono);
        int dpm = static_cast<int>(PrintDocument::kDpi / 0.0254 + 0.5);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return image;
}

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

void ColumnReport::layoutColumns(const QStringList& first) {
    const QPaintDevice* dev = &printMetricsDevice();
    const double pageWidth = job_->pageWidth();
    left_ = mm(kMarginMm);
    right_ = pageWidth - mm(kMarginMm);
    const double gap = mm(3);

    std::vector<int> chars;
    for (size_t i = 0; i < columns_.size(); ++i) {
        int w = columns_[i].width;
        if (w <= 0) {
            w = static_cast<int>(columns_[i].header.size());
            if (static_cast<qsizetype>(i) < first.size()) w = std::max(w, static_cast<int>(first[static_cast<qsizetype>(i)].trimmed().size()));
        }
        chars.push_back(std::max(w, 1));
    }
    double points = 9;
    bool turned = false;
    for (;;) {
        bodyFont_ = Fonts::printer(QStringLiteral("Arial"), points);
        boldFont_ = Fonts::printer(QStringLiteral("Arial"), points, true);
        QFontMetricsF fm(bodyFont_, const_cast<QPaintDevice*>(dev));
        QFontMetricsF boldFm(boldFont_, const_cast<QPaintDevice*>(dev));
        double charW = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
        colX_.clear();
        colW_.clear();
        double x = left_;
        for (size_t i = 0; i < chars.size(); ++i) {
            // Wide enough for its header too, which is printed in bold.
            const double w = std::max(chars[i] * charW, boldFm.horizontalAdvance(columns_[i].header));
            colX_.push_back(x);
            colW_.push_back(w);
            x += w + gap;
        }
        if (x - gap <= right_) break;
        if (points <= 5) {
            // Too wide for the page upright even in the smallest font: the
            // page is turned, rather than the last columns running off it.
            if (turned) break;
            turned = true;
            job_->setLandscape(true);
            right_ = job_->pageWidth() - mm(kMarginMm);
            points = 9;
            continue;
        }
        points -= 0.5;
    }
    titleFont_ = Fonts::printer(QStringLiteral("Arial"), 12, true);
    lineHeight_ = QFontMetricsF(bodyFont_, const_cast<QPaintDevice*>(dev)).height() * 1.15;
    titleHeight_ = QFontMetricsF(titleFont_, const_cast<QPaintDevice*>(dev)).height() * 1.3;
    top_ = mm(12);
    bottom_ = job_->pageHeight() - mm(12) - lineHeight_ * static_cast<double>(footers_.size() + 1);
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
    bool any = rows.id() != 0;
    QStringList first = any ? cells() : QStringList();
    layoutColumns(first);
    startPage();
    if (any) {
        QStringList row = first;
        for (;;) {
            if (y_ + lineHeight_ > bottom_) {
                finishPage();
                startPage();
            }
            for (size_t i = 0; i < columns_.size(); ++i) {
                QString text = static_cast<qsizetype>(i) < row.size() ? row[static_cast<qsizetype>(i)] : QString();
                Qt::Alignment align = columns_[i].align & Qt::AlignHorizontal_Mask;
                if (align & Qt::AlignRight) text = text.trimmed();
                job_->document().textIn(QRectF(colX_[i], y_, colW_[i], lineHeight_), text, bodyFont_,
                                        align | Qt::AlignVCenter);
            }
            y_ += lineHeight_;
            if (rows.skip(1) != 1) break;
            row = cells();
        }
    }
    finishPage();
    int pages = job_->pages();
    return job_->end() ? pages : 0;
}

}  // namespace mx::tk
