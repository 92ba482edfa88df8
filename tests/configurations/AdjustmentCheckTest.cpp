// The adjustment limit without a window: the arithmetic and the alert's
// wording, and the limit looked up in the suites of a data set.
#include <gtest/gtest.h>

#include <filesystem>

#include "AdjustmentCheck.h"
#include "ConfigurationHarness.h"

namespace mx::configurations::test {
namespace {

TEST(AdjustmentLimit, TheSuitesLimitWhenAboveZeroElseFive) {
    EXPECT_EQ(adjustmentLimit(std::nullopt), 5) << "no suite";
    EXPECT_EQ(adjustmentLimit(0.0), 5);
    EXPECT_EQ(adjustmentLimit(-3.0), 5) << "a negative limit in a damaged file";
    EXPECT_EQ(adjustmentLimit(3.0), 3);
    EXPECT_EQ(adjustmentLimit(3.7), 3) << "a whole number of millimetres";
    EXPECT_EQ(adjustmentLimit(99.0), 99);

    EXPECT_TRUE(adjustmentAllowed(-3, 3));
    EXPECT_TRUE(adjustmentAllowed(3, 3));
    EXPECT_TRUE(adjustmentAllowed(0, 3));
    EXPECT_FALSE(adjustmentAllowed(4, 3));
    EXPECT_FALSE(adjustmentAllowed(-4, 3));
    EXPECT_TRUE(adjustmentAllowed(-5, 5));
    EXPECT_FALSE(adjustmentAllowed(-6, 5));

    EXPECT_EQ(adjustmentAlert(5), "Invalid Adjustment, Must be between -5mm and 5mm.");
    EXPECT_EQ(adjustmentAlert(12), "Invalid Adjustment, Must be between -12mm and 12mm.");
}

TEST(AdjustmentLimit, LookedUpInTheSuiteAndLibClosedAgain) {
    ConfigurationHarness h;
    h.append("lib", {{{"CODE", C("RS500")}, {"MAXADJUST", N(3)}}, {{"CODE", C("RS400")}, {"MAXADJUST", N(0)}},
                     {{"CODE", C("RS5")}, {"MAXADJUST", N(8)}}});
    h.reindex();
    EXPECT_EQ(lookUpAdjustmentLimit(h.ctx, "RS500"), 3);
    EXPECT_EQ(lookUpAdjustmentLimit(h.ctx, "RS400"), 5);
    EXPECT_EQ(lookUpAdjustmentLimit(h.ctx, "NOSUCH"), 5);
    EXPECT_EQ(lookUpAdjustmentLimit(h.ctx, "RS5       "), 8);
    EXPECT_EQ(lookUpAdjustmentLimit(h.ctx, "RS50"), 5) << "the whole code, not the start of a longer one";
    EXPECT_EQ(h.session.area("LIB"), nullptr);
    EXPECT_TRUE(h.sink.alerts().empty());

    // A `lib` that cannot be opened: the opening service says why, the limit is 5.
    std::filesystem::remove(h.tmp.file("lib.dbf"));
    EXPECT_EQ(lookUpAdjustmentLimit(h.ctx, "RS500"), 5);
    EXPECT_EQ(h.sink.alerts().size(), 1u);
}

}  // namespace
}  // namespace mx::configurations::test
