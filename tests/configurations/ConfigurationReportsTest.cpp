// The configuration list played through its dialog "Limit Report To:" (no
// limit, a suite, a grouping, both), and the line-item report read back
// from its PDF: the blocks of an empty report, a condition's own row, the
// page breaks, and `assline` left as the Formulae screen had it.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <filesystem>

#include "ConfigurationReports.h"
#include "DataSet.h"
#include "LargeDataSet.h"
#include "PdfContent.h"
#include "PdfText.h"
#include "ReportsHarness.h"

namespace mx::configurations::test {
namespace {

using mx::test::PdfWord;

Row configuration(const char* code, const char* desc, const char* lib, const char* type, bool windRated) {
    return {{"CODE", C(code)}, {"DESC", C(desc)}, {"LIB", C(lib)}, {"ASSEMCAT", C(type)}, {"WRATED", L(windRated)}};
}

// The body rows of the configuration list: lines that start with a code.
QStringList listed(const QString& text) {
    QStringList out;
    for (const QString& l : text.split('\n'))
        if (QRegularExpression(QStringLiteral("^\\s*(Code|RS|CM|Q)")).match(l).hasMatch()) out << l.simplified();
    return out;
}

class ConfigurationListTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("assemcat", {{{"CODE", C("SLIDER")}, {"DESC", C("SLIDING WINDOWS")}},
                              {{"CODE", C("FIXED")}, {"DESC", C("FIXED LIGHTS")}}});
        h.append("lib", {{{"CODE", C("RS450")}, {"DESC", C("RESIDENTIAL 450")}},
                         {{"CODE", C("CM300")}, {"DESC", C("COMMERCIAL 300")}},
                         {{"CODE", C("Q\"'[]")}, {"DESC", C("QUOTES")}}});
        h.append("assembly", {configuration("RS450-SW3", "SLIDING WINDOW 3 PANEL", "RS450", "SLIDER", true),
                              configuration("CM300-FX1", "COMMERCIAL FIXED", "CM300", "FIXED", false),
                              configuration("RS450-SW2", "SLIDING WINDOW 2 PANEL", "RS450", "SLIDER", false),
                              configuration("RS450-FX1", "FIXED LIGHT", "RS450", "FIXED", true),
                              configuration("QUOTED", "A SUITE WITH QUOTES", "Q\"'[]", "FIXED", false)});
    }
    void play(const std::string& script) {
        ASSERT_EQ(h.run(
                      [this] {
                          h.openAsScreen("RS450-SW2");
                          REP(h.ctx, h.values);
                          rt::WorkArea& a = h.session.openArea("ASSEMBLY");
                          after = {a.fieldValue("CODE").str().substr(0, 9), a.filterText(),
                                   h.session.selected()->alias()};
                      },
                      script),
                  0)
            << h.joined();
    }
    QString text(int nth = 0) { return mx::test::pdfText(h.printed("Configuration List", nth)); }

    ReportsHarness h;
    std::vector<std::string> after;
};

TEST_F(ConfigurationListTest, NeitherLimitListsEveryConfigurationUnderAnEmptySecondTitleLine) {
    play("answer no\npress Save\n");
    EXPECT_TRUE(h.has("open \"Limit Report To:\"")) << h.joined();
    EXPECT_TRUE(h.has("yesno \"Preview Report on Screen\" no")) << h.joined();
    EXPECT_TRUE(h.hasPrefix("print \"Configuration List\" printer 001-Configuration_List.pdf pages=1")) << h.joined();
    const QString t = text();
    const QStringList lines = t.split('\n');
    ASSERT_GE(lines.size(), 3);
    // Title, the empty second line, then the page heading.
    QStringList head;
    for (const QString& l : lines)
        if (head.size() < 3 && (!head.isEmpty() || !l.trimmed().isEmpty())) head << l.trimmed();
    EXPECT_EQ(head, (QStringList{"Configuration List", "", "Page: 1"})) << t.toStdString();
    EXPECT_EQ(listed(t), (QStringList{"Code Description Suite Type W/R", "CM300-FX1 COMMERCIAL FIXED CM300 FIXED",
                                      "QUOTED A SUITE WITH QUOTES Q\"'[] FIXED", "RS450-FX1 FIXED LIGHT RS450 FIXED Y",
                                      "RS450-SW2 SLIDING WINDOW 2 PANEL RS450 SLIDER",
                                      "RS450-SW3 SLIDING WINDOW 3 PANEL RS450 SLIDER Y"}))
        << t.toStdString();
    EXPECT_TRUE(t.simplified().contains("Mitrex Development from Tallowood Systems - 08/12/26"));
    EXPECT_EQ(after, (std::vector<std::string>{"RS450-SW2", "", "ASSEMBLY"}));
}

