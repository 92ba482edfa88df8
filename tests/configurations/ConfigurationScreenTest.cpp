// ASSEMBLY played as scripted sessions on three configurations with their
// lines, drawing elements, panels and punch holes: the list, the header
// dialog adding, updating and cancelling, the suite lookup, the delete with
// its cascade (also against a busy record held by another process), the
// search and the description change.
#include <gtest/gtest.h>

#include "ConfigurationHarness.h"
#include "Text.h"

namespace mx::configurations::test {
namespace {

using Lines = std::vector<std::string>;

// Record order differs from code order (AW1, FX2, SW2).
std::vector<Row> threeConfigurations() {
    return {{{"CODE", C("SW2")}, {"DESC", C("SLIDING WINDOW")}, {"LIB", C("RS450")}, {"ASSEMCAT", C("SLIDER")},
             {"WRATED", L(true)}, {"WSPEED", N(41)}, {"PRICE", N(344.14)}, {"COSTPRICE", N(151.43)}},
            {{"CODE", C("AW1")}, {"DESC", C("AWNING WINDOW")}, {"LIB", C("RS500")}, {"ASSEMCAT", C("AWNING")},
             {"LOCLABOUR", L(true)}, {"SECTION", C("S1")}},
            {{"CODE", C("FX2")}, {"DESC", C("FIXED LIGHT")}, {"LIB", C("RS400")}, {"ASSEMCAT", C("FIXED")}}};
}

class ConfigurationScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("RS400")}, {"DESC", C("FIXED LIGHTS")}},
                         {{"CODE", C("RS450")}, {"DESC", C("SLIDING WINDOWS")}},
                         {{"CODE", C("RS500")}, {"DESC", C("AWNING WINDOWS")}, {"MAXADJUST", N(3)}}});
        h.append("assembly", threeConfigurations());
        // AW1 has formula and labour lines, a drawing element, a panel and a
        // punch hole; SW2 one of each kind too.
        h.append("assline", {{{"ASSCODE", C("AW1")}, {"STKCODE", C("HEAD")}},
                             {{"ASSCODE", C("SW2")}, {"STKCODE", C("SILL")}},
                             {{"ASSCODE", C("AW1")}, {"STKCODE", C("GLAZE")}, {"LABOUR", L(true)}},
                             {{"ASSCODE", C("AW1")}, {"STKCODE", C("JAMB")}}});
        h.append("assdraw", {{{"ASSCODE", C("AW1")}, {"TYPE", C("LINE")}}, {{"ASSCODE", C("SW2")}, {"TYPE", C("BOX")}}});
        h.append("asspanel", {{{"ASSCODE", C("SW2")}, {"PANELCODE", C("P1")}}, {{"ASSCODE", C("AW1")}, {"PANELCODE", C("P1")}}});
        h.append("punchole", {{{"ASSCODE", C("AW1")}, {"DESC", C("DRAIN")}}, {{"ASSCODE", C("SW2")}, {"DESC", C("DRAIN")}}});
    }

    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }
    // Plays without rebuilding the indexes first (another process holds a table).
    void playAsIs(const std::string& script) { ASSERT_EQ(h.play("menu Run\n" + script), 0) << h.joined(); }

    ConfigurationHarness h;
};

TEST_F(ConfigurationScreenTest, ListShowsTheSixColumnsInCodeOrder) {
    play("dump\npress Exit\n");
    EXPECT_TRUE(h.opened);
    EXPECT_TRUE(h.has("open \"Configurations - (ASSEMBLY)\"")) << h.joined();
    EXPECT_EQ(h.dump(0), (Lines{
                             "dump \"Configurations - (ASSEMBLY)\"",
                             "browse \"Code\" \"Description\" \"Suite\" \"Type\" \"W/R\" \"Lock\"",
                             "row* 1 \"AW1\" \"AWNING WINDOW\" \"RS500\" \"AWNING\" \"\" \"Y\"",
                             "row 2 \"FX2\" \"FIXED LIGHT\" \"RS400\" \"FIXED\" \"\" \"\"",
                             "row 3 \"SW2\" \"SLIDING WINDOW\" \"RS450\" \"SLIDER\" \"Y\" \"\"",
                             "end dump",
                         }));
    EXPECT_TRUE(h.has("close \"Configurations - (ASSEMBLY)\""));
    EXPECT_FALSE(h.keysBoundAfter) << "the screen leaves its keys bound to nothing";
}

