// The register screen played as scripted sessions: its list and columns,
// delete, the name search and its next step, tagging, the sorts, "Chk Lib"
// with its restriction, "S&how Lib" on workstation 3, the printed list, the
// library screen in register mode, and an empty register.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <filesystem>

#include "Catalogue.h"
#include "CustomerHarness.h"
#include "CustomerRegister.h"
#include "DataSet.h"
#include "LargeDataSet.h"
#include "PdfText.h"

namespace mx::customers::test {
namespace {

using rt::Value;

// Five customers; record order, key order and company order all differ.
std::vector<Row> fiveCustomers() {
    return {customer(4, "DELTA WINDOWS", "02",
                     {{"MGR", C("RAY")}, {"AMOUNT", N(90)}, {"STATE1", C("QLD")}, {"CHANGED", Value::date(2459000)}}),
            customer(2, "ACACIA & SONS", "F",
                     {{"TAG", L(true)}, {"LITE", L(true)}, {"COD", L(true)}, {"CLOSED", L(true)}, {"TAG1", L(true)},
                      {"EMAIL", C("info@acacia.example")}, {"VERSION", C("6.1")}, {"STATE1", C("WA")},
                      {"MGR", C("BETH")}, {"CHANGED", Value::date(2460000)}, {"AMOUNT", N(12.5)},
                      {"TRADINGAS", C("GOLDEN WATTLE")}}),
            customer(5, "EVERGREEN GLASS", "06",
                     {{"MGR", C("ANNE")}, {"AMOUNT", N(10)}, {"STATE1", C("NSW")}, {"CHANGED", Value::date(2458000)},
                      {"TRADINGAS", C("WATTLE GLASS")}}),
            customer(1, "BANKSIA FRAMES", "1",
                     {{"MGR", C("CARL")}, {"AMOUNT", N(200)}, {"STATE1", C("VIC")}, {"CHANGED", Value::date(2461000)}}),
            customer(3, "CEDAR WATTLE DOORS", "",
                     {{"MGR", C("DAVE")}, {"AMOUNT", N(55)}, {"STATE1", C("ACT")}, {"CHANGED", Value::date(2457000)}})};
}

class CustomerRegisterTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.action = [this] {
            MITREX(h.ctx, h.ws, library);
            selectedAfter = h.session.selected() ? h.session.selected()->alias() : "";
            libOpenAfter = h.session.area("LIB") != nullptr;
            ds::CLOSDATA(h.ctx);
        };
    }
    void withFive() {
        h.append("lib", fiveGroups());
        h.append("mitrex", fiveCustomers());
    }
    using Names = std::vector<std::string>;

    CustomerHarness h;
    lib::LibraryLinks library;
    std::string selectedAfter = "?";
    bool libOpenAfter = true;
};

TEST_F(CustomerRegisterTest, ListsTheFourteenColumnsInKeyOrderAndADoubleClickOpensTheCustomer) {
    withFive();
    h.run("dump\nrow 2\ndblclick\ndump\npress Cancel\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Mitrex Customer Register (MITREX)\"")) << h.joined();
    const std::vector<std::string> list = h.dump(0);
    ASSERT_EQ(list.size(), 8u) << h.joined();
    EXPECT_EQ(list[1], "browse \"T\" \"L\" \"#\" \"Company\" \"Email\" \"C\" \"S\" \"Suite Code\" \"Version\" \"State\" "
                       "\"Manager\" \"Changed\" \"Amount\" \"Trading Name\"");
    EXPECT_EQ(list[2], "row* 1 \"\" \"\" \"\" \"BANKSIA FRAMES\" \"\" \"\" \"\" \"1\" \"\" \"VIC\" \"CARL\" \"20/11/25\" "
                       "\" 200.00\" \"\"");
    EXPECT_EQ(list[3], "row 2 \"*\" \"*\" \"#\" \"ACACIA & SONS\" \"info@acacia.example\" \"C\" \"S\" \"F\" \"6.1\" "
                       "\"WA\" \"BETH\" \"24/02/23\" \"  12.50\" \"GOLDEN WATTLE\"");
    EXPECT_EQ(h.companies(0), (Names{"*BANKSIA FRAMES", "ACACIA & SONS", "CEDAR WATTLE DOORS", "DELTA WINDOWS",
                                     "EVERGREEN GLASS"}));
    EXPECT_TRUE(h.has("open \"Mitrex Customer Details (MITREX)\"")) << h.joined();
    EXPECT_EQ(h.field(1, "COMPANY"), "\"ACACIA & SONS\"");
    EXPECT_EQ(selectedAfter, "") << "the area selected before is selected again";
}