TEST_F(ConfigurationListTest, ASuiteOrAGroupingLimitsTheListAndNamesItself) {
    play("set SUITE rs450\nanswer yes\npress Save\n"
         "menu Run\nset GROUPING fixed\nanswer no\npress Save\n"
         "menu Run\nset SUITE \"Q\\\"'[]\"\nanswer no\npress Save\n");
    EXPECT_TRUE(h.hasPrefix("print \"Configuration List\" preview 001-")) << h.joined();
    const QString suite = text(0), grouping = text(1), quotes = text(2);
    EXPECT_TRUE(suite.contains("For Suite Code RS450")) << suite.toStdString();
    EXPECT_EQ(listed(suite), (QStringList{"Code Description Suite Type W/R", "RS450-FX1 FIXED LIGHT RS450 FIXED Y",
                                          "RS450-SW2 SLIDING WINDOW 2 PANEL RS450 SLIDER",
                                          "RS450-SW3 SLIDING WINDOW 3 PANEL RS450 SLIDER Y"}));
    EXPECT_TRUE(grouping.contains("For Configuration Grouping Code FIXED")) << grouping.toStdString();
    EXPECT_EQ(listed(grouping), (QStringList{"Code Description Suite Type W/R", "CM300-FX1 COMMERCIAL FIXED CM300 FIXED",
                                             "QUOTED A SUITE WITH QUOTES Q\"'[] FIXED",
                                             "RS450-FX1 FIXED LIGHT RS450 FIXED Y"}));
    // A code holding every quote of the expression language is compared as
    // typed, never read as part of the filter.
    EXPECT_EQ(listed(quotes), (QStringList{"Code Description Suite Type W/R", "QUOTED A SUITE WITH QUOTES Q\"'[] FIXED"}))
        << quotes.toStdString() << h.joined();
    EXPECT_EQ(after, (std::vector<std::string>{"RS450-SW2", "", "ASSEMBLY"})) << "filter cleared, record back";
}

