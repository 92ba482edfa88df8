// LIB played as scripted sessions on four library entries: the browse and its
// orders, the entry dialog adding, updating and cancelling, the category
// lookup, the search, the workstation's own tag field (and a workstation
// number that has none), and tagging by numeric library code.
#include <gtest/gtest.h>

#include "HotKeyConvention.h"
#include "LibraryHarness.h"
#include "LibraryScreen.h"
#include "Opening.h"

namespace mx::lib::test {
namespace {

using rt::Value;

class LibraryScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("libcat", {{{"CODE", C("RES")}, {"DESC", C("RESIDENTIAL")}},
                            {{"CODE", C("COM")}, {"DESC", C("COMMERCIAL")}}});
        // Record order differs from every index order.
        h.append("lib", {{{"CODE", C("DUR")}, {"DESC", C("DURALITE")}, {"CATEGORY", C("COM")}, {"SERIAL", N(4)}},
                         {{"CODE", C("ALU")},
                          {"DESC", C("ALUMINIUM")},
                          {"CATEGORY", C("RES")},
                          {"SERIAL", N(2)},
                          {"MAXADJUST", N(3)},
                          {"TAG", L(true)}},
                         {{"CODE", C("CED")}, {"DESC", C("CEDAR")}, {"CATEGORY", C("RES")}, {"SERIAL", N(3)}, {"TAG3", L(true)}},
                         {{"CODE", C("BRZ")}, {"DESC", C("BRONZE")}, {"CATEGORY", C("COM")}, {"SERIAL", N(1)}}});
        h.action = [this] {
            opened = LIB(h.ctx, ws, registerMode);
            keysBoundAfter = tk::HotKeys::instance().hasAction(tk::HotKeys::Enter) ||
                             tk::HotKeys::instance().hasAction(tk::HotKeys::Insert);
            selectedAfter = h.session.selected() ? h.session.selected()->alias() : "";
            ds::CLOSDATA(h.ctx);
        };
    }

    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }
    std::vector<std::string> dump(int n) const { return h.dump(n); }
    std::vector<std::string> tags(const char* field) { return h.column("lib", field); }
    std::vector<double> numbers(const std::string& table, const char* field) { return h.numbers(table, field); }

    LibraryHarness h;
    int ws = 1;
    bool registerMode = false;
    bool opened = false;
    bool keysBoundAfter = true;
    std::string selectedAfter = "?";
};

TEST_F(LibraryScreenTest, BrowseShowsTheSixColumnsInCodeOrderAndChangeOrderCyclesThroughThree) {
    play("dump\npress \"Change Order\"\ndump\npress \"Change Order\"\ndump\npress \"Change Order\"\ndump\n"
         "press Exit\n");
    EXPECT_TRUE(opened);
    EXPECT_TRUE(h.has("open \"Setup Library Codes (LIB)\"")) << h.joined();
    EXPECT_EQ(dump(0), (std::vector<std::string>{
                           "dump \"Setup Library Codes (LIB)\"",
                           "browse \"Code\" \"Description\" \"Category\" \"Tag\" \"No\" \"Max Tol\"",
                           "row* 1 \"ALU\" \"ALUMINIUM\" \"RES\" \"*\" \" 2\" \" 3\"",
                           "row 2 \"BRZ\" \"BRONZE\" \"COM\" \"\" \" 1\" \" 0\"",
                           "row 3 \"CED\" \"CEDAR\" \"RES\" \"\" \" 3\" \" 0\"",
                           "row 4 \"DUR\" \"DURALITE\" \"COM\" \"\" \" 4\" \" 0\"",
                           "end dump",
                       }))
        << h.joined();
    // Order 2 by category and code, order 3 by number, then order 1 again.
    auto codes = [this](int n) {
        std::vector<std::string> out;
        for (const auto& l : dump(n))
            if (l.rfind("row", 0) == 0) out.push_back(l.substr(l.find('"') + 1, 3));
        return out;
    };
    EXPECT_EQ(codes(1), (std::vector<std::string>{"BRZ", "DUR", "ALU", "CED"}));
    EXPECT_EQ(codes(2), (std::vector<std::string>{"BRZ", "ALU", "CED", "DUR"}));
    EXPECT_EQ(codes(3), (std::vector<std::string>{"ALU", "BRZ", "CED", "DUR"}));
    EXPECT_TRUE(h.hasPrefix("row* 1 \"BRZ\"")) << "a new order starts on its first row";
    EXPECT_TRUE(h.has("close \"Setup Library Codes (LIB)\""));
    EXPECT_FALSE(keysBoundAfter);
    EXPECT_EQ(selectedAfter, "") << "the area selected before (none) is selected again";
}

TEST_F(LibraryScreenTest, CustomersButtonOnlyOutsideRegisterMode) {
    play("press Customers\npress Exit\n");
    EXPECT_TRUE(h.hasPrefix("info \"The library users search is not available yet")) << h.joined();

    registerMode = true;
    h.lines.clear();
    EXPECT_EQ(h.play("menu Run\npress Customers\n"), 2) << h.joined();
}

