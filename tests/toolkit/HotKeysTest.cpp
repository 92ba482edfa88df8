// Hot keys: bound while a screen stands, overridden by an edit dialog,
// bound again when the dialog closes; keys bound to nothing still reach the
// controls.
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include "Dialog.h"
#include "TestSupport.h"

using namespace mx::tk;
using mx::rt::Value;

namespace {

class HotKeysTest : public ::testing::Test {
protected:
    test::UiReset reset;
    QTemporaryDir dir;
    mx::rt::Session session;
};

TEST_F(HotKeysTest, ScreenKeysAreReboundWhenTheEditDialogCloses) {
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), {{"A1", "one"}, {"A2", "two"}});
    int views = 0, adds = 0, saves = 0;
    Value desc = Value::character(std::string(20, ' '));

    Dialog screen("Parts", Box{0, 0, 400, 600});
    Browse* browse = screen.addBrowse({10, 10, 250, 120}, session, area, {{"Code", 60}},
                                      [&] { return std::vector<Value>{area.fieldValue("CODE")}; });
    KeyMap screenKeys;
    auto view = [&] {
        ++views;
        Dialog edit("Part", Box{50, 50, 250, 450});
        edit.addField({10, 10, 150, 12}, desc, {.name = "DESC", .picture = "@!"});
        auto save = [&] {
            ++saves;
            edit.end();
        };
        edit.addButton({40, 10, 45, 12}, "&Save", save);
        edit.setKeys({{HotKeys::Enter, {}}, {HotKeys::Space, {}}, {HotKeys::Insert, {}}, {HotKeys::Delete, {}},
                      {HotKeys::F2, {}}, {HotKeys::PageDown, save}},
                     screenKeys);
        test::whenModal([&](QWidget* w) {
            auto* field = w->findChild<QLineEdit*>("DESC");
            field->setFocus();
            QTest::keyClicks(field, "ab");
            QTest::keyClick(field, Qt::Key_Space);   // bound to nothing: types a blank
            QTest::keyClicks(field, "c");
            QTest::keyClick(field, Qt::Key_Insert);  // bound to nothing: no add
            QTest::keyClick(field, Qt::Key_Backspace);
            QTest::keyClick(field, Qt::Key_Return);  // bound to nothing: no second view
            QTest::keyClick(w->focusWidget(), Qt::Key_PageDown);  // save and close
        });
        edit.run();
    };
    screenKeys = {{HotKeys::Enter, view}, {HotKeys::Insert, [&] { ++adds; }}, {HotKeys::PageDown, {}}};
    KeyMap released = {{HotKeys::Enter, {}}, {HotKeys::Insert, {}}, {HotKeys::Delete, {}}, {HotKeys::F2, {}},
                       {HotKeys::PageDown, {}}, {HotKeys::Space, {}}};
    screen.setKeys(screenKeys, released);

    test::whenModal([&](QWidget* w) {
        browse->setFocus();
        QTest::keyClick(browse, Qt::Key_Return);  // opens the edit dialog and returns when it has closed
        if (!w->isActiveWindow()) {
            w->activateWindow();
            QApplication::setActiveWindow(w);
        }
        QTest::keyClick(browse, Qt::Key_Insert);  // the screen's binding is back
        QTest::keyClick(browse, Qt::Key_PageDown);  // bound to nothing: the browse pages
        QTest::keyClick(browse, Qt::Key_Escape);
    });
    screen.run();

    EXPECT_EQ(views, 1);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(adds, 1);
    EXPECT_EQ(desc.str().substr(0, 3), "AB ");
    EXPECT_EQ(area.recno(), 2u);  // Page Down reached the browse
    // The screen has gone: its keys are released.
    EXPECT_FALSE(HotKeys::instance().hasAction(HotKeys::Enter));
    EXPECT_FALSE(HotKeys::instance().hasAction(HotKeys::Insert));
}

