// The library's outputs played from the library screen as scripted sessions:
// the library list, the library-users search ("Customers") with its dialog
// and its drawn report read back from the PDF, and what the search leaves in
// the register and in the library's tags. Then two workstations decoding
// suite codes into the shared library at the same time.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "LibraryCodes.h"
#include "LibraryHarness.h"
#include "LibraryReports.h"
#include "LibraryScreen.h"
#include "Opening.h"
#include "PdfText.h"
#include "Sleeper.h"

namespace mx::lib::test {
namespace {

using rt::Value;

// Four entries numbered as "&Lib Code" leaves them: one group, ALU 1, BRZ 2,
// CED 4, DUR 8. Record order differs from code order.
std::vector<Row> fourEntries() {
    return {{{"CODE", C("DUR")}, {"DESC", C("DURALITE")}, {"CATEGORY", C("COM")}, {"SERIAL", N(4)},
             {"GROUP", N(1)}, {"NUMBER", N(8)}},
            {{"CODE", C("ALU")}, {"DESC", C("ALUMINIUM")}, {"CATEGORY", C("RES")}, {"SERIAL", N(1)},
             {"MAXADJUST", N(3)}, {"GROUP", N(1)}, {"NUMBER", N(1)}, {"TAG", L(true)}},
            {{"CODE", C("CED")}, {"DESC", C("CEDAR")}, {"CATEGORY", C("RES")}, {"SERIAL", N(3)},
             {"GROUP", N(1)}, {"NUMBER", N(4)}},
            {{"CODE", C("BRZ")}, {"DESC", C("BRONZE")}, {"CATEGORY", C("COM")}, {"SERIAL", N(12)},
             {"GROUP", N(1)}, {"NUMBER", N(2)}}};
}

Row customer(int number, const std::string& company, const std::string& suites, bool tagged = false) {
    return {{"CUSTNO", N(number)}, {"COMPANY", Value::character(company)}, {"LIBCODE1", Value::character(suites)},
            {"TAG", L(tagged)}};
}

class LibraryReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", fourEntries());
        values = {QStringLiteral("Banksia Frames"), QStringLiteral("Mitrex Development from Tallowood Systems"),
                  QStringLiteral("08/12/26")};
        h.action = [this] {
            LIB(h.ctx, ws, false, reportLinks(h.ctx, ws, values));
            selectedAfter = h.session.selected() ? h.session.selected()->alias() : "";
            ds::CLOSDATA(h.ctx);
        };
    }

    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }
    std::vector<std::string> dump(int n) const { return h.dump(n); }
    std::vector<std::string> rows(int n) {
        std::vector<std::string> out;
        for (const auto& l : dump(n))
            if (l.rfind("row", 0) == 0) out.push_back(l);
        return out;
    }
    // The PDF the print line names.
    QString printed(const std::string& name) {
        for (const auto& l : h.lines)
            if (l.rfind("print \"" + name + "\"", 0) == 0) {
                const auto parts = QString::fromStdString(l).split(' ');
                return QDir(QString::fromStdString(h.tmp.file("print"))).filePath(parts.at(parts.size() - 2));
            }
        return {};
    }

    LibraryHarness h;
    ReportValues values;
    int ws = 1;
    std::string selectedAfter = "?";
};

