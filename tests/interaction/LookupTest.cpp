// LOOKUPW and SRCH played as scripted sessions on a small `libcat` table:
// found and not-found codes, the soft-seek position, Select / Exit / Enter /
// F2 in the lookup dialog, the keys left behind, and the search prompt; the
// tables of one dialog, each had once.
#include <gtest/gtest.h>

#include <filesystem>

#include "Dialog.h"
#include "HotKeyConvention.h"
#include "Lookup.h"
#include "Opening.h"
#include "Search.h"
#include "SessionHarness.h"

using namespace mx;
using mx::ia::test::SessionHarness;
using mx::rt::Value;

namespace {

std::string trimmed(const Value& v) {
    std::string s = v.str();
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// An "Item" dialog standing in for a screen: a free NOTE field first, then
// CODE validated against `libcat`, and a button that binds the screen's keys
// again. The screen's Enter and F2 count their presses.
class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.action = [this] { runItem(); };
    }

    void runItem() {
        ia::ScreenKeys keys({.viewUpdate = [this] { ++enters; }, .search = [this] { ++f2s; }});
        Value note = Value::character(std::string(10, ' '));
        tk::Dialog dlg("Item", tk::Box{50, 50, 280, 720});
        keys.attach(dlg);
        dlg.addField({5, 55, 80, 12}, note, {.name = "NOTE"});
        dlg.addField({20, 55, 80, 12}, code,
                     {.name = "CODE", .picture = "@!", .valid = [this] {
                          return ia::LOOKUPW(h.ctx, code,
                                             {.table = table,
                                              .keyField = "libcat->Code",
                                              .keyTitle = "Code",
                                              .order = order,
                                              .secondField = "libcat->Name",
                                              .secondTitle = "Name",
                                              .alreadyOpen = alreadyOpen});
                      }});
        dlg.addButton({100, 10, 45, 12}, "&Rebind", [&keys] { keys.bind(); });
        dlg.addButton({100, 60, 45, 12}, "E&xit", [&dlg] { dlg.end(); });
        dlg.run();
    }

    void play(const std::string& script) { ASSERT_EQ(h.play(script), 0) << h.joined(); }

    SessionHarness h;
    Value code = Value::character(std::string(6, ' '));
    std::string table = "libcat";
    std::string order = "1";
    bool alreadyOpen = false;
    int enters = 0, f2s = 0;
};

TEST_F(LookupTest, CodeOnFileShowsNothingAndClosesWhatItOpened) {
    play("menu Run\nset CODE abc\ndump\n");
    EXPECT_FALSE(h.has("open \"Lookup\"")) << h.joined();
    EXPECT_EQ(code.str(), "ABC   ");
    EXPECT_EQ(h.session.area("LIBCAT"), nullptr);
}

TEST_F(LookupTest, CodeNotOnFileOpensOnTheSoftSeekPositionAndExitKeepsTheTypedValue) {
    play("menu Run\nset CODE ab\ndump\npress Exit\n");
    size_t open = h.find("open \"Lookup\"");
    ASSERT_NE(open, std::string::npos) << h.joined();
    EXPECT_NE(h.find("browse \"Code\" \"Name\"", open), std::string::npos) << h.joined();
    EXPECT_NE(h.find("row* 2 \"ABC\" \"Aluminium\"", open), std::string::npos) << h.joined();
    EXPECT_NE(h.find("close \"Lookup\"", open), std::string::npos);
    EXPECT_EQ(trimmed(code), "AB");
    // Left open for the screen's close-all on return.
    EXPECT_NE(h.session.area("LIBCAT"), nullptr);
}

TEST_F(LookupTest, SelectAndEnterReturnTheHighlightedCode) {
    play("menu Run\nset CODE ab\nrow 3\npress Select\n");
    EXPECT_EQ(code.str(), "ABD   ");
    // A code past the last key: the list still opens; Enter selects.
    play("menu Run\nset CODE zz\nrow 1\nkey Enter\n");
    EXPECT_EQ(code.str(), "AAA   ") << h.joined();
}

TEST_F(LookupTest, F2InTheLookupSearchesAndSearchingIsCaseSensitive) {
    play("menu Run\nset CODE b\nanswer text xy\nkey F2\nanswer text XY\nkey F2\nkey Enter\n");
    EXPECT_TRUE(h.has("prompt \"Search\" \"Search\" ok \"xy\"")) << h.joined();
    EXPECT_TRUE(h.has("alert \"No Match Found\"")) << h.joined();
    EXPECT_EQ(code.str(), "XYZ   ");
}

TEST_F(LookupTest, EnterAndF2DoNothingAfterALookupUntilTheScreenBindsThemAgain) {
    // A row is selected, so that leaving CODE again (Enter does) validates silently.
    play("menu Run\nkey Enter\nkey F2\nset CODE ab\npress Select\nkey F2\nkey Enter\npress Rebind\nkey F2\n");
    EXPECT_EQ(enters, 1) << h.joined();
    EXPECT_EQ(f2s, 2) << h.joined();
}

TEST_F(LookupTest, TableAlreadyOpenIsUsedInPlaceAndKeepsItsOrder) {
    alreadyOpen = true;
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "libcat"));
    rt::WorkArea* libcat = h.session.area("LIBCAT");
    libcat->setOrder(2);
    play("menu Run\nset CODE abd\nset CODE ab\npress Exit\n");
    EXPECT_EQ(h.session.area("LIBCAT"), libcat);
    EXPECT_EQ(libcat->order(), 2);
    size_t open = h.find("open \"Lookup\"");
    ASSERT_NE(open, std::string::npos) << h.joined();
    EXPECT_EQ(h.find("open \"Lookup\"", open + 1), std::string::npos) << "only the second code opens the list\n"
        << h.joined();
}

