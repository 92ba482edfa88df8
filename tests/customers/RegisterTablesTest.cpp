// The register's tables without windows: the index files it builds when it
// opens, and shares with a register open on another workstation; the
// temporary sorts, under which every change still reaches the standard
// files; and a register table that is damaged, missing or held elsewhere.
#include <gtest/gtest.h>

#include "Catalogue.h"
#include "CustomerHarness.h"
#include "DataSetCheck.h"
#include "RecordServices.h"
#include "RegisterTables.h"
#include "Text.h"

namespace mx::customers::test {
namespace {

using rt::Value;

class RegisterTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("mitrex", {customer(3, "CEDAR GLASS", "", {{"MGR", C("ZOE")}, {"AMOUNT", N(50)}, {"STATE1", C("WA")}}),
                            customer(1, "BANKSIA", "", {{"MGR", C("YVES")}, {"AMOUNT", N(70)}, {"STATE1", C("NSW")}}),
                            customer(2, "ACACIA", "", {{"MGR", C("XAVI")}, {"AMOUNT", N(60)}, {"STATE1", C("QLD")}})});
        h.append("mxnote", {{{"CUSTNO", N(2)}, {"NOTE", C("A note")}}});
        h.reindex();
    }

    // Companies from the first customer in the active order.
    std::vector<std::string> order(rt::WorkArea& a) {
        std::vector<std::string> out;
        for (a.goTop(); !a.eof(); a.skip()) out.push_back(ds::trimRight(a.fieldValue("COMPANY").str()));
        return out;
    }
    void setField(rt::WorkArea& a, std::uint32_t recno, const char* field, const Value& v) {
        a.goTo(recno);
        ASSERT_TRUE(a.lock());
        a.setField(field, v);
        a.unlock();
    }
    bool checkClean() {
        h.session.closeAll();
        ds::CheckReport r = ds::checkDataSet(h.ctx);
        for (const std::string& p : r.problems) ADD_FAILURE() << p;
        return r.ok();
    }

    CustomerHarness h;
};

TEST_F(RegisterTablesTest, OpensInKeyOrderWithItsFourOrdersAndTheNoteOrder) {
    ASSERT_TRUE(openRegister(h.ctx));
    rt::WorkArea& mitrex = h.session.openArea("MITREX");
    EXPECT_EQ(h.session.selected(), &mitrex);
    ASSERT_EQ(mitrex.orderCount(), 4);
    EXPECT_EQ(mitrex.order(), 1);
    EXPECT_EQ(mitrex.orderExpression(1), "CUSTNO");
    EXPECT_EQ(mitrex.recno(), 2u) << "on the first customer in key order";
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"BANKSIA", "ACACIA", "CEDAR GLASS"}));
    mitrex.setOrder(2);
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"ACACIA", "BANKSIA", "CEDAR GLASS"}));
    mitrex.setOrder(kManagerOrder);
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"ACACIA", "BANKSIA", "CEDAR GLASS"}));
    mitrex.setOrder(kAmountOrder);
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"CEDAR GLASS", "ACACIA", "BANKSIA"}));
    rt::WorkArea& notes = h.session.openArea("MXNOTE");
    ASSERT_EQ(notes.orderCount(), 1);
    EXPECT_TRUE(notes.seek(N(2), false));
    EXPECT_TRUE(checkClean()) << "the files are built on the keys indexdef gives";
}

// Two registers at once: the second shares the files the first has open,
// so what either writes reaches the one file on disk.
TEST_F(RegisterTablesTest, ASecondRegisterSharesTheFilesTheFirstHasOpen) {
    ASSERT_TRUE(openRegister(h.ctx));
    rt::Session other;
    ds::DataContext otherCtx{other, h.sink, h.sleeper, h.tmp.path()};
    ASSERT_TRUE(openRegister(otherCtx));
    setField(h.session.openArea("MITREX"), 1, "COMPANY", C("ZEBRA WINDOWS"));
    setField(other.openArea("MITREX"), 2, "MGR", C("AARON"));
    rt::WorkArea& theirs = other.openArea("MITREX");
    theirs.setOrder(2);
    EXPECT_EQ(order(theirs), (std::vector<std::string>{"ACACIA", "BANKSIA", "ZEBRA WINDOWS"}));
    other.closeAll();
    EXPECT_TRUE(checkClean());
    EXPECT_EQ(h.sleeper.count(), 0);
}

TEST_F(RegisterTablesTest, TemporarySortsLeaveTheStandardFilesOpenAndCurrent) {
    ASSERT_TRUE(openRegister(h.ctx));
    rt::WorkArea& mitrex = h.session.openArea("MITREX");
    ASSERT_TRUE(SETSTATEORDER(h.ctx));
    EXPECT_TRUE(temporarySortInForce(h.ctx));
    EXPECT_EQ(mitrex.orderCount(), 5);
    EXPECT_EQ(mitrex.order(), 5);
    EXPECT_EQ(mitrex.orderExpression(5), "state1");
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"BANKSIA", "ACACIA", "CEDAR GLASS"}));

    // A change under the sort reaches the standard files as well.
    setField(mitrex, 1, "MGR", C("ABEL"));  // CEDAR GLASS
    ASSERT_TRUE(SETCHANGEORDER(h.ctx));
    EXPECT_EQ(mitrex.orderCount(), 5);
    EXPECT_EQ(mitrex.orderExpression(5), "dtos(changed)");
    selectRegisterOrder(h.ctx, kManagerOrder);
    EXPECT_FALSE(temporarySortInForce(h.ctx));
    EXPECT_EQ(mitrex.orderCount(), 4);
    EXPECT_EQ(mitrex.order(), kManagerOrder);
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"CEDAR GLASS", "ACACIA", "BANKSIA"}));

    ASSERT_TRUE(SETSTATEORDER(h.ctx));
    setField(mitrex, 2, "AMOUNT", N(10));
    selectRegisterOrder(h.ctx, kAmountOrder);
    EXPECT_EQ(order(mitrex), (std::vector<std::string>{"BANKSIA", "CEDAR GLASS", "ACACIA"}));
    EXPECT_TRUE(checkClean());
}

TEST_F(RegisterTablesTest, ADamagedRegisterIsExplainedAndABusyOrMissingOneIsNot) {
    mx::test::writeFileBytes(h.tmp.file("mitrex.dbf"), std::string("\x03\x7a\x0c\x08garbage", 11));
    EXPECT_FALSE(openRegister(h.ctx));
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_NE(h.sink.alerts()[0].find("mitrex.dbf"), std::string::npos) << h.sink.alerts()[0];
    EXPECT_EQ(h.sink.alerts()[0].rfind("Unable to open the customer register. ", 0), 0u) << h.sink.alerts()[0];
    EXPECT_EQ(h.session.area("MXNOTE"), nullptr) << "what it opened is closed again";

    h.sink.clear();
    std::remove(h.tmp.file("mitrex.dbf").c_str());
    EXPECT_FALSE(openRegister(h.ctx));
    EXPECT_TRUE(h.sink.alerts().empty());

    rt::Session other;
    other.open(h.tmp.file("mxnote.dbf"), "", rt::OpenMode::Exclusive);
    EXPECT_FALSE(openRegister(h.ctx));
    EXPECT_TRUE(h.sink.alerts().empty());
    EXPECT_EQ(h.sleeper.count(), 11) << "the opener's retries";
}

}  // namespace
}  // namespace mx::customers::test