TEST_F(LibraryReportsTest, LibraryListPrintsEveryEntryInTheActiveOrderAndKeepsTheCurrentOne) {
    play("row 3\nanswer no\npress Report\ndump\npress \"Change Order\"\nanswer yes\npress Report\npress Exit\n");
    EXPECT_TRUE(h.has("yesno \"Preview Report on Screen\" no")) << h.joined();
    EXPECT_TRUE(h.hasPrefix("print \"Library / Suite Report\" printer 001-")) << h.joined();
    EXPECT_TRUE(h.hasPrefix("print \"Library / Suite Report\" preview 002-")) << h.joined();
    EXPECT_EQ(rows(0).at(2).rfind("row* 3 \"CED\"", 0), 0u) << "back on the entry that was current";

    const QString text = mx::test::pdfText(printed("Library / Suite Report"));
    // (pdftotext gives runs of blanks as one.)
    for (const char* expected :
         {"Library / Suite Report", "Page: 1", "Mitrex Development from Tallowood Systems - 08/12/26"})
        EXPECT_TRUE(text.simplified().contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    const QStringList lines = text.split('\n');
    QStringList body;
    for (const QString& l : lines)
        if (QRegularExpression(QStringLiteral("^\\s*(Code|ALU|BRZ|CED|DUR)\\b")).match(l).hasMatch())
            body << l.simplified();
    EXPECT_EQ(body, (QStringList{"Code Description Tag Number Man Tol", "ALU ALUMINIUM Y 1 3", "BRZ BRONZE 12 0",
                                 "CED CEDAR 3 0", "DUR DURALITE 4 0"}))
        << text.toStdString();
}

TEST_F(LibraryReportsTest, FortyUsersListedAndPrintedOnTwoPagesWithThirtyNineOnTheFirst) {
    std::vector<Row> customers;
    // Every suite code below names ALU (group 1, number 1), in various shapes.
    const char* codes[] = {"1", "3", "F", "9-", "1000-", "b"};
    for (int i = 1; i <= 40; ++i) {
        char company[16];
        std::snprintf(company, sizeof company, "USER %02d", i);
        customers.push_back(customer(100 - i, company, codes[i % 6]));  // key order is the reverse
    }
    customers.push_back(customer(200, "NOT A USER", "E"));
    customers.push_back(customer(300, "LAST ONE", "6"));  // last in key order: BRZ and CED
    h.append("mitrex", customers);

    play("row 1\npress Customers\ndump\npress Report\npress OK\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Library Users For ALU\"")) << h.joined();
    const std::vector<std::string> listed = rows(0);
    ASSERT_EQ(listed.size(), 40u) << h.joined();
    EXPECT_EQ(listed.front(), "row* 1 \"USER 40\"");
    EXPECT_EQ(listed.back(), "row 40 \"USER 01\"");
    EXPECT_TRUE(h.hasPrefix("print \"Library Users\" preview ")) << h.joined();
    EXPECT_TRUE(h.lines.end() != std::find_if(h.lines.begin(), h.lines.end(), [](const std::string& l) {
                    return l.rfind("print \"Library Users\"", 0) == 0 && l.find("pages=2") != std::string::npos;
                })) << h.joined();

    const QString file = printed("Library Users");
    ASSERT_EQ(mx::test::pdfPages(file), 2);
    const QString first = mx::test::pdfText(file, true, 1, 1), second = mx::test::pdfText(file, true, 2, 2);
    EXPECT_EQ(first.count(QStringLiteral("USER ")), 39) << first.toStdString();
    EXPECT_EQ(second.count(QStringLiteral("USER ")), 1);
    EXPECT_TRUE(second.contains(QStringLiteral("USER 01")));
    for (const QString& page : {first, second}) {
        EXPECT_TRUE(page.contains(QStringLiteral("Banksia Frames")));
        EXPECT_TRUE(page.contains(QStringLiteral("Library Users For ALU")));
        EXPECT_TRUE(page.contains(QStringLiteral("Customer")));
        EXPECT_TRUE(page.contains(QStringLiteral("Date: 08/12/26")));
    }
    EXPECT_TRUE(first.contains(QStringLiteral("Page: 1")));
    EXPECT_TRUE(second.contains(QStringLiteral("Page: 2")));
    EXPECT_FALSE(first.contains(QStringLiteral("NOT A USER")) || second.contains(QStringLiteral("NOT A USER")));

    // No customer stays marked; the library shows the last customer's suites.
    for (const std::string& t : h.column("mitrex", "TAG")) EXPECT_EQ(t, "F");
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "F", "T", "T"}));  // DUR ALU CED BRZ
    const std::vector<std::string> after = rows(1);
    ASSERT_EQ(after.size(), 4u) << h.joined();
    EXPECT_EQ(after[0], "row* 1 \"ALU\" \"ALUMINIUM\" \"RES\" \"\" \" 1\" \" 3\"") << "ALU's tag is gone";
    EXPECT_EQ(after[1], "row 2 \"BRZ\" \"BRONZE\" \"COM\" \"*\" \"12\" \" 0\"");
    EXPECT_EQ(after[2], "row 3 \"CED\" \"CEDAR\" \"RES\" \"*\" \" 3\" \" 0\"");
    EXPECT_EQ(h.numbers("libimp", "SERIAL"), (std::vector<double>{3, 12}));  // numbers 4 then 2
    EXPECT_EQ(selectedAfter, "");
}

