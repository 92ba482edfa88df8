// The workstation program as a user starts it: command-line rules, start-up
// with a missing index set or system record, and scripted sessions that walk
// the main menu. Runs the real mxdev and mxadmin programs on scratch data sets.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include <QDate>

#include "CommandLine.h"
#include "PdfText.h"
#include "ProgramRunner.h"
#include "TestUtil.h"

using mx::shell::CommandLine;
using mx::shell::parseCommandLine;
using mx::test::TempDir;
using mx::test::RunResult;
using mx::test::mxadmin;
using mx::test::mxdev;
using mx::test::run;
using mx::test::readFileBytes;
using mx::test::writeFileBytes;

namespace {


// A demo data set in a scratch folder, and a way to play scripts on it.
struct DemoSet : ::testing::Test {
    TempDir dir;
    std::string data;
    void SetUp() override {
        data = dir.file("data");
        ASSERT_EQ(run(mxadmin() + " init '" + data + "' --demo").status, 0);
    }
    RunResult play(const std::string& script, const std::string& args = "") {
        writeFileBytes(dir.file("script.txt"), script);
        return run(mxdev() + " " + args + " --data '" + data + "' --play '" + dir.file("script.txt") + "'");
    }
};

}  // namespace

TEST(CommandLineRules, PreviewFlagAndWorkstationNumber) {
    struct Case {
        QStringList args;
        bool preview;
        int ws;
    };
    const Case cases[] = {
        {{"Y", "3"}, true, 3},  {{"3"}, false, 3},          {{"y"}, false, 1},        {{"Y", "0"}, true, 1},
        {{"Y"}, true, 1},       {{"abc", "7"}, false, 7},   {{"2", "5"}, false, 5},   {{"0", "Y"}, false, 1},
        {{}, false, 1},         {{"12"}, false, 12},        {{" 4"}, false, 4},
        // A number too large to hold is out of range as 12 is, not workstation 1.
        {{"99999999999999999999"}, false, 0},               {{"-3"}, false, -3},
        // Options are not counted as arguments 1 and 2.
        {{"--data", "/x", "Y", "--play", "s", "4"}, true, 4},
    };
    for (const Case& c : cases) {
        CommandLine cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.preview, c.preview) << c.args.join(' ').toStdString();
        EXPECT_EQ(cl.ws, c.ws) << c.args.join(' ').toStdString();
    }
    CommandLine cl = parseCommandLine({"--data", "/d", "--play", "-", "--transcript", "t.txt", "--print-dir", "p"});
    EXPECT_EQ(cl.dataDir, "/d");
    EXPECT_EQ(cl.play, "-");
    EXPECT_EQ(cl.transcript, "t.txt");
    EXPECT_EQ(cl.printDir, "p");
    EXPECT_FALSE(parseCommandLine({"--play"}).error.isEmpty());
}

TEST_F(DemoSet, EveryMenuItemRunsAndTheSessionEndsCleanly) {
    RunResult r = play(R"(menu Library
press Exit
menu Configurations
press Exit
menu "Integrity Checks" "Component Categories"
press Exit
menu "Integrity Checks" "Apply Type to Comp's"
menu Licenses
press Exit
answer cancel
menu Colours
answer no
menu File Reindex
menu File Browse
press Exit
dump
menu File Exit
)");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("splash \"tws.bmp\"\nwindow \"Mitrex Development  by Tallowood Systems\"\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("open \"Setup Library Codes (LIB)\"\nclose \"Setup Library Codes (LIB)\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("open \"Configurations - (ASSEMBLY)\"\nclose \"Configurations - (ASSEMBLY)\"\n"), std::string::npos);
    EXPECT_NE(r.out.find("yesno \"Do You Wish To Rebuild Index Files?\" no\n"), std::string::npos);
    EXPECT_NE(r.out.find("open \"Table Browser\"\nclose \"Table Browser\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("dump \"Mitrex Development  by Tallowood Systems\"\nend dump\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 6), "end 0\n");
}

TEST_F(DemoSet, ReindexFromTheMenuAsksAndAnsweringNoChangesNothing) {
    auto stamp = [&] {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(data))
            if (e.path().extension() == ".ntx") all += e.path().filename().string() + readFileBytes(e.path().string());
        return all;
    };
    std::string before = stamp();
    EXPECT_EQ(play("answer no\nmenu File Reindex\n").status, 0);
    EXPECT_EQ(stamp(), before);
    RunResult r = play("answer yes\nmenu File Reindex\n");
    EXPECT_NE(r.out.find("info \"Reindex Complete!\""), std::string::npos) << r.out;
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);
    // A question without a queued answer ends the run with status 3.
    EXPECT_EQ(play("menu File Reindex\n").status, 3);
}

TEST_F(DemoSet, StartUpRebuildsAMissingIndexSetSilently) {
    std::filesystem::remove(data + "/indexdef.ntx");
    std::filesystem::remove(data + "/lib.ntx");
    RunResult r = play("");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "wait \"Mitrex Development from Tallowood Systems\" \"Rebuilding Index Files. Please Wait.\"\n"
              "splash \"tws.bmp\"\nwindow \"Mitrex Development  by Tallowood Systems\"\nend 0\n");
    EXPECT_TRUE(std::filesystem::exists(data + "/indexdef.ntx"));
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);
}