TEST_F(LookupTest, SecondOrderSeeksTheDescription) {
    alreadyOpen = true;
    order = "2";
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "libcat"));
    code = Value::character(std::string(20, ' '));
    play("menu Run\nset CODE e\ndump\npress Exit\n");
    EXPECT_NE(h.find("row* 4 \"XYZ\" \"Extra\""), std::string::npos) << h.joined();
    EXPECT_EQ(h.session.area("LIBCAT")->order(), 1);
}

TEST_F(LookupTest, UnavailableTableAcceptsTheValueAfterATimedBox) {
    table = "nosuch";
    rt::DbfTable::create(h.tmp.file("other.dbf"), {rt::charField("X", 1)});
    rt::WorkArea& other = h.session.open(h.tmp.file("other.dbf"), "OTHER");
    play("menu Run\nset CODE q\n");
    EXPECT_TRUE(h.has("timed \"Information\" \"Entry Not Validated. Database Unavailable.\"")) << h.joined();
    EXPECT_FALSE(h.has("open \"Lookup\""));
    EXPECT_EQ(trimmed(code), "Q");
    EXPECT_EQ(h.session.selected(), &other);
}

// A list screen over `libcat` with a "&Search" button.
TEST(SearchTest, NoMatchStaysOnTheRecordAndAMatchMovesThere) {
    SessionHarness h;
    h.action = [&h] {
        ASSERT_TRUE(ds::OPNALIAS(h.ctx, "libcat"));
        rt::WorkArea& area = *h.session.area("LIBCAT");
        tk::Dialog dlg("Categories", tk::Box{10, 100, 465, 800});
        tk::Browse* browse = dlg.addBrowse({10, 10, 300, 160}, h.session, area, {{"Code", 80}, {"Name", 150}}, [&area] {
            return std::vector<Value>{area.fieldValue("CODE"), area.fieldValue("NAME")};
        });
        dlg.addButton({182.5, 10, 45, 12}, "&Search", [browse] { ia::SRCH(*browse); });
        dlg.run();
    };
    ASSERT_EQ(h.play("menu Run\nrow 3\nanswer text ab\npress Search\ndump\n"
                     "answer text XY\npress Search\ndump\nanswer cancel\npress Search\ndump\n"),
              0)
        << h.joined();
    size_t first = h.find("alert \"No Match Found\"");
    ASSERT_NE(first, std::string::npos) << h.joined();
    size_t d1 = h.find("row* 3 \"ABD\" \"Architectural\"", first);
    size_t d2 = h.find("row* 4 \"XYZ\" \"Extra\"", d1);
    size_t cancel = h.find("prompt \"Search\" \"Search\" cancel", d2);
    EXPECT_NE(d1, std::string::npos) << h.joined();
    EXPECT_NE(d2, std::string::npos) << h.joined();
    ASSERT_NE(cancel, std::string::npos) << h.joined();
    EXPECT_NE(h.find("row* 4 \"XYZ\" \"Extra\"", cancel), std::string::npos) << h.joined();
}

}  // namespace

// The tables of one dialog: each opened once and held for the dialog; one
// that cannot be had is tried once, told once in one box, and not tried again.
TEST(DialogTables, EachTableIsHadOnceAndOneThatCannotBeIsToldOnce) {
    SessionHarness h;
    h.action = [&h] {
        rt::WorkArea* first = nullptr;
        {
            ia::DialogTables tables(h.ctx);
            first = tables.open("libcat", "Taken as typed.");
            ASSERT_NE(first, nullptr);
            EXPECT_EQ(tables.open("LIBCAT", "Taken as typed."), first) << "the same area, not a second open";
        }
        EXPECT_EQ(h.session.area("LIBCAT"), nullptr) << "closed with the dialog";

        // Held exclusively elsewhere: the open's retries once, one box.
        rt::Session other;
        other.open(h.tmp.file("libcat.dbf"), "", rt::OpenMode::Exclusive);
        {
            ia::DialogTables tables(h.ctx);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(tables.open("libcat", "Taken as typed."), nullptr);
            EXPECT_TRUE(tables.missing("LibCat"));
        }
        other.closeAll();

        // A table that is not there: the opening service's words in the box.
        std::filesystem::remove(h.tmp.file("libcat.dbf"));
        ia::DialogTables tables(h.ctx);
        EXPECT_EQ(tables.open("libcat", "Taken as typed."), nullptr);
        EXPECT_EQ(tables.open("libcat", "Taken as typed."), nullptr);
    };
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    EXPECT_EQ(h.sleeper.count(), 11) << "one open's retries for three asks";
    EXPECT_TRUE(h.has("alert \"The table libcat is in use on another workstation. Taken as typed.\"")) << h.joined();
    std::vector<std::string> boxes;
    for (const std::string& l : h.lines)
        if (l.rfind("alert ", 0) == 0) boxes.push_back(l);
    ASSERT_EQ(boxes.size(), 2u) << h.joined();
    EXPECT_EQ(boxes[1].rfind("alert \"The table libcat cannot be opened. Unable to open ", 0), 0u) << boxes[1];
    EXPECT_NE(boxes[1].find("File does not exist Taken as typed.\""), std::string::npos) << boxes[1];
    EXPECT_TRUE(h.sink.empty()) << "nothing told besides the one box each";
}
