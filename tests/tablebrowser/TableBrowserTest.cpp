// The table browser played as scripted sessions: the table and order
// choosers over `lib`, edits of every field type read back by an independent
// reader, numbers too wide refused, memos, append, delete and recall, seeks,
// a record another process holds, and damaged files left unwritten; the
// companion's integrity check stays clean after every change.
#include <gtest/gtest.h>

#include <algorithm>

#include "BrowserHarness.h"
#include "ChildHolder.h"
#include "TestUtil.h"

namespace mx::tablebrowser::test {
namespace {

using mx::test::readFileBytes;
using mx::test::writeFileBytes;

class TableBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.appendLib();
        h.append("mitrex", {{{"CUSTNO", N(7)}, {"COMPANY", C("OLD NAME PTY LTD")}, {"AMOUNT", N(12.5)}}});
        h.append("mxnote", {{{"CUSTNO", N(7)}, {"NOTE", C("first note")}}});
    }

    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }
    void expectCheckClean() {
        std::string report;
        EXPECT_EQ(h.check(&report), 0) << report;
    }
    std::vector<std::string> codes(int dump) const { return h.cellsOf(dump, 2); }

    BrowserHarness h;
};

TEST_F(TableBrowserTest, ListsEveryTableAndBrowsesLibInRecordOrderAndByEachIndex) {
    writeFileBytes(h.tmp.file("stray.txt"), "not a table");
    {  // A table no definition names.
        rt::Session s;
        rt::DbfTable::create(h.tmp.file("extra.dbf"), {rt::charField("NAME", 8)});
    }
    play("dump\nset TABLE LIB\nset ORDER \"Record order\"\ndump\nset ORDER libcode\ndump\nset ORDER libcatg\ndump\n"
         "set ORDER libnum\ndump\nset TABLE EXTRA\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Table Browser\"")) << h.joined();
    // The first table defined comes first: `indexdef` itself, by its key.
    EXPECT_EQ(h.dump(0)[1], "field TABLE \"INDEXDEF\"") << h.joined();
    EXPECT_EQ(h.dump(0)[2], "field ORDER \"indexdef   indexdef->db_alias\"");
    const std::vector<std::string> lib = h.dump(1);
    EXPECT_EQ(lib[1], "field TABLE \"LIB\"");
    EXPECT_EQ(lib[2], "field ORDER \"Record order\"");
    EXPECT_EQ(lib[3], "browse \"Del\" \"Rec\" \"CODE\" \"DESC\" \"CATEGORY\" \"SERIAL\" \"MAXADJUST\" \"GROUP\" \"NUMBER\" \"TAG\" "
                      "\"TAG2\" \"TAG3\" \"TAG4\" \"TAG5\" \"TAG6\" \"TAG7\" \"TAG8\" \"TAG9\"");
    // Record order keeps the record that was current (the first by code).
    EXPECT_EQ(lib[5], "row* 2 \"\" \"2\" \"ALU\" \"ALUMINIUM\" \"RES\" \" 2\" \" 3\" \"  0\" \" 0\" \"T\" \"F\" \"F\" \"F\" \"F\" \"F\" "
                      "\"F\" \"F\" \"F\"");
    EXPECT_EQ(codes(1), (std::vector<std::string>{"DUR", "ALU", "CED", "BRZ"}));
    EXPECT_EQ(h.dump(2)[2], "field ORDER \"libcode   CODE\"");
    EXPECT_EQ(codes(2), (std::vector<std::string>{"ALU", "BRZ", "CED", "DUR"}));
    EXPECT_EQ(codes(3), (std::vector<std::string>{"BRZ", "DUR", "ALU", "CED"}));
    EXPECT_EQ(codes(4), (std::vector<std::string>{"BRZ", "ALU", "CED", "DUR"}));
    // A new order keeps the record that was current.
    EXPECT_EQ(h.dump(2)[4].rfind("row* 1 \"\" \"2\" \"ALU\"", 0), 0u) << h.joined();
    // The stray table opens without indexes; the text file is not listed.
    EXPECT_EQ(h.dump(5)[1], "field TABLE \"EXTRA   (extra.dbf, not in indexdef)\"");
    EXPECT_EQ(h.dump(5)[2], "field ORDER \"Record order\"");
    EXPECT_EQ(h.play("menu Run\nset TABLE STRAY\n"), 2);
    EXPECT_TRUE(h.sink.alerts().empty()) << h.sink.alerts().front();
}

