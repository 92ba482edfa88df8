// The browse grid over one work area: a header of captions, one line per
// record showing the values a row function gives, the current record
// highlighted, and a scroll bar that follows the record's key position.
//
// It never loads the table. It keeps only the rows it shows (RowWindow) and
// moves by the area's own skips and seeks (AreaCursor), so a table of a
// million records opens and pages at once and the memory used does not grow
// with it. The area's current record is always the highlighted row: screens
// act on "the current record" and then call refresh() (row texts changed)
// or resync() (records were added or deleted, or the screen moved the
// record pointer).
//
// Columns keep the widths the screen gives, but a column of numbers, flags or
// nothing lends what it does not need to a text column beside it whose texts
// are cut; the last one also takes whatever width the browse has to spare,
// so its text is not cut short with free room beside it. Numbers stand right
// in their columns without the blanks they were formatted with. A cell whose
// text does not fit shows the whole text as a tooltip.
//
// Keys: Up, Down, Page Up, Page Down, Home (first row), End (last row);
// Enter is left to the hot keys and the dialog. Mouse: a click highlights a
// row, a double click runs the double-click action, a right click the
// right-click action (with the position, for a context menu).
#pragma once

#include <QAbstractScrollArea>
#include <functional>
#include <memory>
#include <vector>

#include "AreaCursor.h"
#include "PictureFormat.h"
#include "RowWindow.h"
#include "Session.h"
#include "Value.h"

namespace mx::tk {

struct BrowseColumn {
    QString header{};
    int width = 80;  // screen pixels
    Qt::Alignment align = Qt::AlignLeft;
};

class Browse : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Called with the area on the record to show; one value per column.
    // Character values are shown as they are, numbers as STR() writes them,
    // dates in the date style, logicals as T/F.
    using RowFn = std::function<std::vector<rt::Value>()>;

    Browse(rt::Session& session, rt::WorkArea& area, std::vector<BrowseColumn> columns, RowFn row,
           QWidget* parent = nullptr);

    rt::WorkArea& area() { return cursor_.area(); }
    AreaCursor& cursor() { return cursor_; }
    const std::vector<BrowseColumn>& columns() const { return columns_; }
    QStringList headers() const;

    // Only records whose key (the expression, evaluated on the area) lies
    // between low and high are rows. Takes effect at the next move or resync.
    void setScope(const std::string& keyExpression, rt::Value low, rt::Value high);
    void clearScope();

    void onChange(std::function<void()> action) { onChange_ = std::move(action); }
    void onDoubleClick(std::function<void()> action) { onDoubleClick_ = std::move(action); }
    void onRightClick(std::function<void(QPoint globalPos)> action) { onRightClick_ = std::move(action); }

    // Re-reads the visible rows around the area's current record.
    void refresh();
    // After appends, deletes or moves of the record pointer: the same, and
    // the current record is made a row (moved on when it is hidden now).
    void resync();
    void goTop();
    void goBottom();
    void lineDown();
    void lineUp();
    void pageDown();
    void pageUp();
    // Highlights the n-th row of the whole list (1-based); false when there
    // are fewer rows.
    bool goRow(long n);
    // Runs the double-click action on the current row, as a double click does.
    void doubleClick();

    // The rows as displayed (trailing blanks trimmed) from the top of the
    // list, at most `limit`; *current gets the 0-based index of the current
    // row among them (-1 when not among them), *more the rows left out. The
    // current record stays where it was.
    std::vector<QStringList> rowsFromTop(long limit, long* current, long* more);

    // Prints every row as a column report under `title` (by default the
    // title of the dialog the browse is in), with "Date: .., Time: .."
    // heading and "Page: n" footer, to the preview.
    void print(const QString& title = {});

    // The width column `c` is drawn with: its own (at least as wide as its
    // header), less what it lends a cut text beside it or plus what it is
    // lent, and for the last column also the browse's spare width.
    int columnWidth(size_t c) const;
    // The tooltip at a point of the viewport: the whole text of the cell
    // there when it does not fit its column, else empty.
    QString toolTipAt(const QPoint& viewportPos) const;

    // The visible rows and the current one (for tests and the dump).
    const RowWindow& window() const { return window_; }
    int rowHeight() const;
    int headerHeight() const;

    static QString cellText(const rt::Value& v, const DateStyle& dates);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int, int) override {}
    void showEvent(QShowEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    std::vector<std::string> fetchCells();
    void moved(std::uint32_t before);  // after a move: scroll bar, repaint, change action
    int rowAt(int y) const;
    int ownWidth(size_t c) const;  // the given width, widened to the header
    // What the rows shown hold in each column, and the widths the columns
    // are drawn with (see columnWidth()).
    enum class ColumnKind { Empty, Number, Flag, Text };
    std::vector<ColumnKind> columnKinds() const;
    std::vector<int> drawnWidths() const;
    void updateCapacity();
    void guarded(const std::function<void()>& move);

    AreaCursor cursor_;
    std::vector<BrowseColumn> columns_;
    RowFn row_;
    RowWindow window_;
    bool loaded_ = false;
    std::function<void()> onChange_;
    std::function<void()> onDoubleClick_;
    std::function<void(QPoint)> onRightClick_;
};

}  // namespace mx::tk
