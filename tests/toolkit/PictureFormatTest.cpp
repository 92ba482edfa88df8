// Pictures of edit fields: what typing leaves in a field, how values show and
// read back, and what a field says it holds when it refuses; the tables' code
// page; the edit field refusing keys and values aloud, and its validation
// keeping the focus.
#include <QKeyEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include "Dialog.h"
#include "MainWindow.h"
#include "PictureFormat.h"
#include "TestSupport.h"
#include "TextCodec.h"

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

// What follows the field's caption when it refuses a text: what it holds,
// in the terms of the refusal; nothing for a text it takes.
TEST(PictureFormat, ARefusalSaysWhatTheFieldHolds) {
    struct Case {
        const char* picture;
        Value like;
        const char* text;
        const char* why;
    } cases[] = {
        {"999.99", Value::numeric(0, 6, 2), "1234", "holds at most 999.99"},
        {"999.99", Value::numeric(0, 6, 2), "-100", "holds at least -99.99"},
        {"999.99", Value::numeric(0, 6, 2), "12.345", "holds at most 2 decimals"},
        {"999.99", Value::numeric(0, 6, 2), "12a", "holds a number from -99.99 to 999.99"},
        {"999.99", Value::numeric(0, 6, 2), "123.45", ""},
        {"99", Value::numeric(0, 2), "-10", "holds at least -9"},
        {"99", Value::numeric(0, 2), "1.5", "holds a whole number from -9 to 99"},
        {"9", Value::numeric(0, 1), "-", "holds no negative numbers"},  // the sign would leave no digit
        {"9999", chars(4), "12a", "holds digits only"},
        {"AA-99", chars(5), "AB-1x", "holds a digit at position 5"},
        {"@!", chars(3), "abcd", "holds at most 3 characters"},
        {"!", chars(1), "ab", "holds at most 1 character"},
        {"Y", Value::logical(true), "x", "holds Y or N"},
        {"", Value::logical(true), "x", "holds T or F"},
        {"", Value::date(0), "01/0x", "holds a date, dd/mm/yy"},
    };
    for (const Case& c : cases) {
        PictureFormat f(c.picture, c.like);
        EXPECT_EQ(f.refusal(c.text), c.why) << "picture \"" << c.picture << "\" text \"" << c.text << "\"";
        EXPECT_EQ(f.accept(c.text).has_value(), *c.why == 0) << c.picture << " " << c.text;
    }
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

// ---------------------------------------------------------------- the tables' code page

// Table text is Windows-1252: its characters are their bytes, the five bytes
// it leaves undefined survive, and what it cannot hold is found.
TEST(TextCodec, TableBytesAreWindows1252AndEveryByteRoundTrips) {
    using mx::tk::fromQ;
    using mx::tk::toQ;
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const QString shown = toQ(all);
    ASSERT_EQ(shown.size(), 256);
    EXPECT_EQ(fromQ(shown), all);
    EXPECT_EQ(shown[0x80], QChar(0x20AC));  // €
    EXPECT_EQ(shown[0x96], QChar(0x2013));  // –
    EXPECT_EQ(shown[0x9F], QChar(0x0178));  // Ÿ
    EXPECT_EQ(shown[0xE9], QChar(0x00E9));  // é
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(shown[b], QChar(b));
    EXPECT_EQ(fromQ(QString::fromUtf8("€ 5 – ‘x’ Œ")), "\x80 5 \x96 \x91x\x92 \x8C");
    EXPECT_EQ(fromQ(QString::fromUtf8("a ≤ b")), "a ? b");
    EXPECT_EQ(mx::tk::unencodable(QString::fromUtf8("€ and ≤ and ≥")), QString::fromUtf8("≤"));
    EXPECT_EQ(mx::tk::unencodable(QString::fromUtf8("x\U0001F600")), QString::fromUtf8("\U0001F600"));  // a pair is one character
    EXPECT_EQ(mx::tk::unencodable(QString(QChar(0x80))), QString(QChar(0x80)));  // U+0080 is no byte: 0x80 is €
    EXPECT_TRUE(mx::tk::unencodable(shown).isEmpty());
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

// A key or a scripted value the field cannot hold changes nothing and is
// said: the status line names the field and what it holds, the transcript
// records what was typed. Nothing cut is stored.
TEST_F(EditFieldTest, RefusedKeysAndValuesAreSaidAndNothingCutIsStored) {
    MainWindow main("Main", Box{0, 0, 400, 600}, {});
    Ui::instance().setMainWindow(&main);
    auto status = [&] { return main.statusBar()->currentMessage().toStdString(); };
    Value amount = Value::numeric(12.5, 6, 2);
    Value adjust = Value::numeric(3, 2);
    Value desc = chars(10);
    Dialog dlg("Customer", Box{0, 0, 200, 400});
    dlg.addText({10, 10, 40, 12}, "&Amount:");
    EditField* amountField = dlg.addField({10, 60, 40, 12}, amount, {.name = "AMOUNT", .picture = "999.99"});
    dlg.addText({30, 10, 40, 12}, "Adjust:");
    EditField* adjustField = dlg.addField({30, 60, 20, 12}, adjust, {.name = "ADJUST", .picture = "99"});
    EditField* descField = dlg.addField({50, 60, 80, 12}, desc, {.name = "DESC"});  // no label: its name
    Value wide = Value::numeric(1234.5, 7, 2);  // the table's field is wider than the picture
    EditField* wideField = dlg.addField({70, 60, 40, 12}, wide, {.name = "PRICE", .picture = "999.99"});
    dlg.show();
    dlg.activateWindow();
    QApplication::setActiveWindow(&dlg);

    QString why;
    EXPECT_EQ(amountField->scriptSet("1234.50", &why), BoundControl::SetResult::Refused);
    EXPECT_DOUBLE_EQ(amount.num(), 12.5) << "not 123.50";
    EXPECT_EQ(amountField->text(), "12.50");
    EXPECT_TRUE(log.has("invalid AMOUNT \"1234.50\"")) << log.joined();
    EXPECT_EQ(status(), "Amount holds at most 999.99");

    EXPECT_EQ(adjustField->scriptSet("-10", &why), BoundControl::SetResult::Refused);
    EXPECT_DOUBLE_EQ(adjust.num(), 3) << "not -1";
    EXPECT_TRUE(log.has("invalid ADJUST \"-10\""));
    EXPECT_EQ(status(), "Adjust holds at least -9");
    EXPECT_EQ(adjustField->scriptSet("-9", &why), BoundControl::SetResult::Done);
    EXPECT_DOUBLE_EQ(adjust.num(), -9);
    EXPECT_EQ(status(), "") << "an accepted value clears the field's message";

    // Typed: the refused key changes nothing, the keys after it go on.
    amountField->setFocus();
    amountField->selectAll();
    QTest::keyClicks(amountField, "1234");
    EXPECT_EQ(amountField->text(), "123");
    EXPECT_TRUE(log.has("invalid AMOUNT \"1234\""));
    EXPECT_EQ(status(), "Amount holds at most 999.99");
    QTest::keyClicks(amountField, ".5");
    EXPECT_DOUBLE_EQ(amount.num(), 123.5) << "what the field shows";

    // A value wider than the picture shows whole and survives being passed
    // through (it showed as stars, which read back as 0).
    EXPECT_EQ(wideField->text(), "1234.50");
    EXPECT_TRUE(wideField->leave());
    EXPECT_DOUBLE_EQ(wide.num(), 1234.5);

    // The tables' code page: "€" is stored as its byte, "≤" is refused by name.
    EXPECT_EQ(descField->scriptSet(QString::fromUtf8("€ 5 – 6"), &why), BoundControl::SetResult::Done);
    EXPECT_EQ(desc.str(), "\x80 5 \x96 6   ");
    EXPECT_EQ(descField->scriptSet(QString::fromUtf8("a ≤ b"), &why), BoundControl::SetResult::Refused);
    EXPECT_EQ(desc.str(), "\x80 5 \x96 6   ");
    EXPECT_TRUE(log.has("invalid DESC \"a ≤ b\"")) << log.joined();
    EXPECT_EQ(status(), "DESC cannot hold “≤”: the tables keep Windows-1252 text");
    descField->setFocus();
    descField->end(false);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("≤"));
    QApplication::sendEvent(descField, &key);
    EXPECT_EQ(descField->text(), QString::fromUtf8("€ 5 – 6"));
    EXPECT_TRUE(log.has("invalid DESC \"€ 5 – 6≤\"")) << log.joined();
}

// A validation that keeps the focus gives its reason for the status line.
TEST_F(EditFieldTest, ARefusingValidationGivesItsReason) {
    MainWindow main("Main", Box{0, 0, 400, 600}, {});
    Ui::instance().setMainWindow(&main);
    Value type = chars(1);
    Value plain = chars(4);
    Dialog dlg("Line", Box{0, 0, 200, 400});
    dlg.addText({10, 10, 60, 12}, "Type(L/Q/A/F):");
    EditField* field = dlg.addField({10, 80, 12, 12}, type, {.name = "TYPE", .picture = "@!", .valid = [&] {
        return type.str() == "L" || EditField::refuse("Type is one of L, Q, A, F");
    }});
    EditField* other = dlg.addField({30, 80, 40, 12}, plain, {.name = "CODE", .valid = [] { return false; }});
    QString why;
    EXPECT_EQ(field->scriptSet("z", &why), BoundControl::SetResult::Refused);
    EXPECT_EQ(main.statusBar()->currentMessage(), "Type is one of L, Q, A, F");
    EXPECT_TRUE(log.has("invalid TYPE \"Z\""));
    EXPECT_EQ(field->caption(), "Type");
    // Without a reason the status line still says the value was not taken.
    EXPECT_EQ(other->scriptSet("ab", &why), BoundControl::SetResult::Refused);
    EXPECT_EQ(main.statusBar()->currentMessage(), "CODE does not take “ab”");
}

// "€" typed into a field reaches the table as byte 0x80, which an
// independent reader decodes as Windows-1252.
TEST_F(EditFieldTest, TheEuroSignIsStoredAsItsWindows1252Byte) {
    QTemporaryDir dir;
    mx::rt::Session session;
    mx::rt::WorkArea& parts = test::makeParts(session, dir.path(), {{"A1", "one"}});
    Value desc = parts.fieldValue("DESC");
    Dialog dlg("Part", Box{0, 0, 200, 400});
    EditField* field = dlg.addField({10, 60, 120, 12}, desc, {.name = "DESC"});
    QString why;
    ASSERT_EQ(field->scriptSet(QString::fromUtf8("Sash €12 – left"), &why), BoundControl::SetResult::Done);
    parts.setField("DESC", desc);
    parts.commit();
    session.closeAll();
    QProcess py;
    py.start("/usr/bin/python3", {"-c",
                                  "import sys\nfrom dbfread import DBF\n"
                                  "t = DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict')\n"
                                  "sys.stdout.buffer.write(next(iter(t))['DESC'].encode('utf-8'))",
                                  QDir(dir.path()).filePath("parts.dbf")});
    ASSERT_TRUE(py.waitForFinished(20000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(py.readAllStandardOutput()), QString::fromUtf8("Sash €12 – left"));
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