TEST_F(LibraryScreenTest, InsertAddsAnEntryWithTheCategoryPickedInTheLookup) {
    play("key Insert\nset CODE nw\nset DESC \"new suite\"\nset MAXADJUST 7\nset CATEGORY r\ndump\nrow 2\n"
         "press Select\ndump\nkey PageDown\ndump\npress Exit\n");
    ASSERT_TRUE(h.has("open \"Library / Suite Code View\"")) << h.joined();
    ASSERT_TRUE(h.has("open \"Lookup\"")) << h.joined();
    // The lookup lists `libcat` by code from the nearest key to "R".
    EXPECT_TRUE(h.has("browse \"Code\" \"Name\"")) << h.joined();
    EXPECT_TRUE(h.has("row* 2 \"RES\" \"RESIDENTIAL\"")) << h.joined();
    // The picked code is in the dialog, and Page Down saved it.
    EXPECT_TRUE(h.has("field CATEGORY \"RES\"")) << h.joined();
    EXPECT_TRUE(h.has("row* 5 \"NW\" \"NEW SUITE\" \"RES\" \"\" \" 0\" \" 7\"")) << h.joined();
    EXPECT_EQ(h.column("lib", "CODE"), (std::vector<std::string>{"DUR", "ALU", "CED", "BRZ", "NW"}));
    EXPECT_EQ(numbers("lib", "MAXADJUST").back(), 7);
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(LibraryScreenTest, ViewUpdateWritesTheBuffersOnSaveOnlyAndNumberIsReadOnly) {
    ws = 3;
    play("row 2\npress View/Update\ndump\nset DESC \"bronze anodised\"\nset TAG Y\npress Save\n"
         "row 3\nkey Enter\nset DESC changed\npress Cancel\n"
         "row 1\ndblclick\nset CATEGORY COM\npress Save\ndump\npress Exit\n");
    // Workstation 3: the dialog shows `TAG`, the browse `TAG3`.
    std::vector<std::string> first = dump(0);
    EXPECT_NE(std::find(first.begin(), first.end(), "field CODE \"BRZ\""), first.end()) << h.joined();
    EXPECT_NE(std::find(first.begin(), first.end(), "field TAG \"N\""), first.end()) << h.joined();
    EXPECT_NE(std::find(first.begin(), first.end(), "field SERIAL \"1\""), first.end()) << h.joined();
    EXPECT_FALSE(h.has("open \"Lookup\"")) << "a category on file is accepted silently";
    EXPECT_EQ(h.column("lib", "DESC"), (std::vector<std::string>{"DURALITE", "ALUMINIUM", "CEDAR", "BRONZE ANODISED"}));
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "T"}));
    EXPECT_EQ(h.column("lib", "TAG3"), (std::vector<std::string>{"F", "F", "T", "F"}));
    EXPECT_EQ(h.column("lib", "CATEGORY"), (std::vector<std::string>{"COM", "COM", "RES", "COM"}));
    EXPECT_EQ(numbers("lib", "SERIAL"), (std::vector<double>{4, 2, 3, 1}));
    EXPECT_TRUE(h.has("row 3 \"CED\" \"CEDAR\" \"RES\" \"*\" \" 3\" \" 0\"")) << h.joined();
    EXPECT_TRUE(h.has("row 2 \"BRZ\" \"BRONZE ANODISED\" \"COM\" \"\" \" 1\" \" 0\"")) << h.joined();
}

TEST_F(LibraryScreenTest, SearchSeeksACodePrefixAndAMissGoesToTheFirstRow) {
    play("row 4\nanswer text ce\nkey F2\ndump\nanswer text zz\npress Search\ndump\n"
         "row 2\nanswer cancel\npress Search\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Search\" \"Library / Suite Code\" ok \"CE\"")) << h.joined();
    std::vector<std::string> d0 = dump(0), d1 = dump(1), d2 = dump(2);
    EXPECT_NE(std::find(d0.begin(), d0.end(), "row* 3 \"CED\" \"CEDAR\" \"RES\" \"\" \" 3\" \" 0\""), d0.end()) << h.joined();
    EXPECT_TRUE(h.has("alert \"No Match Found\"")) << h.joined();
    EXPECT_EQ(d1[2].rfind("row* 1 ", 0), 0u) << h.joined();
    EXPECT_EQ(d2[3].rfind("row* 2 ", 0), 0u) << "a cancelled search stays put";
}

