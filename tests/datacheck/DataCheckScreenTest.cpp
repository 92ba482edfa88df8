// The Data Check screen on real data sets: the demo set, which has nothing
// to report, and a copy with one fault of each kind planted by an
// independent writer (python3-dbf) and reindexed by mxadmin. The list must
// hold every finding of the check, the printed report every finding, Browse
// must open the table browser on the finding's table and record, and the
// data files must be the same bytes after all of it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CrossCheck.h"
#include "DataCheckScreen.h"
#include "PdfText.h"
#include "ProgramRunner.h"
#include "ScreenHarness.h"
#include "TableBrowser.h"

namespace mx::test {
namespace {

namespace fs = std::filesystem;

// Every file below `dir` with its bytes, the print folder left out.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string rel = fs::relative(e.path(), dir).string();
        if (e.is_regular_file() && rel.rfind("print", 0) != 0) files[rel] = readFileBytes(e.path().string());
    }
    return files;
}

// A transcript or dump line's quoted cells, unescaped.
std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '"') continue;
        std::string cell;
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) ++i;
            cell += line[i];
        }
        out.push_back(cell);
    }
    return out;
}

std::string trimmed(std::string s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

std::string lowered(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class DataCheckScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sets = new TempDir;
        const std::string admin = mx::test::mxadmin();
        const std::string demo = sets->file("demo"), planted = sets->file("planted");
        ASSERT_EQ(run(admin + " init '" + demo + "' --demo").status, 0);
        ASSERT_EQ(run(admin + " init '" + planted + "' --demo").status, 0);
        const std::string plant = "/usr/bin/python3 '" + std::string(MX_SOURCE_DIR) + "/tests/tools/plant_faults.py' '" + planted + "' ";
        ASSERT_EQ(run(plant + "tables").status, 0);
        ASSERT_EQ(run(admin + " reindex '" + planted + "'").status, 0);
        ASSERT_EQ(run(plant + "keys").status, 0);
    }
    static void TearDownTestSuite() { delete sets; }

    // The harness's data set replaced by a copy of `set` ("demo" or "planted").
    void use(const std::string& set) {
        h.session.closeAll();
        for (const auto& e : fs::directory_iterator(h.tmp.path())) fs::remove_all(e.path());
        fs::copy(sets->file(set), h.tmp.path(), fs::copy_options::recursive);
        // The report's PDFs go beside the data set, not into it.
        tk::Ui::instance().setPrintDir(QString::fromStdString(prints.path()));
        h.action = [this] {
            datacheck::DATACHECK(h.ctx, [this](const std::string& alias, std::uint32_t recno) {
                opened.emplace_back(alias, recno);
                tablebrowser::BROWSE(h.ctx, alias, recno);
            });
        };
    }
    // The check itself, in a session of its own, for what the screen must list.
    integrity::Report expected() {
        rt::Session s;
        ds::RecordingSink sink;
        ds::RecordingSleeper sleeper;
        ds::DataContext ctx(s, sink, sleeper, h.tmp.path());
        ds::applyTableAccessDefaults(s);
        return integrity::crossCheck(ctx);
    }
    // The "row" lines of a dump.
    static std::vector<std::string> rowLines(const std::vector<std::string>& dump) {
        std::vector<std::string> rows;
        for (const std::string& l : dump)
            if (l.rfind("row", 0) == 0) rows.push_back(l);
        return rows;
    }
    // `dump` is the table browser's, on `f`'s table with `f`'s record current:
    // the current row shows the record's character fields.
    void expectBrowserOn(const std::vector<std::string>& dump, const integrity::Finding& f, const std::string& all) {
        ASSERT_FALSE(dump.empty()) << all;
        EXPECT_EQ(dump.front(), "dump \"" + std::string(tablebrowser::kTitle) + "\"");
        EXPECT_TRUE(std::find(dump.begin(), dump.end(), "field TABLE \"" + f.alias + "\"") != dump.end()) << all;
        std::string current;
        for (const std::string& l : rowLines(dump))
            if (l.rfind("row* ", 0) == 0) current = l;
        ASSERT_FALSE(current.empty()) << all;
        rt::Session s;
        rt::WorkArea& a = s.open(h.tmp.file(lowered(f.alias) + ".dbf"), "", rt::OpenMode::Shared, true);
        a.goTo(f.recno);
        const std::vector<std::string> cells = cellsOf(current);
        const std::multiset<std::string> shown(cells.begin(), cells.end());
        int compared = 0;
        for (int i = 0; i < a.fieldCount(); ++i) {
            if (a.field(i).type != rt::FieldType::Character) continue;
            const std::string v = trimmed(a.fieldValue(i).str());
            if (v.empty() || v.size() > 30) continue;
            EXPECT_TRUE(shown.count(v)) << a.field(i).name << " \"" << v << "\" not in " << current;
            ++compared;
        }
        EXPECT_GT(compared, 0);
    }
    // The first finding of a table other than the first one listed, at a
    // record other than its table's first.
    static std::size_t laterFinding(const integrity::Report& report) {
        std::size_t pick = 0;
        while (pick < report.findings.size() &&
               (report.findings[pick].alias == report.findings.front().alias || report.findings[pick].recno < 2))
            ++pick;
        return pick;
    }
    std::string printedFile() const {
        for (const std::string& l : h.lines)
            if (l.rfind("print \"Data Check\" preview ", 0) == 0) {
                const std::string rest = l.substr(std::string("print \"Data Check\" preview ").size());
                return prints.file(rest.substr(0, rest.find(' ')));
            }
        return {};
    }

    static TempDir* sets;
    ScreenHarness h;
    TempDir prints;
    std::vector<std::pair<std::string, std::uint32_t>> opened;
};