// The list of the demo data set and of a large one: every code, type, suite
// and description whole on the rendered page, under no clip, none over
// another or off the page.
TEST(ConfigurationListPrintout, EveryCodeAndTypeOfTheDemoAndALargeDataSetIsPrintedWhole) {
    for (const bool large : {false, true}) {
        SCOPED_TRACE(large ? "large data set" : "demo data set");
        ReportsHarness h;
        if (large) {
            for (const auto& e : std::filesystem::directory_iterator(h.tmp.path())) std::filesystem::remove_all(e.path());
            ds::createLargeDataSet(h.tmp.path(), {.customers = 20, .configurations = 300, .linesPerConfiguration = 1,
                                                  .stockItems = 10, .libraryEntries = 12,
                                                  .drawingElementsPerConfiguration = 1, .punchHolesPerConfiguration = 0});
        } else {
            ds::createDataSet(h.tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
        }
        const std::string first = h.column("assembly", "CODE").at(0);
        ASSERT_EQ(h.run(
                      [&] {
                          h.openAsScreen(first);
                          REP(h.ctx, h.values);
                      },
                      "answer no\npress Save\n"),
                  0)
            << h.joined();
        const QString file = h.printed("Configuration List");
        ASSERT_FALSE(file.isEmpty()) << h.joined();
        const auto lines = mx::test::pdfLines(mx::test::pdfWords(file));
        EXPECT_EQ(mx::test::pdfClips(file), 0);
        const QStringList faults = mx::test::boxFaults(lines, mx::test::pdfPageSize(file));
        EXPECT_TRUE(faults.empty()) << faults.join('\n').toStdString();
        for (const char* field : {"CODE", "ASSEMCAT", "LIB", "DESC"})
            for (const std::string& v : h.column("assembly", field))
                if (!v.empty()) {
                    EXPECT_TRUE(mx::test::printedWhole(lines, QString::fromStdString(v))) << field << " " << v;
                }
    }
}

TEST_F(ConfigurationListTest, BothLimitsAreRefusedAndTheDialogComesBackWithThem) {
    play("set GROUPING SLIDER\nset SUITE RS450\npress Save\ndump\nset SUITE \"\"\nanswer no\npress Save\n"
         "menu Run\npress Cancel\n");
    const size_t alert = h.find("alert \"You must Nominate a Group OR Suite Code (Not Both).\"");
    ASSERT_NE(alert, std::string::npos) << h.joined();
    EXPECT_NE(h.find("open \"Limit Report To:\"", alert), std::string::npos) << "the dialog again";
    const std::vector<std::string> dump = h.dump(0);
    EXPECT_NE(std::find(dump.begin(), dump.end(), "field GROUPING \"SLIDER\""), dump.end()) << h.joined();
    EXPECT_NE(std::find(dump.begin(), dump.end(), "field SUITE \"RS450\""), dump.end()) << h.joined();
    EXPECT_TRUE(text(0).contains("For Configuration Grouping Code SLIDER"));
    // Cancel prints nothing.
    int printed = 0;
    for (const auto& l : h.lines) printed += l.rfind("print ", 0) == 0;
    EXPECT_EQ(printed, 1) << h.joined();
    EXPECT_EQ(after, (std::vector<std::string>{"RS450-SW2", "", "ASSEMBLY"}));
}

// ---- the line-item report

Row line(const std::string& code, const std::string& stock, const char* condition = "", bool labour = false,
         double qty = 1) {
    return {{"ASSCODE", rt::Value::character(code)}, {"STKCODE", rt::Value::character(stock)},
            {"DESC", C("A DESCRIPTION LONGER THAN TWENTY")}, {"TYPE", C("L")}, {"QTY", N(qty)},
            {"AMOUNT", C("W-12")}, {"AMOUNT2", C("H/2")}, {"CONDITION", C(condition)}, {"LABOUR", L(labour)}};
}

// The line-item report of RS450-SW2 printed from the Formulae screen.
class LineItemRun {
public:
    LineItemRun() {
        h.append("assembly", {configuration("RS450-SW2", "SLIDING WINDOW 2 PANEL", "RS450", "SLIDER", false),
                              configuration("RS450-SW3", "SLIDING WINDOW 3 PANEL", "RS450", "SLIDER", false)});
    }
    // `n` plain lines, then those of `more`; a labour line and another
    // configuration's line before them.
    void lines(int n, const std::vector<Row>& more = {}) {
        std::vector<Row> rows = {line("RS450-SW3", "OTHER"), line("RS450-SW2", "LABOURLINE", "", true)};
        for (int i = 1; i <= n; ++i) {
            char stock[16];
            std::snprintf(stock, sizeof stock, "STK%03d", i);
            rows.push_back(line("RS450-SW2", stock));
        }
        rows.insert(rows.end(), more.begin(), more.end());
        h.append("assline", rows);
    }
    // `assline` as the Formulae screen has it (order 3, formula lines only)
    // or, with `filter`, as the Labour screen has it; here on its second record.
    void print(const std::string& filter = "!assline->Labour") {
        ASSERT_EQ(h.run([this, filter] {
            h.openAsScreen("RS450-SW2");
            rt::WorkArea& assline = h.session.openArea("ASSLINE");
            h.session.select(assline);
            assline.setOrder(3);
            assline.setFilter(filter);
            assline.goTo(2);
            pages = REP1(h.ctx, h.values);
            after = {std::to_string(assline.order()), assline.filterText(), std::to_string(assline.recno()),
                     h.session.selected()->alias()};
        }),
                  0)
            << h.joined();
        file = h.printed("Assembly Line Item Report");
    }
    int stockCodes(int page) { return static_cast<int>(mx::test::pdfText(file, true, page, page).count("STK")); }

    ReportsHarness h;
    int pages = 0;
    QString file;
    std::vector<std::string> after;
};

class LineItemTest : public ::testing::Test, public LineItemRun {};

TEST_F(LineItemTest, WithoutLinesOnePageHoldsTheTitleAndHeadingBlocks) {
    lines(0);
    print();
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(h.hasPrefix("print \"Assembly Line Item Report\" preview 001-Assembly_Line_Item_Report.pdf pages=1"))
        << h.joined();
    EXPECT_EQ(mx::test::pdfLinesPerPage(file), std::vector<int>{2}) << "the heading block's two rules";
    QStringList text;
    for (const QString& l : mx::test::pdfText(file).split('\n'))
        if (!l.simplified().isEmpty()) text << l;
    ASSERT_EQ(text.size(), 4) << mx::test::pdfText(file).toStdString();
    EXPECT_EQ(text[0].trimmed(), "Banksia Frames");
    EXPECT_EQ(text[1].trimmed(), "Assembly Line Linetems for Assembly RS450-SW2");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Page: 1 +Date: 08/12/26 @ \\d\\d:\\d\\d$")).match(text[2].trimmed()).hasMatch())
        << text[2].toStdString();
    EXPECT_EQ(text[3].simplified(), "Stock Code Stock Description Type Qty Amount/Condition Amount1");
    EXPECT_EQ(after, (std::vector<std::string>{"3", "!assline->Labour", "2", "ASSLINE"}));
}

TEST_F(LineItemTest, AConditionTakesARowOfItsOwnUnderTheAmount) {
    lines(1, {line("RS450-SW2", "WITHCOND", "LA .AND. W > 900", false, 12345.5), line("RS450-SW2", "LAST", "", false, 123.25)});
    print();
    const std::vector<PdfWord> w = mx::test::pdfWords(file);
    auto first = [&w](const QString& t) {
        for (const PdfWord& x : w)
            if (x.text == t) return x;
        ADD_FAILURE() << t.toStdString();
        return PdfWord{};
    };
    const double rowHeight = first("WITHCOND").yMin - first("STK001").yMin;
    EXPECT_GT(rowHeight, 5);
    EXPECT_NEAR(first("LA").yMin - first("WITHCOND").yMin, rowHeight, 0.5);
    EXPECT_NEAR(first("LAST").yMin - first("WITHCOND").yMin, 2 * rowHeight, 0.5);
    EXPECT_NEAR(first("LA").xMin, first("Amount/Condition").xMin, 1.5) << "the condition under the amount";
    // The first 20 characters of the description; quantities with two
    // decimals, flush right.
    EXPECT_EQ(mx::test::pdfText(file).count("A DESCRIPTION LONGER"), 3);
    EXPECT_FALSE(mx::test::pdfText(file).contains("THAN"));
    EXPECT_NEAR(first("1.00").xMax, first("123.25").xMax, 1.5);
    // Five digits reach into the type's column; they stand after it instead.
    int types = 0;
    for (const PdfWord& x : mx::test::wordsBeside(w, first("WITHCOND")))
        if (x.text == "L") {
            ++types;
            EXPECT_LT(x.xMax, first("12345.50").xMin);
        }
    EXPECT_EQ(types, 1);
    EXPECT_NEAR(first("1.00").xMax, first("Qty").xMax, 1.5);
    EXPECT_EQ(stockCodes(1), 1) << "another configuration's line and the labour line are not listed";
    EXPECT_FALSE(mx::test::pdfText(file).contains("LABOURLINE"));
    EXPECT_EQ(after, (std::vector<std::string>{"3", "!assline->Labour", "2", "ASSLINE"}));
}

TEST_F(LineItemTest, FromTheLabourScreenTheReportStillListsTheFormulaLines) {
    lines(2);
    print("assline->Labour");
    EXPECT_EQ(stockCodes(1), 2) << mx::test::pdfText(file).toStdString();
    EXPECT_FALSE(mx::test::pdfText(file).contains("LABOURLINE"));
    EXPECT_EQ(after, (std::vector<std::string>{"3", "assline->Labour", "2", "ASSLINE"})) << "the screen's filter is back";
}

// 55 lines fill a page (rows 10.5 to 64.5). After the last line the report
// moves one row down; beyond row 66 a page with the blocks only follows.
TEST(LineItemPages, PagesBreakBeyondRow65AndAFullLastPageGetsAnEmptyOne) {
    struct Case {
        int plain;
        bool lastHasCondition;
        std::vector<int> perPage;  // stock codes per page
    };
    const std::vector<Case> cases = {
        {54, false, {54}},     // the last line on row 63.5
        {55, false, {55, 0}},  // ends on 65.5: a page of blocks only
        {56, false, {55, 1}},
        {52, true, {53}},     // line and condition on 62.5 and 63.5
        {53, true, {54, 0}},  // condition on 64.5
        {54, true, {55, 0}},  // line on the last row, its condition below it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.plain) + (c.lastHasCondition ? " and a line with a condition" : ""));
        LineItemRun run;
        run.lines(c.plain, c.lastHasCondition ? std::vector<Row>{line("RS450-SW2", "STKCOND", "LB")} : std::vector<Row>{});
        run.print();
        ASSERT_EQ(run.pages, static_cast<int>(c.perPage.size())) << run.h.joined();
        for (size_t p = 0; p < c.perPage.size(); ++p) {
            EXPECT_EQ(run.stockCodes(static_cast<int>(p) + 1), c.perPage[p]) << "page " << p + 1;
            const QString page = mx::test::pdfText(run.file, true, static_cast<int>(p) + 1, static_cast<int>(p) + 1);
            EXPECT_TRUE(page.contains(QStringLiteral("Page: %1").arg(p + 1))) << page.toStdString();
            EXPECT_TRUE(page.contains("Stock Description"));
        }
    }
}

}  // namespace
}  // namespace mx::configurations::test
