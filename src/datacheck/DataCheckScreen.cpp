// The Data Check screen (see DataCheckScreen.h).
#include "DataCheckScreen.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTime>
#include <algorithm>

#include "ColumnReport.h"
#include "ExprFormat.h"
#include "DbfTable.h"
#include "Dialog.h"
#include "Error.h"
#include "ListScreen.h"
#include "Session.h"
#include "Ui.h"
#include "WaitCursor.h"
#include "TextCodec.h"

namespace mx::datacheck {

namespace {

using rt::Value;

// The scratch table's alias; its one field numbers the listed row.
constexpr const char* kRowsAlias = "DATACHECK";

// The findings' rows as records of a scratch table in `dir`, open
// exclusively under kRowsAlias: record n is row n.
rt::WorkArea& rowsTable(rt::Session& session, const QString& dir, std::size_t rows) {
    const std::string path = QDir(dir).filePath(QStringLiteral("datacheck.dbf")).toStdString();
    rt::DbfTable::create(path, {rt::numField("ROW", 8)});
    rt::WorkArea& area = session.open(path, kRowsAlias, rt::OpenMode::Exclusive);
    const int field = area.fieldIndex("ROW");
    for (std::size_t n = 1; n <= rows; ++n) {
        area.append();
        area.setField(field, Value::numeric(static_cast<double>(n)));
    }
    area.goTop();
    return area;
}

std::string recordText(std::uint32_t recno) { return recno ? std::to_string(recno) : std::string(); }

// The problem's width on the printed page, in characters.
constexpr std::size_t kProblemWidth = 72;

// The report's lines as the rows of a column report.
class LineCursor : public tk::RowCursor {
public:
    explicit LineCursor(const std::vector<std::vector<std::string>>& lines) : lines_(lines) {}
    bool top() override { return at(0); }
    bool bottom() override { return at(static_cast<long>(lines_.size()) - 1); }
    long skip(long n) override {
        if (lines_.empty()) return 0;
        const long to = std::clamp(here_ + n, 0L, static_cast<long>(lines_.size()) - 1);
        const long moved = to - here_;
        here_ = to;
        return moved;
    }
    std::uint32_t id() override { return lines_.empty() ? 0 : static_cast<std::uint32_t>(here_ + 1); }
    bool seek(std::uint32_t id) override { return id >= 1 && at(static_cast<long>(id) - 1); }
    bool settle() override { return !lines_.empty(); }
    double fraction() override { return lines_.size() < 2 ? 0 : static_cast<double>(here_) / static_cast<double>(lines_.size() - 1); }
    void goFraction(double f) override { at(static_cast<long>(f * static_cast<double>(lines_.size() - 1) + 0.5)); }
    const std::vector<std::string>& line() const { return lines_[static_cast<std::size_t>(here_)]; }

private:
    bool at(long n) {
        if (n < 0 || n >= static_cast<long>(lines_.size())) return false;
        here_ = n;
        return true;
    }
    const std::vector<std::vector<std::string>>& lines_;
    long here_ = 0;
};

void printReport(const std::vector<integrity::Finding>& rows) {
    const std::vector<std::vector<std::string>> lines = reportLines(rows, kProblemWidth);
    tk::Ui::instance().invoke([&] {
        tk::ColumnReport report(QString::fromUtf8(kTitle), true);
        const QString date = QString::fromStdString(rt::formatDate(
            static_cast<rt::DayNumber>(QDate::currentDate().toJulianDay()), tk::Ui::instance().dateStyle().picture));
        const QString time = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
        report.addHeaderLine([date, time] { return QStringLiteral("Date: ") + date + QStringLiteral(", Time: ") + time; });
        report.addFooterLine([&report] { return QStringLiteral("Page: ") + QString::number(report.page()); });
        // Widths in average characters: aliases, codes and field names are
        // upper case, wider than the average, so they get a fifth more.
        auto upper = [](std::size_t chars) { return static_cast<int>(chars + (chars + 4) / 5); };
        std::size_t code = 4;
        for (const integrity::Finding& f : rows) code = std::max(code, f.code.size());
        report.addColumn(QStringLiteral("Table"), upper(8));
        report.addColumn(QStringLiteral("Record"), 7, {}, Qt::AlignRight);
        report.addColumn(QStringLiteral("Code"), upper(std::min<std::size_t>(code, 30)));
        report.addColumn(QStringLiteral("Field"), upper(10));
        report.addColumn(QStringLiteral("Problem"), static_cast<int>(kProblemWidth));
        LineCursor cursor(lines);
        report.setRow([&cursor] {
            QStringList cells;
            for (const std::string& c : cursor.line()) cells << tk::toQ(c);
            return cells;
        });
        cursor.top();
        report.run(cursor);
    });
}

void showList(ia::ListScreen& screen, rt::WorkArea& area, const std::vector<integrity::Finding>& rows,
              const BrowseLink& browse) {
    auto current = [&area, &rows]() -> const integrity::Finding* {
        if (area.eof() || area.recno() < 1 || area.recno() > rows.size()) return nullptr;
        return &rows[area.recno() - 1];
    };
    tk::Browse& list = screen.addList({10, 10, 460, 198}, area,
                                      {{QStringLiteral("Table"), 80},
                                       {QStringLiteral("Record"), 56, Qt::AlignRight},
                                       {QStringLiteral("Code"), 176},
                                       {QStringLiteral("Field"), 80},
                                       {QStringLiteral("Problem"), 500}},
                                      [current] {
                                          const integrity::Finding* f = current();
                                          if (!f) return std::vector<Value>(5, Value::character(""));
                                          return std::vector<Value>{
                                              Value::character(f->alias), Value::character(recordText(f->recno)),
                                              Value::character(f->code), Value::character(f->field),
                                              Value::character(f->problem)};
                                      });
    // The current finding's problem whole under the list: the column shows
    // only its beginning.
    QLabel* whole = screen.dialog().addText({211, 10, 460, 24}, QString());
    whole->setWordWrap(true);
    whole->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto showWhole = [whole, current] {
        const integrity::Finding* f = current();
        whole->setText(f ? tk::toQ(f->problem) : QString());
    };
    list.onChange(showWhole);
    showWhole();
    auto openBrowser = [&screen, current, &browse] {
        const integrity::Finding* f = current();
        if (!f || !f->recno || !browse) return;
        const std::string alias = f->alias;
        const std::uint32_t recno = f->recno;
        screen.operation([&] { browse(alias, recno); });
    };
    screen.setActions({.viewUpdate = openBrowser});
    screen.addButtons(240, 10,
                      {{QStringLiteral("&Print"), [&screen, &rows] {
                            printReport(rows);
                            screen.restore();
                        }},
                       {QStringLiteral("&Browse"), openBrowser}});
    screen.addButton({240, 425, 45, 12}, QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); });
    screen.run();
}

}  // namespace

