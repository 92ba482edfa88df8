// The configuration list and the line-item report (see the header).
#include "ConfigurationReports.h"

#include <QTime>
#include <string>

#include "AreaCursor.h"
#include "ColumnReport.h"
#include "Dialog.h"
#include "DrawnReport.h"
#include "Error.h"
#include "Expression.h"
#include "Fonts.h"
#include "Guarded.h"
#include "Lookup.h"
#include "PageGrid.h"
#include "PrintJob.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::configurations {

namespace {

using rt::Value;

const QString kNotBoth = QStringLiteral("You must Nominate a Group OR Suite Code (Not Both).");

bool blank(const Value& v) { return ds::trimRight(v.str()).empty(); }

// `bytes` as a literal of the expression language, whatever it holds: in the
// first of the three string delimiters it does not contain, or else spelt
// out with CHR(). The configuration list's filter compares a field with
// what the user typed, which must never be read as part of the expression.
std::string literal(const std::string& bytes) {
    for (auto [open, close] : {std::pair{'"', '"'}, std::pair{'\'', '\''}, std::pair{'[', ']'}})
        if (bytes.find(close) == std::string::npos) return open + bytes + close;
    std::string out;
    for (unsigned char c : bytes) out += (out.empty() ? "" : "+") + std::string("CHR(") + std::to_string(c) + ")";
    return out;
}

// The restriction of `assline` to formula lines.
constexpr const char* kFormulaLines = "!assline->Labour";

// The dialog "Limit Report To:". False when it was cancelled; the buffers
// keep what was typed either way.
bool limitReportTo(ds::DataContext& ctx, Value& grouping, Value& suite) {
    bool saved = false;
    tk::Dialog dlg(QStringLiteral("Limit Report To:"), tk::Box{80, 30, 340, 440});
    auto lookup = [&ctx, &dlg](Value& v, const char* table, const char* key, const char* desc) {
        if (!blank(v))
            ia::LOOKUPW(ctx, v,
                        {.table = table,
                         .keyField = key,
                         .keyTitle = QStringLiteral("Code"),
                         .order = "1",
                         .secondField = desc,
                         .secondTitle = QStringLiteral("Description")});
        dlg.refresh();
        return true;
    };
    dlg.addText({33, 10}, QStringLiteral("Grouping: "));
    dlg.addField({31, 50, 45, 12}, grouping, {.name = QStringLiteral("GROUPING"), .picture = QStringLiteral("@!"), .valid = [&] {
                                                  return lookup(grouping, "assemcat", "assemcat->Code", "assemcat->Desc");
                                              }});
    dlg.addText({46, 10}, QStringLiteral("Or     "));
    dlg.addText({59, 10}, QStringLiteral("Suite:"));
    dlg.addField({57, 50, 45, 12}, suite, {.name = QStringLiteral("SUITE"), .picture = QStringLiteral("@!"), .valid = [&] {
                                               return lookup(suite, "lib", "lib->Code", "lib->Desc");
                                           }});
    dlg.addButton({115, 10, 45, 12}, QStringLiteral("&Save"), [&] {
        saved = true;
        dlg.end();
    });
    dlg.addButton({115, 60, 45, 12}, QStringLiteral("&Cancel"), [&dlg] { dlg.end(); });
    dlg.run();
    return saved;
}

// ---- the line-item report

constexpr double kMargin = 4, kWidth = 90, kPageRows = 67;
constexpr double kLastLineRow = kPageRows - 2;  // a line below this starts a new page
constexpr double kLastRow = kPageRows - 1;      // the row after the last line beyond this: one more page
constexpr double kRulePen = 8;
// The quantity stands a column right of where the layout first had it, so that
// the bold heading "Type" keeps two blanks before "Qty".
constexpr double kStockCode = 4, kDescription = 15, kType = 35, kQuantityRight = 42, kAmount = 45, kAmount2 = 68;

struct LineItemPages {
    tk::PageGrid grid;
    tk::ReportValues values;
    QStringList titles;
    QFont regular = tk::Fonts::printer(QStringLiteral("Arial"), 9);
    QFont bold = tk::Fonts::printer(QStringLiteral("Arial"), 9, true);
    tk::TitleBlockStyle style{.margin = kMargin,
                              .width = kWidth,
                              .company = bold,
                              .title = tk::Fonts::printer(QStringLiteral("Arial"), 16, true),
                              .info = regular,
                              .firstTitleStep = 1.5,
                              .titleStep = 1,
                              .dateFromRight = 22,
                              .afterInfo = 2};
    // The rows' texts never print over or against each other (a quantity of
    // five digits would reach into the type, a long amount into the second
    // one); one that would leave the page wraps inside its column.
    tk::RowTexts rows{grid, kWidth - kMargin};
    double row = 0;
    int page = 1;
};

// `REPTITL1`: a new page with the firm's name, the title lines, the page
// number (counted up) and the date with the time of day.
void REPTITL1(LineItemPages& p, bool showDate, bool showPage) {
    tk::TitleBlockContent content{p.values.company, p.titles, std::nullopt, std::nullopt};
    if (showPage) content.page = p.page++;
    if (showDate) content.date = p.values.date + QStringLiteral(" @ ") + QTime::currentTime().toString(QStringLiteral("HH:mm"));
    p.row = tk::drawTitleBlock(p.grid, p.style, content);
    p.rows.clear();
}

// `REPHD1`: the column headings between two rules.
void REPHD1(LineItemPages& p) {
    tk::ruleAcross(p.grid, p.style, p.row, kRulePen);
    p.row += 1;
    // Laid out as the rows are: the bold "Type" is wider than its column
    // and would otherwise stand against "Qty".
    p.rows.row(p.row, {{kStockCode, QStringLiteral("Stock Code"), p.bold},
                       {kDescription, QStringLiteral("Stock Description"), p.bold},
                       {kType, QStringLiteral("Type"), p.bold},
                       {kQuantityRight, QStringLiteral("Qty"), p.bold, true},
                       {kAmount, QStringLiteral("Amount/Condition"), p.bold},
                       {kAmount2, QStringLiteral("Amount1"), p.bold}});
    p.row += 1;
    tk::ruleAcross(p.grid, p.style, p.row + 0.3, kRulePen);
    p.row += 1;
}

QString trimmedText(const rt::WorkArea& a, const char* field) { return tk::toQ(ds::trimRight(a.fieldValue(field).str())); }

}  // namespace