TEST_F(CustomerRegisterTest, DeleteAsksAndLandsOnTheNextCustomerOrOnTheNewLast) {
    withFive();
    h.append("mxnote", {{{"CUSTNO", N(5)}, {"NOTE", C("Keep me")}}});
    h.run("row 5\nanswer no\npress Delete\ndump\n"
          "answer yes\npress Delete\ndump\n"     // the last: the list lands on the new last
          "row 2\nanswer yes\npress Delete\ndump\n"  // the middle: on the next
          "press Exit\n");
    EXPECT_TRUE(h.has("yesno \"Delete This Entry?\" no")) << h.joined();
    EXPECT_EQ(h.companies(0).size(), 5u);
    EXPECT_EQ(h.companies(1), (Names{"BANKSIA FRAMES", "ACACIA & SONS", "CEDAR WATTLE DOORS", "*DELTA WINDOWS"}));
    EXPECT_EQ(h.companies(2), (Names{"BANKSIA FRAMES", "*CEDAR WATTLE DOORS", "DELTA WINDOWS"}));
    EXPECT_EQ(h.column("mxnote", "NOTE"), (std::vector<std::string>{"Keep me"})) << "the note stays";
}

TEST_F(CustomerRegisterTest, ADeleteOrTagWhileTheCustomerIsLockedElsewhereIsTold) {
    withFive();
    h.reindex();
    rt::Session other;
    rt::WorkArea& theirs = other.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    theirs.goTo(4);  // BANKSIA FRAMES
    ASSERT_TRUE(theirs.lock());
    ASSERT_EQ(h.play("menu Run\nanswer yes\npress Delete\ndump\npress Tag\npress Exit\n"), 0) << h.joined();
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "alert \"Unable to Lock Record.  Try Again Later!\""), 2)
        << h.joined();
    EXPECT_EQ(h.companies(0).size(), 5u);
    EXPECT_EQ(h.column("mitrex", "TAG").at(3), "F") << "the tag stays as it was";
    other.closeAll();
}

TEST_F(CustomerRegisterTest, EnterInsertDeleteAndF2DoWhatModifyAddDeleteAndSearchDo) {
    withFive();
    h.run("row 2\nkey Enter\nset COMPANY \"ACACIA AND SONS\"\nkey PageDown\n"
          "key Insert\nset COMPANY \"NEW FRAMES\"\nkey PageDown\n"
          "answer no\nkey Delete\nanswer choice 0\nkey F2\npress Exit\n");
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "open \"Mitrex Customer Details (MITREX)\""), 2) << h.joined();
    EXPECT_EQ(h.column("mitrex", "COMPANY"), (Names{"DELTA WINDOWS", "ACACIA AND SONS", "EVERGREEN GLASS", "BANKSIA FRAMES",
                                                    "CEDAR WATTLE DOORS", "NEW FRAMES"}));
    EXPECT_TRUE(h.has("yesno \"Delete This Entry?\" no")) << h.joined();
    EXPECT_TRUE(h.has("choice \"Search By:\" 0")) << h.joined();
}

