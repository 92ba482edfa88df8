// The table browser's view played as scripted sessions: the filter (and
// what a bad one says), Find, Go To and the record numbers, the CSV export
// read back by an independent reader, the printout read back with
// pdftotext, Copy, Seek typed in lower case, the record form's paging, and
// a count over a shared table.
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "BrowserHarness.h"
#include "ExprFormat.h"
#include "TableView.h"
#include "TestUtil.h"

namespace mx::tablebrowser::test {
namespace {

namespace fs = std::filesystem;
using mx::test::readFileBytes;
using mx::test::writeFileBytes;

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.appendLib({{{"CODE", C("RS600")}, {"DESC", C("RESIDENTIAL 600")}, {"CATEGORY", C("RES")}, {"SERIAL", N(5)}}});
        h.append("mitrex", {{{"CUSTNO", N(7)}, {"COMPANY", C("OLD NAME PTY LTD")}, {"AMOUNT", N(12.5)},
                             {"CHANGED", rt::Value::date(rt::parseDate("15/03/24", "dd/mm/yy", 1945))}, {"LITE", L(true)}},
                            {{"CUSTNO", N(8)}, {"COMPANY", C("Banksia, \"Frames\"")}, {"AMOUNT", N(-3)}}});
        h.append("mxnote", {{{"CUSTNO", N(7)}, {"NOTE", C("first note")}},
                            {{"CUSTNO", N(8)}, {"NOTE", C("line one, \"quoted\"\r\nsecond Note")}}});
        fs::create_directory(h.tmp.file("out"));
    }

    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }
    std::vector<std::string> codes(int dump) const { return h.cellsOf(dump, 2); }
    // The first field of the current row of the k-th dump.
    std::string current(int k) const {
        for (const std::string& l : h.dump(k))
            if (l.rfind("row* ", 0) == 0) return quoted(l).at(2);
        return "none";
    }
    std::string line(const std::string& prefix) const {
        for (const std::string& l : h.lines)
            if (l.rfind(prefix, 0) == 0) return l;
        return "none";
    }
    std::string compare(const std::string& table, const std::string& csv, const std::string& positions) const {
        return shell("/usr/bin/python3 '" + std::string(MX_SOURCE_DIR) + "/tests/tools/csv_vs_dbf.py' '" +
                     h.tmp.file(table + ".dbf") + "' '" + csv + "' " + positions);
    }

    BrowserHarness h;
};

TEST_F(ViewTest, AFilterShowsTheRecordsItLetsThroughAndTheirCountAndAnEmptyOneRemovesIt) {
    play("set TABLE LIB\nanswer text \"CATEGORY = 'RES' .AND. SERIAL > 2\"\npress Filter\ndump\n"
         "answer text \"CATEGORY = 'RES'\"\npress Filter\ndump\nanswer text \"\"\npress Filter\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Filter\" \"Expression:\" ok \"CATEGORY = 'RES' .AND. SERIAL > 2\"")) << h.joined();
    EXPECT_EQ(h.dump(0)[1], "field TABLE \"LIB   (filter: CATEGORY = 'RES' .AND. SERIAL > 2, 2 of 5 records)\"");
    EXPECT_EQ(codes(0), (std::vector<std::string>{"CED", "RS600"}));
    EXPECT_EQ(h.dump(1)[1], "field TABLE \"LIB   (filter: CATEGORY = 'RES', 3 of 5 records)\"");
    EXPECT_EQ(codes(1), (std::vector<std::string>{"ALU", "CED", "RS600"}));
    EXPECT_EQ(current(1), "CED") << "the record shown stays when it passes";
    EXPECT_EQ(h.dump(2)[1], "field TABLE \"LIB\"") << "no filter, no note";
    EXPECT_EQ(codes(2), (std::vector<std::string>{"ALU", "BRZ", "CED", "DUR", "RS600"}));
}