void REP(ds::DataContext& ctx, const tk::ReportValues& values, const ia::ScreenKeys* screen) {
    rt::Session& s = ctx.session;
    tk::Ui& ui = tk::Ui::instance();
    struct BindBack {
        const ia::ScreenKeys* keys;
        ~BindBack() {
            if (keys) keys->bind();
        }
    } bindBack{screen};
    rt::SelectionGuard selection(s);
    try {
        rt::WorkArea& assembly = s.openArea("ASSEMBLY");
        ia::RestrictionKept restore(assembly, true);

        Value grouping = Value::character(std::string(8, ' '));
        Value suite = Value::character(std::string(10, ' '));
        for (;;) {
            if (!limitReportTo(ctx, grouping, suite)) return;
            if (blank(grouping) || blank(suite)) break;
            ui.alert(kNotBoth);
        }

        s.select(assembly);
        QString second;
        if (!blank(suite)) {
            assembly.setFilter("LIB == " + literal(suite.str()));
            second = QStringLiteral("For Suite Code ") + tk::toQ(ds::trimRight(suite.str()));
        } else if (!blank(grouping)) {
            assembly.setFilter("ASSEMCAT == " + literal(grouping.str()));
            second = QStringLiteral("For Configuration Grouping Code ") + tk::toQ(ds::trimRight(grouping.str()));
        } else {
            assembly.setFilter("");
        }
        assembly.goTop();

        const bool preview = ui.noYes(QStringLiteral("Preview Report on Screen"));
        tk::ColumnReport report(QStringLiteral("Configuration List"), preview);
        report.addHeaderLine([second] { return second; });
        report.addHeaderLine([&report] { return QStringLiteral("Page: ") + QString::number(report.page()); });
        report.addFooterLine([values] { return values.package1 + QStringLiteral("  -  ") + values.date; });
        report.addFooterLine([] { return QString(); });
        // Each column as wide as its widest text, so no code or type is cut.
        for (const auto& [header, field] : {std::pair{"Code", "CODE"}, std::pair{"Description", "DESC"},
                                            std::pair{"Suite", "LIB"}, std::pair{"Type", "ASSEMCAT"}})
            report.addColumn(QString::fromLatin1(header), 0,
                             [&assembly, field] { return trimmedText(assembly, field); });
        report.addColumn(QStringLiteral("W/R"), 0, [&assembly] {
            const Value v = assembly.fieldValue("WRATED");
            return v.isTrue() ? QStringLiteral("Y") : QStringLiteral(" ");
        });
        tk::AreaCursor rows(s, assembly);
        rows.top();
        report.run(rows);
    } catch (const rt::DbError& e) {
        ui.alert(QStringLiteral("Unable to print the configuration list. ") + tk::toQ(e.what()));
    }
}

