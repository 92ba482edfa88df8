// The customer dialog played from the register: every field shown with the
// note read-only, Enter in a field that does not save, Page Down that does,
// "&Reset Change"; Add with the next free key and Cancel marking the new
// customer; a save or an add that another workstation's lock refuses.
#include <gtest/gtest.h>

#include "CustomerDialog.h"
#include "CustomerHarness.h"
#include "CustomerRegister.h"
#include "Text.h"

namespace mx::customers::test {
namespace {

using rt::Value;

class CustomerDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("mitrex", {customer(1, "BANKSIA FRAMES", "F1",
                                     {{"CONTACT", C("MARK MARTIN")}, {"AMOUNT", N(220)}, {"FINTYPE", C("PP")},
                                      {"CHANGED", Value::date(2460000)}, {"LIBCODE", C("131262")},
                                      {"TAG1", L(true)}, {"CPOSTCODE", C("0872")}}),
                            customer(2, "ACACIA")});
        h.append("mxnote", {{{"CUSTNO", N(1)}, {"NOTE", C("Installed 6.1 by Jane.\r\nTwo workstations.")}}});
        h.action = [this] {
            MITREX(h.ctx, 1);
            ds::CLOSDATA(h.ctx);
        };
    }
    std::string at(const char* field, int record = 1) { return h.column("mitrex", field).at(record - 1); }
    // The first customer's CHANGED as YYYYMMDD, empty when blank.
    std::string changed() {
        rt::Session s;
        rt::WorkArea& a = s.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared, true);
        a.goTo(1);
        return ds::trimRight(a.fieldBytes(a.fieldIndex("CHANGED")));
    }

    CustomerHarness h;
};

TEST_F(CustomerDialogTest, ShowsEveryFieldAndTheNoteAndSavesWithPageDownNotWithEnter) {
    h.run("press Modify\ndump\n"
          "set COMPANY \"Banksia Frames & Glass\"\nset VERSION 6.2\nset LITE Y\nset AMOUNT 123.45\n"
          "set LIBCODE1 f1-0\nset COD Y\nset FINTYPE AP\nset CONTACT \"jane citizen\"\nset STATE1 nsw\n"
          "set CPOSTCODE 2000\nset CHANGED 01/07/25\nset EMAIL Jane@Banksia.example\nset TEAMVIEWER \"123 456 789\"\n"
          "key Enter\ndump\nkey PageDown\ndump\npress Exit\n");
    const std::vector<std::string> shown = h.dump(0);
    std::vector<std::string> names;
    for (const std::string& l : shown)
        if (l.rfind("field ", 0) == 0) names.push_back(l.substr(6, l.find(' ', 6) - 6));
    std::vector<std::string> expected = customerDialogFields();
    expected.push_back("NOTE");
    EXPECT_EQ(names, expected);
    EXPECT_EQ(h.field(0, "AMOUNT"), "\"220.00\"");
    EXPECT_EQ(h.field(0, "FINTYPE"), "\"PP\"");
    EXPECT_EQ(h.field(0, "CHANGED"), "\"24/02/23\"");
    EXPECT_EQ(h.field(0, "CPOSTCODE"), "\"0872\"");
    EXPECT_EQ(h.field(0, "NOTE"), "\"Installed 6.1 by Jane.\\nTwo workstations.\"");
    EXPECT_EQ(h.dump(1).at(0), "dump \"Mitrex Customer Details (MITREX)\"") << "Enter does not end the dialog";
    EXPECT_EQ(h.dump(2).at(0), "dump \"Mitrex Customer Register (MITREX)\"") << h.joined();

    EXPECT_EQ(at("COMPANY"), "Banksia Frames & Glass");
    EXPECT_EQ(at("VERSION"), "6.2");
    EXPECT_EQ(at("LITE"), "T");
    EXPECT_EQ(h.numbers("mitrex", "AMOUNT").at(0), 123.45);
    EXPECT_EQ(at("LIBCODE1"), "F1-0");
    EXPECT_EQ(at("COD"), "T");
    EXPECT_EQ(at("FINTYPE"), "AP");
    EXPECT_EQ(at("CONTACT"), "JANE CITIZEN");
    EXPECT_EQ(at("STATE1"), "NSW");
    EXPECT_EQ(at("CPOSTCODE"), "2000");
    EXPECT_EQ(at("EMAIL"), "Jane@Banksia.example");
    EXPECT_EQ(at("TEAMVIEWER"), "123 456 789");
    EXPECT_EQ(h.field(1, "CHANGED"), "\"01/07/25\"");
    EXPECT_EQ(changed(), "20250701");
    // Fields the dialog does not show are left as they are on file.
    EXPECT_EQ(at("LIBCODE"), "131262");
    EXPECT_EQ(at("TAG1"), "T");
    EXPECT_EQ(h.numbers("mitrex", "CUSTNO"), (std::vector<double>{1, 2}));
    EXPECT_EQ(h.column("mxnote", "NOTE").at(0), "Installed 6.1 by Jane.\r\nTwo workstations.");
}

