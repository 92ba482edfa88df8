// The configuration data sheet (see the header).
#include "DataSheet.h"

#include <string>
#include <utility>

#include "Drawing.h"
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
    tk::RowTexts rows{grid};

    // Texts of a row are put left to right and never over each other: long
    // labels, descriptions and the package name would otherwise print over
    // what follows them.
    void put(double row, double col, const QString& s, const QFont& font) { rows.text(row, col, s, font); }
    void label(double row, double col, const QString& s) { put(row, col, s, bold); }
    void value(double row, double col, const QString& s) { put(row, col, s, regular); }
    // A number `width` characters wide starting at `col`, set flush right
    // in that space (as many digit widths as characters).
    void number(double row, double col, const std::string& name, int width) {
        const QString digits = tk::toQ(ds::allTrim(rt::strFunction(assembly.fieldValue(name), width, 0)));
        const double right = col + tk::textColumns(grid, QString(width, QLatin1Char('9')), regular);
        rows.textRight(row, right, digits, regular);
    }
};

// `ASSPHD`: a new page with the package and the firm, the date, the
// configuration's description and a rule. Returns the row below it.
double ASSPHD(Sheet& p, const tk::ReportValues& values) {
    p.grid.job().startPage();
    const double h = p.page.top, left = p.page.margin;
    p.put(h, left, values.package1, p.bold);
    p.put(h, left + 25, values.company, p.large);
    p.put(h, left + 70, values.date, p.regular);
    p.put(h + 2, left, QStringLiteral("Configuration Data Sheet For: "), p.bold);
    p.put(h + 2, left + 25, p.text("DESC"), p.regular);
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

void leftBlock(Sheet& p, double r) {
    const double label = p.page.margin, value = p.page.margin + 14;
    auto row = [&](const char* caption, const QString& text) {
        p.label(r, label, QString::fromLatin1(caption));
        p.value(r, value, text);
        ++r;
    };
    auto numberRow = [&](const char* caption, const char* field) {
        p.label(r, label, QString::fromLatin1(caption));
        p.number(r, value, field, 3);
        ++r;
    };
    row("Code: ", p.text("CODE"));
    row("Description: ", p.text("DESC"));
    row("Type: ", p.text("ASSEMCAT"));
    row("Suite: ", p.text("LIB"));
    row("Wind Rated: ", p.yesNo("WRATED"));
    QString structure = p.text("STYPE");
    if (!p.text("STYPE2").isEmpty()) structure += QStringLiteral(" / ") + p.text("STYPE2");
    row("Structure Type: ", structure);
    row("Section Type: ", p.text("SECTION") + QStringLiteral("/") + p.text("SECTIONA"));
    row("Include W/S: ", p.yesNo("WS"));
    row("Include Depth: ", p.yesNo("LD"));
    row("Include F/S: ", p.yesNo("FS"));
    row("Include S/S: ", p.yesNo("SS"));
    row("Include Reveals: ", p.yesNo("INCR"));
    row("Include C/Bars: ", p.yesNo("CB"));
    row("Include S/Glass: ", p.yesNo("SGLAS"));
    row("Include Louv Glass: ", p.yesNo("LOUVRE"));
    numberRow("Blade Height (mm): ", "BLADEWIDTH");
    numberRow("Sill Width (mm): ", "SILL");
    numberRow("Jamb Width (mm): ", "JAMB");
    numberRow("Reveal Width (mm): ", "REVEAL");
    // The second frame width below the reveal is the head's: the
    // configuration holds it and the sheet shows it nowhere else.
    numberRow("Head Width (mm): ", "HEAD");
}

void rightBlock(Sheet& p, double r) {
    p.label(r, kRightLabel, QStringLiteral("Dimensions: "));
    ++r;
    p.label(r, kMinimum, QStringLiteral("Minimum: "));
    p.label(r, kMaximum, QStringLiteral("Maximum: "));
    p.label(r, kDefault, QStringLiteral("Default: "));
    ++r;
    for (char c : std::string("ABCEFGIJKL")) {
        const std::string l(1, c);
        p.label(r, kRightLabel, QStringLiteral("Include %1: ").arg(QLatin1Char(c)));
        p.value(r, c == 'C' ? kRightFlagC : kRightFlag, p.yesNo("INC" + l));
        p.value(r, kRightDesc, tk::toQ(ds::trimRight(p.assembly.fieldValue(l + "DESC").str())));
        p.number(r, kMinimum, l + "MIN", 6);
        p.number(r, kMaximum, l + "MAX", 6);
        p.number(r, kDefault, l + "DEF", 6);
        ++r;
    }
    ++r;
    p.label(r, kRightLabel, QStringLiteral("Options: "));
    ++r;
    for (char c = 'A'; c <= 'J'; ++c) {
        const std::string l(1, c);
        p.label(r, kRightLabel, QStringLiteral("Option %1: ").arg(QLatin1Char(c)));
        p.value(r, kRightFlag, p.yesNo("L" + l));
        p.value(r, kRightDesc, tk::toQ(ds::trimRight(p.assembly.fieldValue("L" + l + "DESC").str())));
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
        leftBlock(sheet, r);
        rightBlock(sheet, r + 3);
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
