// COMPTYPE: which formula lines set which stock types (the last typed line
// in `assline` order wins, empty types never clear), played as a scripted
// session through "All Done!", and applyLineTypes on its own.
#include <gtest/gtest.h>

#include "ApplyType.h"
#include "LibraryHarness.h"
#include "Opening.h"

namespace mx::lib::test {
namespace {

using rt::Value;

Row line(const char* asscode, const char* stkcode, const char* type) {
    return {{"ASSCODE", C(asscode)}, {"STKCODE", C(stkcode)}, {"TYPE", C(type)}};
}

class ApplyTypeTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("stockcat", {{{"CODE", C("FRM")}, {"ITEMLIST", C("FRAME")}}});
        h.append("stock", {{{"CODE", C("HEAD")}, {"CATEGORY", C("FRM")}, {"TYPE", C("F")}},
                           {{"CODE", C("SILL")}, {"CATEGORY", C("FRM")}, {"TYPE", C("F")}},
                           {{"CODE", C("JAMB")}, {"CATEGORY", C("FRM")}, {"TYPE", C("A")}},
                           {{"CODE", C("SPARE")}, {"CATEGORY", C("FRM")}, {"TYPE", C("L")}},
                           {{"CODE", C("HEADX")}, {"CATEGORY", C("FRM")}}});
        // Record order is not `assline` order 1 (ASSCODE+STKCODE): C3 comes first on file.
        h.append("assline", {line("C3", "HEAD", "Q"),  // last of HEAD's lines in order
                             line("C1", "HEAD", "L"), line("C2", "HEAD", " "),
                             line("C1", "SILL", "A"), line("C2", "SILL", "L"),  // SILL ends "L"
                             line("C1", "JAMB", " "), line("C2", "JAMB", ""),   // only empty types
                             line("C1", "SPARE", "L"),                         // already "L"
                             line("C1", "GHOST", "Q"),                         // no such stock item
                             line("C1", "HEA", "Q")});                         // only a prefix of HEAD
        h.reindex();
    }

    LibraryHarness h;
};

TEST_F(ApplyTypeTest, LastTypedLineWinsAndEmptyTypesNeverClear) {
    h.action = [this] {
        COMPTYPE(h.ctx);
        ds::CLOSDATA(h.ctx);
    };
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    EXPECT_TRUE(h.has("info \"All Done!\"")) << h.joined();
    EXPECT_EQ(h.column("stock", "CODE"), (std::vector<std::string>{"HEAD", "SILL", "JAMB", "SPARE", "HEADX"}));
    EXPECT_EQ(h.column("stock", "TYPE"), (std::vector<std::string>{"Q", "L", "A", "L", ""}));
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(ApplyTypeTest, AMissingTableStopsBeforeAnyChangeAndWithoutAllDone) {
    std::remove(h.tmp.file("assline.dbf").c_str());
    h.action = [this] {
        COMPTYPE(h.ctx);
        ds::CLOSDATA(h.ctx);
    };
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    EXPECT_FALSE(h.has("info \"All Done!\"")) << h.joined();
    EXPECT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_EQ(h.column("stock", "TYPE"), (std::vector<std::string>{"F", "F", "A", "L", ""}));
}

TEST_F(ApplyTypeTest, PassWritesOnlyWhatChangesKeepsTheSelectionAndTheItemListOrder) {
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "stock") && ds::OPNALIAS(h.ctx, "assline"));
    rt::WorkArea& stock = *h.session.area("STOCK");
    stock.setOrder(2);  // by item list: its key calls ITEMLISTCATEGORY on every write
    EXPECT_EQ(applyLineTypes(h.ctx), 4u) << "HEAD L, SILL A, SILL L, HEAD Q; not SPARE";
    EXPECT_EQ(h.session.selected()->alias(), "ASSLINE");
    EXPECT_EQ(stock.order(), 2);
    EXPECT_EQ(applyLineTypes(h.ctx), 4u) << "HEAD and SILL go through their lines' types again";
    EXPECT_TRUE(stock.checkIntegrity().empty());
    stock.setOrder(1);
    ASSERT_TRUE(stock.seek(C("HEAD "), false));
    EXPECT_EQ(stock.fieldValue("TYPE").str(), "Q");
}

}  // namespace
}  // namespace mx::lib::test
