// The configuration data sheet (see the header).
#include "DataSheet.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>
#include <utility>

#include "Drawing.h"
#include "DrawnReport.h"
#include "Error.h"
#include "Expression.h"
#include "Fonts.h"
#include "Opening.h"
#include "PageGrid.h"
#include "PrintJob.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"
#include "WaitCursor.h"

namespace mx::configurations {

namespace {

using rt::Value;

// The page settings: `quotdata`'s current record.
struct PageSettings {
    double top = 0;     // TOP2: row of the page header
    double margin = 0;  // LMARGIN: left margin in columns
    double width = 0;   // WIDTH: columns across the page
    double length = 0;  // PAGELEN: rows down the page
};

// Column of the right block (not offset by the margin).
constexpr double kRightLabel = 25, kRightFlag = 33.3, kRightFlagC = 33.25, kRightDesc = 36;
constexpr double kMinimum = 45, kMaximum = 54, kDefault = 63;
// Pen of the header's rule; the drawing's lines are one device unit wide.
constexpr double kRulePen = 8;

struct Sheet {
    tk::PageGrid grid;
    PageSettings page;
    const rt::WorkArea& assembly;
    QFont regular = tk::Fonts::printer(QStringLiteral("Arial"), 11);
    QFont bold = tk::Fonts::printer(QStringLiteral("Arial"), 11, true);
    QFont large = tk::Fonts::printer(QStringLiteral("Arial"), 16, true);

    Value field(const char* name) const { return assembly.fieldValue(name); }
    QString text(const char* name) const { return tk::toQ(ds::trimRight(field(name).str())); }
    QString yesNo(const std::string& name) const {
        const Value v = assembly.fieldValue(name);
        return v.isTrue() ? QStringLiteral("Yes") : QStringLiteral("No");
    }
    // The page's right edge, as far in from it as the margin is.
    tk::RowTexts rows{grid, page.width - page.margin};

    // The blocks' texts by row, laid out row by row once all are known: a
    // row whose value wraps takes the rows below it and pushes the rest of
    // the sheet down, both blocks alike.
    std::map<double, std::vector<tk::RowCell>> cells{};

