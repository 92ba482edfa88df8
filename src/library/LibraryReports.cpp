#include "LibraryReports.h"

#include "RecordKept.h"

#include <QFontMetricsF>
#include <cstdio>
#include <optional>

#include "AreaCursor.h"
#include "Catalogue.h"
#include "ColumnReport.h"
#include "Dialog.h"
#include "DrawnReport.h"
#include "Error.h"
#include "Fonts.h"
#include "IndexRebuild.h"
#include "LibraryCodes.h"
#include "Opening.h"
#include "PageGrid.h"
#include "RecordServices.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"
#include "WaitCursor.h"
#include "WorkstationTags.h"

namespace mx::lib {

namespace {

using rt::Value;

QString twoWide(const Value& v) { return QString::fromStdString(ds::fixedText(v.isNumeric() ? v.num() : 0.0, 2, 0)); }

// Sets `field` to `value` on every record of `area` (deleted ones included)
// that does not hold it yet, each under its own lock (wait 2); a record that
// cannot be locked keeps its value. The area's record is kept.
void setEverywhere(ds::DataContext& ctx, rt::WorkArea& area, const std::string& field, bool value) {
    rt::SelectionGuard selection(ctx.session, true);
    ctx.session.select(area);
    const int index = area.fieldIndex(field);
    if (index < 0) return;
    const std::uint32_t count = area.recordCount();
    for (std::uint32_t r = 1; r <= count; ++r) {
        area.goTo(r);
        if (area.fieldValue(index).isTrue() == value || !ds::RECLOCK(ctx, 2)) continue;
        area.setField(index, Value::logical(value));
        area.unlock();
    }
}

// ---- the drawn report of library users

constexpr double kWidth = 85;     // columns across the page
constexpr double kPageRows = 65;  // rows down the page, each stretched:
constexpr double kRowStretch = 1.2;
constexpr double kMargin = 2;
constexpr double kCompanyColumn = 17;
constexpr double kCellLeft = 16, kCellRight = 56, kRight = 83;
constexpr int kUsersPerPage = 39;
// The last row of the page's grid a customer's row may reach.
constexpr double kLastRow = kPageRows / kRowStretch;
constexpr double kThin = 4, kThick = 10;

struct UsersPage {
    tk::PageGrid grid;
    ReportValues values;
    double row = 0;
    int page = 0;
    QFont bold11 = tk::Fonts::printer(QStringLiteral("Arial"), 11, true);
    QFont regular11 = tk::Fonts::printer(QStringLiteral("Arial"), 11);
    QFont bold9 = tk::Fonts::printer(QStringLiteral("Arial"), 9, true);
    tk::TitleBlockStyle style{.margin = kMargin,
                              .width = kWidth,
                              .company = bold11,
                              .title = bold11,
                              .info = regular11,
                              .firstTitleStep = 1,
                              .titleStep = 1,
                              .dateFromRight = 20,
                              .afterInfo = 1.5};

    void verticalRules(double top, double bottom) {
        grid.vertical(kMargin, top, bottom, kThick);
        grid.vertical(kCellLeft, top, bottom, kThin);
        grid.vertical(kCellRight, top, bottom, kThin);
        grid.vertical(kRight, top, bottom, kThick);
    }
};

// The title block: a new page with the firm's name, the heading lines
// centred by their length, the page number and the date.
void REPTL(UsersPage& p, const QStringList& headings, bool showDate, bool showPage) {
    tk::TitleBlockContent content{p.values.company, headings, std::nullopt, std::nullopt};
    if (showPage) content.page = p.page;
    if (showDate) content.date = p.values.date;
    p.row = tk::drawTitleBlock(p.grid, p.style, content);
}

// The column heading block: "Customer" boxed between thick rules.
void REPHD(UsersPage& p) {
    tk::ruleAcross(p.grid, p.style, p.row, kThick);
    const double top = p.row;
    p.grid.text(p.row + 0.2, kCompanyColumn, QStringLiteral("Customer"), p.bold9);
    p.row += 1.5;
    p.verticalRules(top, p.row);
    tk::ruleAcross(p.grid, p.style, p.row, kThick);
}

}  // namespace

void REP(ds::DataContext& ctx, const ReportValues& values) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    rt::WorkArea& lib = s.openArea("LIB");
    s.select(lib);
    const rt::RecordKept back(lib);
    lib.goTop();