TEST_F(DemoSet, AMissingSystemRecordEndsTheProgram) {
    std::filesystem::remove(data + "/sysinfo.dbf");
    RunResult r = play("menu Library\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("alert \"Unable to open sysinfo.DBF. File does not exist\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("window "), std::string::npos) << "no main window";
}

TEST_F(DemoSet, ABrowsePifBesideTheDataIsNotRunTheBuiltInBrowserOpensInstead) {
    writeFileBytes(data + "/browse.pif", "#!/bin/sh\nexit 3\n");
    ::chmod((data + "/browse.pif").c_str(), 0755);
    RunResult r = play("menu File Browse\npress Exit\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("run \""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("open \"Table Browser\""), std::string::npos) << r.out;
}

// The library's reports from the main menu, on workstation 2: the users of
// one suite and their drawn report, then the library list to the printer;
// both land in the print folder, dated with the working date.
TEST_F(DemoSet, LibraryReportsFromTheMenuGoToThePrintFolder) {
    const std::string prints = dir.file("prints");
    RunResult r = play(R"(menu Library
row 10
press Customers
press Report
press OK
answer no
press Report
press Exit
menu File Exit
)",
                       "2 --print-dir '" + prints + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("open \"Library Users For RS400\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("print \"Library Users\" preview 001-Library_Users.pdf pages=1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("yesno \"Preview Report on Screen\" no\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("print \"Library / Suite Report\" printer 002-"), std::string::npos) << r.out;

    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yy"));
    const QString users = mx::test::pdfText(QString::fromStdString(prints + "/001-Library_Users.pdf"));
    EXPECT_TRUE(users.contains(QStringLiteral("Library Users For RS400"))) << users.toStdString();
    EXPECT_TRUE(users.contains(QStringLiteral("Date: ") + today)) << users.toStdString();
    const QString list = mx::test::pdfText(QString::fromStdString(prints + "/002-Library___Suite_Report.pdf"));
    EXPECT_TRUE(list.simplified().contains(QStringLiteral("Tallowood Systems - ") + today)) << list.toStdString();

    // The register's index files were rebuilt on their keys; no mark is left.
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);
    // `TAG` is the last field but one of a dumped customer.
    const QStringList customers = QString::fromStdString(run(mxadmin() + " dump '" + data + "' mitrex").out)
                                      .split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(customers.size(), 30);
    for (const QString& c : customers) EXPECT_EQ(c.split(QStringLiteral(" | ")).value(26), QStringLiteral("F")) << c.toStdString();
}

TEST_F(DemoSet, TheCustomerRegisterFromTheMenuWithItsSuiteViewsPrintAndLibrary) {
    const std::string prints = dir.file("prints");
    RunResult r = play(R"(menu Licenses
dump
press "Show Lib"
dump
press OK
press "Chk Lib"
set CODE RS400
press OK
dump
press Print
press Library
answer no
press Report
press Exit
press Exit
menu File Exit
)",
                       "3 --print-dir '" + prints + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("open \"Mitrex Customer Register (MITREX)\"\n"), std::string::npos) << r.out;
    // The first customer's suites, F500-10, through workstation 3's tags.
    EXPECT_NE(r.out.find("dump \"Library Details For Tropical Windows Pty Ltd\"\nbrowse \"Code\" \"Description\" "
                         "\"Category\" \"Lib Id\"\nrow* 1 \"RS400\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("print \"Mitrex Customer Register (MITREX)\" preview 001-Mitrex_Customer_Register__MITREX_.pdf"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("open \"Setup Library Codes (LIB)\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("print \"Library / Suite Report\" printer 002-"), std::string::npos) << r.out;

    // Every customer listed after "Chk Lib" holds RS400 (group 1, number 1): an odd first digit.
    const size_t checked = r.out.find("dump \"Mitrex Customer Register (MITREX)\"", r.out.find("Library Code Checker"));
    ASSERT_NE(checked, std::string::npos) << r.out;
    QStringList rows;
    for (const QString& line : QString::fromStdString(r.out.substr(checked, r.out.find("end dump", checked) - checked))
                                   .split('\n', Qt::SkipEmptyParts))
        if (line.startsWith(QStringLiteral("row"))) rows << line;
    ASSERT_FALSE(rows.isEmpty()) << r.out;
    const QString printed = mx::test::pdfText(QString::fromStdString(prints + "/001-Mitrex_Customer_Register__MITREX_.pdf"), false);
    for (const QString& row : rows) {
        const QStringList cells = row.split('"');
        EXPECT_EQ(cells.value(5), QStringLiteral("#")) << row.toStdString();
        EXPECT_TRUE(QStringLiteral("13579BDF").contains(cells.value(15).left(1))) << row.toStdString();
        EXPECT_TRUE(printed.contains(cells.value(7))) << cells.value(7).toStdString();
    }

    // The register's index files on disk hold every change the session made.
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);
}
