// The workstation started from a folder of the user's: file names on the
// command line are that folder's, whatever --data says; a folder without a
// data set is named, with the ways to choose another or create one.
#include <gtest/gtest.h>

#include <filesystem>

#include "ProgramRunner.h"
#include "TestUtil.h"

using mx::test::mxadmin;
using mx::test::mxdev;
using mx::test::run;
using mx::test::TempDir;
using mx::test::writeFileBytes;

TEST(StartFolder, RelativePlayTranscriptAndPrintFolderAreTheStartingFolders) {
    TempDir dir;
    const std::string data = dir.file("data"), start = dir.file("start");
    ASSERT_EQ(run(mxadmin() + " init '" + data + "' --demo").status, 0);
    std::filesystem::create_directory(start);
    writeFileBytes(start + "/script.txt",
                   "menu \"Integrity Checks\" \"Component Categories\"\npress Report\npress Exit\n");

    auto r = run("env -C '" + start + "' " + mxdev() +
                 " --data ../data --play script.txt --transcript out.txt --print-dir prints");
    EXPECT_EQ(r.status, 0);
    const std::string transcript = mx::test::readFileBytes(start + "/out.txt");
    EXPECT_NE(transcript.find("print \"Component Categories"), std::string::npos) << transcript;
    EXPECT_EQ(transcript.substr(transcript.size() - 6), "end 0\n");
    ASSERT_TRUE(std::filesystem::is_directory(start + "/prints"));
    EXPECT_FALSE(std::filesystem::exists(data + "/prints"));
    EXPECT_FALSE(std::filesystem::exists(data + "/out.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(start + "/prints"), {}), 1);
}

TEST(StartFolder, AFolderWithoutADataSetIsNamedWithHowToChooseOrCreateOne) {
    TempDir dir;
    writeFileBytes(dir.file("script.txt"), "menu Library\n");
    auto r = run("env -C '" + dir.path() + "' XDG_CONFIG_HOME='" + dir.file("config") + "' " + mxdev() + " --play script.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "alert \"There is no data set in " + dir.path() +
                         ": indexdef.dbf does not exist. To work in another folder, start the program with --data "
                         "FOLDER, or name the folder as data=FOLDER in " + dir.file("config/mxdev/mxdev.conf") +
                         ". mxadmin init " + dir.path() + " creates a data set.\"\nend 1\n");
}

TEST(StartFolder, AScriptedRunWithoutARuntimeFolderWritesNothingToStandardError) {
    TempDir dir;
    const std::string data = dir.file("data"), tmp = dir.file("tmp");
    ASSERT_EQ(run(mxadmin() + " init '" + data + "' --demo").status, 0);
    std::filesystem::create_directory(tmp);
    writeFileBytes(dir.file("script.txt"), "menu Library\npress Exit\nmenu \"Integrity Checks\" \"Component Categories\"\n"
                                           "press Report\npress Exit\nmenu File Exit\n");
    const std::string err = dir.file("stderr.txt");
    auto r = run("env -u XDG_RUNTIME_DIR TMPDIR='" + tmp + "' " + mxdev() + " --data '" + data + "' --play '" +
                     dir.file("script.txt") + "' --print-dir '" + dir.file("prints") + "'",
                 err);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(mx::test::readFileBytes(err), "");
    EXPECT_TRUE(std::filesystem::is_empty(tmp)) << "the runtime folder went with the program";
}
