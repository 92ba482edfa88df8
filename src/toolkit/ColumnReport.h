// The column report: a title, header and footer lines given as blocks (a
// page-number block reads page()), and columns with a header and a data
// block (or one row block for all columns). run() prints every row from the
// cursor's current one to the last of its list, as many to a page as fit,
// through a PrintJob (so to the preview, the printer or the print folder).
//
// Page layout (A4 portrait): the title centred in bold, the header lines
// centred under it, the column headers in bold above a rule, the rows, and
// the footer lines centred at the foot of the page. Every column is as wide
// as the widest text it prints, measured in the printed font (its bold
// header included), so no cell is ever cut. When the columns are wider than
// the page the fonts shrink until they fit; when they do not fit even in the
// smallest font the pages are turned landscape, and when they still do not
// fit the widest text columns wrap onto further lines of their row.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "PrintJob.h"
#include "RowCursor.h"

namespace mx::tk {

class ColumnReport {
public:
    using Text = std::function<QString()>;

    ColumnReport(const QString& title, bool preview, const QString& printer = {});

    void addHeaderLine(Text line) { headers_.push_back(std::move(line)); }
    void addFooterLine(Text line) { footers_.push_back(std::move(line)); }
    // `width` in characters is the least the column takes (0: only what its
    // texts need). `data` may be left out when setRow() gives all the cells.
    // `align` Qt::AlignRight sets numbers flush right (their blanks trimmed).
    void addColumn(const QString& header, int width, Text data = {}, Qt::Alignment align = Qt::AlignLeft);
    void setRow(std::function<QStringList()> row) { row_ = std::move(row); }

    // The page being printed (1-based), for page-number blocks.
    int page() const { return page_; }
    // Prints the rows; returns the number of pages delivered (0 when the job
    // could not print).
    int run(RowCursor& rows);
    // The document of the last run (for tests).
    const PrintJob* job() const { return job_.get(); }

private:
    struct Column {
        QString header;
        int width;
        Text data;
        Qt::Alignment align;
    };
    QStringList cells();
    void layoutColumns(const std::vector<QStringList>& rows);
    void startPage();
    void finishPage();
    // The lines a cell prints: one, or for a wrapped column as many as its
    // width needs.
    QStringList cellLines(size_t column, const QString& text) const;

    QString title_;
    bool preview_;
    QString printer_;
    std::vector<Text> headers_, footers_;
    std::vector<Column> columns_;
    std::function<QStringList()> row_;
    std::unique_ptr<PrintJob> job_;
    int page_ = 0;

    // Layout in device pixels, fixed at the start of run().
    QFont titleFont_, bodyFont_, boldFont_;
    double lineHeight_ = 0, titleHeight_ = 0, left_ = 0, right_ = 0, top_ = 0, bottom_ = 0, y_ = 0, rowsTop_ = 0;
    std::vector<double> colX_, colW_;
    std::vector<bool> wrapped_;  // columns whose texts wrap onto further lines
};

}  // namespace mx::tk
