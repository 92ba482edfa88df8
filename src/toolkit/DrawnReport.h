// The pieces the drawn reports share, on a PageGrid: what the pages say of
// the firm and the day, the title block at the head of every page (the
// firm's name, the title lines centred by their length, the page number and
// the date), the rules that run across the report between its margins,
// text set flush right against a column, and rows of texts that never
// print over or against each other, wrapping in their column rather than
// leaving the page.
//
// The reports differ in their numbers, not in the shape: margin, width,
// fonts and row steps are the block's parameters.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

#include "PageGrid.h"

namespace mx::tk {

// What the printed pages say of the firm and the day, and where drawn
// printouts go: the program-wide values `_COMPANY`, `_PACKAGE1`, `_SYSDATE`
// (as the date setting writes it) and `_PREVIEW`.
struct ReportValues {
    QString company{};
    QString package1{};
    QString date{};
    bool preview = false;
};

// The shape of a report's title block, in the grid's rows and columns.
struct TitleBlockStyle {
    double margin = 0;  // left margin; the block's rules end as far from the right edge
    double width = 0;   // columns across the page
    QFont company;      // the firm's name at row 0
    QFont title;        // the title lines from row 2
    QFont info;         // page number and date
    double firstTitleStep = 1;  // rows down after the first title line
    double titleStep = 1;       // rows down after each further one
    double dateFromRight = 20;  // the date stands at column width - this
    double afterInfo = 1.5;     // rows down after the page and date row
};

// What one title block shows.
struct TitleBlockContent {
    QString company;
    QStringList titles;
    std::optional<int> page;      // "Page: " + number at the margin, when set
    std::optional<QString> date;  // "Date: " + text at width - dateFromRight, when set
};

// Starts a page and draws the title block: the firm's name at row 0 and the
// margin; the title lines from row 2, each starting at column
// ((width - margin) - its length in characters) / 2; one row further the
// page number and the date. Returns the row below the block.
double drawTitleBlock(PageGrid& grid, const TitleBlockStyle& style, const TitleBlockContent& content);

// A horizontal rule at `row` from the margin to width - margin.
void ruleAcross(PageGrid& grid, const TitleBlockStyle& style, double row, double pen);

// One text of a row: the column it stands at (its right edge there when
// `flushRight`), and whether it may wrap onto the rows below when the row
// would otherwise leave the page.
struct RowCell {
    double col = 0;
    QString text;
    QFont font;
    bool flushRight = false;
    bool wraps = true;
};

// Texts placed on a page's rows left to right, none over or against
// another: between two texts of a row stand at least two blanks of the
// later one's font (trailing blanks of a caption do not count). A text that
// would start closer to the one before it starts that far after it
// instead; texts that fit stand exactly where they are put.
class RowTexts {
public:
    // `rightEdge`: the column a row must not pass (0: none).
    explicit RowTexts(PageGrid& grid, double rightEdge = 0) : grid_(grid), rightEdge_(rightEdge) {}

    void text(double row, double col, const QString& text, const QFont& font);
    // Text whose right edge is at column `rightCol` (when it fits there).
    void textRight(double row, double rightCol, const QString& text, const QFont& font);
    // A whole row at once, its cells in the order they read. When the texts
    // pushed right would pass the right edge, a text too wide for its own
    // column (up to where the next one is meant to stand) wraps at its
    // blanks onto the rows below inside that column instead, its words
    // whole. Returns the rows it took (1 or more).
    int row(double row, const std::vector<RowCell>& cells);
    // Forgets the rows (for a new page).
    void clear() { ends_.clear(); }

private:
    PageGrid& grid_;
    double rightEdge_;
    std::map<double, double> ends_;  // row -> column where its last text ends
};

// `text` broken into lines no wider than `width` (in the metrics' units):
// at blanks where it can; a word wider than a line after the last '@', '.',
// '-', '/' or '_' that fits, else between letters. No letter is lost.
QStringList wrapText(const QString& text, const QFontMetricsF& metrics, double width);

// A paint device with the print resolution, so fonts measure as they print.
QPaintDevice* printMetrics();

// The width of `text` in `font`, in the grid's columns.
double textColumns(const PageGrid& grid, const QString& text, const QFont& font);
// Text whose right edge is at column `rightCol`.
void textRight(PageGrid& grid, double row, double rightCol, const QString& text, const QFont& font);

}  // namespace mx::tk
