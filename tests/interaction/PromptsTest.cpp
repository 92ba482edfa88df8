// STATDSPW, MSGGET1 and DECBOX in scripted sessions (answers queued, lines
// in the transcript), MSGGET1's real dialog cancelled after typing, and the
// key maps of the hot-key convention.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "HotKeyConvention.h"
#include "Prompts.h"
#include "SessionHarness.h"

using namespace mx;
using mx::ia::test::SessionHarness;
using mx::rt::Value;
using mx::tk::HotKeys;

namespace {

class PromptsTest : public ::testing::Test {
protected:
    void play(const std::string& script) { ASSERT_EQ(h.play(script), 0) << h.joined(); }
    SessionHarness h;
};

TEST_F(PromptsTest, Msgget1UpperCasesOnlyWhenAskedAndCancelLeavesTheValue) {
    Value upper = Value::character(std::string(10, ' '));
    Value lower = upper;
    Value kept = Value::character("OLD       ");
    std::vector<bool> results;
    h.action = [&] {
        results.push_back(ia::MSGGET1("Library Code", "Enter Library Code:", upper));
        results.push_back(ia::MSGGET1("Library Code", "", lower, "", "", false));
        results.push_back(ia::MSGGET1("Search", "Configuration Code", kept, "lupa.bmp"));
    };
    play("answer text abc\nanswer text abc\nanswer cancel\nmenu Run\n");
    EXPECT_EQ(results, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(upper.str(), "ABC       ");
    EXPECT_EQ(lower.str(), "abc       ");
    EXPECT_EQ(kept.str(), "OLD       ");
    EXPECT_TRUE(h.has("prompt \"Library Code\" \"Enter Library Code:\" ok \"ABC\"") ||
                h.has("prompt \"Library Code\" \"Enter Library Code:\" ok \"ABC       \""))
        << h.joined();
    EXPECT_TRUE(h.has("prompt \"Search\" \"Configuration Code\" cancel")) << h.joined();
}

TEST_F(PromptsTest, DecboxGivesTheChoiceOrZero) {
    std::vector<int> results;
    h.action = [&] {
        const QStringList three{"&Name", "&Code", "Nex&t ABC"};
        results.push_back(ia::DECBOX(three, 9, "Search By:"));
        results.push_back(ia::DECBOX(three, 9, ""));
        results.push_back(ia::DECBOX(three, 9, "Search By:"));
    };
    play("answer cancel\nanswer choice 2\nanswer choice 0\nmenu Run\n");
    EXPECT_EQ(results, (std::vector<int>{0, 2, 0}));
    EXPECT_TRUE(h.has("choice \"Enter Your Selection:\" 2")) << h.joined();
    EXPECT_THROW(ia::DECBOX({}, 9, ""), std::invalid_argument);
    EXPECT_THROW(ia::DECBOX({"1", "2", "3", "4", "5", "6"}, 9, ""), std::invalid_argument);
}

TEST_F(PromptsTest, StatdspwWritesItsTimedLine) {
    h.action = [] { ia::STATDSPW("Unable to add record.", 1.5, 0, "ignored"); };
    play("menu Run\n");
    EXPECT_TRUE(h.has("timed \"Information\" \"Unable to add record.\"")) << h.joined();
}

// The real prompt dialog, by hand: text typed, then "&Cancel".
TEST_F(PromptsTest, Msgget1DialogCancelledAfterTypingLeavesTheVariable) {
    Value value = Value::character("KEEP  ");
    bool typed = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer.stop();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        auto* edit = w->findChild<QLineEdit*>("VALUE");
        if (edit) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, "xyz");
            typed = edit->text().trimmed() == "XYZ";
        }
        for (auto* b : w->findChildren<QPushButton*>())
            if (b->text() == "&Cancel") b->click();
    });
    timer.start();
    EXPECT_FALSE(ia::MSGGET1("Library Code", "", value));
    EXPECT_TRUE(typed);
    EXPECT_EQ(value.str(), "KEEP  ");
}

bool bound(int vk) { return HotKeys::instance().hasAction(vk); }

TEST(HotKeyConventionTest, ListEditAndClosedMaps) {
    HotKeys::instance().clear();
    int saved = 0;
    ia::ScreenKeys screen({.viewUpdate = [] {}, .add = [] {}, .search = [] {}});  // no deleting
    screen.bind();
    EXPECT_TRUE(bound(HotKeys::Enter) && bound(HotKeys::Insert) && bound(HotKeys::F2));
    EXPECT_FALSE(bound(HotKeys::Delete) || bound(HotKeys::PageDown) || bound(HotKeys::Space));

    HotKeys::instance().apply(ia::editDialogKeys([&saved] { ++saved; }));
    for (int vk : {HotKeys::Enter, HotKeys::Space, HotKeys::Insert, HotKeys::Delete, HotKeys::F2})
        EXPECT_FALSE(bound(vk)) << vk;
    EXPECT_TRUE(HotKeys::instance().press(HotKeys::PageDown));
    EXPECT_EQ(saved, 1);

    screen.bind();
    EXPECT_TRUE(bound(HotKeys::Enter));
    HotKeys::instance().apply(ia::closedScreenKeys());
    for (int vk : {HotKeys::Enter, HotKeys::Space, HotKeys::Insert, HotKeys::Delete, HotKeys::F2, HotKeys::PageDown})
        EXPECT_FALSE(bound(vk)) << vk;
    HotKeys::instance().clear();
}

}  // namespace
