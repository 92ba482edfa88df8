// Scripted sessions played in-process against the demo screen: every
// command, a transcript line of every kind, and the exit statuses.
#include <QClipboard>
#include <QFile>
#include <gtest/gtest.h>

#include "DemoScreen.h"
#include "ScriptDriver.h"

using namespace mx::tk;
using mx::rt::Value;

namespace {

class ScriptDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        session.settings().deletedHidden = true;
        parts = &test::makeParts(session, dir.path(),
                                 {{"A1", "Frame"}, {"B2", "Sash"}, {"C3", "Mullion"}, {"D4", "Transom"}});
        parts->createOrder(QDir(dir.path()).filePath("parts.ntx").toStdString(), "CODE");
        parts->goTop();
        demo = std::make_unique<test::DemoScreen>(session, *parts);
        Ui::instance().setPrintDir(QDir(dir.path()).filePath("print"));
    }

    // Plays `script` against a main window holding the demo menu.
    int play(const std::string& script) {
        ScriptDriver driver(Ui::instance(), log.transcript);
        MainWindow main("Mitrex Development  by Tallowood Systems", Box{1, 1, 22, 75, Unit::Cell}, demo->menu());
        main.show();
        driver.load(script);
        int status = driver.run();
        error = driver.error();
        EXPECT_TRUE(Ui::instance().openDialogs().empty());
        return status;
    }

    size_t indexOf(const std::string& line) const {
        for (size_t i = 0; i < log.lines.size(); ++i)
            if (log.lines[i] == line) return i;
        return std::string::npos;
    }

    test::UiReset reset;
    test::CollectedTranscript log;
    QTemporaryDir dir;
    mx::rt::Session session;
    mx::rt::WorkArea* parts = nullptr;
    std::unique_ptr<test::DemoScreen> demo;
    QString error;
};

