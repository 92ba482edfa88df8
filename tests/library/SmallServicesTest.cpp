// GETDESC, COLOUR, and the item-list functions as the demo data set's
// `stock` order uses them.
#include <gtest/gtest.h>

#include "Colour.h"
#include "Expression.h"
#include "GetDesc.h"
#include "ItemLists.h"
#include "LibraryHarness.h"
#include "Opening.h"

namespace mx::lib::test {
namespace {

using rt::Value;

class GetDescTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("stock", {{{"CODE", C("HEAD")}, {"DESC", C("FIXED HEAD")}},
                           {{"CODE", C("HEADER")}, {"DESC", C("HEADER RAIL")}}});
        h.reindex();
    }
    LibraryHarness h;
};

TEST_F(GetDescTest, DescriptionOrEmptyTextAndTheTableClosedAfterwards) {
    EXPECT_EQ(GETDESC(h.ctx, C("HEADER         "), "stock"), "HEADER RAIL");
    EXPECT_EQ(GETDESC(h.ctx, C("NOSUCH         "), "stock"), "");
    EXPECT_EQ(GETDESC(h.ctx, C("NOSUCH"), "STOCK"), "");
    EXPECT_EQ(h.session.area("STOCK"), nullptr);
    EXPECT_TRUE(h.sink.alerts().empty());

    // Open before the call, and another area selected: closed, selection back.
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "stock") && ds::OPNALIAS(h.ctx, "stockcat"));
    h.session.area("STOCK")->setOrder(2);
    EXPECT_EQ(GETDESC(h.ctx, C("HEAD           "), "stock"), "FIXED HEAD") << "sought in order 1";
    EXPECT_EQ(h.session.area("STOCK"), nullptr);
    EXPECT_EQ(h.session.selected()->alias(), "STOCKCAT");
}

TEST_F(GetDescTest, ATableThatCannotBeOpenedGivesAnEmptyTextAfterTheOpenServicesAlert) {
    std::remove(h.tmp.file("stock.dbf").c_str());
    EXPECT_EQ(GETDESC(h.ctx, C("HEAD"), "stock"), "");
    EXPECT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_EQ(h.session.area("STOCK"), nullptr);
}

TEST(ColourTest, ChoosingOrCancellingChangesNothing) {
    LibraryHarness h;
    h.append("stock", {{{"CODE", C("HEAD")}, {"TYPE", C("L")}}});
    h.reindex();
    const std::string before = mx::test::readFileBytes(h.tmp.file("stock.dbf"));
    h.action = [&h] {
        COLOUR();
        EXPECT_TRUE(h.session.areas().empty()) << "no table opened";
    };
    ASSERT_EQ(h.play("answer colour 336699\nmenu Run\nanswer cancel\nmenu Run\ndump\n"), 0) << h.joined();
    const std::vector<std::string> expected = {"window \"Test\"", "colour 336699", "colour cancel", "dump \"Test\"", "end dump", "end 0"};
    EXPECT_EQ(h.lines, expected) << h.joined();
    EXPECT_EQ(mx::test::readFileBytes(h.tmp.file("stock.dbf")), before);
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST(ColourTest, NoQueuedAnswerEndsAScriptedRunAsUnanswered) {
    LibraryHarness h;
    h.action = [] { COLOUR(); };
    EXPECT_EQ(h.play("menu Run\n"), 3) << h.joined();
}

// The demo data set: its `stock` order 2 is keyed on the item-list digit of
// each item's category, through the functions registered for expressions.
TEST(ItemListDemoTest, RebuiltItemListOrderAndTheFunctionsInExpressions) {
    mx::test::TempDir tmp;
    ds::createDataSet(tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx(session, sink, sleeper, tmp.path());
    ds::applyTableAccessDefaults(session);
    ds::registerItemListFunctions(ctx);
    ASSERT_TRUE(ds::INIT_IDX(ctx).ok());

    auto eval = [&](const std::string& text) { return rt::Expression::compile(text, session).evaluate(session).str(); };
    EXPECT_EQ(eval("ITEMLISTORDER('GLASS     ')"), "6");
    EXPECT_EQ(eval("ITEMLISTORDER('glass')"), "0");
    EXPECT_EQ(eval("ITEMLISTORDER('')"), "0");
    EXPECT_EQ(eval("ITEMLISTCATEGORY('LAB')"), "LAB") << "a category with an empty ITEMLIST";
    EXPECT_EQ(eval("ITEMLISTCATEGORY('LVB')"), "GLASS     ");

    ASSERT_TRUE(ds::OPNALIAS(ctx, "stock"));
    rt::WorkArea& stock = *session.area("STOCK");
    stock.setOrder(2);
    EXPECT_TRUE(stock.checkIntegrity().empty());
    std::string previous, digits;
    int rows = 0;
    for (stock.goTop(); !stock.eof(); stock.skip(), ++rows) {
        const std::string d = ds::ITEMLISTORDER(ds::ITEMLISTCATEGORY(ctx, stock.fieldValue("CATEGORY").str()));
        EXPECT_LE(previous, d) << stock.fieldValue("CODE").str();
        if (d != previous) digits += d;
        previous = d;
    }
    EXPECT_EQ(rows, 105);
    EXPECT_EQ(digits, "012345678") << "LAB/MSC first, then one run per item list";
}

}  // namespace
}  // namespace mx::lib::test