TEST_F(ViewTest, ABadFilterIsAnAlertWithThePositionAndTheReasonAndTheListStaysAsItWas) {
    play("set TABLE LIB\nanswer text \"CATEGORY = 'COM'\"\npress Filter\n"
         "answer text \"SERIAL > \"\npress Filter\nanswer text \"CODE = 'A' .AND. FILE('x')\"\npress Filter\n"
         "answer text \"CODE\"\npress Filter\nanswer text \"SERIAL = 'A'\"\npress Filter\ndump\npress Exit\n");
    std::vector<std::string> alerts;
    for (const std::string& l : h.lines)
        if (l.rfind("alert ", 0) == 0) alerts.push_back(l);
    ASSERT_EQ(alerts.size(), 4u) << h.joined();
    EXPECT_EQ(alerts[0].rfind("alert \"The filter cannot be used: at position 9: unexpected end", 0), 0u) << alerts[0];
    EXPECT_EQ(alerts[1].rfind("alert \"The filter cannot be used: at position 18: unknown function FILE", 0), 0u)
        << alerts[1];
    EXPECT_NE(alerts[2].find("not a condition"), std::string::npos) << alerts[2];
    EXPECT_NE(alerts[3].find("SERIAL = 'A'"), std::string::npos) << "a filter that fails on a record: " << alerts[3];
    EXPECT_EQ(h.dump(0)[1], "field TABLE \"LIB   (filter: CATEGORY = 'COM', 2 of 5 records)\"") << h.joined();
    EXPECT_EQ(codes(0), (std::vector<std::string>{"BRZ", "DUR"}));
}

TEST_F(ViewTest, FindLooksInEveryCharacterAndMemoFieldFromTheNextRecordIgnoringCaseWithinTheFilter) {
    play("set TABLE LIB\nset ORDER \"Record order\"\nrow 1\nanswer text al\npress Find\ndump\nanswer ok\npress Find\ndump\n"
         "answer ok\npress Find\ndump\nrow 1\nanswer text res\npress Find\ndump\n"
         "answer text \"CATEGORY = 'COM'\"\npress Filter\nanswer text ze\npress Find\n"
         "dump\nset TABLE MXNOTE\nset ORDER \"Record order\"\nanswer text NOTE\npress Find\ndump\npress Exit\n");
    EXPECT_EQ(current(0), "ALU") << "DURALITE is the current record: the search starts after it";
    EXPECT_EQ(current(1), "RS600") << "RESIDENTIAL, the next press going on from ALU";
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "prompt \"Find\" \"Text:\" ok \"al\""), 3)
        << "the last text is offered again: " << h.joined();
    EXPECT_TRUE(h.has("alert \"No Match Found\"")) << h.joined();
    EXPECT_EQ(current(2), "RS600") << "nothing after it: the row stays";
    EXPECT_EQ(current(3), "ALU") << "RES is ALU's category, in upper case";
    EXPECT_EQ(current(4), "BRZ") << "BRONZE; the filter hides the others";
    EXPECT_EQ(h.cellsOf(5, 1), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(current(5), "     8") << "found in the memo of record 2";
}

TEST_F(ViewTest, GoToTakesARecordNumberInAnyOrderAndRefusesOneHiddenByTheFilterOrAbsent) {
    play("set TABLE LIB\ndump\nanswer text 3\npress \"Go To\"\ndump\nanswer text \"CATEGORY = 'COM'\"\npress Filter\n"
         "answer text 2\npress \"Go To\"\nanswer text 4\npress \"Go To\"\ndump\nanswer text 9\npress \"Go To\"\ndump\n"
         "press Exit\n");
    EXPECT_EQ(h.cellsOf(0, 1), (std::vector<std::string>{"2", "4", "3", "1", "5"})) << "the Rec column, in code order";
    EXPECT_EQ(h.dump(0)[3].rfind("browse \"Del\" \"Rec\" \"CODE\"", 0), 0u);
    EXPECT_EQ(current(1), "CED");
    EXPECT_TRUE(h.has("prompt \"Go To\" \"Record number:\" ok \"3\"")) << h.joined();
    EXPECT_TRUE(h.has("alert \"Record 2 of LIB is hidden by the filter.\"")) << h.joined();
    EXPECT_EQ(current(2), "BRZ");
    EXPECT_TRUE(h.has("alert \"There is no record 9 in LIB: it has 5 records.\"")) << h.joined();
    EXPECT_EQ(current(3), "BRZ");
}