std::vector<integrity::Finding> listedRows(const integrity::Report& report) {
    std::vector<integrity::Finding> rows;
    rows.reserve(report.unreadable.size() + report.findings.size());
    for (const std::string& u : report.unreadable) {
        // "ALIAS: cause": the alias in the Table column, the cause as the problem.
        const std::size_t colon = u.find(": ");
        integrity::Finding f;
        if (colon == std::string::npos) {
            f.problem = u;
        } else {
            f.alias = u.substr(0, colon);
            f.problem = "The table cannot be read and was not checked: " + u.substr(colon + 2);
        }
        rows.push_back(std::move(f));
    }
    rows.insert(rows.end(), report.findings.begin(), report.findings.end());
    return rows;
}

std::vector<std::vector<std::string>> reportLines(const std::vector<integrity::Finding>& rows, std::size_t width) {
    width = std::max<std::size_t>(width, 1);
    std::vector<std::vector<std::string>> lines;
    for (const integrity::Finding& f : rows) {
        std::vector<std::string> parts;
        std::string text = f.problem, line;
        std::size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && text[i] == ' ') ++i;
            std::size_t end = text.find(' ', i);
            if (end == std::string::npos) end = text.size();
            if (i == end) break;
            std::string word = text.substr(i, end - i);
            i = end;
            // A word longer than the line is cut at the line's end.
            while (word.size() > width) {
                if (!line.empty()) {
                    parts.push_back(line);
                    line.clear();
                }
                parts.push_back(word.substr(0, width));
                word.erase(0, width);
            }
            if (line.empty()) {
                line = word;
            } else if (line.size() + 1 + word.size() <= width) {
                line += ' ' + word;
            } else {
                parts.push_back(std::move(line));
                line = word;
            }
        }
        if (!line.empty() || parts.empty()) parts.push_back(line);
        lines.push_back({f.alias, recordText(f.recno), f.code, f.field, parts.front()});
        for (std::size_t p = 1; p < parts.size(); ++p) lines.push_back({"", "", "", "", parts[p]});
    }
    return lines;
}

std::string progressText(const integrity::Progress& p) {
    std::string text = "Data check: " + p.alias + ", table " + std::to_string(p.step) + " of " + std::to_string(p.steps);
    if (p.records) text += ", record " + std::to_string(p.record) + " of " + std::to_string(p.records);
    return text;
}

void DATACHECK(ds::DataContext& ctx, const BrowseLink& browse) {
    tk::Ui& ui = tk::Ui::instance();
    // The frame releases the convention's keys while the check runs, binds
    // the screen's while the list stands and releases them after.
    ia::ListScreen screen(ctx, QString::fromUtf8(kTitle), tk::Box{30, 20, 560, 980});
    integrity::Report report;
    {
        tk::WaitCursor busy;
        // The windows repaint while the tables are read; user input waits,
        // so no menu action starts in the middle of the check.
        report = integrity::crossCheck(ctx, [&ui](const integrity::Progress& p) {
            ui.status(QString::fromStdString(progressText(p)));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
        ui.status(QString());
    }
    if (report.clean()) {
        ui.info(QStringLiteral("The data check found nothing to report: the %1 tables agree with each other.")
                    .arg(report.tablesRead),
                QString::fromUtf8(kTitle));
        return;
    }

    const std::vector<integrity::Finding> rows = listedRows(report);
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        ui.alert(QStringLiteral("The data check's list cannot be made: no temporary folder (%1).").arg(scratch.errorString()));
        return;
    }
    rt::SelectionGuard selection(ctx.session);
    try {
        rt::WorkArea& area = rowsTable(ctx.session, scratch.path(), rows.size());
        showList(screen, area, rows, browse);
    } catch (const rt::DbError& e) {
        ui.alert(QStringLiteral("The data check's list cannot be made in %1: %2")
                     .arg(QDir::toNativeSeparators(scratch.path()), QString::fromStdString(e.what())));
    }
    if (ctx.session.area(kRowsAlias)) ctx.session.close(kRowsAlias);
}

}  // namespace mx::datacheck
