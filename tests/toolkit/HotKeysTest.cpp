// Hot keys: bound while a screen stands, overridden by an edit dialog,
// bound again when the dialog closes; keys bound to nothing still reach the
// controls.
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

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