TEST_F(ScriptDriverTest, DrivesTheDemoScreenAndRecordsEveryKindOfBox) {
    Ui::instance().setTranscript(&log.transcript);
    QFile bmp(QDir::tempPath() + "/lupa.bmp");
    QImage(20, 20, QImage::Format_RGB32).save(bmp.fileName(), "BMP");
    Ui::instance().splash(bmp.fileName());

    int status = play(R"(
# the list, then the second part's details
menu Demo Parts
dump
row 2
press "View/Update"
set CODE bb2
set DESC "Sash, left hand"
set QTY 900
set QTY 12x
set QTY 12
set ACTIVE Y
set ACTIVE N
set FINTYPE PP
set KIND 3
set NOTE "one\ntwo"
dump
key PageDown
press Tag
dump
answer no
press Delete
answer yes
press Delete
answer text c3
press Search
answer cancel
key F2
answer text c3toolong
press Search
answer choice 2
press Choose
press Boxes
press Clip
press Run
press Report
row 1
dblclick
close
press Exit
answer colour FF8000
menu Colours
menu Colours
)");
    // The last `menu Colours` had no answer: the run ended with status 3
    // after recording everything before it.
    EXPECT_EQ(status, ScriptDriver::NoAnswer) << error.toStdString() << "\n" << log.joined();
    const auto& L = log.lines;
    ASSERT_FALSE(L.empty());
    EXPECT_EQ(L.back(), "end 3");
    EXPECT_EQ(L.front(), "splash " + Transcript::q(bmp.fileName()));

    const char* expected[] = {
        "window \"Mitrex Development  by Tallowood Systems\"",
        "open \"Parts List\"",
        "dump \"Parts List\"",
        "browse \"Code\" \"Description\" \"Qty\" \"Act\"",
        "row* 1 \"A1\" \"Frame\" \"    1\" \"\"",
        "row 4 \"D4\" \"Transom\" \"    4\" \"\"",
        "open \"Part Details\"",
        "alert \"Quantity too large\"",
        "invalid QTY \"900\"",
        "invalid QTY \"12x\"",  // refused whole, not stored as 12
        "field CODE \"BB2\"",
        "field DESC \"Sash, left hand\"",
        "field QTY \"12\"",
        "field ACTIVE \"N\"",
        "field FINTYPE \"PP\"",
        "field KIND \"3\"",
        "field NOTE \"one\\ntwo\"",
        "close \"Part Details\"",
        "row* 2 \"BB2\" \"Sash, left hand\" \"   12\" \"*\"",
        "yesno \"Delete This Entry?\" no",
        "yesno \"Delete This Entry?\" yes",
        "prompt \"Search\" \"Part Code\" ok \"C3\"",
        "prompt \"Search\" \"Part Code\" cancel",
        // Too long for the prompt's six places: refused whole, OK takes the blank field.
        "invalid VALUE \"c3toolong\"",
        "prompt \"Search\" \"Part Code\" ok \"\"",
        "choice \"Search By:\" 2",
        "info \"Saved.\"",
        "alert \"No Match Found\"",
        "stop \"Disk full\"",
        "timed \"Information\" \"Unable to add record.\"",
        "wait \"Mitrex\" \"Rebuilding Index Files. Please Wait.\"",
        "clipboard \"0F-3\"",
        "run \"/bin/sh\" 3",
        "print \"Parts List\" preview 001-Parts_List.pdf pages=1",
        "close \"Parts List\"",
        "colour FF8000",
    };
    size_t at = 0;
    for (const char* line : expected) {
        size_t found = std::string::npos;
        for (size_t i = at; i < L.size(); ++i)
            if (L[i] == line) {
                found = i;
                break;
            }
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << line << "\n" << log.joined();
        at = found + 1;
    }
    EXPECT_NE(log.joined().find("run \"" + (QDir::tempPath() + "/no-such-dir/browse.pif").toStdString() + "\" missing"),
              std::string::npos);

    // What the script did to the table and the program.
    parts->goTop();
    EXPECT_EQ(parts->fieldValue("CODE").str(), "A1    ");
    parts->skip(1);
    EXPECT_EQ(parts->fieldValue("CODE").str(), "C3    ");  // BB2 was deleted
    EXPECT_EQ(demo->lastKind, "  ");   // the last details dialog was closed unchanged
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0F-3");
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath("print/001-Parts_List.pdf")));
}

TEST_F(ScriptDriverTest, ControlsTakeValuesThroughTheirPictures) {
    int status = play(R"(
menu Demo Parts
press "View/Update"
set KIND 2
set FINTYPE AP
set NOTE "a\nb"
press Save
)");
    EXPECT_EQ(status, ScriptDriver::Completed) << error.toStdString();
    EXPECT_EQ(demo->lastKind, "AP");
    EXPECT_EQ(demo->lastGroup, 2);
    EXPECT_EQ(demo->lastNote, "a\r\nb");  // memo line breaks as the table keeps them
    EXPECT_EQ(log.lines.back(), "end 0");
}

TEST_F(ScriptDriverTest, CommandsThatCannotBeCarriedOutEndWithStatus2) {
    const char* scripts[] = {
        "menu Demo Parts\npress Nowhere\n",
        "menu Demo Parts\nrow 9\n",
        "menu Nowhere\n",
        "menu Demo\n",
        "menu Demo Parts\nset NOSUCH 1\n",
        "menu Demo Parts\npress \"View/Update\"\nset FINTYPE XX\n",
        "menu Demo Parts\npress \"View/Update\"\nset KIND 7\n",
        "menu Demo Parts\nkey Hyper\n",
        "menu Demo Parts\nanswer maybe\n",
        "menu Demo Parts\nmenu Demo Parts\n",
        "close\n",
        "jump\n",
        "set X \"unterminated\n",
        "menu Demo Parts\nanswer choice 1\npress Delete\n",  // wrong kind for a yes/no box
        "menu Demo Parts\nanswer choice 5\npress Choose\n",  // no such choice
    };
    for (const char* script : scripts) {
        log.lines.clear();
        EXPECT_EQ(play(script), ScriptDriver::NotCarriedOut) << script << log.joined();
        EXPECT_EQ(log.lines.back(), "end 2") << script;
        EXPECT_TRUE(error.startsWith("line ")) << error.toStdString();
    }
}

