// The browse grid (see the header).
#include "Browse.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "ColumnReport.h"
#include "ExprFormat.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::tk {

namespace {
constexpr int kScrollRange = 1000;

QString trimRight(QString s) {
    while (!s.isEmpty() && s.back() == ' ') s.chop(1);
    return s;
}

bool isNumber(const QString& t) {
    qsizetype i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i].isDigit())
            digits = true;
        else if (t[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

bool isFlag(const QString& t) { return t.size() == 1 || t == QLatin1String("Yes") || t == QLatin1String("No"); }
}  // namespace

Browse::Browse(rt::Session& session, rt::WorkArea& area, std::vector<BrowseColumn> columns, RowFn row, QWidget* parent)
    : QAbstractScrollArea(parent),
      cursor_(session, area),
      columns_(std::move(columns)),
      row_(std::move(row)),
      window_(cursor_, [this] { return fetchCells(); }) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::Box);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setRange(0, kScrollRange);
    verticalScrollBar()->setPageStep(kScrollRange / 10);
    int total = 0;
    for (const auto& c : columns_) total += c.width;
    horizontalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setProperty("contentWidth", total);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepAdd: lineDown(); break;
            case QAbstractSlider::SliderSingleStepSub: lineUp(); break;
            case QAbstractSlider::SliderPageStepAdd: pageDown(); break;
            case QAbstractSlider::SliderPageStepSub: pageUp(); break;
            case QAbstractSlider::SliderToMinimum: goTop(); break;
            case QAbstractSlider::SliderToMaximum: goBottom(); break;
            default: break;
        }
    });
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, [this](int value) {
        guarded([&] { window_.goFraction(static_cast<double>(value) / kScrollRange); });
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), [this] { viewport()->update(); });
}

QString Browse::cellText(const rt::Value& v, const DateStyle& dates) {
    switch (v.type()) {
        case rt::ValueType::Character: return toQ(v.str());
        case rt::ValueType::Numeric: return toQ(rt::strFunction(v));
        case rt::ValueType::Date: return v.day() == 0 ? QString(QString(dates.picture.size(), ' ')) : toQ(rt::formatDate(v.day(), dates.picture));
        case rt::ValueType::Logical: return v.boolean() ? QStringLiteral("T") : QStringLiteral("F");
        default: return {};
    }
}

std::vector<std::string> Browse::fetchCells() {
    std::vector<std::string> cells;
    if (!row_) return cells;
    const DateStyle& dates = Ui::instance().dateStyle();
    for (const rt::Value& v : row_()) cells.push_back(toUtf8(cellText(v, dates)));
    return cells;
}

QStringList Browse::headers() const {
    QStringList h;
    for (const auto& c : columns_) h << c.header;
    return h;
}

void Browse::setScope(const std::string& keyExpression, rt::Value low, rt::Value high) {
    cursor_.setScope(keyExpression, std::move(low), std::move(high));
}

void Browse::clearScope() { cursor_.clearScope(); }

int Browse::rowHeight() const { return fontMetrics().height() + 4; }
int Browse::headerHeight() const { return fontMetrics().height() + 6; }

