// A data folder this user may not write, browsed with the real program: as
// an unprivileged account when the suite runs as root (root writes any
// file), else with the files made read-only. Every table opens read-only,
// the user is told once, no changing button is offered, and no byte of the
// data set changes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "BrowserHarness.h"
#include "TestUtil.h"

namespace mx::tablebrowser::test {
namespace {

namespace fs = std::filesystem;
using mx::test::readFileBytes;
using mx::test::writeFileBytes;

class ReadOnlyFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("ALU")}, {"DESC", C("ALUMINIUM")}}, {{"CODE", C("BRZ")}, {"DESC", C("BRONZE")}}});
        h.append("mxnote", {{{"CUSTNO", N(7)}, {"NOTE", C("a note")}}});
        h.reindex();
        // The scripts and the print folder live outside the data folder.
        ::chmod(side.path().c_str(), 0755);
        fs::create_directory(side.file("print"));
        ::chmod(side.file("print").c_str(), 0777);
        for (const auto& e : fs::directory_iterator(h.tmp.path()))
            if (e.is_regular_file()) ::chmod(e.path().c_str(), 0444);
        ::chmod(h.tmp.path().c_str(), 0755);
        if (::geteuid() == 0) {
            asUser = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
            int status = -1;
            const std::string probe = shell(asUser + "test -r '" + h.tmp.file("lib.dbf") + "'", &status);
            if (status != 0) GTEST_SKIP() << "no unprivileged account to run as: " << probe;
        }
        before = snapshot();
    }
    void TearDown() override { ::chmod(h.tmp.path().c_str(), 0700); }

    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::directory_iterator(h.tmp.path())) files[e.path().filename().string()] = readFileBytes(e.path().string());
        return files;
    }
    // Plays `script` in mxdev on the data folder as the unprivileged user.
    std::string play(const std::string& script, int* status) {
        const std::string file = side.file("script" + std::to_string(++scripts) + ".txt");
        writeFileBytes(file, script);
        ::chmod(file.c_str(), 0644);
        return shell(asUser + "env XDG_RUNTIME_DIR='" + side.file("print") + "' QT_QPA_PLATFORM=offscreen '" +
                         mx::test::mxdev() + "' --data '" + h.tmp.path() + "' --play '" + file + "' --print-dir '" +
                         side.file("print") + "' 2>/dev/null",
                     status);
    }

    BrowserHarness h;
    mx::test::TempDir side;
    std::string asUser;
    std::map<std::string, std::string> before;
    int scripts = 0;
};

TEST_F(ReadOnlyFolderTest, TablesOpenReadOnlyWithoutAChangingButtonAndNothingIsWritten) {
    int status = -1;
    const std::string out = play("menu File Browse\nset TABLE LIB\ndump\nkey Insert\nkey Delete\nkey Enter\ndump\n"
                                 "press Cancel\nset TABLE MXNOTE\ndblclick\ndump\nclose\npress Exit\n",
                                 &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("open \"Table Browser\""), std::string::npos) << out;
    // Told once per table, and the list says so too.
    EXPECT_NE(out.find("info \"LIB is read-only for you: it is shown, but nothing in it can be changed.\""),
              std::string::npos)
        << out;
    size_t told = 0;
    for (size_t at = out.find("info \"LIB is read-only"); at != std::string::npos; at = out.find("info \"LIB is read-only", at + 1))
        ++told;
    EXPECT_EQ(told, 1u) << out;
    EXPECT_NE(out.find("row* 1 \"\" \"1\" \"ALU\" \"ALUMINIUM\""), std::string::npos) << out;
    // Insert and Delete do nothing; Enter shows the record without Save.
    EXPECT_EQ(out.find("yesno "), std::string::npos) << out;
    EXPECT_NE(out.find("open \"View Record (LIB)\""), std::string::npos) << out;
    EXPECT_NE(out.find("field CODE \"ALU\""), std::string::npos) << out;
    EXPECT_NE(out.find("field NOTE \"a note\""), std::string::npos) << out;
    EXPECT_EQ(out.find("alert "), std::string::npos) << out;

    for (const char* press : {"Edit", "Append", "Delete", "Recall"}) {
        const std::string refused = play(std::string("menu File Browse\nset TABLE LIB\npress ") + press + "\n", &status);
        EXPECT_EQ(status, 2) << press << ": " << refused;
    }
    const std::string view = play("menu File Browse\nset TABLE LIB\nkey Enter\npress Save\n", &status);
    EXPECT_EQ(status, 2) << "the record view has no Save: " << view;
    EXPECT_EQ(snapshot(), before) << "no byte of the data set changed";
}

TEST_F(ReadOnlyFolderTest, FilterExportPrintAndCopyWorkOnAReadOnlyTableAndNothingChanges) {
    fs::create_directory(side.file("out"));
    ::chmod(side.file("out").c_str(), 0777);
    int status = -1;
    const std::string out = play("menu File Browse\nset TABLE LIB\nanswer text \"CODE = 'BRZ'\"\npress Filter\npress Copy\n"
                                 "answer text " + side.file("out/lib.csv") + "\npress Export\npress Print\n"
                                 "answer text 1\npress \"Go To\"\nanswer text BRONZE\npress Find\npress Exit\n",
                                 &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("clipboard \"CODE\\tDESC"), std::string::npos) << out;
    EXPECT_NE(out.find("\\nBRZ\\tBRONZE\\t"), std::string::npos) << out;
    EXPECT_EQ(readFileBytes(side.file("out/lib.csv")).substr(0, 5), "CODE,") << out;
    EXPECT_NE(readFileBytes(side.file("out/lib.csv")).find("\r\nBRZ,BRONZE,"), std::string::npos);
    EXPECT_NE(out.find("print \"LIB  (filter: CODE = 'BRZ')\" preview "), std::string::npos) << out;
    EXPECT_NE(out.find("alert \"Record 1 of LIB is hidden by the filter.\""), std::string::npos) << out;
    EXPECT_EQ(snapshot(), before) << "no byte of the data set changed";
}

}  // namespace
}  // namespace mx::tablebrowser::test