TEST_F(ScriptDriverTest, MissingAnswerEndsWith3AndAFailingActionWith1) {
    EXPECT_EQ(play("menu Demo Parts\npress \"View/Update\"\npress Delete\n"), ScriptDriver::NotCarriedOut);  // not in the details
    log.lines.clear();
    EXPECT_EQ(play("menu Demo Parts\npress Delete\npress Exit\n"), ScriptDriver::NoAnswer);
    // The dialog was closed as Escape would, and nothing after the failure ran.
    EXPECT_EQ(log.lines[log.lines.size() - 2], "close \"Parts List\"");
    EXPECT_EQ(log.lines.back(), "end 3");
    parts->goTop();
    EXPECT_EQ(parts->fieldValue("CODE").str(), "A1    ");  // not deleted
    log.lines.clear();
    EXPECT_EQ(play("menu File Throw\n"), ScriptDriver::Failed);
    EXPECT_TRUE(error.contains("the disk is on fire"));
    EXPECT_EQ(log.lines.back(), "end 1");
}

// Closing the main window ends the program, as File > Exit does and as a
// screen that cannot open its tables does: a script that goes on after it
// ends there with 1, the rest not played; one that ends with it ran to its end.
TEST_F(ScriptDriverTest, ClosingTheMainWindowEndsTheRunThere) {
    EXPECT_EQ(play("menu Demo Parts\npress Exit\nmenu File Exit\n"), ScriptDriver::Completed) << error.toStdString();
    EXPECT_EQ(log.lines.back(), "end 0");
    log.lines.clear();
    EXPECT_EQ(play("menu File Exit\n# gone\nmenu Demo Parts\ndump\n"), ScriptDriver::Failed);
    EXPECT_EQ(error, QStringLiteral("line 1: the program ended (its main window was closed) before the script did"));
    EXPECT_FALSE(log.has("open \"Parts List\"")) << log.joined();
    EXPECT_EQ(log.lines.back(), "end 1");
}

TEST_F(ScriptDriverTest, APrintFileThatCannotBeWrittenIsAStopAndEndsTheRunWith1) {
    Ui::instance().setTranscript(&log.transcript);
    // The print folder's place is taken by a file: nothing can be written there.
    const QString blocked = QDir(dir.path()).filePath("blocked");
    QFile(blocked).open(QIODevice::WriteOnly);
    Ui::instance().setPrintDir(blocked);
    static QStringList warnings;
    warnings.clear();
    QtMessageHandler before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { warnings << m; });
    const int status = play("menu Demo Parts\npress Report\npress Exit\n");
    qInstallMessageHandler(before);

    EXPECT_EQ(status, 1) << log.joined();
    EXPECT_NE(log.joined().find("stop \"Unable to write the print file " + blocked.toStdString() + "/001-Parts_List.pdf: "),
              std::string::npos)
        << log.joined();
    EXPECT_EQ(log.lines.back(), "end 1");
    EXPECT_EQ(warnings.filter("QPainter").size(), 0) << warnings.join('\n').toStdString();
    EXPECT_FALSE(QFileInfo(blocked).isDir());
}

TEST_F(ScriptDriverTest, WaitPausesWithoutSkippingCommands) {
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(play("menu Demo Parts\nwait 0.3\nrow 3\ndump\n"), ScriptDriver::Completed) << error.toStdString();
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_NE(log.joined().find("row* 3 \"C3\""), std::string::npos) << log.joined();
}

}  // namespace
