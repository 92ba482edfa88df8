// Pictures of edit fields: what typing leaves in a field, how values show and
// read back; and the edit field's validation keeping the focus.
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "Dialog.h"
#include "PictureFormat.h"
#include "TestSupport.h"

using mx::rt::Value;
using mx::tk::PictureFormat;

namespace {

Value chars(int width) { return Value::character(std::string(static_cast<size_t>(width), ' ')); }

struct TypingCase {
    const char* picture;
    Value like;
    const char* keys;
    const char* field;  // what the field holds afterwards
};

TEST(PictureFormat, TypingGoesThroughThePicture) {
    const TypingCase cases[] = {
        {"@!", chars(8), "abc-12", "ABC-12"},
        {"@!", chars(3), "abcdef", "ABC"},            // the field's width stops typing
        {"@X", chars(10), "Mixed case", "Mixed case"},
        {"", chars(4), "ab c", "ab c"},
        {"!", chars(3), "abc", "A"},                  // a one-character template
        {"!XX", chars(3), "abc", "Abc"},
        {"9999", chars(4), "12a34x5", "1234"},        // letters dropped, length kept
        {"99", Value::numeric(0, 2), "1x2", "12"},
        {"99", Value::numeric(0, 2), "-5", "-5"},    // a signed adjustment: the sign takes a position
        {"99", Value::numeric(0, 2), "-56", "-5"},
        {"999.99", Value::numeric(0, 6, 2), "12.345", "12.34"},  // third decimal refused
        {"999.99", Value::numeric(0, 6, 2), "1234", "123"},      // fourth integer digit refused
        {"999.99", Value::numeric(0, 6, 2), "-5.5", "-5.5"},
        {"999.99", Value::numeric(0, 6, 2), "5-", "5"},          // a sign only in front
        {".99", Value::numeric(0, 3, 2), "-.99", ".99"},         // no integer position: no sign (fuzzing found
        {"", Value::numeric(0, 3, 2), "-.99", ".99"},            // "-.99" in a field of three)
        {"@! 99kg", chars(4), "12kg", "12kg"},                   // literals keep their case under @! (fuzzing
        {"@! 99kg", chars(4), "12", "12"},                       // found "12K", which the picture then refused)
        {"Y", Value::logical(false), "y", "Y"},
        {"Y", Value::logical(false), "x", ""},
        {"Y", Value::logical(true), "t", "Y"},
        {"Y", Value::logical(true), "n", "N"},
        {"", Value::logical(true), "y", "T"},
        {"A9", chars(2), "1a2", "a2"},
        {"", Value::date(0), "010203", "01/02/03"},   // separators are put in
    };
    for (const auto& c : cases) {
        PictureFormat f(c.picture, c.like);
        EXPECT_EQ(f.type(c.keys), c.field) << "picture \"" << c.picture << "\" keys \"" << c.keys << "\"";
    }
}

TEST(PictureFormat, AcceptRefusesWhatCannotStand) {
    PictureFormat code("9999", chars(4));
    EXPECT_FALSE(code.accept("12a"));
    EXPECT_FALSE(code.accept("12345"));
    EXPECT_EQ(code.accept("12").value_or("?"), "12");
    PictureFormat upper("@!", chars(5));
    EXPECT_EQ(upper.accept("ab").value_or("?"), "AB");
    PictureFormat amount("999.99", Value::numeric(0, 6, 2));
    EXPECT_TRUE(amount.accept("-"));  // half typed
    EXPECT_FALSE(amount.accept("1.2.3"));
}

TEST(PictureFormat, ShowsValuesTheWayTheFieldDisplaysThem) {
    EXPECT_EQ(PictureFormat("@!", chars(6)).display(Value::character("abc   ")), "ABC");
    EXPECT_EQ(PictureFormat("999.99", Value::numeric(0, 6, 2)).display(Value::numeric(12.5, 6, 2)), "12.50");
    EXPECT_EQ(PictureFormat("99", Value::numeric(0, 2)).display(Value::numeric(7, 2)), "7");
    EXPECT_EQ(PictureFormat("", Value::numeric(0, 7, 2)).display(Value::numeric(-3.456, 7, 2)), "-3.46");
    EXPECT_EQ(PictureFormat("Y", Value::logical(true)).display(Value::logical(true)), "Y");
    EXPECT_EQ(PictureFormat("Y", Value::logical(true)).display(Value::logical(false)), "N");
    Value d = Value::date(mx::rt::dayFromYmd(2024, 3, 9));
    EXPECT_EQ(PictureFormat("", d).display(d), "09/03/24");
    EXPECT_EQ(PictureFormat("", d).display(Value::date(0)), "");
}

TEST(PictureFormat, ReadsTextBackIntoTheVariablesType) {
    Value code = chars(6);
    Value v = PictureFormat("@!", code).value("ab", code);
    ASSERT_TRUE(v.isCharacter());
    EXPECT_EQ(v.str(), "AB    ");  // padded to the variable's width

    Value amount = Value::numeric(0, 7, 2);
    Value a = PictureFormat("999.99", amount).value("12.5", amount);
    ASSERT_TRUE(a.isNumeric());
    EXPECT_DOUBLE_EQ(a.num(), 12.5);
    EXPECT_EQ(a.width(), 7);  // the variable keeps its field width
    EXPECT_EQ(a.decimals(), 2);

    Value adjust = Value::numeric(0, 2);
    EXPECT_EQ(PictureFormat("99", adjust).value("-5", adjust).num(), -5);
    EXPECT_EQ(PictureFormat("99", adjust).value("-", adjust).num(), 0);  // a lone sign reads as nothing
    EXPECT_EQ(PictureFormat("99", adjust).display(Value::numeric(-5, 2)), "-5");

    Value flag = Value::logical(false);
    EXPECT_TRUE(PictureFormat("Y", flag).value("Y", flag).boolean());
    EXPECT_FALSE(PictureFormat("Y", flag).value("N", flag).boolean());

    mx::tk::DateStyle style{"dd/mm/yy", 1950};
    Value date = Value::date(0);
    Value d = PictureFormat("", date, style).value("01/02/03", date);
    EXPECT_EQ(d.day(), mx::rt::dayFromYmd(2003, 2, 1));
    EXPECT_EQ(PictureFormat("", date, style).value("  /  /  ", date).day(), 0);
}

// ---------------------------------------------------------------- the edit field

using namespace mx::tk;

class EditFieldTest : public ::testing::Test {
protected:
    test::UiReset reset;
    test::CollectedTranscript log;
    void SetUp() override { Ui::instance().setTranscript(&log.transcript); }
};

TEST_F(EditFieldTest, RefusedValidationKeepsFocusAndBlocksButtons) {
    Value adjust = Value::numeric(0, 2);
    Value other = chars(4);
    Dialog dlg("Adjust", Box{0, 0, 200, 300});
    int checks = 0;
    EditField* field = dlg.addField({10, 10, 30, 12}, adjust, {.name = "ADJUST", .picture = "99", .valid = [&] {
                                                                  ++checks;
                                                                  return adjust.num() <= 5;
                                                              }});
    EditField* next = dlg.addField({30, 10, 30, 12}, other, {.name = "OTHER"});
    bool saved = false, cancelled = false;
    dlg.addButton({60, 10, 45, 12}, "&Save", [&] { saved = true; });
    Button* cancel = dlg.addButton({60, 60, 45, 12}, "&Cancel", [&] { cancelled = true; });
    dlg.show();
    dlg.activateWindow();
    QApplication::setActiveWindow(&dlg);

    QString why;
    EXPECT_EQ(field->scriptSet("9", &why), BoundControl::SetResult::Refused);
    EXPECT_EQ(adjust.num(), 9);  // the variable follows the edit; the screen's save decides
    EXPECT_TRUE(log.has("invalid ADJUST \"9\""));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), field);

    // A button that saves does not act while the field refuses; Cancel does.
    dlg.findChild<Button*>()->press();
    EXPECT_FALSE(saved);
    cancel->press();
    EXPECT_TRUE(cancelled);

    // Tabbing away runs the validation again and stays; a good value moves on.
    QTest::keyClick(field, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_EQ(field->scriptSet("4", &why), BoundControl::SetResult::Done);
    QTest::keyClick(field, Qt::Key_Return);  // Enter leaves the field: no default button, so to the next one
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), next);
    dlg.findChild<Button*>()->press();
    EXPECT_TRUE(saved);
    EXPECT_GE(checks, 3);
}