    const bool preview = tk::Ui::instance().noYes(QStringLiteral("Preview Report on Screen"));
    tk::ColumnReport report(QStringLiteral("Library / Suite Report"), preview);
    report.addHeaderLine([&report] { return QStringLiteral("Page: ") + QString::number(report.page()); });
    report.addFooterLine([values] { return values.package1 + QStringLiteral("  -  ") + values.date; });
    report.addFooterLine([] { return QString(); });
    const auto width = [&lib](const char* field) {
        const int i = lib.fieldIndex(field);
        return i < 0 ? 0 : static_cast<int>(lib.field(i).length);
    };
    report.addColumn(QStringLiteral("Code"), width("CODE"), [&lib] { return tk::toQ(lib.fieldValue("CODE").str()); });
    report.addColumn(QStringLiteral("Description"), width("DESC"),
                     [&lib] { return tk::toQ(lib.fieldValue("DESC").str()); });
    report.addColumn(QStringLiteral("Tag"), 3,
                     [&lib] { return lib.fieldValue("TAG").isTrue() ? QStringLiteral("Y") : QStringLiteral(" "); });
    report.addColumn(QStringLiteral("Number"), 0, [&lib] { return twoWide(lib.fieldValue("SERIAL")); }, Qt::AlignRight);
    report.addColumn(QStringLiteral("Man Tol"), 0, [&lib] { return twoWide(lib.fieldValue("MAXADJUST")); },
                     Qt::AlignRight);
    tk::AreaCursor rows(s, lib);
    rows.top();
    report.run(rows);
}

bool markLibraryUsers(ds::DataContext& ctx, int ws, const std::string& code) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    rt::WorkArea& mitrex = s.openArea("MITREX");
    rt::WorkArea& lib = s.openArea("LIB");
    mitrex.goTop();
    if (mitrex.eof()) return true;

    // Each customer's turn clears the workstation's tags and decodes the
    // customer's suite code into them; what stays is the last customer's
    // decode, so that is the one made. Without a scratch table the search
    // stops before the first customer is marked.
    const std::string field = tagFieldName(ws);
    if (!field.empty()) setEverywhere(ctx, lib, field, false);
    mitrex.goBottom();
    if (!tagBySuiteCode(ctx, ws, mitrex.fieldValue("LIBCODE1").str())) return false;

    // Which customers the decode names is decided from their suite codes
    // against the library in the order the decode searches it.
    s.select(lib);
    const std::uint32_t wanted = lib.seek(Value::character(code), false) ? lib.recno() : 0;
    SuiteEntryIndex entries;
    for (lib.goTop(); !lib.eof(); lib.skip())
        entries.add(lib.fieldValue("GROUP").num(), lib.fieldValue("NUMBER").num(), lib.recno());
    if (wanted == 0) return true;

    s.select(mitrex);
    for (mitrex.goTop(); !mitrex.eof(); mitrex.skip()) {
        if (entries.names(mitrex.fieldValue("LIBCODE1").str(), wanted) && ds::RECLOCK(ctx, 2)) {
            mitrex.setField("TAG", Value::logical(true));
            mitrex.unlock();
        }
    }
    return true;
}