void Browse::updateCapacity() {
    int h = viewport()->height() - headerHeight();
    window_.setCapacity(std::max(1, h / rowHeight()));
    int total = 0;
    for (size_t c = 0; c < columns_.size(); ++c) total += ownWidth(c);
    horizontalScrollBar()->setRange(0, std::max(0, total - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(std::max(8, fontMetrics().averageCharWidth() * 4));
}

// Runs a move and reports it: the scroll bar follows, the grid repaints and
// the change action runs when the current record changed. A failure of the
// table (a damaged file, a lock) is reported through Ui.
void Browse::guarded(const std::function<void()>& move) {
    Ui& ui = Ui::instance();
    if (!loaded_) {
        loaded_ = true;
        ui.invoke([&] {
            updateCapacity();
            window_.reload(0);
        });
    }
    std::uint32_t before = window_.empty() ? 0 : window_.rows()[static_cast<size_t>(window_.current())].id;
    ui.invoke(move);
    moved(before);
}

void Browse::moved(std::uint32_t before) {
    std::uint32_t now = window_.empty() ? 0 : window_.rows()[static_cast<size_t>(window_.current())].id;
    QScrollBar* bar = verticalScrollBar();
    if (!bar->isSliderDown()) {
        QSignalBlocker block(bar);
        double f = 0;
        Ui::instance().invoke([&] { f = window_.empty() ? 0.0 : cursor_.fraction(); });
        bar->setValue(static_cast<int>(f * kScrollRange + 0.5));
    }
    viewport()->update();
    if (now != before && onChange_) Ui::instance().invoke(onChange_);
}

void Browse::refresh() {
    guarded([&] { window_.refresh(); });
}
void Browse::resync() {
    guarded([&] { window_.refresh(); });
}
void Browse::goTop() {
    guarded([&] { window_.top(); });
}
void Browse::goBottom() {
    guarded([&] { window_.bottom(); });
}
void Browse::lineDown() {
    guarded([&] { window_.down(); });
}
void Browse::lineUp() {
    guarded([&] { window_.up(); });
}
void Browse::pageDown() {
    guarded([&] { window_.pageDown(); });
}
void Browse::pageUp() {
    guarded([&] { window_.pageUp(); });
}

bool Browse::goRow(long n) {
    bool ok = false;
    guarded([&] { ok = window_.goRow(n); });
    return ok;
}

void Browse::doubleClick() {
    if (onDoubleClick_ && !window_.empty()) Ui::instance().invoke(onDoubleClick_);
}

std::vector<QStringList> Browse::rowsFromTop(long limit, long* current, long* more) {
    std::vector<QStringList> out;
    *current = -1;
    *more = 0;
    guarded([&] {
        std::uint32_t here = cursor_.id();
        if (cursor_.top()) {
            long index = 0;
            do {
                if (index < limit) {
                    QStringList cells;
                    for (const std::string& c : fetchCells()) cells << trimRight(fromUtf8(c));
                    out.push_back(cells);
                    if (cursor_.id() == here) *current = index;
                } else {
                    ++*more;
                }
                ++index;
            } while (cursor_.skip(1) == 1);
        }
        if (here)
            cursor_.seek(here);
        window_.refresh();
    });
    return out;
}

void Browse::print(const QString& title) {
    std::uint32_t here = cursor_.id();
    Ui::instance().invoke([&] {
        ColumnReport report(title.isEmpty() ? QWidget::window()->windowTitle() : title, true);
        const QString date = QString::fromStdString(rt::formatDate(
            static_cast<rt::DayNumber>(QDate::currentDate().toJulianDay()), Ui::instance().dateStyle().picture));
        const QString time = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
        report.addHeaderLine([date, time] { return QStringLiteral("Date: ") + date + QStringLiteral(", Time: ") + time; });
        report.addFooterLine([&report] { return QStringLiteral("Page: ") + QString::number(report.page()); });
        // Each column as wide as its widest printed text; numbers flush right.
        const std::vector<ColumnKind> kinds = columnKinds();
        for (size_t c = 0; c < columns_.size(); ++c)
            report.addColumn(columns_[c].header, 0, {},
                             kinds[c] == ColumnKind::Number ? Qt::Alignment(Qt::AlignRight) : columns_[c].align);
        report.setRow([this] {
            QStringList cells;
            for (const std::string& c : fetchCells()) cells << fromUtf8(c);
            return cells;
        });
        if (cursor_.top()) report.run(cursor_);
    });
    guarded([&] {
        if (here) cursor_.seek(here);
        window_.refresh();
    });
}

std::vector<Browse::ColumnKind> Browse::columnKinds() const {
    std::vector<ColumnKind> kinds(columns_.size(), ColumnKind::Empty);
    std::vector<bool> padded(columns_.size(), false), flags(columns_.size(), true), numbers(columns_.size(), true);
    for (const auto& row : window_.rows()) {
        for (size_t c = 0; c < columns_.size() && c < row.cells.size(); ++c) {
            const QString raw = trimRight(fromUtf8(row.cells[c]));
            const QString t = raw.trimmed();
            if (t.isEmpty()) continue;
            kinds[c] = ColumnKind::Text;
            if (raw.size() > t.size()) padded[c] = true;
            if (!isNumber(t)) numbers[c] = false;
            if (!isFlag(t)) flags[c] = false;
        }
    }
    for (size_t c = 0; c < kinds.size(); ++c) {
        if (kinds[c] != ColumnKind::Text) continue;
        // Numbers are formatted to a width, so a column of them has blanks
        // before some; a column of codes that are all digits has none.
        if (numbers[c] && (padded[c] || (columns_[c].align & Qt::AlignRight)))
            kinds[c] = ColumnKind::Number;
        else if (flags[c])
            kinds[c] = ColumnKind::Flag;
    }
    return kinds;
}

std::vector<int> Browse::drawnWidths() const {
    const size_t n = columns_.size();
    std::vector<int> w(n);
    for (size_t c = 0; c < n; ++c) w[c] = ownWidth(c);
    if (n == 0) return w;
    const std::vector<ColumnKind> kinds = columnKinds();
    // What each column's texts need: the widest, with the 4-pixel margins.
    std::vector<int> need(n);
    for (size_t c = 0; c < n; ++c) need[c] = fontMetrics().horizontalAdvance(columns_[c].header) + 9;
    for (const auto& row : window_.rows())
        for (size_t c = 0; c < n && c < row.cells.size(); ++c)
            need[c] = std::max(need[c], fontMetrics().horizontalAdvance(trimRight(fromUtf8(row.cells[c])).trimmed()) + 9);
    // A column of numbers, flags or nothing gives the width it does not need
    // to a text column beside it (the one on its left first) whose texts
    // are cut, as much as they lack.
    for (size_t c = 0; c < n; ++c) {
        if (kinds[c] == ColumnKind::Text) continue;
        int spare = w[c] - need[c];
        for (size_t t : {c - 1, c + 1}) {
            if (spare <= 0 || t >= n || kinds[t] != ColumnKind::Text) continue;  // c - 1 of 0 wraps past n
            const int give = std::min(spare, need[t] - w[t]);
            if (give <= 0) continue;
            w[c] -= give;
            w[t] += give;
            spare -= give;
        }
    }
    int others = 0;
    for (size_t i = 0; i + 1 < n; ++i) others += w[i];
    w[n - 1] = std::max(w[n - 1], viewport()->width() - others);
    return w;
}

int Browse::ownWidth(size_t c) const {
    // Never narrower than the header, so that "W/R" does not read "W/I".
    return std::max(columns_[c].width, fontMetrics().horizontalAdvance(columns_[c].header) + 9);
}

int Browse::columnWidth(size_t c) const {
    if (c >= columns_.size()) return 0;
    return drawnWidths()[c];
}

QString Browse::toolTipAt(const QPoint& at) const {
    const int r = rowAt(at.y());
    const auto& rows = window_.rows();
    if (r < 0 || r >= static_cast<int>(rows.size())) return {};
    int x = -horizontalScrollBar()->value();
    const std::vector<int> widths = drawnWidths();
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int w = widths[c];
        if (at.x() >= x && at.x() < x + w) {
            if (c >= rows[static_cast<size_t>(r)].cells.size()) return {};
            const QString text = trimRight(fromUtf8(rows[static_cast<size_t>(r)].cells[c])).trimmed();
            // The room drawText has: the column less its 4-pixel margins.
            return fontMetrics().horizontalAdvance(text) > w - 8 ? text : QString();
        }
        x += w;
    }
    return {};
}

bool Browse::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

int Browse::rowAt(int y) const {
    if (y < headerHeight()) return -1;
    return (y - headerHeight()) / rowHeight();
}

void Browse::showEvent(QShowEvent* e) {
    QAbstractScrollArea::showEvent(e);
    if (!loaded_) guarded([] {});
}

void Browse::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateCapacity();
    if (loaded_) refresh();
}

