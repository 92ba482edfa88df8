// COMPCAT played as scripted sessions: the "Used" column, stock items whose
// category is unknown, a stale work table, the report, and the keys left
// behind; markUsedCategories on its own for what the dialog cannot show.
#include <gtest/gtest.h>

#include "ComponentCategories.h"
#include "HotKeyConvention.h"
#include "LibraryHarness.h"
#include "Opening.h"
#include "PdfText.h"

namespace mx::lib::test {
namespace {

using rt::Value;

class ComponentCategoriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("stockcat", {{{"CODE", C("GLS")}, {"DESC", C("GLASS")}, {"ITEMLIST", C("GLASS")}},
                              {{"CODE", C("FRM")}, {"DESC", C("FRAME EXTRUSIONS")}, {"ITEMLIST", C("FRAME")}},
                              {{"CODE", C("LAB")}, {"DESC", C("LABOUR")}},
                              {{"CODE", C("FR")}, {"DESC", C("SHORTER CODE")}}});
        h.append("stock", {{{"CODE", C("HEAD")}, {"CATEGORY", C("FRM")}},
                           {{"CODE", C("PANE")}, {"CATEGORY", C("GLS")}},
                           {{"CODE", C("PANE2")}, {"CATEGORY", C("GLS")}},
                           {{"CODE", C("ODD")}, {"CATEGORY", C("NONE")}},
                           {{"CODE", C("NOCAT")}}});
        h.action = [this] {
            COMPCAT(h.ctx);
            keysBoundAfter = tk::HotKeys::instance().hasAction(tk::HotKeys::Enter);
            ds::CLOSDATA(h.ctx);
        };
    }

    void play(const std::string& script) { ASSERT_EQ(h.play(script), 0) << h.joined(); }

    LibraryHarness h;
    bool keysBoundAfter = true;
};

TEST_F(ComponentCategoriesTest, UsedShowsAStarOnlyForCategoriesAStockItemNames) {
    h.reindex();
    tk::HotKeys::instance().bind(tk::HotKeys::Enter, [] {});  // a key the screen beneath left bound
    play("menu Run\ndump\nkey Enter\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Component Categories - (COMPCAT)\"")) << h.joined();
    EXPECT_TRUE(h.has("browse \"Code\" \"Description\" \"Used\"")) << h.joined();
    // In code order (the "used" index); "FR" is not marked by the items of "FRM".
    EXPECT_TRUE(h.has("row* 1 \"FR\" \"SHORTER CODE\" \"\"")) << h.joined();
    EXPECT_TRUE(h.has("row 2 \"FRM\" \"FRAME EXTRUSIONS\" \"*\"")) << h.joined();
    EXPECT_TRUE(h.has("row 3 \"GLS\" \"GLASS\" \"*\"")) << h.joined();
    EXPECT_TRUE(h.has("row 4 \"LAB\" \"LABOUR\" \"\"")) << h.joined();
    EXPECT_FALSE(h.hasPrefix("row 5")) << "an unknown category adds no row";
    EXPECT_TRUE(h.has("close \"Component Categories - (COMPCAT)\"")) << h.joined();
    EXPECT_FALSE(keysBoundAfter);

    // The shared tables are untouched; `used` holds the copies and the marks.
    EXPECT_EQ(h.column("stockcat", "CODE"), (std::vector<std::string>{"GLS", "FRM", "LAB", "FR"}));
    EXPECT_EQ(h.column("stock", "CATEGORY"), (std::vector<std::string>{"FRM", "GLS", "GLS", "NONE", ""}));
    // Copied in the active order of `stockcat` (by code), not its record order.
    EXPECT_EQ(h.column("used", "CODE"), (std::vector<std::string>{"FR", "FRM", "GLS", "LAB"}));
    EXPECT_EQ(h.column("used", "DESC"), (std::vector<std::string>{"SHORTER CODE", "FRAME EXTRUSIONS", "GLASS", "LABOUR"}));
    EXPECT_EQ(h.column("used", "USED"), (std::vector<std::string>{"F", "T", "T", "F"}));
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(ComponentCategoriesTest, AStaleWorkTableAndIndexFromAnEarlierRunHaveNoEffect) {
    h.append("used", {{{"CODE", C("OLD")}, {"DESC", C("GONE")}, {"USED", Value::logical(true)}},
                      {{"CODE", C("LAB")}, {"DESC", C("LABOUR")}, {"USED", Value::logical(true)}}});
    h.reindex();
    {  // a "used" index from before, on another key
        rt::Session s;
        s.open(h.tmp.file("used.dbf"), "", rt::OpenMode::Exclusive).createOrder(h.tmp.file("used.ntx"), "DESC");
    }
    play("menu Run\ndump\npress Exit\n");
    EXPECT_FALSE(h.hasPrefix("row 1 \"OLD\"")) << h.joined();
    EXPECT_TRUE(h.has("row* 1 \"FR\" \"SHORTER CODE\" \"\"")) << h.joined();
    EXPECT_TRUE(h.has("row 4 \"LAB\" \"LABOUR\" \"\"")) << h.joined();
    EXPECT_EQ(h.column("used", "CODE"), (std::vector<std::string>{"FR", "FRM", "GLS", "LAB"}));
}

