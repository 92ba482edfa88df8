// The Punch Holes screen and its dialog, and what the line screens leave
// behind for the Configurations screen's code change and delete.
#include <gtest/gtest.h>

#include "LineScreensFixture.h"

namespace mx::configurations::test {
namespace {

TEST_F(LineScreensTest, PunchHolesAreAddedByInsertAndAddAndDeletedToAnEmptyList) {
    play("press \"Punch Holes\"\ndump\nkey Insert\nset DESC \"corner slot\"\nset DIMENSION h/2\nset ADJUST 3\n"
         "key PageDown\npress Add\npress Cancel\ndump\nrow 1\npress View/Update\npress Cancel\n"
         "answer yes\npress Delete\nanswer yes\npress Delete\ndump\npress Exit\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Punch Hole Details for :AWNING WINDOW - (ASSEMBLY)\"")) << h.joined();
    EXPECT_EQ(h.dump(0)[1], "browse \"Description\" \"Dimension\" \"Adjustment\"");
    EXPECT_EQ(h.rows(0), (Lines{"row* 1 \"DRAIN\" \"W/4\" \"-2\""}));
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "open \"New \""), 2) << h.joined();
    EXPECT_TRUE(h.has("open \"User View/Update\""));
    // The cancelled Add leaves no hole; the list stands on one still there.
    EXPECT_EQ(h.rows(1), (Lines{"row 1 \"DRAIN\" \"W/4\" \"-2\"", "row* 2 \"CORNER SLOT\" \"H/2\" \" 3\""}));
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "yesno \"Delete This Entry?\" yes"), 2);
    EXPECT_TRUE(h.rows(2).empty()) << h.joined();
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"FX2"}));
}

TEST_F(LineScreensTest, ALineOrPunchHoleAnotherStationHoldsIsNotDeletedAndTheUserIsTold) {
    h.reindex();
    OtherStation lineHolder, holeHolder;
    ASSERT_TRUE(lineHolder.holdRecordLock(h.tmp.file("assline.dbf"), 1));  // AW1's HEAD line
    ASSERT_TRUE(holeHolder.holdRecordLock(h.tmp.file("punchole.dbf"), 1));  // AW1's DRAIN
    ASSERT_EQ(h.play("menu Run\npress Formulae\nanswer yes\npress Delete\ndump\npress Exit\n"
                     "press \"Punch Holes\"\nanswer yes\npress Delete\ndump\npress Exit\npress Exit\n"),
              0)
        << h.joined();
    lineHolder.release();
    holeHolder.release();
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "alert \"Unable to Lock Record.  Try Again Later!\""), 2)
        << h.joined();
    EXPECT_EQ(h.live("assline", "STKCODE"), (Lines{"HEAD", "SILL", "GLAZE", "SILL", "SASH"}));
    EXPECT_EQ(h.live("punchole", "DESC"), (Lines{"DRAIN", "VENT"}));
    EXPECT_EQ(h.rows(0).front().rfind("row* 1 \"HEAD\"", 0), 0u) << "the list stays on the line: " << h.joined();
}

TEST_F(LineScreensTest, APunchHolesAdjustmentTakesTheDefaultLimitWhenTheSuiteGivesNone) {
    // NL1's suite is not on file, FX2's has 0: both bound at 5.
    play("row 3\npress \"Punch Holes\"\npress Add\nset ADJUST -6\nset ADJUST -5\npress Save\npress Exit\n"
         "row 2\npress \"Punch Holes\"\nkey Enter\nset ADJUST 6\nset ADJUST 5\nkey PageDown\npress Exit\n"
         "row 1\npress \"Punch Holes\"\nkey Enter\nset ADJUST 4\nset ADJUST -3\nkey PageDown\npress Exit\npress Exit\n");
    EXPECT_TRUE(h.has("invalid ADJUST \"-6\"")) << h.joined();
    EXPECT_TRUE(h.has("invalid ADJUST \"6\""));
    EXPECT_TRUE(h.has("invalid ADJUST \"4\""));
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "alert \"Invalid Adjustment, Must be between -5mm and 5mm.\""), 2);
    EXPECT_TRUE(h.has("alert \"Invalid Adjustment, Must be between -3mm and 3mm.\""));
    EXPECT_EQ(h.column("punchole", "ASSCODE"), (Lines{"AW1", "FX2", "NL1"}));
    EXPECT_EQ(h.numbers("punchole", "ADJUST"), (std::vector<double>{-3, 5, -5}));
    EXPECT_EQ(h.session.area("LIB"), nullptr) << "the suites are closed after each check";
}

TEST_F(LineScreensTest, TheCascadeAfterTheLineScreensWereUsedRemovesBothKindsOfLines) {
    play("press Formulae\npress Exit\npress Labour\npress Exit\npress \"Punch Holes\"\npress Exit\n"
         "answer yes\npress Delete\npress Exit\n");
    EXPECT_EQ(h.live("assline", "ASSCODE"), (Lines{"FX2"}));
    EXPECT_EQ(h.live("asspanel", "ASSCODE"), (Lines{"FX2"}));
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"FX2"}));
}

TEST_F(LineScreensTest, AfterACodeChangeTheLinesNoLongerAppearUnderTheConfiguration) {
    play("press View/Update\nset CODE AW9\nanswer no\npress Save\npress Formulae\ndump\npress Exit\npress \"Punch Holes\"\ndump\n"
         "press Exit\npress Exit\n");
    EXPECT_TRUE(h.rows(0).empty()) << h.joined();
    EXPECT_TRUE(h.rows(1).empty()) << h.joined();
    EXPECT_EQ(h.column("assline", "ASSCODE"), (Lines{"AW1", "FX2", "AW1", "AW1", "AW1"}));
}

}  // namespace
}  // namespace mx::configurations::test