TEST_F(TableBrowserTest, EditsCharacterNumberDateAndLogicalFieldsAndAnIndependentReaderReadsThem) {
    play("set TABLE MITREX\npress Edit\ndump\nset COMPANY \"Banksia Frames\"\nset AMOUNT 1234.5\nset CHANGED 150324\n"
         "set LITE Y\npress Save\ndump\npress Exit\n");
    ASSERT_TRUE(h.has("open \"Edit Record (MITREX)\"")) << h.joined();
    // One control per field, named by the field, in field order.
    std::vector<std::string> fields;
    for (const std::string& l : h.dump(0))
        if (l.rfind("field ", 0) == 0) fields.push_back(l.substr(6, l.find(' ', 6) - 6));
    EXPECT_EQ(fields.size(), 28u) << h.joined();
    EXPECT_EQ(fields.front(), "CUSTNO");
    EXPECT_EQ(fields.back(), "TAG1");
    EXPECT_TRUE(h.has("field AMOUNT \"12.50\"")) << h.joined();
    EXPECT_TRUE(h.has("field LITE \"N\""));
    EXPECT_TRUE(h.has("field CHANGED \"  /  /  \"") || h.has("field CHANGED \"\"")) << h.joined();

    const std::string read = h.independentDump("mitrex");
    EXPECT_NE(read.find("live|7|Banksia Frames|"), std::string::npos) << read;
    EXPECT_NE(read.find("|1234.50|"), std::string::npos) << read;
    EXPECT_NE(read.find("|T|"), std::string::npos) << read;
    EXPECT_NE(read.find("|20240315|"), std::string::npos) << read;
    // The list shows what was written; the register's indexes follow.
    EXPECT_TRUE(h.hasPrefix("row* 1 \"\" \"1\" \"     7\" \"Banksia Frames\"")) << h.joined();
    expectCheckClean();
}

TEST_F(TableBrowserTest, ANumberTooWideForItsFieldIsRefusedWithAMessageAndNothingIsWritten) {
    const std::string before = readFileBytes(h.tmp.file("mitrex.dbf"));
    play("set TABLE MITREX\npress Edit\nset COMPANY CHANGED\nset AMOUNT 12345\npress Save\npress Cancel\n"
         "press Edit\nset AMOUNT -999.99\nset CUSTNO 1234567\npress Cancel\n"
         "press Edit\nset CHANGED 310224\npress Cancel\npress Exit\n");
    // N 7.2 holds 9999.99 at most: the message names the field, its size and the value.
    EXPECT_TRUE(h.has("alert \"AMOUNT is N 7.2: 12345.00 does not fit\"")) << h.joined();
    EXPECT_TRUE(h.has("invalid AMOUNT \"12345.00\"")) << h.joined();
    EXPECT_TRUE(h.has("alert \"CUSTNO is N 6: 1234567 does not fit\"")) << h.joined();
    EXPECT_FALSE(h.has("invalid AMOUNT \"-999.99\"")) << "a value that fits is taken";
    EXPECT_TRUE(h.has("alert \"CHANGED is a date: 31/02/24 is not one\"")) << h.joined();
    EXPECT_EQ(readFileBytes(h.tmp.file("mitrex.dbf")), before) << "Save wrote nothing";
}

TEST_F(TableBrowserTest, AMemoIsEditedOnSeveralLinesAndReadBack) {
    play("set TABLE MXNOTE\ndump\ndblclick\ndump\nset NOTE \"Line one\\nLine two\"\npress Save\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("field NOTE \"first note\"")) << h.joined();
    const std::string read = h.independentDump("mxnote");
    EXPECT_NE(read.find("live|7|Line one\\r\\nLine two"), std::string::npos) << read;
    // The list shows a memo's first line.
    EXPECT_EQ(h.cellsOf(2, 3), (std::vector<std::string>{"Line one"})) << h.joined();
    expectCheckClean();
}

