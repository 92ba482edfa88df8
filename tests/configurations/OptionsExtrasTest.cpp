// The Options and Extras dialogs played over one configuration: what each
// stores, what it carries, the reveal code, and what happens to the changes
// another workstation makes while a dialog stands.
#include <gtest/gtest.h>

#include "ConfigurationHarness.h"
#include "OptionsExtras.h"

namespace mx::configurations::test {
namespace {

using Lines = std::vector<std::string>;

// A configuration with every kind of field set (extras D and H included),
// and a second one with only a code, its other fields blank as appended.
Row fullConfiguration() {
    Row r = {{"CODE", C("DH1")},      {"DESC", C("DOUBLE HUNG")}, {"ASSEMCAT", C("HUNG")},  {"LIB", C("RS525")},
             {"SECTION", C("S1")},    {"SECTIONA", C("S9")},      {"WSPEED", N(41)},        {"PRICE", N(612.5)},
             {"WSPEED2", N(7)},       {"PRICE2", N(1.25)},        {"COSTPRICE2", N(3)},     {"DEMO", L(true)},
             {"NOTES", C("CARRIED")}, {"SHOWCUT", L(true)},       {"MAXPASCALS", N(700)},   {"KIT", L(true)},
             {"INCD", L(true)},       {"DMIN", N(10)},            {"DMAX", N(90)},          {"DDEF", N(40)},
             {"CDDEF", C("DDEPTH")},  {"INCH", L(true)},          {"HDESC", C("HOOD")},     {"HMIN", N(5)},
             {"HMAX", N(50)},         {"HDEF", N(20)},            {"CHDEF", C("HH")},       {"INCA", L(true)},
             {"ADESC", C("ARCH")},    {"AMIN", N(1)},             {"AMAX", N(2)},           {"ADEF", N(3)},
             {"CADEF", C("CA")},      {"LA", L(true)},            {"LADESC", C("Keyed lock")}, {"HTMIN", N(300)},
             {"RDIM", C("B")},        {"HEAD", N(100)},           {"PANELS", N(2)},         {"STUDHT", N(2100)}};
    return r;
}

class OptionsExtrasTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("assembly", {fullConfiguration(), {{"CODE", C("BARE")}}});
    }
    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }

    // When the dialog titled `title` opens (its copy taken), another
    // workstation writes `changes` into record `recno` of `assembly`.
    void otherStationWrites(const std::string& title, std::uint32_t recno, Row changes) {
        h.onLine = [this, title, recno, changes](const std::string& line) {
            if (line != "open \"" + title + "\"") return;
            rt::Session other;
            rt::WorkArea& a = other.open(h.tmp.file("assembly.dbf"), "", rt::OpenMode::Shared);
            a.goTo(recno);
            ASSERT_TRUE(a.lock());
            for (const auto& [field, value] : changes) a.setField(field, value);
            a.unlock();
            other.closeAll();
        };
    }

    ConfigurationHarness h;
};

TEST_F(OptionsExtrasTest, OptionsStoresEveryFieldItShowsAndTheLockColumnFollowsTheLabourLock) {
    play("row 2\npress Options\ndump\n"
         "set HTMIN 250\nset HTDEF 1200\nset HTMAX 2400\nset WDMIN 400\nset WDDEF 900\nset WDMAX 3000\n"
         "set DPMIN 50\nset DPDEF 100\nset DPMAX 150\nset GLASSMIN 12\nset MANPANEL Y\nset STUDHT 2040\n"
         "set STUDWD 820\nset LOCLABOUR Y\nset LC Y\nset LCDESC \"Flyscreen, both\"\nset LJ y\nset LJDESC last\n"
         "key PageDown\ndump\npress Exit\n");
    ASSERT_TRUE(h.has("open \"Options for DOUBLE HUNG - (ASSEMBLY)\"")) << h.joined();
    const Lines d = h.dump(0);
    EXPECT_EQ(d[1], "field CODE \"DH1\"");
    EXPECT_EQ(d[2], "field DESC \"DOUBLE HUNG\"");
    EXPECT_EQ(h.field(0, "LADESC"), "Keyed lock") << "option captions keep their case";
    EXPECT_EQ(h.field(0, "STUDHT"), "2100");
    auto n = [this](const char* f) { return h.numbers("assembly", f)[0]; };
    EXPECT_EQ(n("HTMIN"), 250);
    EXPECT_EQ(n("HTDEF"), 1200);
    EXPECT_EQ(n("HTMAX"), 2400);
    EXPECT_EQ(n("WDMIN"), 400);
    EXPECT_EQ(n("WDDEF"), 900);
    EXPECT_EQ(n("WDMAX"), 3000);
    EXPECT_EQ(n("DPMIN"), 50);
    EXPECT_EQ(n("DPDEF"), 100);
    EXPECT_EQ(n("DPMAX"), 150);
    EXPECT_EQ(n("GLASSMIN"), 12);
    EXPECT_EQ(n("STUDHT"), 2040);
    EXPECT_EQ(n("STUDWD"), 820);
    EXPECT_EQ(h.column("assembly", "MANPANEL")[0], "T");
    EXPECT_EQ(h.column("assembly", "LOCLABOUR")[0], "T");
    EXPECT_EQ(h.column("assembly", "LC")[0], "T");
    EXPECT_EQ(h.column("assembly", "LCDESC")[0], "Flyscreen, both");
    EXPECT_EQ(h.column("assembly", "LJ")[0], "T");
    EXPECT_EQ(h.column("assembly", "LJDESC")[0], "last");
    EXPECT_EQ(h.column("assembly", "LA")[0], "T") << "untouched options stay";
    EXPECT_EQ(h.rows(1)[1], "row* 2 \"DH1\" \"DOUBLE HUNG\" \"RS525\" \"HUNG\" \"\" \"Y\"") << h.joined();
}