TempDir* DataCheckScreenTest::sets = nullptr;

TEST_F(DataCheckScreenTest, TheListHoldsEveryFindingInTheChecksOrderAndThePrintedReportHoldsThemToo) {
    use("planted");
    const integrity::Report report = expected();
    ASSERT_TRUE(report.readable());
    ASSERT_GE(report.findings.size(), 35u) << "the planting script ran";
    const auto before = snapshot(h.tmp.path());

    ASSERT_EQ(h.play("menu Run\ndump\npress Print\npress Exit\n"), 0) << h.joined();
    EXPECT_EQ(snapshot(h.tmp.path()), before) << "the screen and its report wrote nothing to the data set";
    EXPECT_EQ(h.session.area("DATACHECK"), nullptr) << "the list's scratch table is closed";

    const std::vector<std::string> dump = h.dump(0);
    ASSERT_FALSE(dump.empty()) << h.joined();
    EXPECT_EQ(dump.front(), "dump \"Data Check\"");
    EXPECT_TRUE(std::find(dump.begin(), dump.end(), "browse \"Table\" \"Record\" \"Code\" \"Field\" \"Problem\"") !=
                dump.end())
        << h.joined();
    const std::vector<std::string> rows = rowLines(dump);
    ASSERT_EQ(rows.size(), report.findings.size()) << h.joined();
    EXPECT_EQ(rows.front().rfind("row* 1 ", 0), 0u) << "the first finding is the current row";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const integrity::Finding& f = report.findings[i];
        const std::vector<std::string> cells = cellsOf(rows[i]);
        EXPECT_EQ(cells, (std::vector<std::string>{f.alias, std::to_string(f.recno), trimmed(f.code), trimmed(f.field),
                                                   trimmed(f.problem)}))
            << rows[i];
    }

    // The report: every finding's problem whole, and the tables.
    const std::string pdf = printedFile();
    ASSERT_FALSE(pdf.empty()) << h.joined();
    const std::string text = mx::test::pdfText(QString::fromStdString(pdf), false).simplified().toStdString();
    EXPECT_NE(text.find("Data Check"), std::string::npos);
    for (const integrity::Finding& f : report.findings) {
        const std::string problem = QString::fromStdString(f.problem).simplified().toStdString();
        EXPECT_NE(text.find(problem), std::string::npos) << f.alias << " #" << f.recno << ": " << problem;
    }
    for (const char* alias : {"ASSLINE", "ASSDRAW", "LIB", "MITREX", "INDEXDEF"})
        EXPECT_NE(text.find(alias), std::string::npos) << alias;
}