// Enter on a focused button presses it, as Space does, in an edit dialog
// whose Enter is bound to nothing and on a list screen whose Enter is
// View/Update; Enter on the list stays View/Update.
TEST_F(HotKeysTest, EnterOnAFocusedButtonPressesItAndOnTheListViews) {
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), {{"A1", "one"}, {"A2", "two"}});
    int views = 0, adds = 0, saves = 0;
    Value desc = Value::character(std::string(20, ' '));
    Dialog screen("Parts", Box{0, 0, 400, 600});
    Browse* browse = screen.addBrowse({10, 10, 250, 120}, session, area, {{"Code", 60}},
                                      [&] { return std::vector<Value>{area.fieldValue("CODE")}; });
    Button* add = screen.addButton({140, 10, 45, 12}, "&Add", [&] { ++adds; });
    KeyMap screenKeys;
    auto view = [&] {
        ++views;
        Dialog edit("Part", Box{50, 50, 250, 450});
        edit.addField({10, 10, 150, 12}, desc, {.name = "DESC"});
        Button* save = edit.addButton({40, 10, 45, 12}, "&Save", [&] {
            ++saves;
            edit.end();
        });
        edit.setKeys({{HotKeys::Enter, {}}}, screenKeys);
        test::whenModal([save](QWidget*) {
            save->setFocus();
            QTest::keyClick(save, Qt::Key_Return);
        });
        edit.run();
    };
    screenKeys = {{HotKeys::Enter, view}};
    screen.setKeys(screenKeys, {});
    test::whenModal([&](QWidget* w) {
        browse->setFocus();
        QTest::keyClick(browse, Qt::Key_Return);  // View/Update, whose Save takes Enter
        w->activateWindow();
        QApplication::setActiveWindow(w);
        add->setFocus();
        QTest::keyClick(add, Qt::Key_Return);
        QTest::keyClick(add, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(add, Qt::Key_Space);
        QTest::keyClick(browse, Qt::Key_Escape);
    });
    screen.run();
    EXPECT_EQ(views, 1);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(adds, 3) << "Enter, keypad Enter and Space on Add; none of them View/Update";
}

TEST_F(HotKeysTest, KeysActOnlyInToolkitWindowsAndRefusedFieldsStopThem) {
    int presses = 0;
    HotKeys::instance().bind(HotKeys::F2, [&] { ++presses; });
    QWidget foreign;  // not a toolkit window
    auto* edit = new QLineEdit(&foreign);
    foreign.show();
    QTest::keyClick(edit, Qt::Key_F2);
    EXPECT_EQ(presses, 0);

    Value code = Value::character("    ");
    Dialog dlg("Check", Box{0, 0, 200, 300});
    EditField* field = dlg.addField({10, 10, 80, 12}, code, {.name = "CODE", .valid = [&] { return code.str()[0] != 'X'; }});
    dlg.show();
    dlg.activateWindow();
    QApplication::setActiveWindow(&dlg);
    field->setFocus();
    QTest::keyClicks(field, "X");
    QTest::keyClick(field, Qt::Key_F2);  // the field is left first and refuses: no action
    EXPECT_EQ(presses, 0);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "Y");
    QTest::keyClick(field, Qt::Key_F2);
    EXPECT_EQ(presses, 1);
    QTest::keyClick(field, Qt::Key_F2, Qt::ControlModifier);  // combinations are the controls'
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(HotKeys::virtualKey(Qt::Key_PageDown), 34);
    EXPECT_EQ(HotKeys::qtKey(113), Qt::Key_F2);
    EXPECT_EQ(HotKeys::virtualKey(Qt::Key_Enter), 13);
}

// A key's action that fails is reported as a button's would be: in a
// scripted run the run ends with status 1, and the failure never escapes the
// key press into the event loop.
TEST_F(HotKeysTest, AFailingKeyActionEndsTheScriptedRunInsteadOfEscaping) {
    test::RecordedAnswers answers;
    Ui::instance().setAnswerSource(&answers);
    int after = 0;
    HotKeys::instance().bind(HotKeys::F2, [] { throw std::runtime_error("the disk is on fire"); });
    HotKeys::instance().bind(HotKeys::F1, [&] { ++after; });
    bool pressed = false;
    EXPECT_NO_THROW(pressed = HotKeys::instance().press(HotKeys::F2));
    EXPECT_TRUE(pressed);
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_EQ(answers.failures[0].first, AnswerSource::Failed);
    EXPECT_EQ(answers.failures[0].second, QStringLiteral("the disk is on fire"));
    EXPECT_TRUE(HotKeys::instance().press(HotKeys::F1));  // the table still works
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(HotKeys::instance().press(HotKeys::Insert));
}