// A company name wider than its cell wraps inside it, the row growing, and
// a page holds fewer users rather than run off its foot.
TEST_F(LibraryReportsTest, ANameWiderThanItsCellWrapsInsideItAndThePagesKeepTheirRows) {
    std::vector<Row> customers;
    for (int i = 1; i <= 39; ++i) {
        const std::string name = i % 3 ? "USER " + std::to_string(i) : "WWWWWWWW WWWWWWWW WWWWWWWW WWWW U" + std::to_string(i);
        customers.push_back(customer(100 - i, name.c_str(), "1"));
    }
    h.append("mitrex", customers);
    play("row 1\npress Customers\npress Report\npress OK\npress Exit\n");
    const QString file = printed("Library Users");
    ASSERT_FALSE(file.isEmpty()) << h.joined();
    EXPECT_EQ(mx::test::pdfPages(file), 2) << "the wrapped rows need a second page";
    const auto words = mx::test::pdfWords(file);
    const auto lines = mx::test::pdfLines(words);
    const QSizeF page = mx::test::pdfPageSize(file);
    const double cellRight = 18 + 56 * (page.width() - 36) / 85;
    for (int i = 3; i <= 39; i += 3) {
        const QString name = QStringLiteral("WWWWWWWW WWWWWWWW WWWWWWWW WWWW U%1").arg(i);
        EXPECT_TRUE(mx::test::printedWhole(lines, name)) << name.toStdString();
    }
    for (const auto& w : words) {
        if (w.text.startsWith(QLatin1Char('W'))) { EXPECT_LT(w.xMax, cellRight) << w.text.toStdString(); }
        EXPECT_LT(w.yMax, page.height() - 18) << w.text.toStdString();
    }
    EXPECT_TRUE(mx::test::boxFaults(lines, page).empty());
}

TEST_F(LibraryReportsTest, EarlierMarksAreListedThenClearedAndAnUnnamedCodeListsNoOneElse) {
    h.append("mitrex", {customer(1, "ZED PTY", "", true),  // marked before: listed whatever its code
                        customer(2, "ACME", "1"), customer(3, "BOLT", "0-1"), customer(4, "CRAB", "e")});
    // DUR (number 8) is named by CRAB; after the search only CRAB's suites stay tagged.
    play("row 4\npress Customers\ndump\npress Report\npress OK\n"
         // In category order the code seeks nothing: only earlier marks would show.
         "press \"Change Order\"\nrow 1\npress Customers\ndump\npress Report\npress OK\npress Exit\n");
    EXPECT_EQ(rows(0), (std::vector<std::string>{"row* 1 \"ZED PTY\"", "row 2 \"CRAB\""})) << h.joined();
    EXPECT_TRUE(rows(1).empty()) << "the first search cleared ZED's mark; no entry found in category order\n"
                                 << h.joined();
    int reports = 0;
    for (const auto& l : h.lines) reports += l.rfind("print \"Library Users\"", 0) == 0;
    EXPECT_EQ(reports, 1) << "an empty list prints no page\n" << h.joined();
    for (const std::string& t : h.column("mitrex", "TAG")) EXPECT_EQ(t, "F");
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"T", "F", "T", "T"}));  // DUR ALU CED BRZ
}