TEST_F(TableBrowserTest, AppendThenCancelWritesNothingAndAppendThenSaveWritesTheRecord) {
    h.reindex();
    const std::string dbf = readFileBytes(h.tmp.file("lib.dbf")), ntx = readFileBytes(h.tmp.file("libcode.ntx"));
    play("set TABLE LIB\nrow 3\npress Append\ndump\nset CODE GONE\npress Cancel\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Edit Record (LIB)\"")) << h.joined();
    EXPECT_TRUE(h.has("field CODE \"\"")) << "the form starts blank: " << h.joined();
    EXPECT_EQ(readFileBytes(h.tmp.file("lib.dbf")), dbf) << "Cancel added nothing";
    EXPECT_EQ(readFileBytes(h.tmp.file("libcode.ntx")), ntx);
    EXPECT_EQ(codes(1), (std::vector<std::string>{"ALU", "BRZ", "CED", "DUR"}));
    EXPECT_EQ(h.dump(1)[6].rfind("row* 3 ", 0), 0u) << "the row stays where it was: " << h.joined();

    play("set TABLE LIB\nkey Insert\nset CODE NEW\nset DESC \"New suite\"\npress Save\ndump\npress Append\npress Save\npress Exit\n");
    EXPECT_EQ(h.column("lib", "CODE"), (std::vector<std::string>{"DUR", "ALU", "CED", "BRZ", "NEW", ""}))
        << "a blank form saved is a blank record";
    EXPECT_EQ(h.column("lib", "DESC")[4], "New suite") << "case is kept";
    EXPECT_EQ(h.cellsOf(2, 2), (std::vector<std::string>{"ALU", "BRZ", "CED", "DUR", "NEW"}));
    EXPECT_TRUE(h.hasPrefix("row* 5 \"\" \"5\" \"NEW\"")) << "the new record is current: " << h.joined();
    expectCheckClean();
}

TEST_F(TableBrowserTest, DeleteAndRecallAskFirstAndTheMarkShowsInItsColumn) {
    play("set TABLE LIB\nrow 2\nanswer yes\npress Delete\ndump\nanswer yes\npress Recall\ndump\n"
         "row 3\nanswer no\nkey Delete\nanswer yes\nkey Delete\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("yesno \"Delete This Record?\" yes")) << h.joined();
    EXPECT_TRUE(h.has("yesno \"Recall This Record?\" yes")) << h.joined();
    EXPECT_TRUE(h.has("yesno \"Delete This Record?\" no")) << h.joined();
    EXPECT_EQ(h.cellsOf(0, 0), (std::vector<std::string>{"", "*", "", ""})) << "BRZ deleted, still shown";
    EXPECT_EQ(h.cellsOf(1, 0), (std::vector<std::string>{"", "", "", ""})) << "and recalled";
    EXPECT_EQ(h.cellsOf(2, 0), (std::vector<std::string>{"", "", "*", ""})) << "CED deleted with the key";
    const std::string read = h.independentDump("lib");
    EXPECT_NE(read.find("deleted|CED|CEDAR|"), std::string::npos) << read;
    EXPECT_NE(read.find("live|BRZ|BRONZE|"), std::string::npos) << read;
    expectCheckClean();
}

TEST_F(TableBrowserTest, SeekIsASoftSeekInTheCurrentOrderAndARecordNumberInRecordOrder) {
    play("set TABLE LIB\nanswer text C\npress Seek\ndump\nanswer text BZ\nkey F2\ndump\n"
         "row 1\nanswer text ZZZ\npress Seek\ndump\nanswer cancel\npress Seek\n"
         "set ORDER \"Record order\"\nanswer text 4\npress Seek\ndump\nanswer text 9\npress Seek\n"
         "set TABLE MITREX\nset ORDER mxamt\nanswer text 12\npress Seek\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Seek\" \"Key: CODE\" ok \"C\"")) << h.joined();
    auto current = [this](int k) {
        for (const std::string& l : h.dump(k))
            if (l.rfind("row* ", 0) == 0) return quoted(l).at(2);
        return std::string("none");
    };
    EXPECT_EQ(current(0), "CED");
    EXPECT_EQ(current(1), "CED") << "BZ is not on file: the next key";
    EXPECT_TRUE(h.has("alert \"No Match Found\"")) << h.joined();
    EXPECT_EQ(current(2), "ALU") << "nothing at or after ZZZ: the row stays";
    EXPECT_TRUE(h.has("prompt \"Seek\" \"Record number:\" ok \"4\"")) << h.joined();
    EXPECT_EQ(current(3), "BRZ");
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "alert \"No Match Found\""), 2) << "record 9 does not exist";
    EXPECT_EQ(current(4), "     7") << "a numeric order seeks the number 12 and lands on 12.50";
}

