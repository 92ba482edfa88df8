// The CSV reader and loader of the demo sources, and password scrambling.
#include <gtest/gtest.h>

#include "CsvReader.h"
#include "DataSet.h"
#include "DataStoreHarness.h"
#include "Error.h"
#include "Password.h"

namespace mx::test {
namespace {

using rt::Value;

TEST(CsvReaderTest, QuotesCommasLineBreaksAndBlankLines) {
    ds::CsvDocument d = ds::parseCsv(
        "CODE,NOTE,N\r\n"
        "A1,\"one, two\",3\r\n"
        "\n"
        "A2,\"say \"\"hi\"\"\nsecond line\",\n"
        "A3,,\"\"\n"
        "A4\n",
        "t.csv");
    EXPECT_EQ(d.header, (std::vector<std::string>{"CODE", "NOTE", "N"}));
    ASSERT_EQ(d.rows.size(), 4u);
    EXPECT_EQ(d.rows[0].values, (std::vector<std::string>{"A1", "one, two", "3"}));
    EXPECT_EQ(d.rows[1].values, (std::vector<std::string>{"A2", "say \"hi\"\nsecond line", ""}));
    EXPECT_EQ(d.rows[1].line, 4);
    EXPECT_EQ(d.rows[2].line, 6);
    EXPECT_EQ(d.rows[2].values, (std::vector<std::string>{"A3", "", ""}));
    EXPECT_EQ(d.rows[3].values, (std::vector<std::string>{"A4", "", ""})) << "short rows are padded";
}

TEST(CsvReaderTest, MalformedTextNamesTheLine) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"A,B\n1,\"open\n2,3\n", "line 2"},
        {"A,B\n1,2\nx\"y,3\n", "line 3"},
        {"A,B\n1,\"q\"z\n", "line 2"},
        {"A,B\n1,2,3\n", "line 2"},
    };
    for (const auto& [text, where] : bad) {
        try {
            ds::parseCsv(text, "bad.csv");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const rt::DbError& e) {
            EXPECT_NE(std::string(e.what()).find(where), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("bad.csv"), std::string::npos);
        }
    }
}

class CsvLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        rt::DbfTable::create(h.file("t.dbf"), {rt::charField("CODE", 4), rt::numField("AMT", 6, 2), rt::logField("OK"),
                                               rt::dateField("WHEN"), rt::memoField("NOTE")});
        area = &h.session.open(h.file("t.dbf"), "", rt::OpenMode::Exclusive);
    }
    void load(const std::string& text) { ds::appendCsvRecords(*area, ds::parseCsv(text, "t.csv"), "t.csv"); }

    Harness h;
    rt::WorkArea* area = nullptr;
};

TEST_F(CsvLoadTest, ValuesOfEveryTypeAndMissingColumnsBlank) {
    load("code,amt,ok,when,note\nAB,12.5,Y,2024-02-29,\"two\nlines\"\nCD,-3,.F.,,\n");
    load("CODE\nEF\n");
    ASSERT_EQ(area->recordCount(), 3u);
    area->goTo(1);
    EXPECT_EQ(area->fieldValue("AMT").num(), 12.5);
    EXPECT_TRUE(area->fieldValue("OK").boolean());
    EXPECT_EQ(rt::dayToDtos(area->fieldValue("WHEN").day()), "20240229");
    EXPECT_EQ(area->fieldValue("NOTE").str(), "two\nlines");
    area->goTo(2);
    EXPECT_EQ(area->fieldValue("AMT").num(), -3);
    EXPECT_EQ(area->fieldValue("WHEN").day(), 0);
    area->goTo(3);
    EXPECT_EQ(std::string(area->fieldBytes(1)), "      ");
}

TEST_F(CsvLoadTest, ValuesThatDoNotFitAreRefusedNotCut) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"CODE\nABCDE\n", "CODE"},       {"AMT\n1000.00\n", "AMT"},  {"AMT\n1.234\n", "AMT"},
        {"AMT\n12a\n", "AMT"},           {"OK\nMAYBE\n", "OK"},      {"WHEN\n2024-02-30\n", "WHEN"},
        {"WHEN\n29/02/2024\n", "WHEN"}, {"NOSUCH\nx\n", "NOSUCH"},
    };
    for (const auto& [text, field] : bad) {
        try {
            load(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const rt::DbError& e) {
            EXPECT_NE(std::string(e.what()).find(field), std::string::npos) << e.what();
        }
    }
}

TEST(PasswordTest, ScrambledReversedShiftedAndPadded) {
    EXPECT_EQ(ds::ENCRYPT("ABC   "), std::string("\xAB\xAA\xA9   "));
    EXPECT_EQ(ds::ENCRYPT("  ABC "), ds::ENCRYPT("ABC   ")) << "leading blanks do not count";
    EXPECT_EQ(ds::ENCRYPT("      "), "      ");
    EXPECT_EQ(ds::ENCRYPT("ABCDEF").size(), 6u);
    EXPECT_EQ(ds::FILL_OUT("AB", 4), "AB  ");
}

}  // namespace
}  // namespace mx::test