TEST_F(LibraryReportsTest, WithoutAScratchTableTheSearchStopsAndChangesNoMark) {
    h.append("mitrex", {customer(1, "ZED PTY", "", true), customer(2, "ACME", "1")});
    ws = 10;  // no tag field, no scratch table
    play("row 1\npress Customers\npress Exit\n");
    EXPECT_FALSE(h.hasPrefix("open \"Library Users For")) << h.joined();
    EXPECT_EQ(h.column("mitrex", "TAG"), (std::vector<std::string>{"T", "F"}));
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "F"}));

    // Workstation 2 whose scratch table another copy holds: the same, after
    // its own tags were cleared.
    ws = 2;
    h.lines.clear();
    h.append("lib", {{{"CODE", C("EXT")}, {"DESC", C("EXTRA")}, {"TAG2", L(true)}}});
    h.reindex();
    rt::Session other;
    other.open(h.tmp.file("libimp2.dbf"), "", rt::OpenMode::Exclusive);
    ASSERT_EQ(h.play("menu Run\nrow 1\npress Customers\npress Exit\n"), 0) << h.joined();
    other.closeAll();
    EXPECT_FALSE(h.hasPrefix("open \"Library Users For")) << h.joined();
    EXPECT_EQ(h.column("mitrex", "TAG"), (std::vector<std::string>{"T", "F"}));
    EXPECT_EQ(h.column("lib", "TAG2"), (std::vector<std::string>{"F", "F", "F", "F", "F"}));
}

TEST_F(LibraryReportsTest, ADamagedRegisterIsExplainedAndNothingIsTagged) {
    h.reindex();
    mx::test::writeFileBytes(h.tmp.file("mitrex.dbf"), std::string("\x03\x7a\x0c\x08garbage", 11));
    ASSERT_EQ(h.play("menu Run\nrow 1\npress Customers\npress Exit\n"), 0) << h.joined();
    EXPECT_FALSE(h.hasPrefix("open \"Library Users For")) << h.joined();
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_NE(h.sink.alerts()[0].find("mitrex.dbf"), std::string::npos) << h.sink.alerts()[0];
    EXPECT_NE(h.sink.alerts()[0].find("corrupt"), std::string::npos) << h.sink.alerts()[0];
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "F"}));
}

// Two workstations, 2 and 3, each in its own process, decode suite codes into
// the shared library over and over at the same time: each ends with exactly
// its own last code's entries in its own tag field and scratch table.
TEST(LibraryTagsAcrossWorkstations, TwoWorkstationsDecodingAtOnceKeepTheirTagsApart) {
    LibraryHarness h;
    h.append("lib", fourEntries());
    h.reindex();
    const std::string dir = h.tmp.path();

    auto station = [&dir](int ws, const char* even, const char* odd) {
        alarm(120);  // never outlive a stuck run
        rt::Session session;
        ds::RecordingSink sink;
        ds::SystemSleeper sleeper;
        ds::DataContext ctx{session, sink, sleeper, dir};
        try {
            for (int i = 0; i < 60; ++i) {
                if (!ds::OPNALIAS(ctx, "lib", false, true)) return 2;
                UNTAG(ctx, ws);
                if (!tagBySuiteCode(ctx, ws, i % 2 == 0 ? even : odd)) return 3;
                ds::CLOSDATA(ctx);
            }
        } catch (...) {
            return 4;
        }
        return 0;
    };
    std::vector<pid_t> children;
    for (int ws : {2, 3}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(ws == 2 ? station(2, "F", "5") : station(3, "3", "A"));
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    // Record order DUR ALU CED BRZ. Workstation 2 ended on "5" (ALU, CED),
    // workstation 3 on "A" (DUR, BRZ); `TAG` was never touched.
    EXPECT_EQ(h.column("lib", "TAG2"), (std::vector<std::string>{"F", "T", "T", "F"}));
    EXPECT_EQ(h.column("lib", "TAG3"), (std::vector<std::string>{"T", "F", "F", "T"}));
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "F"}));
    EXPECT_EQ(h.numbers("libimp2", "SERIAL"), (std::vector<double>{3, 1}));
    EXPECT_EQ(h.numbers("libimp3", "SERIAL"), (std::vector<double>{4, 12}));
}

}  // namespace
}  // namespace mx::lib::test