TEST_F(ConfigurationScreenTest, AddAppendsABlankConfigurationFirstAndCancelOrCloseDiscardsIt) {
    play("press Add\ndump\npress Cancel\nkey Insert\nclose\n"
         "key Insert\nset CODE zz1\nset DESC \"new door\"\nset LIB RS400\nset WRATED y\nkey PageDown\ndump\npress Exit\n");
    // The dialog of an Add edits a new, blank record ...
    EXPECT_EQ(h.field(0, "CODE"), "");
    EXPECT_EQ(h.field(0, "WRATED"), "N");
    // ... marked deleted again after Cancel or the close box; the
    // configuration under the cursor is untouched.
    EXPECT_EQ(h.column("assembly", "CODE"), (Lines{"SW2", "AW1", "FX2", "", "", "ZZ1"}));
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "AW1", "FX2", "ZZ1"}));
    EXPECT_EQ(h.live("assembly", "DESC"), (Lines{"SLIDING WINDOW", "AWNING WINDOW", "FIXED LIGHT", "NEW DOOR"}));
    EXPECT_EQ(h.column("assembly", "LIB").back(), "RS400");
    EXPECT_EQ(h.column("assembly", "WRATED").back(), "T");
    EXPECT_FALSE(h.has("open \"Lookup\"")) << "a suite on file is accepted silently";
    // No blank one is listed; the new one is the current row.
    const Lines rows = h.rows(1);
    ASSERT_EQ(rows.size(), 4u) << h.joined();
    EXPECT_EQ(rows[0], "row 1 \"AW1\" \"AWNING WINDOW\" \"RS500\" \"AWNING\" \"\" \"Y\"");
    EXPECT_EQ(rows[3], "row* 4 \"ZZ1\" \"NEW DOOR\" \"RS400\" \"\" \"Y\" \"\"");
}

TEST_F(ConfigurationScreenTest, ViewUpdateWritesTheFourteenValuesOnSaveOnly) {
    const std::string before = h.recordBytes("assembly", 1);
    play("row 3\npress View/Update\ndump\nset DESC \"sliding window xo\"\nset ASSEMCAT slide\nset WRATED N\n"
         "set STYPE std\nset STYPE2 low\nset SECTION s2\nset SECTIONA s3\nset SHOWER Y\nset ENFWIDTH Y\npress Save\n"
         "row 2\nkey Enter\nset DESC changed\nset SECTION zz\npress Cancel\n"
         "row 1\ndblclick\nset CODE aw1b\nanswer no\nkey PageDown\npress Exit\n");
    EXPECT_TRUE(h.has("open \"Configuration View\"")) << h.joined();
    EXPECT_EQ(h.dump(0)[1], "field CODE \"SW2\"") << "the dialog's fields in tab order";
    EXPECT_EQ(h.field(0, "LIB"), "RS450");
    EXPECT_EQ(h.field(0, "WRATED"), "Y");
    EXPECT_EQ(h.column("assembly", "DESC"), (Lines{"SLIDING WINDOW XO", "AWNING WINDOW", "FIXED LIGHT"}));
    EXPECT_EQ(h.column("assembly", "ASSEMCAT")[0], "SLIDE");
    EXPECT_EQ(h.column("assembly", "WRATED")[0], "F");
    EXPECT_EQ(h.column("assembly", "STYPE")[0], "STD");
    EXPECT_EQ(h.column("assembly", "STYPE2")[0], "LOW");
    EXPECT_EQ(h.column("assembly", "SECTION"), (Lines{"S2", "S1", ""}));
    EXPECT_EQ(h.column("assembly", "SECTIONA")[0], "S3");
    EXPECT_EQ(h.column("assembly", "SHOWER")[0], "T");
    EXPECT_EQ(h.column("assembly", "ENFWIDTH")[0], "T");
    EXPECT_EQ(h.column("assembly", "CODE"), (Lines{"SW2", "AW1B", "FX2"}));
    // Speed and prices are carried through the dialog unchanged.
    const std::string after = h.recordBytes("assembly", 1);
    EXPECT_EQ(h.numbers("assembly", "PRICE")[0], 344.14);
    EXPECT_EQ(h.numbers("assembly", "COSTPRICE")[0], 151.43);
    EXPECT_EQ(h.numbers("assembly", "WSPEED")[0], 41);
    EXPECT_NE(before, after);
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(ConfigurationScreenTest, AnUnknownSuiteBringsUpThePickListOnTheNearestCode) {
    play("row 2\npress View/Update\nset LIB rs4\ndump\nrow 2\npress Select\ndump\n"
         "set LIB rs9\npress Exit\ndump\npress Save\npress Exit\n");
    ASSERT_TRUE(h.has("open \"Lookup\"")) << h.joined();
    EXPECT_EQ(h.dump(0), (Lines{
                             "dump \"Lookup\"",
                             "browse \"Code\" \"Description\"",
                             "row* 1 \"RS400\" \"FIXED LIGHTS\"",
                             "row 2 \"RS450\" \"SLIDING WINDOWS\"",
                             "row 3 \"RS500\" \"AWNING WINDOWS\"",
                             "end dump",
                         }));
    EXPECT_EQ(h.field(1, "LIB"), "RS450") << "the chosen code replaces the entry";
    EXPECT_EQ(h.field(2, "LIB"), "RS9") << "E&xit leaves the entry as typed, and the field may be left";
    EXPECT_EQ(h.column("assembly", "LIB"), (Lines{"RS450", "RS500", "RS9"}));
}

TEST_F(ConfigurationScreenTest, ACodeChangeLeavesTheDependentsUnderTheOldCode) {
    play("row 1\npress View/Update\nset CODE AW7\nanswer no\npress Save\npress Exit\n");
    EXPECT_EQ(h.column("assembly", "CODE"), (Lines{"SW2", "AW7", "FX2"}));
    EXPECT_EQ(h.column("assline", "ASSCODE"), (Lines{"AW1", "SW2", "AW1", "AW1"}));
    EXPECT_EQ(h.column("assdraw", "ASSCODE"), (Lines{"AW1", "SW2"}));
    EXPECT_EQ(h.column("asspanel", "ASSCODE"), (Lines{"SW2", "AW1"}));
    EXPECT_EQ(h.column("punchole", "ASSCODE"), (Lines{"AW1", "SW2"}));
}

TEST_F(ConfigurationScreenTest, SavingOverARecordAnotherStationHoldsAlertsAndWritesNothing) {
    h.reindex();
    const std::string before = h.recordBytes("assembly", 2);
    OtherStation other;
    ASSERT_TRUE(other.holdRecordLock(h.tmp.file("assembly.dbf"), 2));
    playAsIs("row 1\npress View/Update\nset DESC \"held elsewhere\"\npress Save\nkey Enter\npress Cancel\npress Exit\n");
    other.release();
    EXPECT_TRUE(h.has("alert \"Unable to Lock Record.  Try Again Later!\"")) << h.joined();
    EXPECT_EQ(h.recordBytes("assembly", 2), before);
    EXPECT_EQ(h.sleeper.count(), 100) << "one immediate attempt and 100 retries 0.2 s apart";
    // The keys came back after the failed save: Enter opened the dialog again.
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "open \"Configuration View\""), 2) << h.joined();
}