TEST_F(ViewTest, ExportWritesTheViewAsCsvThatAnIndependentReaderAgreesWith) {
    const std::string out = h.tmp.file("out");
    writeFileBytes(out + "/lib.csv", "old");
    play("set TABLE MITREX\nset ORDER \"Record order\"\nanswer text " + out + "/mitrex.csv\npress Export\n"
         "set TABLE MXNOTE\nset ORDER \"Record order\"\nanswer text " + out + "/notes.csv\npress Export\n"
         "set TABLE LIB\nanswer text \"CATEGORY = 'RES'\"\npress Filter\nanswer text " + out + "/lib.csv\nanswer no\n"
         "press Export\nanswer text " + out + "/lib.csv\nanswer yes\npress Export\n"
         "answer text " + out + "/missing/lib.csv\npress Export\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Export\" \"File:\" ok \"" + out + "/mitrex.csv\"")) << h.joined();
    EXPECT_TRUE(h.has("info \"2 records of MITREX exported to " + out + "/mitrex.csv.\"")) << h.joined();
    EXPECT_EQ(compare("mitrex", out + "/mitrex.csv", "1 2"), "same 2\n");
    EXPECT_EQ(compare("mxnote", out + "/notes.csv", "1 2"), "same 2\n") << "memos whole, quotes and commas kept";
    // In code order, through the filter; asked before the old file was replaced.
    EXPECT_TRUE(h.has("yesno \"" + out + "/lib.csv exists. Replace it?\" no")) << h.joined();
    EXPECT_EQ(compare("lib", out + "/lib.csv", "2 3 5"), "same 3\n");
    EXPECT_NE(line("alert \"The export was not written: " + out + "/missing/lib.csv"), "none") << h.joined();
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(out)) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"lib.csv", "mitrex.csv", "notes.csv"})) << "no temporary file is left";
    // The dates in the date style, the numbers as the field shows them.
    EXPECT_NE(readFileBytes(out + "/mitrex.csv").find("\r\n7,OLD NAME PTY LTD,"), std::string::npos);
    EXPECT_NE(readFileBytes(out + "/mitrex.csv").find(",15/03/24,"), std::string::npos);

    // A name without a folder is the starting folder's.
    setStartFolder(QString::fromStdString(out));
    play("set TABLE LIB\nanswer text plain.csv\npress Export\npress Exit\n");
    setStartFolder({});
    EXPECT_EQ(compare("lib", out + "/plain.csv", "2 4 3 1 5"), "same 5\n") << h.joined();
}

TEST_F(ViewTest, PrintPutsEveryFieldOfTheViewOnLandscapePagesTitledWithTheTableAndTheFilter) {
    play("set TABLE MITREX\npress Print\nset TABLE LIB\nanswer text \"CATEGORY = 'RES'\"\npress Filter\npress Print\n"
         "press Exit\n");
    std::vector<std::string> printed;
    for (const std::string& l : h.lines)
        if (l.rfind("print ", 0) == 0) printed.push_back(l);
    ASSERT_EQ(printed.size(), 2u) << h.joined();
    // The transcript names the file in the print folder.
    auto file = [this](const std::string& l) {
        const size_t from = l.find(" preview ") + 9;
        return h.tmp.file("print/" + l.substr(from, l.rfind(" pages=") - from));
    };
    const std::string mitrex = shell("pdftotext -layout '" + file(printed[0]) + "' -");
    EXPECT_EQ(printed[0].rfind("print \"MITREX\" preview ", 0), 0u) << printed[0];
    EXPECT_EQ(printed[0].find(" pages=1"), std::string::npos) << "too many fields for one page: " << printed[0];
    const std::string info = shell("pdfinfo '" + file(printed[0]) + "'");
    double width = 0, height = 0;
    const size_t size = info.find("Page size:");
    ASSERT_NE(size, std::string::npos) << info;
    ASSERT_EQ(std::sscanf(info.c_str() + size, "Page size: %lf x %lf", &width, &height), 2) << info;
    EXPECT_GT(width, height) << "landscape: " << info;
    // Every field is printed whole: its header, and the values of both records.
    rt::Session s;
    rt::WorkArea& a = s.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared, true);
    for (const rt::FieldDef& f : a.table().fields()) EXPECT_NE(mitrex.find(f.name), std::string::npos) << f.name;
    s.closeAll();
    EXPECT_NE(mitrex.find("OLD NAME PTY LTD"), std::string::npos) << mitrex;
    EXPECT_NE(mitrex.find("Banksia, \"Frames\""), std::string::npos) << mitrex;
    EXPECT_NE(mitrex.find("15/03/24"), std::string::npos) << mitrex;

    EXPECT_EQ(printed[1].rfind("print \"LIB  (filter: CATEGORY = 'RES')\" preview ", 0), 0u) << printed[1];
    const std::string lib = shell("pdftotext -layout '" + file(printed[1]) + "' -");
    EXPECT_NE(lib.find("LIB (filter: CATEGORY = 'RES')"), std::string::npos) << "the title, blanks joined: " << lib;
    for (const char* shown : {"ALUMINIUM", "CEDAR", "RESIDENTIAL 600"}) EXPECT_NE(lib.find(shown), std::string::npos) << shown;
    for (const char* hidden : {"DURALITE", "BRONZE"}) EXPECT_EQ(lib.find(hidden), std::string::npos) << hidden;
}