TEST_F(TableBrowserTest, ARecordAnotherProcessHoldsIsNotWrittenAndTheAlertNamesIt) {
    h.reindex();
    const std::string before = readFileBytes(h.tmp.file("lib.dbf"));
    mx::test::ChildHolder holder;
    ASSERT_TRUE(holder.start(h.tmp.file("lib.dbf"), rt::OpenMode::Shared, 2));
    ASSERT_EQ(h.play("menu Run\nset TABLE LIB\nset ORDER \"Record order\"\nrow 2\npress Edit\nset DESC CHANGED\n"
                     "press Save\nrow 3\nanswer yes\npress Delete\ndump\npress Exit\n"),
              0)
        << h.joined();
    holder.release();
    EXPECT_TRUE(h.has("alert \"Unable to Lock Record.  Try Again Later!\\nRecord 2 of LIB is locked elsewhere.\""))
        << h.joined();
    EXPECT_FALSE(h.sleeper.waits().empty()) << "the lock was retried";
    // Record 3 was free: its deletion went through; record 2 is untouched.
    const std::string after = readFileBytes(h.tmp.file("lib.dbf"));
    const size_t header = static_cast<unsigned char>(before[8]) | static_cast<unsigned char>(before[9]) << 8;
    const size_t length = static_cast<unsigned char>(before[10]) | static_cast<unsigned char>(before[11]) << 8;
    EXPECT_EQ(after.substr(header + length, length), before.substr(header + length, length));
    EXPECT_EQ(after[header + 2 * length], '*');
    expectCheckClean();
}

TEST_F(TableBrowserTest, ADamagedIndexIsNamedWithTheWayToMendItAndNothingIsWritten) {
    h.reindex();
    std::string ntx = readFileBytes(h.tmp.file("libcode.ntx"));
    ntx.replace(0, 4, "\xFF\xFF\xFF\xFF");
    writeFileBytes(h.tmp.file("libcode.ntx"), ntx);
    const std::string before = readFileBytes(h.tmp.file("lib.dbf"));
    ASSERT_EQ(h.play("menu Run\nset TABLE LIB\ndump\nset TABLE LIBCAT\npress Exit\n"), 0) << h.joined();
    ASSERT_FALSE(h.sink.alerts().empty());
    const std::string alert = h.sink.alerts().front();
    EXPECT_EQ(alert.rfind("Unable to Open Index Files. The index file ", 0), 0u) << alert;
    EXPECT_NE(alert.find("libcode.ntx is damaged"), std::string::npos) << alert;
    const std::string mend = "mxadmin reindex " + h.tmp.path();
    EXPECT_NE(alert.find(mend), std::string::npos) << alert;
    EXPECT_EQ(alert.find(mend), alert.rfind(mend)) << "the way to mend it told once: " << alert;
    // No table, no changing button.
    EXPECT_EQ(h.play("menu Run\nset TABLE LIB\npress Append\n"), 2) << h.joined();
    EXPECT_EQ(readFileBytes(h.tmp.file("lib.dbf")), before);
}

TEST_F(TableBrowserTest, ARecordWhoseIndexEntryIsMissingIsNotWrittenAndTheTableIsNoLongerChanged) {
    h.reindex();
    // Another program changed record 2's code from ALU to AXU and left the index as it was.
    std::string dbf = readFileBytes(h.tmp.file("lib.dbf"));
    const size_t header = static_cast<unsigned char>(dbf[8]) | static_cast<unsigned char>(dbf[9]) << 8;
    const size_t length = static_cast<unsigned char>(dbf[10]) | static_cast<unsigned char>(dbf[11]) << 8;
    ASSERT_EQ(dbf.substr(header + length + 1, 3), "ALU");
    dbf[header + length + 2] = 'X';
    writeFileBytes(h.tmp.file("lib.dbf"), dbf);
    const std::string ntx = readFileBytes(h.tmp.file("libcode.ntx"));
    EXPECT_EQ(h.play("menu Run\nset TABLE LIB\nrow 1\npress Edit\nset DESC MENDED\npress Save\npress Delete\n"), 2)
        << h.joined();
    EXPECT_TRUE(h.hasPrefix("alert \"")) << h.joined();
    std::string alert;
    for (const std::string& l : h.lines)
        if (l.rfind("alert ", 0) == 0) alert = l;
    EXPECT_NE(alert.find("libcode.ntx: no key \\\"AXU"), std::string::npos) << alert;
    EXPECT_NE(alert.find("mxadmin check"), std::string::npos) << alert;
    EXPECT_NE(alert.find("Nothing more is written to LIB."), std::string::npos) << alert;
    EXPECT_TRUE(h.has("error: line 7: no button \"Delete\" in \"Table Browser\"") ||
                h.error.find("Delete") != std::string::npos)
        << h.joined();
    EXPECT_EQ(readFileBytes(h.tmp.file("lib.dbf")), dbf) << "nothing written to the table";
    EXPECT_EQ(readFileBytes(h.tmp.file("libcode.ntx")), ntx) << "nor to its index";
}

}  // namespace
}  // namespace mx::tablebrowser::test