void Browse::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    const int w = viewport()->width();
    const int hh = headerHeight();
    const int rh = rowHeight();
    const int dx = -horizontalScrollBar()->value();
    p.fillRect(viewport()->rect(), pal.base());

    // Numbers stand right in their columns, without the blanks they were
    // formatted with.
    const std::vector<int> widths = drawnWidths();
    const std::vector<ColumnKind> kinds = columnKinds();
    std::vector<Qt::Alignment> aligns;
    for (size_t c = 0; c < columns_.size(); ++c)
        aligns.push_back(kinds[c] == ColumnKind::Number ? Qt::Alignment(Qt::AlignRight) : columns_[c].align);

    // Header.
    p.fillRect(QRect(0, 0, w, hh), pal.button());
    p.setPen(pal.buttonText().color());
    int x = dx;
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int cw = widths[c];
        p.drawText(QRect(x + 4, 0, cw - 8, hh), Qt::AlignVCenter | aligns[c], columns_[c].header);
        p.setPen(pal.mid().color());
        p.drawLine(x + cw - 1, 0, x + cw - 1, hh + rh * window_.capacity());
        p.setPen(pal.buttonText().color());
        x += cw;
    }
    p.setPen(pal.mid().color());
    p.drawLine(0, hh - 1, w, hh - 1);

    // Rows.
    const auto& rows = window_.rows();
    for (size_t r = 0; r < rows.size(); ++r) {
        int y = hh + static_cast<int>(r) * rh;
        bool current = static_cast<int>(r) == window_.current();
        if (current) p.fillRect(QRect(0, y, w, rh), hasFocus() ? pal.highlight() : pal.mid());
        p.setPen(current && hasFocus() ? pal.highlightedText().color() : pal.text().color());
        x = dx;
        for (size_t c = 0; c < columns_.size(); ++c) {
            QString text = c < rows[r].cells.size() ? fromUtf8(rows[r].cells[c]) : QString();
            if (kinds[c] == ColumnKind::Number) text = text.trimmed();
            const int cw = widths[c];
            p.drawText(QRect(x + 4, y, cw - 8, rh), Qt::AlignVCenter | aligns[c], text);
            x += cw;
        }
    }
}