TEST_F(LibraryScreenTest, TaggingUsesTheWorkstationsOwnFieldFromTheCurrentRowDown) {
    ws = 3;
    h.append("lib", {{{"CODE", C("BLANK")}}});  // no description: Tag All skips it
    play("row 1\npress Tag/Untag\nrow 3\npress \"Tag/Untag\"\nrow 2\npress \"Tag All\"\ndump\n"
         "row 3\npress \"Untag All\"\ndump\npress Exit\n");
    // Record order: DUR ALU CED BRZ BLANK; code order: ALU BLANK BRZ CED DUR.
    // Tag All from row 2 (BLANK) tags BRZ CED DUR; CED was untagged by the toggle first.
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "F", "F"})) << "`TAG` untouched";
    // Untag All from row 3 (BRZ) leaves ALU set.
    EXPECT_EQ(tags("TAG3"), (std::vector<std::string>{"F", "T", "F", "F", "F"})) << h.joined();
    std::vector<std::string> d0 = dump(0);
    EXPECT_EQ(d0[2], "row 1 \"ALU\" \"ALUMINIUM\" \"RES\" \"*\" \" 2\" \" 3\"") << h.joined();
    EXPECT_EQ(d0[3], "row* 2 \"BLANK\" \"\" \"\" \"\" \" 0\" \" 0\"") << "the current row stays";
    EXPECT_EQ(d0[5], "row 4 \"CED\" \"CEDAR\" \"RES\" \"*\" \" 3\" \" 0\"");
    EXPECT_EQ(d0[6], "row 5 \"DUR\" \"DURALITE\" \"COM\" \"*\" \" 4\" \" 0\"");
}

TEST_F(LibraryScreenTest, InsertThenCancelLeavesNoEntry) {
    play("key Insert\npress Cancel\nrow 1\npress \"Tag All\"\npress Exit\n");
    EXPECT_EQ(h.column("lib", "CODE"), (std::vector<std::string>{"DUR", "ALU", "CED", "BRZ", ""}));
    EXPECT_EQ(h.live("lib", "CODE"), (std::vector<std::string>{"DUR", "ALU", "CED", "BRZ"}));
    EXPECT_EQ(tags("TAG"), (std::vector<std::string>{"T", "T", "T", "T", "F"}));
}

TEST_F(LibraryScreenTest, AWorkstationOutsideOneToNineTagsNothingAndReadsTag) {
    ws = 10;
    play("row 1\npress Tag/Untag\nrow 2\npress \"Tag/Untag\"\npress \"Tag All\"\nrow 1\npress \"Untag All\"\n"
         "answer text 6\npress Tag/Num\ndump\npress Exit\n");
    EXPECT_EQ(tags("TAG"), (std::vector<std::string>{"F", "T", "F", "F"}));
    for (const char* f : {"TAG2", "TAG3", "TAG9"}) EXPECT_EQ(tags(f)[2], f == std::string("TAG3") ? "T" : "F");
    // The Tag column shows `TAG`: ALU only.
    EXPECT_TRUE(h.has("row* 1 \"ALU\" \"ALUMINIUM\" \"RES\" \"*\" \" 2\" \" 3\"")) << h.joined();
    EXPECT_TRUE(h.has("row 3 \"CED\" \"CEDAR\" \"RES\" \"\" \" 3\" \" 0\"")) << h.joined();
    EXPECT_TRUE(h.column("libimp", "SERIAL").empty());
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(LibraryScreenTest, TagNumTagsTheEntriesNamedByTheBitsAboveBitZero) {
    ws = 2;
    h.append("libimp2", {{{"SERIAL", N(9)}}});  // left behind by an earlier use
    play("answer text 7\npress Tag/Num\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Library Code\" \"Enter Library Code:\" ok \"7\"")) << h.joined();
    // 7 = 4 + 2 + 1: numbers 2 and 1 (BRZ, ALU); bit 0 is never looked at.
    EXPECT_EQ(tags("TAG2"), (std::vector<std::string>{"F", "T", "F", "T"}));
    EXPECT_EQ(numbers("libimp2", "SERIAL"), (std::vector<double>{2, 1}));
    EXPECT_TRUE(h.has("row* 1 \"ALU\" \"ALUMINIUM\" \"RES\" \"*\" \" 2\" \" 3\"")) << h.joined();
}

TEST_F(LibraryScreenTest, TagNumWithNoNumberClearsEveryTagAndPacks) {
    h.append("lib", {{{"CODE", C("GONE")}, {"DESC", C("DELETED")}, {"TAG", L(true)}}});
    {
        rt::Session s;
        rt::WorkArea& a = s.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Exclusive);
        a.goTo(5);
        a.deleteRecord();
        s.closeAll();
    }
    play("row 3\npress \"Tag All\"\nanswer text abc\npress Tag/Num\nanswer cancel\npress Tag/Num\npress Exit\n");
    EXPECT_EQ(h.column("lib", "CODE"), (std::vector<std::string>{"DUR", "ALU", "CED", "BRZ"}));
    EXPECT_EQ(tags("TAG"), (std::vector<std::string>{"F", "F", "F", "F"}));
    EXPECT_TRUE(h.column("libimp", "SERIAL").empty());
}

TEST_F(LibraryScreenTest, LibHeldByAnotherWorkstationKeepsTheScreenShut) {
    h.reindex();
    rt::Session other;
    other.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Shared);
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    EXPECT_FALSE(opened);
    EXPECT_FALSE(h.hasPrefix("open \"Setup Library Codes")) << h.joined();
    EXPECT_FALSE(h.sink.alerts().empty());
    EXPECT_FALSE(keysBoundAfter);
    other.closeAll();
}

}  // namespace
}  // namespace mx::lib::test