TEST_F(EditFieldTest, ValidationMayReplaceTheValueAndReadOnlyRefusesScripts) {
    Value cat = chars(6);
    Value number = Value::numeric(7, 2);
    Dialog dlg("Lookup", Box{0, 0, 200, 300});
    EditField* field = dlg.addField({10, 10, 80, 12}, cat, {.name = "CATEGORY", .picture = "@!", .valid = [&] {
                                                                cat = Value::character("ALU   ");  // a lookup's choice
                                                                return true;
                                                            }});
    EditField* ro = dlg.addField({30, 10, 30, 12}, number, {.name = "SERIAL", .picture = "99", .readOnly = true});
    QString why;
    EXPECT_EQ(field->scriptSet("al", &why), BoundControl::SetResult::Done);
    EXPECT_EQ(field->text(), "ALU");
    EXPECT_EQ(ro->displayText(), "7");
    EXPECT_EQ(ro->scriptSet("8", &why), BoundControl::SetResult::Impossible);
    EXPECT_EQ(number.num(), 7);
}

TEST_F(EditFieldTest, TypedKeysAreFilteredLikeScriptedOnes) {
    Value code = chars(4);
    Value pass = chars(6);
    Dialog dlg("Keys", Box{0, 0, 200, 300});
    EditField* field = dlg.addField({10, 10, 80, 12}, code, {.name = "CPOSTCODE", .picture = "9999"});
    EditField* secret = dlg.addField({30, 10, 80, 12}, pass, {.name = "PASSWORD", .picture = "@!", .password = true});
    QTest::keyClicks(field, "20x0y05");
    EXPECT_EQ(field->text(), "2000");
    EXPECT_EQ(code.str(), "2000");
    QTest::keyClicks(secret, "abc");
    EXPECT_EQ(pass.str(), "ABC   ");
    EXPECT_EQ(secret->displayText(), "***");  // the dump never shows a password
}

}  // namespace