// A prompt or choice box opened from a list screen takes its keys itself:
// Enter answers it and Delete edits its field, the screen's View/Update and
// Delete wait beneath it.
TEST_F(HotKeysTest, APromptOverAScreenTakesEnterAndDeleteItself) {
    int views = 0, deletes = 0;
    HotKeys::instance().apply({{HotKeys::Enter, [&] { ++views; }}, {HotKeys::Delete, [&] { ++deletes; }}});
    Value text = Value::character(std::string(10, ' '));
    test::whenModal([&](QWidget* w) {
        QWidget* field = w->focusWidget();
        QTest::keyClicks(field, "abx");
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Delete);  // the field's own Delete
        QTest::keyClick(field, Qt::Key_Return);  // OK
    });
    EXPECT_TRUE(Ui::instance().prompt({.title = "Search", .prompt = "Code"}, text));
    EXPECT_EQ(text.str().substr(0, 3), "AB ");
    test::whenModal([&](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); });
    EXPECT_EQ(Ui::instance().choice("Search By:", {"&Name", "&Other"}), 1);
    EXPECT_EQ(views, 0);
    EXPECT_EQ(deletes, 0);
    HotKeys::instance().clear();
}

}  // namespace

namespace {

// Every box and prompt that has a default button, opened over a screen that
// binds all its hot keys, driven with real key presses: what a person types
// reaches the box, Enter (or keypad Enter) presses the box's default
// button, and no key of the screen beneath fires while the box stands.
struct EnterKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

class KeysUnderBoxesTest : public HotKeysTest, public ::testing::WithParamInterface<EnterKey> {};

// Runs `body` on the next modal window other than `beneath`.
void whenBoxOver(QWidget* beneath, std::function<void(QWidget*)> body) {
    QTimer* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, beneath, body] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == beneath || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        if (!w->isActiveWindow()) {
            w->activateWindow();
            QApplication::setActiveWindow(w);
        }
        body(w);
    });
    timer->start();
}

QWidget* focused(QWidget* window) { return window->focusWidget() ? window->focusWidget() : window; }