TEST_F(ConfigurationScreenTest, DeleteRemovesTheLinesDrawingsPanelsAndPunchHolesOfTheFirstConfiguration) {
    play("answer no\npress Delete\nanswer yes\nkey Delete\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("yesno \"Delete This Configuration?\" no")) << h.joined();
    EXPECT_TRUE(h.has("yesno \"Delete This Configuration?\" yes")) << h.joined();
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "FX2"}));
    EXPECT_EQ(h.live("assline", "ASSCODE"), (Lines{"SW2"})) << "formula and labour lines alike";
    EXPECT_EQ(h.live("assdraw", "ASSCODE"), (Lines{"SW2"}));
    EXPECT_EQ(h.live("asspanel", "ASSCODE"), (Lines{"SW2"}));
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"SW2"}));
    // The first configuration went: the list is on the new first one.
    EXPECT_EQ(h.rows(0), (Lines{"row* 1 \"FX2\" \"FIXED LIGHT\" \"RS400\" \"FIXED\" \"\" \"\"",
                                "row 2 \"SW2\" \"SLIDING WINDOW\" \"RS450\" \"SLIDER\" \"Y\" \"\""}));
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(ConfigurationScreenTest, DeletingALaterConfigurationStepsBackAndTheOnlyOneLeavesAnEmptyList) {
    play("row 3\nanswer yes\npress Delete\ndump\nanswer yes\npress Delete\nanswer yes\npress Delete\ndump\n"
         "answer yes\npress Delete\npress View/Update\npress Exit\n");
    EXPECT_EQ(h.rows(0)[1], "row* 2 \"FX2\" \"FIXED LIGHT\" \"RS400\" \"FIXED\" \"\" \"\"") << "one record back";
    EXPECT_EQ(h.dump(1), (Lines{"dump \"Configurations - (ASSEMBLY)\"",
                                "browse \"Code\" \"Description\" \"Suite\" \"Type\" \"W/R\" \"Lock\"", "end dump"}));
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "yesno \"Delete This Configuration?\" yes"), 3)
        << "no question on an empty list";
    EXPECT_FALSE(h.has("open \"Configuration View\"")) << "nothing to view on an empty list";
    EXPECT_TRUE(h.live("assembly", "CODE").empty());
    EXPECT_TRUE(h.live("assline", "ASSCODE").empty());
    EXPECT_TRUE(h.live("punchole", "ASSCODE").empty());
}