TEST_F(DataCheckScreenTest, BrowseOpensTheTableBrowserOnTheFindingsTableAtItsRecordAndWritesNothing) {
    use("planted");
    const integrity::Report report = expected();
    const std::size_t pick = laterFinding(report);
    ASSERT_LT(pick, report.findings.size());
    const integrity::Finding& f = report.findings[pick];
    const auto before = snapshot(h.tmp.path());

    const std::string row = "row " + std::to_string(pick + 1) + "\n";
    ASSERT_EQ(h.play("menu Run\n" + row + "press Browse\ndump\npress Exit\n" + row + "key Enter\npress Exit\npress Exit\n"),
              0)
        << h.joined();
    EXPECT_EQ(snapshot(h.tmp.path()), before);
    ASSERT_EQ(opened.size(), 2u) << "Browse and Enter each open the browser" << h.joined();
    EXPECT_EQ(opened[0], std::make_pair(f.alias, f.recno));
    EXPECT_EQ(opened[1], std::make_pair(f.alias, f.recno));

    expectBrowserOn(h.dump(0), f, h.joined());
}

TEST_F(DataCheckScreenTest, TheProgramsMenuRunsTheScreenAndItsBrowseOpensTheProgramsTableBrowser) {
    use("planted");
    const integrity::Report report = expected();
    const std::size_t pick = laterFinding(report);
    ASSERT_LT(pick, report.findings.size());
    const auto before = snapshot(h.tmp.path());
    writeFileBytes(prints.file("script.txt"), "menu \"Integrity Checks\" \"Data Check\"\nrow " + std::to_string(pick + 1) +
                                                  "\npress Browse\ndump\npress Exit\npress Print\npress Exit\n");
    const RunResult r = run(mx::test::mxdev() + " --data '" + h.tmp.path() + "' --print-dir '" + prints.path() +
                            "' --play '" + prints.file("script.txt") + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(snapshot(h.tmp.path()), before) << "nothing written to the data set";
    EXPECT_NE(r.out.find("open \"Data Check\"\nopen \"Table Browser\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("print \"Data Check\" preview 001-Data_Check.pdf"), std::string::npos) << r.out;
    h.lines.clear();
    for (std::size_t at = 0, nl; at < r.out.size(); at = nl + 1) {
        nl = r.out.find('\n', at);
        if (nl == std::string::npos) nl = r.out.size();
        h.lines.push_back(r.out.substr(at, nl - at));
    }
    expectBrowserOn(h.dump(0), report.findings[pick], r.out);
}

TEST_F(DataCheckScreenTest, OnAReadOnlyShareTheProgramRunAsAnUnprivilegedUserListsEveryFinding) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    if (run("command -v setpriv >/dev/null").status != 0) GTEST_SKIP() << "setpriv is not installed";
    const std::string as = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    if (run(as + mx::test::mxadmin() + " --version >/dev/null").status != 0)
        GTEST_SKIP() << "nobody cannot run the built programs here";

    use("planted");
    const integrity::Report report = expected();
    // The data set nobody can read and not write; the script and the
    // printout in a folder of their own.
    TempDir share;
    const std::string dir = share.file("data"), out = share.file("out");
    fs::copy(h.tmp.path(), dir, fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(dir)) fs::permissions(e.path(), fs::perms(0444));
    fs::permissions(dir, fs::perms(0555));
    fs::create_directory(out);
    fs::permissions(out, fs::perms::all);
    fs::permissions(share.path(), fs::perms(0755));
    writeFileBytes(out + "/script.txt", "menu \"Integrity Checks\" \"Data Check\"\ndump\npress Print\npress Exit\n");
    fs::permissions(out + "/script.txt", fs::perms(0444));
    const auto before = snapshot(dir);

    const RunResult r = run(as + "env HOME='" + out + "' " + mx::test::mxdev() + " --data '" + dir + "' --print-dir '" +
                            out + "/print' --play '" + out + "/script.txt'");
    fs::permissions(dir, fs::perms(0755));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(snapshot(dir), before);
    std::size_t rows = 0;
    for (std::size_t at = r.out.find("\nrow"); at != std::string::npos; at = r.out.find("\nrow", at + 1)) ++rows;
    EXPECT_EQ(rows, report.findings.size()) << r.out;
    EXPECT_NE(r.out.find("print \"Data Check\" preview 001-Data_Check.pdf"), std::string::npos) << r.out;
}

