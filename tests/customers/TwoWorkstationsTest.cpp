// Two workstations, each a process of its own, with the register open at
// the same time: the second shares the index files the first has open, and
// each saves a customer. The test holds the customers' locks until both
// stand at their save, with the values they copied when their dialogs
// opened, then lets them write one after the other. Different customers:
// both changes are kept. The same customer: each writer's fields are kept,
// the one both changed is asked about and the second writer's Yes puts its
// value there, and a mark set meanwhile stays. The data set is checked by
// mxadmin afterwards.
#include <gtest/gtest.h>

#include "CustomerHarness.h"
#include "ProgramRunner.h"
#include "Station.h"

namespace mx::customers::test {
namespace {

using rt::Value;

class TwoWorkstationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("mitrex", {customer(1, "BANKSIA FRAMES", "", {{"CONTACT", C("MARK MARTIN")}, {"MGR", C("RAY")}}),
                            customer(2, "ACACIA GLASS", "", {{"CONTACT", C("HELEN")}, {"MGR", C("BETH")}}),
                            customer(3, "CEDAR DOORS", "")});
        h.reindex();
    }
    std::string at(const char* field, int record) { return h.column("mitrex", field).at(record - 1); }
    // mxadmin's check of the whole data set: its last line.
    std::string check() {
        mx::test::RunResult r = mx::test::run(mx::test::mxadmin() + " check '" + h.tmp.path() + "'");
        return std::to_string(r.status) + " " + r.out;
    }

    CustomerHarness h;
};

TEST_F(TwoWorkstationsTest, DifferentCustomersBothKeepTheirChanges) {
    rt::Session held;
    rt::WorkArea& mitrex = held.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    ASSERT_TRUE(mitrex.lockRecord(1));
    ASSERT_TRUE(mitrex.lockRecord(2));

    StationProcess first(h.tmp.path(), 1), second(h.tmp.path(), 2);
    ASSERT_TRUE(first.start("menu Run\nrow 1\npress Modify\nset COMPANY \"BANKSIA FRAMES & GLASS\"\nkey PageDown\n"
                            "press Exit\n"));
    ASSERT_TRUE(first.waiting()) << first.transcript();
    ASSERT_TRUE(second.start("menu Run\nrow 2\npress Modify\nset MGR CARL\nset CONTACT \"ANNE LEE\"\npress Save\n"
                             "press Exit\n"));
    ASSERT_TRUE(second.waiting()) << second.transcript();

    // Both stand at their save with the register open.
    mitrex.unlock();
    first.go();
    EXPECT_EQ(first.finish(), 0) << first.transcript();
    second.go();
    EXPECT_EQ(second.finish(), 0) << second.transcript();
    held.closeAll();

    EXPECT_EQ(at("COMPANY", 1), "BANKSIA FRAMES & GLASS");
    EXPECT_EQ(at("CONTACT", 1), "MARK MARTIN");
    EXPECT_EQ(at("MGR", 1), "RAY");
    EXPECT_EQ(at("COMPANY", 2), "ACACIA GLASS");
    EXPECT_EQ(at("CONTACT", 2), "ANNE LEE");
    EXPECT_EQ(at("MGR", 2), "CARL");
    EXPECT_EQ(check().rfind("0 ", 0), 0u) << check();
}

TEST_F(TwoWorkstationsTest, TheSameCustomerKeepsBothWritersFieldsAsksAboutTheOneBothChangedAndKeepsAMark) {
    rt::Session held;
    rt::WorkArea& mitrex = held.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    mitrex.goTo(1);
    ASSERT_TRUE(mitrex.lock());

    StationProcess first(h.tmp.path(), 1), second(h.tmp.path(), 2);
    ASSERT_TRUE(first.start("menu Run\npress Modify\nset COMPANY \"FIRST WRITER\"\nset MGR ZED\npress Save\n"
                            "press Exit\n"));
    ASSERT_TRUE(first.waiting()) << first.transcript();
    ASSERT_TRUE(second.start("menu Run\npress Modify\nset CONTACT \"SECOND WRITER\"\nset MGR KAY\nanswer yes\nkey PageDown\n"
                             "press Exit\n"));
    ASSERT_TRUE(second.waiting()) << second.transcript();

    // Meanwhile a mark is set on the customer (as the library-users search does).
    mitrex.setField("TAG", L(true));
    mitrex.unlock();
    first.go();
    EXPECT_EQ(first.finish(), 0) << first.transcript();
    EXPECT_EQ(at("COMPANY", 1), "FIRST WRITER");
    second.go();
    EXPECT_EQ(second.finish(), 0) << second.transcript();
    held.closeAll();

    EXPECT_TRUE(second.transcript().find("yesno \"Changed on another workstation while you edited:\\nManager: ZED\\n"
                                         "Save yours over them?\" yes") != std::string::npos)
        << second.transcript();
    EXPECT_EQ(at("COMPANY", 1), "FIRST WRITER") << "a field the second writer left";
    EXPECT_EQ(at("MGR", 1), "KAY");
    EXPECT_EQ(at("CONTACT", 1), "SECOND WRITER");
    EXPECT_EQ(at("TAG", 1), "T") << "a field the dialog does not show stays as it is on file";
    EXPECT_EQ(check().rfind("0 ", 0), 0u) << check();
}

}  // namespace
}  // namespace mx::customers::test