TEST_F(ConfigurationScreenTest, ABusyConfigurationIsLeftWholeWithAllItsDependentsAndTheUserIsTold) {
    h.reindex();
    const std::string before = h.recordBytes("assembly", 2);
    OtherStation other;
    ASSERT_TRUE(other.holdRecordLock(h.tmp.file("assembly.dbf"), 2));  // AW1
    playAsIs("answer yes\npress Delete\ndump\nanswer text \"not written\"\npress \"z) Desc Chng\"\npress Exit\n");
    other.release();
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "AW1", "FX2"}));
    EXPECT_EQ(h.recordBytes("assembly", 2), before) << "neither the delete nor the description change wrote";
    EXPECT_EQ(h.live("assline", "ASSCODE"), (Lines{"AW1", "SW2", "AW1", "AW1"}));
    EXPECT_EQ(h.live("assdraw", "ASSCODE"), (Lines{"AW1", "SW2"}));
    EXPECT_EQ(h.live("asspanel", "ASSCODE"), (Lines{"SW2", "AW1"}));
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"AW1", "SW2"}));
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "alert \"Unable to Lock Record.  Try Again Later!\""), 2)
        << h.joined();
    EXPECT_EQ(h.rows(0)[0].rfind("row* 1 \"AW1\"", 0), 0u) << h.joined();
}

TEST_F(ConfigurationScreenTest, ADependentLineAnotherStationHoldsIsSkippedAndStays) {
    h.reindex();
    OtherStation other;
    ASSERT_TRUE(other.holdRecordLock(h.tmp.file("assline.dbf"), 3));  // AW1's labour line
    playAsIs("answer yes\npress Delete\npress Exit\n");
    other.release();
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "FX2"}));
    EXPECT_EQ(h.live("assline", "STKCODE"), (Lines{"SILL", "GLAZE"}));
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"SW2"}));
}

TEST_F(ConfigurationScreenTest, SearchFindsACodePrefixAndAMissGoesToTheFirstRow) {
    play("answer text s\nkey F2\ndump\nanswer text zz\npress Search\ndump\n"
         "row 2\nanswer cancel\npress Search\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Search\" \"Configuration Code\" ok \"S\"")) << h.joined();
    EXPECT_EQ(h.rows(0)[2].rfind("row* 3 \"SW2\"", 0), 0u) << h.joined();
    EXPECT_TRUE(h.has("alert \"No Match Found\"")) << h.joined();
    EXPECT_EQ(h.rows(1)[0].rfind("row* 1 \"AW1\"", 0), 0u) << "a search past the last key goes to the top";
    EXPECT_EQ(h.rows(2)[1].rfind("row* 2 \"FX2\"", 0), 0u) << "a cancelled search stays put";
}

TEST_F(ConfigurationScreenTest, DescriptionChangeWritesTheEntryUnderTheLock) {
    play("row 2\nanswer text \"fixed light twin\"\npress \"z) Desc Chng\"\nanswer cancel\npress \"z) Desc Chng\"\ndump\n"
         "press Exit\n");
    EXPECT_TRUE(h.has("prompt \"Description Change\" \"Enter New Description:\" ok \"FIXED LIGHT TWIN\"")) << h.joined();
    EXPECT_TRUE(h.has("prompt \"Description Change\" \"Enter New Description:\" cancel")) << h.joined();
    EXPECT_EQ(h.column("assembly", "DESC"), (Lines{"SLIDING WINDOW", "AWNING WINDOW", "FIXED LIGHT TWIN"}));
    EXPECT_EQ(h.rows(0)[1], "row* 2 \"FX2\" \"FIXED LIGHT TWIN\" \"RS400\" \"FIXED\" \"\" \"\"");
}

TEST_F(ConfigurationScreenTest, ButtonsOfLaterScreensSayTheyAreNotAvailableYet) {
    play("press \"Data Sht\"\npress Report\npress Exit\n");
    EXPECT_TRUE(h.has("info \"The data sheet is not available yet in this version of the program.\"")) << h.joined();
    EXPECT_TRUE(h.has("info \"The configuration report is not available yet in this version of the program.\""));
}

TEST_F(ConfigurationScreenTest, LinkedScreensRunOnTheCurrentConfigurationWithAssemblySelected) {
    std::vector<std::string> seen;
    auto note = [&] {
        rt::WorkArea* a = h.session.selected();
        seen.push_back(a ? a->alias() + ":" + ds::trimRight(a->fieldValue("CODE").str()) : "none");
        if (a) a->setOrder(2);  // a report may change the order; the list gets its own back
    };
    h.links = {.dataSheet = note, .report = note, .lineReport = {}};
    play("row 3\npress \"Data Sht\"\ndump\npress Report\npress Exit\n");
    EXPECT_EQ(seen, (Lines{"ASSEMBLY:SW2", "ASSEMBLY:SW2"}));
    EXPECT_EQ(h.rows(0)[2].rfind("row* 3 \"SW2\"", 0), 0u) << h.joined();
}

}  // namespace
}  // namespace mx::configurations::test