TEST_F(OptionsExtrasTest, OptionsWritesOnlyItsOwnFieldsAndCancelWritesNothing) {
    otherStationWrites("Options for DOUBLE HUNG - (ASSEMBLY)", 1,
                       {{"INCA", L(false)}, {"SECTION", C("S5")}, {"HTMAX", N(999)}});
    play("row 2\npress Options\nset GLASSMIN 6\npress Save\npress Exit\n");
    EXPECT_EQ(h.numbers("assembly", "GLASSMIN")[0], 6);
    EXPECT_EQ(h.column("assembly", "INCA")[0], "F") << "another station's Extras change is kept";
    EXPECT_EQ(h.column("assembly", "SECTION")[0], "S5");
    EXPECT_EQ(h.numbers("assembly", "HTMAX")[0], 999) << "a field it shows and this user left keeps the other value";

    h.onLine = nullptr;
    const std::string before = h.recordBytes("assembly", 1);
    h.lines.clear();
    ASSERT_EQ(h.play("menu Run\nrow 2\npress Options\nset STUDWD 1\npress Cancel\npress Exit\n"), 0) << h.joined();
    EXPECT_EQ(h.recordBytes("assembly", 1), before);
}

TEST_F(OptionsExtrasTest, AnExtrasSaveWithoutTypingLeavesEveryFieldByteIdentical) {
    const std::string full = h.recordBytes("assembly", 1), bare = h.recordBytes("assembly", 2);
    play("row 2\npress Extras\npress Save\nrow 1\npress Extras\nkey PageDown\npress Exit\n");
    ASSERT_TRUE(h.has("open \"Extras for DOUBLE HUNG - (ASSEMBLY)\"")) << h.joined();
    EXPECT_EQ(h.recordBytes("assembly", 1), full);
    EXPECT_EQ(h.recordBytes("assembly", 2), bare) << "blank logicals and numbers stay blank";
}