TEST_F(DataCheckScreenTest, TheDemoDataSetIsReportedCleanInABoxWithoutAList) {
    use("demo");
    const auto before = snapshot(h.tmp.path());
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    EXPECT_TRUE(h.hasPrefix("info \"The data check found nothing to report: the 15 tables agree")) << h.joined();
    EXPECT_FALSE(h.has("open \"Data Check\"")) << h.joined();
    EXPECT_EQ(snapshot(h.tmp.path()), before);
}

TEST_F(DataCheckScreenTest, ATableThatCannotBeReadIsListedFirstAndTheOtherFindingsStillFollow) {
    use("planted");
    fs::remove(h.tmp.file("stockcat.dbf"));
    const integrity::Report report = expected();
    ASSERT_FALSE(report.readable());
    ASSERT_EQ(h.play("menu Run\ndump\nrow 1\npress Browse\npress Exit\n"), 0) << h.joined();
    EXPECT_TRUE(opened.empty()) << "a row without a record opens nothing";
    const std::vector<std::string> rows = rowLines(h.dump(0));
    ASSERT_EQ(rows.size(), report.unreadable.size() + report.findings.size()) << h.joined();
    const std::vector<std::string> first = cellsOf(rows.front());
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[0], "STOCKCAT");
    EXPECT_EQ(first[1], "");
    EXPECT_EQ(first[4].rfind("The table cannot be read and was not checked: ", 0), 0u) << first[4];
    EXPECT_NE(first[4].find("stockcat"), std::string::npos) << "the cause names the file: " << first[4];
}

TEST(DataCheckRows, TheUnreadableTablesComeFirstSplitIntoTableAndCause) {
    integrity::Report r;
    r.unreadable = {"LIB: lib.dbf is held exclusively elsewhere", "no colon here"};
    r.findings = {{"ASSLINE", 184, "X", "ASSCODE", "names nothing"}};
    const std::vector<integrity::Finding> rows = datacheck::listedRows(r);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].alias, "LIB");
    EXPECT_EQ(rows[0].recno, 0u);
    EXPECT_EQ(rows[0].problem, "The table cannot be read and was not checked: lib.dbf is held exclusively elsewhere");
    EXPECT_EQ(rows[1].alias, "");
    EXPECT_EQ(rows[1].problem, "no colon here");
    EXPECT_EQ(rows[2], r.findings[0]);

    integrity::Progress p{8, 15, "ASSLINE", 0, 0};
    EXPECT_EQ(datacheck::progressText(p), "Data check: ASSLINE, table 8 of 15");
    p.record = 4096;
    p.records = 12000;
    EXPECT_EQ(datacheck::progressText(p), "Data check: ASSLINE, table 8 of 15, record 4096 of 12000");
}

}  // namespace
}  // namespace mx::test

namespace mx::test {
namespace {

// The printed lines: the problem broken at blanks, nothing lost, the other
// cells on its first line only.
TEST(DataCheckRows, TheReportBreaksEachProblemAtBlanksWithinTheWidthAndLosesNothing) {
    const std::vector<integrity::Finding> rows = {
        {"LIB", 7, "RS500", "SERIAL", "two  words then averyveryverylongword and more"},
        {"STOCK", 12, "X1", "CATEGORY", "short"},
        {"MITREX", 3, "", "LIBCODE1", ""}};
    const auto lines = datacheck::reportLines(rows, 10);
    std::vector<std::string> problems;
    for (const auto& l : lines) {
        ASSERT_EQ(l.size(), 5u);
        EXPECT_LE(l[4].size(), 10u) << l[4];
        problems.push_back(l[4]);
    }
    EXPECT_EQ(problems, (std::vector<std::string>{"two words", "then", "averyveryv", "erylongwor", "d and more", "short", ""}));
    EXPECT_EQ(lines[0], (std::vector<std::string>{"LIB", "7", "RS500", "SERIAL", "two words"}));
    EXPECT_EQ(lines[1], (std::vector<std::string>{"", "", "", "", "then"}));
    EXPECT_EQ(lines[5], (std::vector<std::string>{"STOCK", "12", "X1", "CATEGORY", "short"}));
    EXPECT_EQ(lines[6], (std::vector<std::string>{"MITREX", "3", "", "LIBCODE1", ""}));
}

}  // namespace
}  // namespace mx::test