TEST_F(ViewTest, CopyPutsTheRecordOnTheClipboardAsTabSeparatedNamesAndValues) {
    play("set TABLE LIB\nrow 1\npress Copy\nset TABLE MXNOTE\nset ORDER \"Record order\"\nrow 2\npress Copy\npress Exit\n");
    const std::string lib = line("clipboard ");
    EXPECT_EQ(lib.rfind("clipboard \"CODE\\tDESC\\tCATEGORY\\tSERIAL\\tMAXADJUST\\tGROUP\\t", 0), 0u) << h.joined();
    EXPECT_NE(lib.find("\\nALU\\tALUMINIUM\\tRES\\t2\\t3\\t\\t"), std::string::npos) << lib;
    EXPECT_TRUE(h.has("clipboard \"CUSTNO\\tNOTE\\n8\\tline one, \\\"quoted\\\" second Note\"")) << h.joined();
}

TEST_F(ViewTest, SeekTypedInLowerCaseFindsTheUpperCaseKey) {
    play("set TABLE LIB\nanswer text rs6\npress Seek\ndump\nanswer text ced\nkey F2\ndump\nanswer text c\npress Seek\ndump\n"
         "answer text zz\npress Seek\ndump\npress Exit\n");
    EXPECT_EQ(current(0), "RS600") << h.joined();
    EXPECT_EQ(current(1), "CED");
    EXPECT_EQ(current(2), "CED") << "the first key from C";
    EXPECT_TRUE(h.has("alert \"No Match Found\"")) << h.joined();
    EXPECT_EQ(current(3), "CED");
}

TEST_F(ViewTest, PageDownAndPageUpPageTheRecordFormWithoutSavingIt) {
    h.reindex();
    const std::string before = readFileBytes(h.tmp.file("mitrex.dbf"));
    // Had Page Down saved, Cancel would not be found in the browser.
    play("set TABLE MITREX\nset ORDER \"Record order\"\npress Edit\nset COMPANY CHANGED\nkey PageDown\nkey PageDown\nkey PageUp\npress Cancel\n"
         "press Edit\nset COMPANY SAVED\nkey PageDown\npress Save\npress Exit\n");
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "close \"Edit Record (MITREX)\""), 2) << h.joined();
    EXPECT_EQ(h.column("mitrex", "COMPANY"), (std::vector<std::string>{"SAVED", "Banksia, \"Frames\""}));
    EXPECT_NE(readFileBytes(h.tmp.file("mitrex.dbf")), before);
}

TEST_F(ViewTest, CtrlSSavesTheRecordForm) {
    // Ctrl+S is pressed once the form has been dumped; the pause lets it act.
    h.onLine = [](const std::string& l) {
        if (l != "end dump") return;
        QTimer::singleShot(0, [] {
            if (QWidget* form = tk::Ui::instance().activeWindow()) QTest::keyClick(form, Qt::Key_S, Qt::ControlModifier);
        });
    };
    play("set TABLE MITREX\nset ORDER \"Record order\"\npress Edit\nset COMPANY KEYED\ndump\nwait 0.3\npress Exit\n");
    h.onLine = nullptr;
    EXPECT_EQ(h.column("mitrex", "COMPANY").front(), "KEYED") << h.joined();
}

TEST_F(ViewTest, ACountOnASharedTableReadsItInBlocksAndTheNextCountSeesAnotherStationsWrite) {
    std::vector<mx::test::Row> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({{"CODE", C("X")}, {"SERIAL", N(i % 10 == 7 ? 7 : 1)}});
    h.append("lib", rows);
    rt::Session s;
    rt::WorkArea& lib = s.open(h.tmp.file("lib.dbf"), "LIB", rt::OpenMode::Shared);
    lib.setFilter("SERIAL = 7");
    const std::uint64_t before = lib.table().sharedFileReads();
    EXPECT_EQ(countView(s, lib), 300u);
    EXPECT_LT(lib.table().sharedFileReads() - before, 40u) << "3 005 records read in 64 KiB blocks, not one by one";

    rt::Session other;
    rt::WorkArea& b = other.open(h.tmp.file("lib.dbf"), "LIB", rt::OpenMode::Shared);
    b.goTo(2);
    ASSERT_TRUE(b.lock());
    b.setField("SERIAL", N(7));
    b.unlock();
    EXPECT_EQ(countView(s, lib), 301u) << "nothing read by one count serves the next";
}

}  // namespace
}  // namespace mx::tablebrowser::test