TEST_F(CustomerRegisterTest, NameSearchLooksInCompanyAndTradingNamesAndNextInCompanyNamesOnly) {
    withFive();
    h.run(
        // From the top: "wattle" is first in ACACIA's trading name.
        "answer choice 1\npress Search\nset CNAME wattle\npress OK\ndump\n"
        // Next: only company names, so past EVERGREEN (trading name WATTLE GLASS).
        "answer choice 2\npress Search\ndump\n"
        // No further match: at the end, without a word.
        "answer choice 2\npress Search\ndump\n"
        // Not from the top: from the customer after the current one.
        "row 1\nanswer choice 1\npress Search\nset CNAME Glass\nset STARTTOP N\npress OK\ndump\n"
        // Escape in the name search moves nothing.
        "row 2\nanswer choice 1\npress Search\nset CNAME delta\nclose\ndump\n"
        "answer choice 0\npress Search\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Name Search\"")) << h.joined();
    EXPECT_EQ(h.companies(0).at(1), "*ACACIA & SONS") << h.joined();
    EXPECT_EQ(h.companies(1).at(2), "*CEDAR WATTLE DOORS") << h.joined();
    EXPECT_EQ(h.companies(2).at(4), "*EVERGREEN GLASS") << "the end of the register\n" << h.joined();
    EXPECT_EQ(h.companies(3).at(4), "*EVERGREEN GLASS") << h.joined();
    EXPECT_EQ(h.companies(4).at(1), "*ACACIA & SONS") << h.joined();
    EXPECT_TRUE(h.has("choice \"Search By:\" 2")) << h.joined();
    EXPECT_TRUE(h.has("choice \"Search By:\" 0")) << h.joined();
    for (const auto& l : h.lines)
        EXPECT_TRUE(l.rfind("alert", 0) != 0 && l.rfind("info", 0) != 0 && l.rfind("timed", 0) != 0) << l;
}

TEST_F(CustomerRegisterTest, TagTogglesTheCustomersMarkAndUntagOneClearsEveryTag) {
    withFive();
    h.run("press Tag\nrow 2\npress Tag\ndump\npress Exit\n");
    EXPECT_EQ(h.rows(0).at(0).substr(0, 12), "row 1 \"*\" \"\"") << h.joined();
    EXPECT_EQ(h.rows(0).at(1).substr(0, 13), "row* 2 \"\" \"*\"") << h.joined();

    // UNTAG1 over the selected table; a customer locked elsewhere keeps its tag.
    ASSERT_TRUE(openRegister(h.ctx));
    rt::Session other;
    rt::WorkArea& theirs = other.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    rt::WorkArea& mitrex = h.session.openArea("MITREX");
    mitrex.goTo(1);
    ASSERT_TRUE(mitrex.lock());
    mitrex.setField("TAG", L(true));
    mitrex.unlock();
    theirs.goTo(1);
    ASSERT_TRUE(theirs.lock());
    mitrex.goTo(3);
    UNTAG1(h.ctx);
    EXPECT_EQ(mitrex.recno(), 3u);
    other.closeAll();
    h.session.closeAll();
    EXPECT_EQ(h.column("mitrex", "TAG"), (std::vector<std::string>{"T", "F", "F", "F", "F"}));
}

TEST_F(CustomerRegisterTest, SortButtonsAndTemporarySorts) {
    withFive();
    h.run("press Sort/State\ndump\npress \"Acct Manager\"\ndump\npress \"Sort/Change\"\ndump\n"
          "press \"Sort / Amt\"\ndump\npress Exit\n");
    EXPECT_EQ(h.companies(0), (Names{"*CEDAR WATTLE DOORS", "EVERGREEN GLASS", "DELTA WINDOWS", "BANKSIA FRAMES",
                                     "ACACIA & SONS"}));  // ACT NSW QLD VIC WA
    EXPECT_EQ(h.companies(1), (Names{"*EVERGREEN GLASS", "ACACIA & SONS", "BANKSIA FRAMES", "CEDAR WATTLE DOORS",
                                     "DELTA WINDOWS"}));  // ANNE BETH CARL DAVE RAY
    EXPECT_EQ(h.companies(2), (Names{"*CEDAR WATTLE DOORS", "EVERGREEN GLASS", "DELTA WINDOWS", "ACACIA & SONS",
                                     "BANKSIA FRAMES"}));  // by date of change
    EXPECT_EQ(h.companies(3), (Names{"*EVERGREEN GLASS", "ACACIA & SONS", "CEDAR WATTLE DOORS", "DELTA WINDOWS",
                                     "BANKSIA FRAMES"}));  // 10 12.50 55 90 200
    EXPECT_TRUE(QFile::exists(QString::fromStdString(h.tmp.file("tempmx2.ntx"))));
}

