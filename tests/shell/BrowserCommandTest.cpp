// The File menu's "&Browse": the configured table-browsing program (the
// environment's MXDEV_BROWSER, else the data folder's "browser.cfg"), split
// without a shell, run in the data folder and waited for; the built-in
// table browser when neither names one.
#include <gtest/gtest.h>

#include <QDir>

#include "BrowserCommand.h"
#include "ProgramRunner.h"
#include "TestUtil.h"

using mx::shell::configuredBrowser;
using mx::shell::settingCommandLine;
using mx::shell::splitCommandLine;
using mx::test::readFileBytes;
using mx::test::RunResult;
using mx::test::TempDir;
using mx::test::writeFileBytes;

namespace {

TEST(BrowserCommand, CommandLinesAreSplitIntoWordsWithoutAShell) {
    using Words = std::optional<QStringList>;
    EXPECT_EQ(splitCommandLine("dbview  -r\tlib.dbf"), Words(QStringList{"dbview", "-r", "lib.dbf"}));
    EXPECT_EQ(splitCommandLine(R"("/opt/table tools/view" 'a b' "say \"hi\"" back\slash "c:\\x")"),
              Words(QStringList{"/opt/table tools/view", "a b", "say \"hi\"", "back\\slash", "c:\\x"}));
    EXPECT_EQ(splitCommandLine(R"(view "" x'y z'w)"), Words(QStringList{"view", "", "xy zw"}));
    EXPECT_EQ(splitCommandLine("view $HOME `id` ; rm *"), Words(QStringList{"view", "$HOME", "`id`", ";", "rm", "*"}))
        << "nothing is expanded or interpreted";
    EXPECT_EQ(splitCommandLine("   "), Words(QStringList{}));
    EXPECT_EQ(splitCommandLine("view \"open"), std::nullopt);
    EXPECT_EQ(splitCommandLine("view 'open"), std::nullopt);
}

TEST(BrowserCommand, TheEnvironmentWinsOverTheDataFoldersFileAndNeitherMeansBuiltIn) {
    TempDir dir;
    const QString data = QString::fromStdString(dir.path());
    QString problem;
    EXPECT_FALSE(configuredBrowser(data, "", &problem)) << "no file, no variable";
    writeFileBytes(dir.file("browser.cfg"), "# the table viewer of this office\n\n  dbview --shared  \n other\n");
    EXPECT_EQ(settingCommandLine(QString::fromStdString(readFileBytes(dir.file("browser.cfg")))), "dbview --shared");
    auto fromFile = configuredBrowser(data, "  ", &problem);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->program, "dbview");
    EXPECT_EQ(fromFile->arguments, QStringList{"--shared"});
    EXPECT_EQ(fromFile->from, "browser.cfg");
    auto fromEnvironment = configuredBrowser(data, "xview 'my data'", &problem);
    ASSERT_TRUE(fromEnvironment);
    EXPECT_EQ(fromEnvironment->program, "xview");
    EXPECT_EQ(fromEnvironment->arguments, QStringList{"my data"});
    EXPECT_EQ(fromEnvironment->from, "MXDEV_BROWSER");
    EXPECT_TRUE(problem.isEmpty());
    writeFileBytes(dir.file("browser.cfg"), "# only a comment\n");
    EXPECT_FALSE(configuredBrowser(data, "", &problem));
    writeFileBytes(dir.file("browser.cfg"), "dbview \"unclosed\n");
    EXPECT_FALSE(configuredBrowser(data, "", &problem));
    EXPECT_EQ(problem, "The table browser named in browser.cfg cannot be run: a quote is not closed.");
}

// The real program on a demo data set, from the File menu.
struct ConfiguredBrowser : ::testing::Test {
    TempDir dir;
    std::string data;
    void SetUp() override {
        data = dir.file("data");
        ASSERT_EQ(mx::test::run(mx::test::mxadmin() + " init '" + data + "' --demo").status, 0);
    }
    RunResult browse(const std::string& environment) {
        writeFileBytes(dir.file("script.txt"), "menu File Browse\ndump\n");
        return mx::test::run("env MXDEV_BROWSER='" + environment + "' " + mx::test::mxdev() + " --data '" + data +
                             "' --play '" + dir.file("script.txt") + "'");
    }
};

TEST_F(ConfiguredBrowser, RunsInTheDataFolderIsWaitedForAndNoTableIsHeldMeanwhile) {
    // The program sees the data folder as its working folder, and every table
    // free: the companion's rebuild opens each one exclusively.
    RunResult r = browse("/bin/sh -c \"pwd > ran.txt; " + mx::test::mxadmin() +
                         " reindex . > reindexed.txt 2>&1; echo status $? >> reindexed.txt; exit 4\"");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("run \"/bin/sh\" 4\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("open \"Table Browser\""), std::string::npos) << r.out;
    EXPECT_EQ(readFileBytes(data + "/ran.txt"), QDir(QString::fromStdString(data)).absolutePath().toStdString() + "\n");
    const std::string reindexed = readFileBytes(data + "/reindexed.txt");
    EXPECT_NE(reindexed.find("status 0\n"), std::string::npos) << reindexed;
    // Back in the main window afterwards.
    EXPECT_NE(r.out.find("dump \"Mitrex Development  by Tallowood Systems\""), std::string::npos) << r.out;
}

TEST_F(ConfiguredBrowser, TheDataFoldersSettingIsUsedWhenTheEnvironmentNamesNone) {
    writeFileBytes(data + "/browser.cfg", "# every workstation's viewer\n/bin/sh -c 'exit 7'\n");
    RunResult r = browse("");
    EXPECT_NE(r.out.find("run \"/bin/sh\" 7\n"), std::string::npos) << r.out;
    r = browse("/no/such/viewer");
    EXPECT_NE(r.out.find("run \"/no/such/viewer\" missing\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("alert \"The table browser \\\"/no/such/viewer\\\" named in MXDEV_BROWSER could not be started.\""),
              std::string::npos)
        << r.out;
}

}  // namespace
