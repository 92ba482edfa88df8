// The table browser's view (see TableView.h).
#include "TableView.h"

#include <QFontMetricsF>
#include <QImage>
#include <QSaveFile>
#include <algorithm>

#include "ExprFormat.h"
#include "Error.h"
#include "Expression.h"
#include "Fonts.h"
#include "NtxIndex.h"
#include "PrintJob.h"
#include "Text.h"
#include "TextCodec.h"

namespace mx::tablebrowser {

namespace {

using rt::FieldType;
using rt::Value;
using tk::toQ;

// Puts the area back on the record it stood on (or at the end of file).
class KeepPosition {
public:
    explicit KeepPosition(rt::WorkArea& area) : area_(area), here_(area.recno()) {}
    ~KeepPosition() {
        try {
            area_.goTo(here_);
        } catch (...) {
        }
    }

private:
    rt::WorkArea& area_;
    std::uint32_t here_;
};

QString csvCell(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A paint device with the print resolution, so fonts measure as they print.
const QImage& printMetrics() {
    static QImage image = [] {
        QImage i(8, 8, QImage::Format_Mono);
        const int dpm = static_cast<int>(tk::PrintDocument::kDpi / 0.0254 + 0.5);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return image;
}

double mm(double v) { return v * tk::PrintDocument::kDpi / 25.4; }

// Makes each record of the view current in turn, in the current order, and
// runs `fn` on it until it returns false. An index order is read in one walk
// of its file under one read lock rather than a locked move per record, so
// a long view is read at the speed of its records.
void forEachInView(rt::Session& session, rt::WorkArea& area, const std::function<bool()>& fn) {
    const bool hideDeleted = session.settings().deletedHidden;
    const rt::Expression filter = area.filterText().empty() ? rt::Expression{} : area.compileHere(area.filterText());
    Value v;
    auto visible = [&] {
        if (area.eof() || (hideDeleted && area.deleted())) return false;
        if (filter.empty()) return true;
        filter.evaluateInto(session, v);
        return v.isTrue();
    };
    KeepPosition keep(area);
    const int order = area.order();
    if (order == 0) {
        // One reading of the table: its records are read in blocks.
        rt::DbfTable::Run run(area.table());
        const std::uint32_t total = area.recordCount();
        for (std::uint32_t r = 1; r <= total; ++r) {
            area.goTo(r);
            if (visible() && !fn()) return;
        }
        return;
    }
    area.orderIndex(order).walk([&](const rt::NtxEntry& e) {
        area.goTo(e.recno);
        return !visible() || fn();
    });
}

}  // namespace

QString fieldText(const rt::WorkArea& area, int i, const tk::DateStyle& dates) {
    const rt::FieldDef& f = area.field(i);
    switch (f.type) {
        case FieldType::Character: return toQ(ds::trimRight(area.fieldBytes(i)));
        case FieldType::Numeric: return toQ(ds::allTrim(area.fieldBytes(i)));
        case FieldType::Date: {
            const Value v = area.fieldValue(i);
            return v.day() == 0 ? QString() : toQ(rt::formatDate(v.day(), dates.picture));
        }
        case FieldType::Logical: return area.fieldValue(i).boolean() ? QStringLiteral("T") : QStringLiteral("F");
        default: return toQ(area.fieldValue(i).str());
    }
}

std::uint64_t countView(rt::Session& session, rt::WorkArea& area) {
    return countView(session, area, 1, area.recordCount());
}

std::uint64_t countView(rt::Session& session, rt::WorkArea& area, std::uint32_t from, std::uint32_t to) {
    const bool hideDeleted = session.settings().deletedHidden;
    to = std::min(to, area.recordCount());
    if (from < 1) from = 1;
    if (from > to) return 0;
    if (area.filterText().empty() && !hideDeleted) return to - from + 1;
    KeepPosition keep(area);
    const rt::Expression filter = area.filterText().empty() ? rt::Expression{} : area.compileHere(area.filterText());
    std::uint64_t n = 0;
    Value v;
    // A count is one reading of the table: its records are read in blocks.
    rt::DbfTable::Run run(area.table());
    for (std::uint32_t r = from; r <= to; ++r) {
        area.goTo(r);
        if (hideDeleted && area.deleted()) continue;
        if (!filter.empty()) {
            filter.evaluateInto(session, v);
            if (!v.isTrue()) continue;
        }
        ++n;
    }
    return n;
}

void checkFilter(rt::Session& session, rt::WorkArea& area, const std::string& text) {
    const rt::Expression filter = area.compileHere(text);
    auto noCondition = [&text](const char* type) {
        throw rt::DbError(rt::ErrorKind::BadExpression, text,
                          std::string("the expression gives a ") + type + " value, not a condition (.T. or .F.)", 1);
    };
    if (auto type = filter.knownType(); type && *type != rt::ValueType::Logical) noCondition(rt::valueTypeName(*type));
    if (area.eof()) return;
    const Value v = filter.evaluate(session);
    if (v.type() != rt::ValueType::Logical) noCondition(rt::valueTypeName(v.type()));
}

bool findText(rt::Session&, rt::WorkArea& area, const QString& text) {
    if (area.eof() || text.isEmpty()) return false;
    std::vector<int> fields;
    for (int i = 0; i < area.fieldCount(); ++i)
        if (area.field(i).type == FieldType::Character || area.field(i).type == FieldType::Memo) fields.push_back(i);
    const std::uint32_t here = area.recno();
    Value memo;
    for (area.skip(1); !area.eof(); area.skip(1)) {
        for (int i : fields) {
            if (area.field(i).type == FieldType::Memo) {
                area.fieldValueInto(i, memo);
                if (toQ(memo.str()).contains(text, Qt::CaseInsensitive)) return true;
            } else if (toQ(area.fieldBytes(i)).contains(text, Qt::CaseInsensitive)) {
                return true;
            }
        }
    }
    area.goTo(here);
    return false;
}

QString recordText(const rt::WorkArea& area, const tk::DateStyle& dates) {
    QStringList names, values;
    for (int i = 0; i < area.fieldCount(); ++i) {
        names << toQ(area.field(i).name);
        QString v = fieldText(area, i, dates);
        v.replace(QLatin1String("\r\n"), QLatin1String(" "));
        for (QChar c : {QLatin1Char('\t'), QLatin1Char('\r'), QLatin1Char('\n')}) v.replace(c, QLatin1Char(' '));
        values << v;
    }
    return names.join(QLatin1Char('\t')) + QLatin1Char('\n') + values.join(QLatin1Char('\t'));
}

std::uint64_t exportCsv(rt::Session& session, rt::WorkArea& area, const QString& path, const tk::DateStyle& dates) {
    const std::string file = tk::fromQ(path);
    QSaveFile out(path);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) throw rt::DbError(rt::ErrorKind::Io, file, tk::fromQ(out.errorString()));
    auto write = [&](const QStringList& cells) {
        QStringList quoted;
        for (const QString& c : cells) quoted << csvCell(c);
        const QByteArray line = (quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
        if (out.write(line) != line.size()) throw rt::DbError(rt::ErrorKind::Io, file, tk::fromQ(out.errorString()));
    };
    QStringList cells;
    for (int i = 0; i < area.fieldCount(); ++i) cells << toQ(area.field(i).name);
    write(cells);
    std::uint64_t rows = 0;
    forEachInView(session, area, [&] {
        cells.clear();
        for (int i = 0; i < area.fieldCount(); ++i) cells << fieldText(area, i, dates);
        write(cells);
        ++rows;
        return true;
    });
    // Only now does the file take the target's name: before this, a failure
    // (or a table error above) leaves the target as it was.
    if (!out.commit()) throw rt::DbError(rt::ErrorKind::Io, file, tk::fromQ(out.errorString()));
    return rows;
}

int printView(rt::Session& session, rt::WorkArea& area, const QString& title, const std::vector<PrintColumn>& columns,
              const std::function<QStringList()>& row, size_t repeated) {
    tk::PrintJob job(tk::PrintOptions{title, false, true, {}});
    if (!job.ok()) return 0;
    job.setLandscape(true);
    tk::PrintDocument& doc = job.document();
    QPaintDevice* dev = const_cast<QImage*>(&printMetrics());
    const QFont body = tk::Fonts::printer(QStringLiteral("Arial"), 8);
    const QFont bold = tk::Fonts::printer(QStringLiteral("Arial"), 8, true);
    const QFont titleFont = tk::Fonts::printer(QStringLiteral("Arial"), 12, true);
    const QFontMetricsF fm(body, dev), boldFm(bold, dev);
    const double charW = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
    const double lineH = fm.height() * 1.15, titleH = QFontMetricsF(titleFont, dev).height() * 1.3;
    const double left = mm(12), right = job.pageWidth() - mm(12), top = mm(10);
    const double bottom = job.pageHeight() - mm(10) - 2 * lineH, gap = mm(2.5);
    const double room = right - left;

    std::vector<double> widths;
    for (const PrintColumn& c : columns)
        widths.push_back(std::min(room, std::max(c.chars * charW, boldFm.horizontalAdvance(c.header))));
    repeated = std::min(repeated, columns.size());
    double fixed = 0;
    for (size_t i = 0; i < repeated; ++i) fixed += widths[i] + gap;

    // The bands: the repeated columns, then as many of the rest as fit.
    std::vector<std::vector<size_t>> bands;
    for (size_t i = repeated; i < columns.size();) {
        std::vector<size_t> band;
        for (size_t k = 0; k < repeated; ++k) band.push_back(k);
        double x = fixed;
        do {
            band.push_back(i);
            x += widths[i] + gap;
            ++i;
        } while (i < columns.size() && x + widths[i] <= room);
        bands.push_back(std::move(band));
    }
    if (bands.empty()) {
        bands.emplace_back();
        for (size_t k = 0; k < columns.size(); ++k) bands.back().push_back(k);
    }

    int page = 0;
    double y = 0;
    std::vector<double> xs;
    auto startPage = [&](const std::vector<size_t>& band) {
        if (page > 0) doc.textIn(QRectF(left, bottom + lineH, room, lineH), QStringLiteral("Page %1").arg(page), body,
                                 Qt::AlignHCenter | Qt::AlignVCenter);
        ++page;
        job.startPage();
        y = top;
        doc.textIn(QRectF(left, y, room, titleH), title, titleFont, Qt::AlignHCenter | Qt::AlignVCenter);
        y += titleH + lineH * 0.5;
        xs.clear();
        double x = left;
        for (size_t c : band) {
            xs.push_back(x);
            doc.textIn(QRectF(x, y, widths[c], lineH), columns[c].header, bold,
                       (columns[c].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            x += widths[c] + gap;
        }
        y += lineH;
        doc.line(y, left, y, right, 4);
        y += lineH * 0.25;
    };
    for (const std::vector<size_t>& band : bands) {
        startPage(band);
        forEachInView(session, area, [&] {
            if (y + lineH > bottom) startPage(band);
            const QStringList cells = row();
            for (size_t k = 0; k < band.size(); ++k) {
                const size_t c = band[k];
                QString text = static_cast<qsizetype>(c) < cells.size() ? cells[static_cast<qsizetype>(c)] : QString();
                if (columns[c].right) text = text.trimmed();
                doc.textIn(QRectF(xs[k], y, widths[c], lineH), text, body,
                           (columns[c].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            }
            y += lineH;
            return true;
        });
    }
    doc.textIn(QRectF(left, bottom + lineH, room, lineH), QStringLiteral("Page %1").arg(page), body,
               Qt::AlignHCenter | Qt::AlignVCenter);
    const int pages = job.pages();
    return job.end() ? pages : 0;
}

}  // namespace mx::tablebrowser