// "Chk Lib": B2 (group 2, number 2) is named by "02" and "06"; "F" names
// group 1 only; E8 (group 5) is named by nobody. ACACIA's old mark goes.
TEST_F(CustomerRegisterTest, CheckLibraryMarksAndRestrictsAndABlankOrUnusedCodeShowsEveryone) {
    withFive();
    h.run("press \"Chk Lib\"\nset CODE b2\npress OK\ndump\n"
          "press \"Chk Lib\"\npress OK\ndump\n"  // a blank code: no pick list
          "press \"Chk Lib\"\nset CODE A1\npress Cancel\ndump\n"
          "press \"Chk Lib\"\nset CODE e8\npress OK\ndump\n"
          "press Exit\n");
    EXPECT_TRUE(h.has("open \"Library Code Checker\"")) << h.joined();
    const std::vector<std::string> marked = h.rows(0);
    ASSERT_EQ(marked.size(), 2u) << h.joined();
    EXPECT_EQ(marked[0].rfind("row* 1 \"\" \"\" \"#\" \"DELTA WINDOWS\" ", 0), 0u) << marked[0];
    EXPECT_EQ(marked[1].rfind("row 2 \"\" \"\" \"#\" \"EVERGREEN GLASS\" ", 0), 0u) << marked[1];
    EXPECT_FALSE(h.has("open \"Lookup\"")) << "codes on file and a blank one bring up no pick list\n" << h.joined();
    EXPECT_EQ(h.rows(1).size(), 5u) << h.joined();
    for (const std::string& r : h.rows(1)) EXPECT_EQ(r.find("\"#\""), std::string::npos) << r;
    EXPECT_EQ(h.rows(2).size(), 5u) << "Cancel changes nothing\n" << h.joined();
    EXPECT_TRUE(h.has("info \"No customer has a suite code with the library code E8.\"")) << h.joined();
    EXPECT_EQ(h.rows(3).size(), 5u) << "everyone again, not an empty list\n" << h.joined();
    for (const std::string& r : h.rows(3)) EXPECT_EQ(r.find("\"#\""), std::string::npos) << r;
    EXPECT_FALSE(libOpenAfter);
    for (const std::string& t : h.column("lib", "TAG")) EXPECT_EQ(t, "F");
}

TEST_F(CustomerRegisterTest, ShowLibOnWorkstationThreeListsTheCustomersSuitesWithItsOwnTags) {
    withFive();
    h.ws = 3;
    h.run("row 5\npress \"Show Lib\"\ndump\npress OK\ndump\npress Exit\n");
    EXPECT_EQ(h.dump(0).at(0), "dump \"Library Details For EVERGREEN GLASS\"") << h.joined();
    EXPECT_EQ(h.rows(0).size(), 2u);  // "06": B4 and B2
    EXPECT_EQ(h.companies(1).at(4), "*EVERGREEN GLASS") << "the list stays on the customer";
    EXPECT_EQ(h.numbers("libimp3", "SERIAL"), (std::vector<double>{7, 6}));
    EXPECT_TRUE(h.column("libimp", "SERIAL").empty());
    for (const std::string& t : h.column("lib", "TAG")) EXPECT_EQ(t, "F");
    EXPECT_FALSE(libOpenAfter);
}

TEST_F(CustomerRegisterTest, PrintWritesEveryCustomerInTheListsOrderAndRestriction) {
    std::vector<Row> many;
    for (int i = 1; i <= 70; ++i)
        many.push_back(customer(i, "FABRICATOR NUMBER " + std::to_string(1000 + i) + " ALUMINIUM WINDOWS PTY",
                                i % 2 ? "1" : "2"));
    h.append("mitrex", many);
    h.append("lib", fiveGroups());
    h.run("press Print\npress \"Chk Lib\"\nset CODE A2\npress OK\npress Print\npress Exit\n");
    std::vector<QString> files;
    for (const auto& l : h.lines)
        if (l.rfind("print \"Mitrex Customer Register (MITREX)\" preview ", 0) == 0) {
            const QStringList parts = QString::fromStdString(l).split(' ');
            files.push_back(QDir(QString::fromStdString(h.tmp.file("print"))).filePath(parts.at(parts.size() - 2)));
        }
    ASSERT_EQ(files.size(), 2u) << h.joined();
    const QString all = mx::test::pdfText(files[0], false), even = mx::test::pdfText(files[1], false);
    EXPECT_TRUE(all.contains(QStringLiteral("Mitrex Customer Register (MITREX)")));
    for (int i = 1; i <= 70; ++i) {
        const QString name = QStringLiteral("FABRICATOR NUMBER %1").arg(1000 + i);
        EXPECT_TRUE(all.contains(name)) << name.toStdString();
        EXPECT_EQ(even.contains(name), i % 2 == 0) << name.toStdString();
    }
}

