// The grid the drawn reports are laid out on: the page cut into a number of
// columns across and of rows down (a row may be stretched, so that a page
// of 65 rows stretched 1.2 holds about 54 of them). Reports place text and
// rules by column and row; the grid turns them into the print job's device
// pixels, so the same report fits any paper the job is given.
//
// The grid covers the printable area of a common office printer, not the
// whole sheet: the job's pages run to the paper's edge, and a report whose
// first row sat there would lose it to the printer's unprintable border.
#pragma once

#include <QFont>
#include <QString>

#include "PrintJob.h"

namespace mx::tk {

class PageGrid {
public:
    // `columns` across the page's width; `rows` down its height, each row
    // `rowStretch` times the height that gives.
    PageGrid(PrintJob& job, double columns, double rows, double rowStretch = 1.0)
        : job_(job),
          inset_(kUnprintableInches * job.resolution()),
          column_((job.pageWidth() - 2 * inset_) / columns),
          row_((job.pageHeight() - 2 * inset_) / rows * rowStretch) {}

    // The border a printer cannot reach, on every side.
    static constexpr double kUnprintableInches = 0.25;

    PrintJob& job() { return job_; }
    double columnUnit() const { return column_; }
    double rowUnit() const { return row_; }

    // Text with the top of its line at `row`, starting at `col`.
    void text(double row, double col, const QString& text, const QFont& font) {
        job_.text(y(row), x(col), text, font);
    }
    void horizontal(double row, double fromCol, double toCol, double pen) {
        job_.line(y(row), x(fromCol), y(row), x(toCol), pen);
    }
    void vertical(double col, double fromRow, double toRow, double pen) {
        job_.line(y(fromRow), x(col), y(toRow), x(col), pen);
    }

private:
    double x(double col) const { return inset_ + col * column_; }
    double y(double row) const { return inset_ + row * row_; }

    PrintJob& job_;
    double inset_;
    double column_;
    double row_;
};

}  // namespace mx::tk