int REP1(ds::DataContext& ctx, const tk::ReportValues& values) {
    rt::Session& s = ctx.session;
    tk::Ui& ui = tk::Ui::instance();
    rt::SelectionGuard selection(s, true);
    std::optional<tk::PrintJob> job;
    try {
        const rt::WorkArea& assembly = s.openArea("ASSEMBLY");
        const Value code = assembly.fieldValue("CODE");
        const std::string wanted = ds::trimRight(code.str());
        rt::WorkArea& assline = s.openArea("ASSLINE");
        ia::RestrictionKept restore(assline, true);
        // The report lists the formula lines, from the Labour screen too:
        // there is no labour listing.
        assline.setFilter(kFormulaLines);

        job.emplace(tk::PrintOptions{.document = QStringLiteral("Assembly Line Item Report"),
                                     .askPrinter = true,
                                     .preview = values.preview});
        if (!job->ok()) return 0;
        LineItemPages p{tk::PageGrid(*job, kWidth, kPageRows), values,
                        QStringList{QStringLiteral("Assembly Line Linetems for Assembly ") + tk::toQ(wanted), QString()}};

        s.select(assline);
        assline.seek(code, false);
        REPTITL1(p, true, true);
        REPHD1(p);
        for (; !assline.eof() && ds::trimRight(assline.fieldValue("ASSCODE").str()) == wanted; assline.skip()) {
            if (p.row > kLastLineRow) {
                job->endPage();
                REPTITL1(p, true, true);
                REPHD1(p);
            }
            const QString quantity = tk::toQ(ds::allTrim(rt::strFunction(assline.fieldValue("QTY"), 8, 2)));
            p.row += p.rows.row(
                p.row, {{kStockCode, trimmedText(assline, "STKCODE"), p.regular},
                        {kDescription, tk::toQ(ds::trimRight(assline.fieldValue("DESC").str().substr(0, 20))), p.regular},
                        {kType, trimmedText(assline, "TYPE"), p.regular},
                        {kQuantityRight, quantity, p.regular, true, false},
                        {kAmount, trimmedText(assline, "AMOUNT"), p.regular},
                        {kAmount2, trimmedText(assline, "AMOUNT2"), p.regular}});
            const QString condition = trimmedText(assline, "CONDITION");
            if (!condition.isEmpty()) p.row += p.rows.row(p.row, {{kAmount, condition, p.regular}});
        }
        p.row += 1;
        if (p.row > kLastRow) {
            job->endPage();
            REPTITL1(p, true, true);
            REPHD1(p);
        }
        job->endPage();
        const int pages = job->pages();
        return job->end() ? pages : 0;
    } catch (const rt::DbError& e) {
        // The report ends where it stands; what is drawn is delivered.
        ui.alert(QStringLiteral("Unable to print the line-item report. ") + tk::toQ(e.what()));
        if (job && job->ok() && job->pages() > 0) {
            const int pages = job->pages();
            return job->end() ? pages : 0;
        }
        return 0;
    }
}

}  // namespace mx::configurations
