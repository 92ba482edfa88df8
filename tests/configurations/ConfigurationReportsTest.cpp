// The configuration list played through its dialog "Limit Report To:" (no
// limit, a suite, a grouping, both).
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "ConfigurationReports.h"
#include "PdfText.h"
#include "ReportsHarness.h"

namespace mx::configurations::test {
namespace {

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

}  // namespace
}  // namespace mx::configurations::test
