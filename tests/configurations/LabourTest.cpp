// The Labour screen and its dialog: labour lines and formula lines apart,
// any type letter, and the fields the labour dialog only carries.
#include <gtest/gtest.h>

#include "LineScreensFixture.h"

namespace mx::configurations::test {
namespace {

TEST_F(LineScreensTest, LabourLinesAndFormulaLinesNeverShareAList) {
    play("press Labour\ndump\nkey Insert\nset STKCODE sash\nset TYPE z\nset QTY 1.5\nset LABDESC fit\npress Save\ndump\n"
         "press Exit\npress Formulae\ndump\npress Exit\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Labour Details for :AWNING WINDOW - (ASSEMBLY)\"")) << h.joined();
    EXPECT_TRUE(h.has("open \"Labour Item Details (ASSEMBLY)\""));
    EXPECT_EQ(h.rows(0), (Lines{"row* 1 \"AW1\" \"L\" \"    1.00\" \"W\" \"\" \"GLAZING LABOUR\" \"\""}));
    EXPECT_EQ(h.field(0, "LABDESC"), "");
    // A type outside L, Q, A and F is taken; the new line is a labour line.
    EXPECT_EQ(h.rows(1).back(), "row* 2 \"AW1\" \"Z\" \"    1.50\" \"\" \"\" \"AWNING SASH\" \"\"") << h.joined();
    EXPECT_EQ(h.field(1, "LABDESC"), "FIT");
    EXPECT_EQ(h.column("assline", "LABOUR").back(), "T");
    EXPECT_EQ(h.rows(2).size(), 3u) << "neither labour line is a formula line";
}

TEST_F(LineScreensTest, ALabourEditLeavesTheFieldsItOnlyCarriesUnchanged) {
    h.append("assline", {{{"ASSCODE", C("AW1")}, {"STKCODE", C("SEAL")}, {"LABOUR", L(true)}, {"AMOUNT", C("W+H")},
                          {"AMOUNT2", C("2*H")}, {"ADJUST", N(-2)}, {"ADJUST2", N(4)}, {"WASTAGE", L(true)},
                          {"PANELCODE", C("P1")}, {"GROUPING", C("G7")}, {"CQTY", C("2 PER SASH")}, {"LOWER", L(true)}}});
    auto before = h.recordFields("assline", 6);
    // SEAL is no stock item: leaving the code field brings up the pick list,
    // left with Exit, the code as it was.
    play("press Labour\nrow 2\npress View/Update\nset DESC \"seal fitting\"\npress Exit\nkey PageDown\npress Exit\n"
         "press Exit\n");
    auto after = h.recordFields("assline", 6);
    EXPECT_EQ(ds::trimRight(after["DESC"]), "SEAL FITTING");
    // Every other field, the carried amounts, adjustments, wastage and panel
    // code among them, keeps its bytes.
    before.erase("DESC");
    after.erase("DESC");
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace mx::configurations::test
