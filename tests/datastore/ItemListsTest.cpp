// ITEMLISTORDER and ITEMLISTCATEGORY, on their own and inside an index key
// built by the rebuild.
#include <gtest/gtest.h>

#include "DataStoreHarness.h"
#include "Error.h"
#include "Expression.h"
#include "IndexRebuild.h"
#include "ItemLists.h"
#include "Opening.h"

namespace mx::test {
namespace {

using rt::Value;

TEST(ItemListOrderTest, DigitsOfTheItemLists) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"FRAME", "1"},  {"SASH", "2"},      {"METAL", "3"},   {"OTHER", "4"},    {"SCREENS", "5"},
        {"GLASS", "6"},  {"REVEALS", "7"},   {"PARTS", "8"},   {"GLASS     ", "6"}, {"glass", "0"},
        {"", "0"},       {" GLASS", "0"},    {"GLAS", "0"},    {"GLASSES", "0"},  {"LABOUR", "0"},
    };
    for (const auto& [list, digit] : cases) EXPECT_EQ(ds::ITEMLISTORDER(list), digit) << '"' << list << '"';
}

class ItemListCategoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = h.file("stockcat.dbf");
        rt::DbfTable::create(path, {rt::charField("CODE", 10), rt::charField("DESC", 30), rt::charField("ITEMLIST", 10)});
        rt::Session s;
        rt::WorkArea& a = s.open(path, "", rt::OpenMode::Exclusive);
        for (auto [code, list] : std::vector<std::pair<const char*, const char*>>{
                 {"FRM", "FRAME"}, {"GLS", "GLASS"}, {"LAB", ""}, {"FRMX", "SASH"}}) {
            a.append();
            a.setField("CODE", Value::character(code));
            a.setField("ITEMLIST", Value::character(list));
        }
        s.closeAll();

        rt::DbfTable::create(h.file("stock.dbf"), {rt::charField("CODE", 15), rt::charField("CATEGORY", 10)});
        rt::WorkArea& st = s.open(h.file("stock.dbf"), "", rt::OpenMode::Exclusive);
        for (auto [code, cat] : std::vector<std::pair<const char*, const char*>>{
                 {"PANE", "GLS"}, {"HEAD", "FRM"}, {"CUT", "LAB"}, {"ODD", "NONE"}, {"SILL", "FRM"}}) {
            st.append();
            st.setField("CODE", Value::character(code));
            st.setField("CATEGORY", Value::character(cat));
        }
        s.closeAll();

        writeIndexDef(h.dir(), {entry("STOCKCAT", "stockcat", "stockcat", "CODE"),
                                entry("STOCK", "stock", "stockil",
                                      "ITEMLISTORDER(ITEMLISTCATEGORY(CATEGORY))+CATEGORY+CODE")});
        ds::RebuildReport r = ds::INIT_IDX(h.ctx);
        ASSERT_TRUE(r.ok()) << (h.sink.alerts().empty() ? "" : h.sink.alerts().front());
    }

    std::vector<std::string> stockInIndexOrder() {
        EXPECT_TRUE(ds::OPNALIAS(h.ctx, "stock"));
        rt::WorkArea& a = *h.session.area("STOCK");
        std::vector<std::string> codes;
        for (a.goTop(); !a.eof(); a.skip()) {
            std::string c = a.fieldValue("CODE").str();
            codes.push_back(c.substr(0, c.find(' ')));
        }
        return codes;
    }

    Harness h;
};

TEST_F(ItemListCategoryTest, ItemListOrTheCategoryItself) {
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "FRM       "), "FRAME     ");
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "GLS"), "GLASS     ");
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "LAB"), "LAB") << "empty item list";
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "NONE"), "NONE") << "no such category";
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "FR"), "FR") << "a code that only begins another";
}

TEST_F(ItemListCategoryTest, OpensStockcatOnlyWhenNeededLeavesItOpenAndKeepsTheSelection) {
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "stock"));
    rt::WorkArea* stock = h.session.selected();
    // Attaching the item-list order evaluated its key once already.
    EXPECT_NE(h.session.area("STOCKCAT"), nullptr);
    h.session.close("STOCKCAT");
    ds::ITEMLISTCATEGORY(h.ctx, "GLS");
    ASSERT_NE(h.session.area("STOCKCAT"), nullptr);
    EXPECT_EQ(h.session.selected(), stock);

    // Already open: used as it is, in its active order.
    rt::WorkArea* cat = h.session.area("STOCKCAT");
    cat->setOrder(0);
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "GLS"), "GLS") << "no order to seek in";
    cat->setOrder(1);
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "GLS"), "GLASS     ");
    EXPECT_TRUE(h.sink.empty());
}

TEST_F(ItemListCategoryTest, MissingStockcatReportsThroughTheOpeningServiceAndGivesTheCode) {
    std::filesystem::remove(h.file("stockcat.ntx"));
    EXPECT_EQ(ds::ITEMLISTCATEGORY(h.ctx, "GLS"), "GLS");
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to Open Index Files"});
}

TEST_F(ItemListCategoryTest, IndexKeyOrdersStockByItemListDigit) {
    // LAB and NONE: "0"; FRM: FRAME "1"; GLS: GLASS "6".
    EXPECT_EQ(stockInIndexOrder(), (std::vector<std::string>{"CUT", "ODD", "HEAD", "SILL", "PANE"}));
    ds::CLOSDATA(h.ctx);

    // A category moved to another item list moves its items at the next rebuild.
    {
        rt::Session s;
        rt::WorkArea& a = s.open(h.file("stockcat.dbf"), "", rt::OpenMode::Exclusive);
        a.goTo(2);  // GLS
        a.setField("ITEMLIST", Value::character(""));
        s.closeAll();
    }
    ASSERT_TRUE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_EQ(stockInIndexOrder(), (std::vector<std::string>{"PANE", "CUT", "ODD", "HEAD", "SILL"}));
    EXPECT_TRUE(h.session.area("STOCK")->checkIntegrity().empty());
}

TEST_F(ItemListCategoryTest, FunctionsAreCalledByNameFromExpressions) {
    rt::Expression e = rt::Expression::compile("ITEMLISTORDER(ITEMLISTCATEGORY('FRM'))", h.session);
    Value v = e.evaluate(h.session);
    ASSERT_TRUE(v.isCharacter());
    EXPECT_EQ(v.str(), "1");
    rt::Expression bad = rt::Expression::compile("ITEMLISTORDER(3)", h.session);
    EXPECT_THROW(bad.evaluate(h.session), rt::DbError);
}

}  // namespace
}  // namespace mx::test