TEST_P(KeysUnderBoxesTest, TheScreensKeysDoNotFireInABoxAndEnterPressesItsDefaultButton) {
    const EnterKey enter = GetParam();
    Ui& ui = Ui::instance();
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), {{"A1", "one"}, {"A2", "two"}});
    std::vector<std::string> fired;
    Dialog screen("Parts", Box{0, 0, 400, 600});
    Browse* browse = screen.addBrowse({10, 10, 250, 120}, session, area, {{"Code", 60}},
                                      [&] { return std::vector<Value>{area.fieldValue("CODE")}; });
    auto firing = [&](const char* key) { return [&fired, key] { fired.push_back(key); }; };
    screen.setKeys({{HotKeys::Enter, firing("Enter")},
                    {HotKeys::Insert, firing("Insert")},
                    {HotKeys::Delete, firing("Delete")},
                    {HotKeys::F2, firing("F2")},
                    {HotKeys::PageDown, firing("PageDown")},
                    {HotKeys::Space, firing("Space")}},
                   {});

    struct BoxCase {
        const char* name;
        std::function<std::string()> open;
        const char* expected;
    };
    const std::vector<BoxCase> boxes = {
        {"prompt",
         [&] {
             Value text = Value::character(std::string(10, ' '));
             if (!ui.prompt({.title = "Search", .prompt = "Search", .upperCase = false}, text)) return std::string("cancel");
             return "ok " + text.str().substr(0, text.str().find_last_not_of(' ') + 1);
         },
         "ok rs 5"},
        {"upper-case prompt",
         [&] {
             Value code = Value::character(std::string(16, ' '));
             if (!ui.prompt({.title = "Library Code", .prompt = "Enter Library Code:"}, code)) return std::string("cancel");
             return "ok " + code.str().substr(0, code.str().find_last_not_of(' ') + 1);
         },
         "ok RS 5"},
        {"choice box", [&] { return std::to_string(ui.choice("Search By:", {"&Name", "Nex&t ABC"})); }, "1"},
        {"yes/no box", [&] { return std::string(ui.yesNo("Delete This Entry?") ? "yes" : "no"); }, "yes"},
        {"no/yes box", [&] { return std::string(ui.noYes("Delete This Entry?") ? "yes" : "no"); }, "no"},
        {"information box", [&] { ui.info("Saved."); return std::string("closed"); }, "closed"},
        {"alert box", [&] { ui.alert("No Match Found"); return std::string("closed"); }, "closed"},
        {"stop box", [&] { ui.stop("Disk full"); return std::string("closed"); }, "closed"},
        {"dialog of a screen",
         [&] {
             Value code = Value::character(std::string(6, ' '));
             Dialog dlg("Code", Box{50, 50, 200, 400});
             dlg.addField({10, 10, 60, 12}, code, {.name = "CODE", .picture = "@!"});
             std::string result = "cancel";
             Button* ok = dlg.addButton({30, 10, 45, 12}, "&Ok", [&] {
                 result = "ok " + code.str().substr(0, code.str().find_last_not_of(' ') + 1);
                 dlg.end();
             });
             dlg.addButton({30, 60, 45, 12}, "&Cancel", [&dlg] { dlg.reject(); });
             dlg.setDefaultButton(ok);
             dlg.run();
             return result;
         },
         "ok RS 5"},
    };

    std::vector<std::string> outcomes, stuck;
    test::whenModal([&](QWidget* w) {
        for (const BoxCase& box : boxes) {
            whenBoxOver(w, [&](QWidget* b) {
                if (auto* edit = qobject_cast<QLineEdit*>(focused(b))) QTest::keyClicks(edit, "rs 5");
                for (Qt::Key k : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_F2, Qt::Key_PageDown}) QTest::keyClick(focused(b), k);
                QTest::keyClick(focused(b), enter.key, enter.modifiers);
                if (b->isVisible()) {  // Enter did not close it: say so and get it out of the way
                    stuck.push_back(box.name);
                    b->close();
                }
            });
            outcomes.push_back(std::string(box.name) + ": " + box.open());
            EXPECT_TRUE(fired.empty()) << box.name << ": the screen's " << fired.front() << " fired";
            fired.clear();
        }
        // The boxes have gone: the screen's own keys act again.
        w->activateWindow();
        QApplication::setActiveWindow(w);
        browse->setFocus();
        QTest::keyClick(browse, enter.key, enter.modifiers);
        QTest::keyClick(browse, Qt::Key_F2);
        QTest::keyClick(browse, Qt::Key_Escape);
    });
    screen.run();

    EXPECT_TRUE(stuck.empty()) << "still open after Enter: " << stuck.front();
    std::vector<std::string> expected;
    for (const BoxCase& box : boxes) expected.push_back(std::string(box.name) + ": " + box.expected);
    EXPECT_EQ(outcomes, expected);
    EXPECT_EQ(fired, (std::vector<std::string>{"Enter", "F2"}));
    EXPECT_EQ(HotKeys::instance().depth(), 1u);  // every layer went with its window
}

INSTANTIATE_TEST_SUITE_P(EnterAndKeypadEnter, KeysUnderBoxesTest,
                         ::testing::Values(EnterKey{Qt::Key_Return, Qt::NoModifier},
                                           EnterKey{Qt::Key_Enter, Qt::KeypadModifier}),
                         [](const auto& info) { return info.param.key == Qt::Key_Return ? "Enter" : "KeypadEnter"; });

}  // namespace