void Browse::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Down: lineDown(); break;
        case Qt::Key_Up: lineUp(); break;
        case Qt::Key_PageDown: pageDown(); break;
        case Qt::Key_PageUp: pageUp(); break;
        case Qt::Key_Home: goTop(); break;
        case Qt::Key_End: goBottom(); break;
        case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
        case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
        default: QAbstractScrollArea::keyPressEvent(e); return;
    }
    e->accept();
}

void Browse::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    int r = rowAt(static_cast<int>(e->position().y()));
    if (r >= 0 && r < static_cast<int>(window_.rows().size())) guarded([&] { window_.select(r); });
    if (e->button() == Qt::RightButton && onRightClick_) {
        QPoint at = e->globalPosition().toPoint();
        Ui::instance().invoke([&] { onRightClick_(at); });
    }
}

void Browse::mouseDoubleClickEvent(QMouseEvent* e) {
    int r = rowAt(static_cast<int>(e->position().y()));
    if (e->button() != Qt::LeftButton || r < 0 || r >= static_cast<int>(window_.rows().size())) return;
    guarded([&] { window_.select(r); });
    doubleClick();
}

void Browse::wheelEvent(QWheelEvent* e) {
    int steps = e->angleDelta().y() / 120;
    for (int i = 0; i < std::abs(steps) * 3; ++i) steps < 0 ? lineDown() : lineUp();
    e->accept();
}

}  // namespace mx::tk