// The printed list of the demo data set and of a large one: every company
// name and e-mail address whole on the rendered page, drawn under no clip,
// none over another or off the page.
TEST(RegisterPrintout, EveryCompanyAndEmailOfTheDemoAndALargeDataSetIsPrintedWhole) {
    for (const bool large : {false, true}) {
        SCOPED_TRACE(large ? "large data set" : "demo data set");
        CustomerHarness h;
        for (const auto& e : std::filesystem::directory_iterator(h.tmp.path())) std::filesystem::remove_all(e.path());
        if (large)
            ds::createLargeDataSet(h.tmp.path(), {.customers = 150, .configurations = 5, .linesPerConfiguration = 1,
                                                  .stockItems = 10, .libraryEntries = 12,
                                                  .drawingElementsPerConfiguration = 1, .punchHolesPerConfiguration = 0});
        else
            ds::createDataSet(h.tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
        lib::LibraryLinks library;
        h.action = [&] {
            MITREX(h.ctx, h.ws, library);
            ds::CLOSDATA(h.ctx);
        };
        h.run("press Print\npress Exit\n");
        QString file;
        for (const auto& l : h.lines)
            if (l.rfind("print \"Mitrex Customer Register (MITREX)\" preview ", 0) == 0) {
                const QStringList parts = QString::fromStdString(l).split(' ');
                file = QDir(QString::fromStdString(h.tmp.file("print"))).filePath(parts.at(parts.size() - 2));
            }
        ASSERT_FALSE(file.isEmpty()) << h.joined();
        const auto lines = mx::test::pdfLines(mx::test::pdfWords(file));
        EXPECT_EQ(mx::test::pdfClips(file), 0);
        const QStringList faults = mx::test::boxFaults(lines, mx::test::pdfPageSize(file));
        EXPECT_TRUE(faults.empty()) << faults.join('\n').toStdString();
        int checked = 0;
        for (const char* field : {"COMPANY", "EMAIL"})
            for (const std::string& v : h.column("mitrex", field))
                if (!v.empty()) {
                    EXPECT_TRUE(mx::test::printedWhole(lines, QString::fromStdString(v))) << field << " " << v;
                    ++checked;
                }
        EXPECT_GT(checked, large ? 150 : 4);
    }
}

TEST_F(CustomerRegisterTest, LibraryOpensInRegisterModeAndIsClosedWhenItReturns) {
    withFive();
    bool reported = false;
    library.report = [&reported] { reported = true; };
    h.run("press Library\npress Report\ndump\npress Exit\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Setup Library Codes (LIB)\"")) << h.joined();
    EXPECT_TRUE(reported) << "the library's own links";
    EXPECT_EQ(h.dump(1).at(0), "dump \"Mitrex Customer Register (MITREX)\"");
    EXPECT_FALSE(libOpenAfter) << "the register does not hold the library";
}

TEST_F(CustomerRegisterTest, AnEmptyRegisterOffersOnlyAdd) {
    h.run("press Modify\npress Delete\npress Tag\npress Notes\npress \"Show Lib\"\nanswer choice 0\npress Search\n"
          "press Print\n"
          "dump\npress Add\npress Cancel\ndump\npress Exit\n");
    int opened = 0;
    for (const auto& l : h.lines) opened += l.rfind("open ", 0) == 0;
    EXPECT_EQ(opened, 2) << "the register and the new customer's dialog\n" << h.joined();
    EXPECT_TRUE(h.rows(0).empty());
    EXPECT_TRUE(h.rows(1).empty()) << "the cancelled Add leaves nothing\n" << h.joined();
    EXPECT_EQ(h.numbers("mitrex", "CUSTNO"), (std::vector<double>{1}));
    EXPECT_TRUE(h.live("mitrex", "COMPANY").empty());
}

}  // namespace
}  // namespace mx::customers::test