    void label(double row, double col, const QString& s) { cells[row].push_back({col, s, bold, false, false}); }
    void value(double row, double col, const QString& s) { cells[row].push_back({col, s, regular, false, true}); }
    // A number `width` characters wide starting at `col`, set flush right
    // in that space (as many digit widths as characters).
    // Returns the column where it ends.
    double number(double row, double col, const std::string& name, int width) {
        const QString digits = tk::toQ(ds::allTrim(rt::strFunction(assembly.fieldValue(name), width, 0)));
        const double right = col + tk::textColumns(grid, QString(width, QLatin1Char('9')), regular);
        cells[row].push_back({right, digits, regular, true, false});
        return right;
    }
    // A text's width in columns without its trailing blanks, and the two
    // blanks that stand between texts.
    double ink(const QString& s, const QFont& font) const { return tk::textColumns(grid, s.trimmed(), font); }
    double gap(const QFont& font) const { return tk::textColumns(grid, QStringLiteral("  "), font); }
    // Prints the collected rows top to bottom.
    void layOut() {
        double shift = 0;
        // Each row's cells are in reading order: the left block's first.
        for (const auto& [row, list] : cells) shift += rows.row(row + shift, list) - 1;
        cells.clear();
    }
};

// `ASSPHD`: a new page with the package and the firm, the date, the
// configuration's description and a rule. Returns the row below it.
double ASSPHD(Sheet& p, const tk::ReportValues& values) {
    p.grid.job().startPage();
    const double h = p.page.top, left = p.page.margin;
    p.rows.row(h, {{left, values.package1, p.bold},
                   {left + 25, values.company, p.large},
                   {left + 70, values.date, p.regular, false, false}});
    p.rows.row(h + 2, {{left, QStringLiteral("Configuration Data Sheet For: "), p.bold, false, false},
                       {left + 25, p.text("DESC"), p.regular}});
    p.grid.horizontal(h + 3.5, left, p.page.width - p.page.margin, kRulePen);
    return p.page.top + 8;
}

// `CQDRAWP1`: the drawing of the configuration's elements, painted from
// device units into the job's pixels. Returns why it stopped early, if it did.
std::optional<DrawingFailure> CQDRAWP1(Sheet& p, rt::Session& session, rt::WorkArea& assembly, rt::WorkArea& assdraw) {
    tk::WaitCursor busy;
    const Drawing drawing = drawConfiguration(session, assembly, assdraw);
    tk::PrintJob& job = p.grid.job();
    const double inset = tk::PageGrid::kUnprintableInches * job.resolution();
    const double unit = job.resolution() / kDrawingDotsPerInch;
    for (const Segment& s : drawing.segments)
        job.line(inset + s.y1 * unit, inset + s.x1 * unit, inset + s.y2 * unit, inset + s.x2 * unit, unit);
    return drawing.failure;
}

// The left block: its values stand in one column, moved right as far as
// its widest caption needs. Returns, by row, the column where its texts end.
std::map<double, double> leftBlock(Sheet& p, double r) {
    const std::vector<std::pair<const char*, QString>> rows = [&p] {
        QString structure = p.text("STYPE");
        if (!p.text("STYPE2").isEmpty()) structure += QStringLiteral(" / ") + p.text("STYPE2");
        // A second section is printed after a "/" only when there is one.
        QString section = p.text("SECTION");
        if (!p.text("SECTIONA").isEmpty()) section += QStringLiteral("/") + p.text("SECTIONA");
        return std::vector<std::pair<const char*, QString>>{
            {"Code: ", p.text("CODE")},
            {"Description: ", p.text("DESC")},
            {"Type: ", p.text("ASSEMCAT")},
            {"Suite: ", p.text("LIB")},
            {"Wind Rated: ", p.yesNo("WRATED")},
            {"Structure Type: ", structure},
            {"Section Type: ", section},
            {"Include W/S: ", p.yesNo("WS")},
            {"Include Depth: ", p.yesNo("LD")},
            {"Include F/S: ", p.yesNo("FS")},
            {"Include S/S: ", p.yesNo("SS")},
            {"Include Reveals: ", p.yesNo("INCR")},
            {"Include C/Bars: ", p.yesNo("CB")},
            {"Include S/Glass: ", p.yesNo("SGLAS")},
            {"Include Louv Glass: ", p.yesNo("LOUVRE")},
        };
    }();
    // Numbers three wide; the second frame width below the reveal is the
    // head's: the configuration holds it and the sheet shows it nowhere else.
    const std::vector<std::pair<const char*, const char*>> numbers = {{"Blade Height (mm): ", "BLADEWIDTH"},
                                                                      {"Sill Width (mm): ", "SILL"},
                                                                      {"Jamb Width (mm): ", "JAMB"},
                                                                      {"Reveal Width (mm): ", "REVEAL"},
                                                                      {"Head Width (mm): ", "HEAD"}};
    const double label = p.page.margin;
    double value = p.page.margin + 14;
    for (const auto& [caption, text] : rows) value = std::max(value, label + p.ink(caption, p.bold) + p.gap(p.regular));
    for (const auto& [caption, field] : numbers) value = std::max(value, label + p.ink(caption, p.bold) + p.gap(p.regular));

    std::map<double, double> ends;
    for (const auto& [caption, text] : rows) {
        p.label(r, label, QString::fromLatin1(caption));
        p.value(r, value, text);
        ends[r] = text.isEmpty() ? label + p.ink(QString::fromLatin1(caption), p.bold) : value + p.ink(text, p.regular);
        ++r;
    }
    for (const auto& [caption, field] : numbers) {
        p.label(r, label, QString::fromLatin1(caption));
        ends[r] = p.number(r, value, field, 3);
        ++r;
    }
    return ends;
}

// The right block: its columns keep their distances, all moved right as far
// as the left block's texts beside it need (never past the page's edge), so
// the block reads in straight columns; its flags and descriptions move
// further when the captions need it. A row the move is not enough for is
// pushed right from its left-block text on, that row alone.
void rightBlock(Sheet& p, double r, const std::map<double, double>& leftEnds) {
    const QString letters = QStringLiteral("ABCEFGIJKL");
    std::vector<QString> captions;
    for (QChar c : letters) captions.push_back(QStringLiteral("Include %1: ").arg(c));
    for (char c = 'A'; c <= 'J'; ++c) captions.push_back(QStringLiteral("Option %1: ").arg(QLatin1Char(c)));

    const double rows = 2 + 10 + 2 + 10;
    double shift = 0;
    for (const auto& [row, end] : leftEnds)
        if (row >= r && row < r + rows) shift = std::max(shift, end + p.gap(p.bold) - kRightLabel);
    const double numberWidth = p.ink(QStringLiteral("999999"), p.regular);
    shift = std::clamp(shift, 0.0, std::max(0.0, p.page.width - p.page.margin - (kDefault + numberWidth)));

    const double label = kRightLabel + shift;
    double flag = kRightFlag + shift;
    for (const QString& c : captions) flag = std::max(flag, label + p.ink(c, p.bold) + p.gap(p.regular));
    const double flagC = flag + (kRightFlagC - kRightFlag);
    const double desc = std::max(kRightDesc + shift, flag + p.ink(QStringLiteral("Yes"), p.regular) + p.gap(p.regular));
    const double minimum = kMinimum + shift, maximum = kMaximum + shift, deflt = kDefault + shift;

    p.label(r, label, QStringLiteral("Dimensions: "));
    ++r;
    p.label(r, minimum, QStringLiteral("Minimum: "));
    p.label(r, maximum, QStringLiteral("Maximum: "));
    p.label(r, deflt, QStringLiteral("Default: "));
    ++r;
    for (qsizetype i = 0; i < letters.size(); ++i) {
        const char c = letters[i].toLatin1();
        const std::string l(1, c);
        p.label(r, label, captions[static_cast<size_t>(i)]);
        p.value(r, c == 'C' ? flagC : flag, p.yesNo("INC" + l));
        p.value(r, desc, tk::toQ(ds::trimRight(p.assembly.fieldValue(l + "DESC").str())));
        p.number(r, minimum, l + "MIN", 6);
        p.number(r, maximum, l + "MAX", 6);
        p.number(r, deflt, l + "DEF", 6);
        ++r;
    }
    ++r;
    p.label(r, label, QStringLiteral("Options: "));
    ++r;
    for (char c = 'A'; c <= 'J'; ++c) {
        const std::string l(1, c);
        p.label(r, label, captions[static_cast<size_t>(letters.size() + (c - 'A'))]);
        p.value(r, flag, p.yesNo("L" + l));
        p.value(r, desc, tk::toQ(ds::trimRight(p.assembly.fieldValue("L" + l + "DESC").str())));
        ++r;
    }
}

QString failureMessage(const std::string& code, const DrawingFailure& f) {
    return QStringLiteral("Unable to draw configuration %1.\nDrawing element: assdraw record %2, %3 \"%4\".\nCause: %5.")
        .arg(tk::toQ(code), QString::number(f.recno), tk::toQ(f.field), tk::toQ(f.text), tk::toQ(f.why));
}

}  // namespace

void ASSPRINT(ds::DataContext& ctx, const tk::ReportValues& values) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    tk::Ui& ui = tk::Ui::instance();
    std::optional<tk::PrintJob> job;
    std::string code;
    try {
        if (!ds::OPNALIAS(ctx, "quotdata", false, true)) return;
        const rt::WorkArea& quotdata = s.openArea("QUOTDATA");
        const PageSettings page{quotdata.fieldValue("TOP2").num(), quotdata.fieldValue("LMARGIN").num(),
                                quotdata.fieldValue("WIDTH").num(), quotdata.fieldValue("PAGELEN").num()};
        if (page.width <= 0 || page.length <= 0) {
            ui.alert(QStringLiteral("Unable to print the data sheet: the page settings in quotdata give no page "
                                    "width or no page length."));
            return;
        }
        rt::WorkArea& assembly = s.openArea("ASSEMBLY");
        if (assembly.eof()) return;
        code = ds::trimRight(assembly.fieldValue("CODE").str());
        if (!s.area("ASSDRAW") && !ds::OPNALIAS(ctx, "assdraw", false, true)) return;
        rt::WorkArea& assdraw = s.openArea("ASSDRAW");

        job.emplace(tk::PrintOptions{.document = QStringLiteral("Configuration Information Sheet."),
                                     .askPrinter = true,
                                     .preview = values.preview});
        if (!job->ok()) return;
        tk::WaitCursor busy;
        Sheet sheet{tk::PageGrid(*job, page.width, page.length), page, assembly};
        s.select(assembly);
        ASSPHD(sheet, values);
        if (const std::optional<DrawingFailure> failure = CQDRAWP1(sheet, s, assembly, assdraw)) {
            ui.alert(failureMessage(code, *failure));
            job->end();
            return;
        }
        const double r = page.top + 23;
        const std::map<double, double> leftEnds = leftBlock(sheet, r);
        rightBlock(sheet, r + 3, leftEnds);
        sheet.layOut();
        job->endPage();
        job->end();
    } catch (const rt::DbError& e) {
        // The printout ends where it stands; what is drawn is delivered.
        ui.alert(QStringLiteral("Unable to print the data sheet of configuration %1. %2")
                     .arg(tk::toQ(code), tk::toQ(e.what())));
        if (job && job->ok() && job->pages() > 0) job->end();
    }
}

}  // namespace mx::configurations