TEST_F(OptionsExtrasTest, ExtrasStoresWhatWasTypedAndCarriesDAndHAndTheSections) {
    otherStationWrites("Extras for DOUBLE HUNG - (ASSEMBLY)", 1, {{"SECTION", C("S5")}, {"DESC", C("RENAMED")}});
    play("row 2\npress Extras\ndump\nset WS Y\nset LD Y\nset INCR Y\nset RDIM x\nset BLADEWIDTH 89\n"
         "set INCL Y\nset LDESC \"Lintel, left\"\nset LMIN 5\nset LMAX 900\nset LDEF 45\nset AMIN 77\n"
         "set HEAD 110\nset SILL 95\nset JAMB 30\nset REVEAL 19\nset PANELS 3\npress Save\npress Options\ndump\n"
         "press Cancel\npress Exit\n");
    const Lines d = h.dump(0);
    EXPECT_EQ(d[1], "field CODE \"DH1\"");
    EXPECT_EQ(d[3], "field ASSEMCAT \"HUNG\"");
    EXPECT_EQ(h.field(0, "RDIM"), "B");
    EXPECT_EQ(h.field(0, "ADESC"), "ARCH");
    EXPECT_EQ(h.field(0, "INCD"), "?") << "extras D and H are not shown";
    EXPECT_EQ(h.field(0, "HDESC"), "?");
    for (const char* f : {"WS", "LD", "INCR", "INCL"}) EXPECT_EQ(h.column("assembly", f)[0], "T") << f;
    EXPECT_EQ(h.column("assembly", "RDIM")[0], "X");
    EXPECT_EQ(h.column("assembly", "LDESC")[0], "Lintel, left");
    auto n = [this](const char* f) { return h.numbers("assembly", f)[0]; };
    EXPECT_EQ(n("BLADEWIDTH"), 89);
    EXPECT_EQ(n("LMIN"), 5);
    EXPECT_EQ(n("LMAX"), 900);
    EXPECT_EQ(n("LDEF"), 45);
    EXPECT_EQ(n("AMIN"), 77);
    EXPECT_EQ(n("AMAX"), 2) << "no field is compared with another";
    EXPECT_EQ(n("HEAD"), 110);
    EXPECT_EQ(n("SILL"), 95);
    EXPECT_EQ(n("JAMB"), 30);
    EXPECT_EQ(n("REVEAL"), 19);
    EXPECT_EQ(n("PANELS"), 3);
    // Extras D and H and the carried-only fields survive.
    EXPECT_EQ(h.column("assembly", "INCD")[0], "T");
    EXPECT_EQ(n("DMIN"), 10);
    EXPECT_EQ(n("DMAX"), 90);
    EXPECT_EQ(n("DDEF"), 40);
    EXPECT_EQ(h.column("assembly", "CDDEF")[0], "DDEPTH");
    EXPECT_EQ(h.column("assembly", "INCH")[0], "T");
    EXPECT_EQ(h.column("assembly", "HDESC")[0], "HOOD");
    EXPECT_EQ(n("HMIN"), 5);
    EXPECT_EQ(n("HMAX"), 50);
    EXPECT_EQ(n("HDEF"), 20);
    EXPECT_EQ(h.column("assembly", "CHDEF")[0], "HH");
    EXPECT_EQ(h.column("assembly", "NOTES")[0], "CARRIED");
    EXPECT_EQ(n("MAXPASCALS"), 700);
    EXPECT_EQ(n("PRICE2"), 1.25);
    // The sections are not written: another station's change stays, as does
    // its new description, which this user did not change.
    EXPECT_EQ(h.column("assembly", "SECTION")[0], "S5");
    EXPECT_EQ(h.column("assembly", "SECTIONA")[0], "S9");
    EXPECT_EQ(h.column("assembly", "DESC")[0], "RENAMED");
    // "Include Depth:" is option D.
    EXPECT_EQ(h.field(1, "LD"), "Y") << h.joined();
}

TEST_F(OptionsExtrasTest, TheRevealCodeTakesOnlyABlankAOrBOrCOrX) {
    play("row 2\npress Extras\nset RDIM q\nset RDIM c\nset RDIM \"\"\npress Save\npress Exit\n");
    EXPECT_TRUE(h.has("invalid RDIM \"Q\"")) << h.joined();
    EXPECT_EQ(std::count_if(h.lines.begin(), h.lines.end(), [](const std::string& l) { return l.rfind("invalid", 0) == 0; }), 1);
    EXPECT_EQ(h.column("assembly", "RDIM")[0], "");
}

TEST_F(OptionsExtrasTest, ASaveOverARecordAnotherStationHoldsWritesNothingAndSaysSo) {
    h.reindex();
    const std::string before = h.recordBytes("assembly", 1);
    OtherStation other;
    ASSERT_TRUE(other.holdRecordLock(h.tmp.file("assembly.dbf"), 1));
    ASSERT_EQ(h.play("menu Run\nrow 2\npress Options\nset GLASSMIN 9\npress Save\npress Extras\nset HEAD 1\n"
                     "press Save\nkey Enter\npress Cancel\npress Exit\n"),
              0)
        << h.joined();
    other.release();
    EXPECT_EQ(h.recordBytes("assembly", 1), before);
    EXPECT_EQ(std::count(h.lines.begin(), h.lines.end(), "alert \"Unable to Lock Record.  Try Again Later!\""), 2)
        << "Options and Extras each: " << h.joined();
    EXPECT_TRUE(h.has("open \"Configuration View\"")) << "the screen's keys came back";
}

}  // namespace
}  // namespace mx::configurations::test
