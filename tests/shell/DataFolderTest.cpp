// Where the workstation looks for its data set without --data: the starting
// folder, then (for a person, not a script) the configured folder, then with
// --choose-data the folder the person picks, which is remembered.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <filesystem>

#include "DataFolder.h"
#include "TestUtil.h"

using namespace mx::shell;

// Failures show the texts.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.file("config")));
        for (const char* f : {"start", "data", "other"}) std::filesystem::create_directory(dir.file(f));
        QFile(q(dir.file("data/INDEXDEF.DBF"))).open(QIODevice::WriteOnly);  // any case counts
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    static QString q(const std::string& s) { return QString::fromStdString(s); }
    void configure(const std::string& folder) {
        std::filesystem::create_directories(dir.file("config/mxdev"));
        mx::test::writeFileBytes(dir.file("config/mxdev/mxdev.conf"), "data=" + folder + "\n");
    }
    // The folder chooser: answers `picked` (nullopt: cancelled) and counts its calls.
    std::function<std::optional<QString>(const QString&)> chooser(std::optional<QString> picked) {
        return [this, picked](const QString&) {
            ++asked;
            return picked;
        };
    }

    mx::test::TempDir dir;
    int asked = 0;
};

TEST_F(DataFolderTest, TheStartingFolderComesFirstAndAScriptLooksNowhereElse) {
    configure(dir.file("data"));
    DataFolderSearch here = findDataFolder(q(dir.file("data")), true, true, chooser(q(dir.file("other"))));
    EXPECT_EQ(here.folder, q(dir.file("data")));
    EXPECT_EQ(here.lookedIn, QStringList{q(dir.file("data"))});

    DataFolderSearch scripted = findDataFolder(q(dir.file("start")), false, true, chooser(q(dir.file("data"))));
    EXPECT_EQ(scripted.folder, q(dir.file("start")));
    EXPECT_EQ(scripted.lookedIn, QStringList{q(dir.file("start"))});
    EXPECT_EQ(asked, 0);
}

TEST_F(DataFolderTest, APersonOutsideADataSetGetsTheConfiguredOne) {
    configure(dir.file("data"));
    DataFolderSearch found = findDataFolder(q(dir.file("start")), true, true, chooser(std::nullopt));
    EXPECT_EQ(found.folder, q(dir.file("data")));
    EXPECT_EQ(found.lookedIn, (QStringList{q(dir.file("start")), q(dir.file("data"))}));
    EXPECT_EQ(asked, 0);

    // A configured folder without a data set is named with the starting one.
    configure(dir.file("other"));
    found = findDataFolder(q(dir.file("start")), true, false, {});
    EXPECT_FALSE(holdsDataSet(found.folder));
    EXPECT_EQ(noDataSetMessage(found.lookedIn),
              "There is no data set in " + q(dir.file("start")) + " nor in " + q(dir.file("other")) +
                  ": indexdef.dbf does not exist. To work in another folder, start the program with --data FOLDER, "
                  "or name the folder as data=FOLDER in " + q(dir.file("config/mxdev/mxdev.conf")) +
                  ". mxadmin init " + q(dir.file("start")) + " creates a data set.");
}

TEST_F(DataFolderTest, TheChosenFolderIsRememberedOnlyWhenItHoldsADataSet) {
    DataFolderSearch cancelled = findDataFolder(q(dir.file("start")), true, true, chooser(std::nullopt));
    EXPECT_TRUE(cancelled.cancelled);

    DataFolderSearch wrong = findDataFolder(q(dir.file("start")), true, true, chooser(q(dir.file("other"))));
    EXPECT_FALSE(wrong.cancelled);
    EXPECT_EQ(wrong.lookedIn, (QStringList{q(dir.file("start")), q(dir.file("other"))}));
    EXPECT_EQ(configuredDataFolder(), "");

    DataFolderSearch chosen = findDataFolder(q(dir.file("start")), true, true, chooser(q(dir.file("data"))));
    EXPECT_EQ(chosen.folder, q(dir.file("data")));
    EXPECT_EQ(configuredDataFolder(), q(dir.file("data")));
    // The next start finds it without asking.
    EXPECT_EQ(findDataFolder(q(dir.file("start")), true, true, chooser(std::nullopt)).folder, q(dir.file("data")));
    EXPECT_EQ(asked, 3);
}

}  // namespace