int REP1(ds::DataContext& ctx, const std::string& code, const ReportValues& values) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    tk::WaitCursor busy;
    tk::PrintJob job({.document = QStringLiteral("Library Users"), .askPrinter = true, .preview = true});
    if (!job.ok()) return 0;
    UsersPage p{tk::PageGrid(job, kWidth, kPageRows, kRowStretch), values};
    const QStringList headings{QStringLiteral("Library Users For ") + tk::toQ(code)};
    try {
        rt::WorkArea& mitrex = s.openArea("MITREX");
        s.select(mitrex);
        rt::SelectionGuard keepRecord(s, true);
        if (mitrex.orderCount() > 0) mitrex.setOrder(1);
        int onPage = kUsersPerPage;  // full: the first customer starts page 1
        double lastTop = 0;
        // The next page with its title block and headings, the page before
        // it closed with its column rules.
        auto newPage = [&] {
            if (p.page > 0) {
                p.verticalRules(lastTop, p.row);
                job.endPage();
            }
            ++p.page;
            REPTL(p, headings, true, true);
            REPHD(p);
            onPage = 0;
        };
        for (mitrex.goTop(); !mitrex.eof(); mitrex.skip()) {
            if (onPage == kUsersPerPage) newPage();
            // A name wider than its cell wraps inside it, the row growing.
            const QStringList lines = tk::wrapText(tk::toQ(ds::trimRight(mitrex.fieldValue("COMPANY").str())),
                                                   QFontMetricsF(p.regular11, tk::printMetrics()),
                                                   (kCellRight - kCompanyColumn - 0.5) * p.grid.columnUnit());
            const double extra = static_cast<double>(lines.size() - 1);
            if (onPage > 0 && p.row + 1.2 + extra > kLastRow) newPage();
            const double top = p.row;
            for (qsizetype l = 0; l < lines.size(); ++l)
                p.grid.text(top + 0.2 + static_cast<double>(l), kCompanyColumn, lines[l], p.regular11);
            p.row = top + 1.2 + extra;
            p.verticalRules(top, p.row);
            tk::ruleAcross(p.grid, p.style, p.row, kThin);
            lastTop = top;
            ++onPage;
        }
        if (p.page > 0) tk::ruleAcross(p.grid, p.style, p.row, kThick);
    } catch (const rt::DbError&) {
        // The report ends where it stands; what is drawn is delivered.
    }
    if (p.page == 0) return 0;
    job.endPage();
    const int pages = job.pages();
    return job.end() ? pages : 0;
}

void SHOWLIB1(ds::DataContext& ctx, int ws, const std::string& code, const ReportValues& values) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s, true);
    const bool wasOpen = s.area("MITREX") != nullptr;
    // A register that is busy or missing ends the search quietly; a damaged
    // one is explained, naming the file and what is wrong with it.
    auto explain = [&ctx](const rt::DbError& e) {
        if (e.kind() == rt::ErrorKind::Corrupt || e.kind() == rt::ErrorKind::Io)
            ctx.sink.alert(std::string("Unable to list the library users. ") + e.what());
    };
    try {
        bool completed = false;
        {
            tk::WaitCursor busy;
            std::optional<rt::DbError> why;
            if (!ds::OPNDBF(ctx, "mitrex", false, {}, {}, &why)) {
                if (why) explain(*why);
                return;
            }
            rt::WorkArea& mitrex = s.openArea("MITREX");
            // A register open on another workstation keeps its files current:
            // they are shared, not rebuilt under it.
            ds::openSharedOrderList(ctx, mitrex, {{ds::kCustomerKeyIndex, ds::kCustomerKeyField}, {"mxcust", "company"}});
            completed = markLibraryUsers(ctx, ws, code);
        }
        rt::WorkArea& mitrex = s.openArea("MITREX");
        if (completed) {
            s.select(mitrex);
            mitrex.setFilter("TAG");
            mitrex.goTop();

            tk::Dialog dlg(QStringLiteral("Library Users For ") + tk::toQ(code), tk::Box{40, 40, 525, 690});
            tk::Browse* users = dlg.addBrowse({10, 10, 307.5, 212.5}, s, mitrex, {{QStringLiteral("Company"), 230}},
                                              [&mitrex] { return std::vector<Value>{mitrex.fieldValue("COMPANY")}; });
            dlg.addButton({227.5, 10, 45, 12}, QStringLiteral("&OK"), [&dlg] { dlg.end(); });
            dlg.addButton({227.5, 60, 45, 12}, QStringLiteral("&Report"), [&] {
                REP1(ctx, code, values);
                users->refresh();
            });
            dlg.run();

            // Every mark goes, those set before the search as well.
            mitrex.setFilter("");
            setEverywhere(ctx, mitrex, "TAG", false);
        }
        if (!wasOpen) s.close("MITREX");
    } catch (const rt::DbError& e) {
        explain(e);
        if (!wasOpen && s.area("MITREX")) {
            try {
                s.close("MITREX");
            } catch (const rt::DbError&) {
            }
        }
    }
}

LibraryLinks reportLinks(ds::DataContext& ctx, int ws, const ReportValues& values) {
    LibraryLinks links;
    links.report = [&ctx, values] { REP(ctx, values); };
    links.customers = [&ctx, ws, values](const std::string& code) { SHOWLIB1(ctx, ws, code, values); };
    return links;
}

}  // namespace mx::lib