TEST_F(ComponentCategoriesTest, ReportPrintsTheBrowsesRowsUnderTheDialogsTitle) {
    h.reindex();
    play("menu Run\npress Report\npress Exit\n");
    EXPECT_TRUE(h.has("print \"Component Categories - (COMPCAT)\" preview 001-Component_Categories_-__COMPCAT_.pdf pages=1"))
        << h.joined();
    const QString page = mx::test::pdfText(QString::fromStdString(h.tmp.file("print/001-Component_Categories_-__COMPCAT_.pdf")));
    EXPECT_TRUE(page.contains("Component Categories - (COMPCAT)")) << page.toStdString();
    EXPECT_TRUE(page.contains("FRAME EXTRUSIONS")) << page.toStdString();
    EXPECT_TRUE(h.has("close \"Component Categories - (COMPCAT)\"")) << h.joined();
}

TEST_F(ComponentCategoriesTest, MissingWorkTableEndsTheToolAfterTheOpenServicesMessage) {
    h.reindex();
    std::remove(h.tmp.file("used.dbf").c_str());
    play("menu Run\n");
    EXPECT_FALSE(h.has("open \"Component Categories - (COMPCAT)\"")) << h.joined();
    EXPECT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_FALSE(keysBoundAfter);
}

TEST_F(ComponentCategoriesTest, PassWithoutWindowsCountsMarksAndFollowsDeletions) {
    h.append("stock", {{{"CODE", C("GONE")}, {"CATEGORY", C("LAB")}}});
    h.reindex();
    {  // a deleted stock item names LAB: deleted records are hidden everywhere
        rt::Session s;
        rt::WorkArea& a = s.open(h.tmp.file("stock.dbf"), "", rt::OpenMode::Exclusive);
        a.goTo(a.recordCount());
        a.deleteRecord();
    }
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "stock") && ds::OPNALIAS(h.ctx, "stockcat") && ds::OPNALIAS(h.ctx, "used", true, false));
    std::vector<std::uint32_t> ticks;
    EXPECT_EQ(markUsedCategories(h.ctx, [&](std::uint32_t n) { ticks.push_back(n); }), 2u);
    EXPECT_TRUE(ticks.empty()) << "fewer records than one stride";
    rt::WorkArea& used = *h.session.area("USED");
    EXPECT_EQ(used.orderCount(), 1);
    EXPECT_EQ(used.orderExpression(1), "code");
    ASSERT_TRUE(used.seek(C("LAB"), false));
    EXPECT_FALSE(used.fieldValue("USED").boolean());
    // A second run over the same tables gives the same result.
    EXPECT_EQ(markUsedCategories(h.ctx), 2u);
    EXPECT_EQ(used.recordCount(), 4u);
}

}  // namespace
}  // namespace mx::lib::test