TEST_F(CustomerDialogTest, ResetChangeBlanksTheDateAndCancelWritesNothing) {
    h.run("press Modify\nset CONTACT NOBODY\npress \"Reset Change\"\ndump\npress Cancel\n"
          "press Modify\npress \"Reset Change\"\npress Save\npress Exit\n");
    EXPECT_EQ(h.field(0, "CHANGED"), "\"\"");
    EXPECT_EQ(at("CONTACT"), "MARK MARTIN");
    EXPECT_EQ(changed(), "");
}

TEST_F(CustomerDialogTest, AddThenCancelLeavesNoCustomerAndItsKeyIsNotGivenAgain) {
    // A customer deleted here and a note whose customer was packed away keep
    // their keys from being given again.
    h.append("mitrex", {customer(6, "GONE PTY")});
    h.append("mxnote", {{{"CUSTNO", N(4)}, {"NOTE", C("Orphan")}}});
    h.run("row 3\nanswer yes\npress Delete\npress Add\ndump\npress Cancel\ndump\n"
          "press Add\nset COMPANY \"NEW FABRICATOR\"\npress Save\ndump\npress Exit\n");
    EXPECT_EQ(h.field(0, "COMPANY"), "\"\"");
    EXPECT_EQ(h.numbers("mitrex", "CUSTNO"), (std::vector<double>{1, 2, 6, 7, 8}));
    EXPECT_EQ(h.live("mitrex", "COMPANY"), (std::vector<std::string>{"BANKSIA FRAMES", "ACACIA", "NEW FABRICATOR"}));
    EXPECT_EQ(h.companies(1), (std::vector<std::string>{"BANKSIA FRAMES", "*ACACIA"}));
    EXPECT_EQ(h.companies(2), (std::vector<std::string>{"BANKSIA FRAMES", "ACACIA", "*NEW FABRICATOR"}));
}

// In a list restricted to marked customers the new one is not shown, and
// the dialog still edits it, not the customer the list stands on.
TEST_F(CustomerDialogTest, AddInARestrictedListEditsTheNewCustomer) {
    h.append("lib", fiveGroups());
    h.run("press \"Chk Lib\"\nset CODE A1\npress OK\ndump\npress Add\ndump\nset COMPANY \"NEW ONE\"\npress Save\n"
          "dump\npress Exit\n");
    EXPECT_EQ(h.companies(0), (std::vector<std::string>{"*BANKSIA FRAMES"})) << h.joined();
    EXPECT_EQ(h.field(1, "COMPANY"), "\"\"") << h.joined();
    EXPECT_EQ(h.column("mitrex", "COMPANY"), (std::vector<std::string>{"BANKSIA FRAMES", "ACACIA", "NEW ONE"}));
    EXPECT_EQ(h.companies(2), (std::vector<std::string>{"*BANKSIA FRAMES"}));
}

TEST_F(CustomerDialogTest, ASaveThatCannotLockIsToldAndWritesNothing) {
    h.reindex();
    rt::Session other;
    rt::WorkArea& theirs = other.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    theirs.goTo(1);
    ASSERT_TRUE(theirs.lock());
    ASSERT_EQ(h.play("menu Run\npress Modify\nset CONTACT \"SOMEONE ELSE\"\npress Save\ndump\npress Exit\n"), 0)
        << h.joined();
    EXPECT_TRUE(h.has("alert \"Unable to Lock Record.  Try Again Later!\"")) << h.joined();
    EXPECT_EQ(h.dump(0).at(0), "dump \"Mitrex Customer Register (MITREX)\"");
    EXPECT_EQ(h.sleeper.count(), 100);
    other.closeAll();
    EXPECT_EQ(at("CONTACT"), "MARK MARTIN");

    // The whole table locked elsewhere: no new customer, no dialog.
    h.lines.clear();
    rt::WorkArea& locked = other.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    ASSERT_TRUE(locked.lockFile());
    ASSERT_EQ(h.play("menu Run\npress Add\npress Exit\n"), 0) << h.joined();
    other.closeAll();
    EXPECT_EQ(h.sink.texts(ds::RecordingSink::Kind::Timed), (std::vector<std::string>{"Unable to add record."}));
    EXPECT_TRUE(h.has("alert \"Unable to Add Record to Data File.  Try Again Later!\"")) << h.joined();
    EXPECT_FALSE(h.has("open \"Mitrex Customer Details (MITREX)\"")) << h.joined();
    EXPECT_EQ(h.numbers("mitrex", "CUSTNO").size(), 2u);
}

}  // namespace
}  // namespace mx::customers::test
