// The library codes: the numeric code and the suite code, encoded from tags
// and decoded back (table-driven); the "&Lib Code" button of LIB played as a
// scripted session on five entries; the suite-code decode on the data.
#include <gtest/gtest.h>

#include <cmath>

#include "LibraryCodes.h"
#include "LibraryHarness.h"
#include "LibraryScreen.h"
#include "Opening.h"

namespace mx::lib::test {
namespace {

using rt::Value;

std::vector<double> numbers(LibraryHarness& h, const std::string& table, const char* field) {
    return h.numbers(table, field);
}

std::vector<bool> tagsFrom(const std::string& pattern) {  // "x" tagged, "." not
    std::vector<bool> out;
    for (char c : pattern) out.push_back(c == 'x');
    return out;
}

TEST(NumericLibraryCode, EncodesAndDecodesTheBitsAboveBitZero) {
    struct Case {
        std::vector<int> serials;
        std::string code;
    };
    for (const Case& c : std::vector<Case>{{{}, "0"},
                                           {{1}, "2"},
                                           {{1, 2}, "6"},
                                           {{0, 3}, "8"},  // SERIAL 0 cannot be named
                                           {{5, 1, 3}, "42"},
                                           {{40}, "1099511627776"},
                                           {{99, 1}, "633825300114114700748351602690"}})
        EXPECT_EQ(libraryCodeOf(c.serials), c.code);

    struct Decode {
        std::string text;
        long entries;
        std::vector<int> serials;
    };
    for (const Decode& d : std::vector<Decode>{{"6", 4, {2, 1}},
                                               {"7", 4, {2, 1}},  // bit 0 is never read
                                               {"1", 4, {}},
                                               {"0", 4, {}},
                                               {"", 4, {}},
                                               {"abc", 4, {}},
                                               {"-6", 4, {}},
                                               {"  +6.9", 4, {2, 1}},
                                               {"6abc", 4, {2, 1}},
                                               {"42", 5, {5, 3, 1}},
                                               {"42", 4, {4, 3, 2, 1}},  // a bit above the library
                                               {"42", 0, {}}})
        EXPECT_EQ(serialsOfLibraryCode(d.text, d.entries), d.serials) << d.text << " over " << d.entries;
}

// Past 2^53 a double rounds: 2^60 + 2 would read as 2^60 and lose entry 1;
// 2^99 - 2 (every entry 1..98) would round up to 2^99 and name entry 99.
TEST(NumericLibraryCode, LargeCodesDecodeExactly) {
    EXPECT_EQ(serialsOfLibraryCode("1152921504606846978", 99), (std::vector<int>{60, 1}));
    std::vector<int> below99;
    for (int s = 98; s >= 1; --s) below99.push_back(s);
    EXPECT_EQ(serialsOfLibraryCode("633825300114114700748351602686", 99), below99);

    // Round trip over a 99-entry library with every third entry named.
    std::vector<int> named;
    for (int s = 99; s >= 1; s -= 3) named.push_back(s);
    EXPECT_EQ(serialsOfLibraryCode(libraryCodeOf(named), 99), named);
    // The 30-digit field's largest value lies above 2^99: it names every
    // entry of a 98-entry library.
    EXPECT_EQ(serialsOfLibraryCode(std::string(30, '9'), 98).size(), 98u);
}

TEST(SuiteCode, EncodesGroupsOfFourWithADashAfterEveryFourthDigit) {
    struct Case {
        std::string tags;
        std::string code;
    };
    const std::string none100(100, '.');
    std::string all100(100, 'x');
    for (const Case& c : std::vector<Case>{
             {"", ""},
             {"x...x", "11"},
             {"xxxxx", "F1"},
             {"....", "0"},
             {"........", "00"},
             {std::string(16, '.'), "0000-"},
             {".x..x.x..x.x...x", "25A8-"},
             {"..xx" + std::string(12, '.') + "x", "C000-1"},
             {none100, "0000-0000-0000-0000-0000"},  // 20 digits, the dash cut off
             {all100, "FFFF-FFFF-FFFF-FFFF-FFFF"},
             {std::string(80, '.') + "x", "0000-0000-0000-0000-0000"},  // the 81st cannot be named
         })
        EXPECT_EQ(suiteCodeOfTags(tagsFrom(c.tags)), c.code) << c.tags;
}

TEST(SuiteCode, EncodingUsesTheStoredNumbersAndCountsGroupsByPosition) {
    // A stale entry keeps its old number: the group still ends after four entries.
    EXPECT_EQ(suiteCodeOf({{1, true}, {1, true}, {4, false}, {8, true}, {1, true}}), "A1");
    EXPECT_EQ(suiteCodeOf({{8, true}, {8, true}, {0, false}, {0, false}}), "10");
    EXPECT_EQ(suiteDigit(0), "0");
    EXPECT_EQ(suiteDigit(10), "A");
    EXPECT_EQ(suiteDigit(15), "F");
    EXPECT_EQ(joinSuiteDigits({"1", "2", "3", "4", "5", "6", "7", "8"}), "1234-5678-");
}

TEST(SuiteCode, DecodesDigitsIntoGroupAndNumber) {
    using P = SuitePosition;
    struct Case {
        std::string code;
        std::vector<P> positions;
    };
    for (const Case& c : std::vector<Case>{
             {"F1", {{1, 8}, {1, 4}, {1, 2}, {1, 1}, {2, 1}}},
             {"0-0", {}},
             {"-", {}},
             {"", {}},
             {"G1", {{2, 1}}},             // G names nothing but takes its position
             {"a 3", {{1, 8}, {1, 2}, {3, 2}, {3, 1}}},  // lower case; a blank names nothing
             {"0000-0006", {{8, 4}, {8, 2}}},
             {"11        ", {{1, 1}, {2, 1}}},  // trailing blanks of a stored code
         })
        EXPECT_EQ(positionsOfSuiteCode(c.code), c.positions) << c.code;

    // Round trip: the positions of a built code are exactly the tagged entries.
    const std::vector<bool> t = tagsFrom("x..xx.x.xxx..x.xx..x");
    std::vector<P> expected;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i]) expected.push_back({static_cast<int>(i / 4) + 1, 1 << (i % 4)});
    std::vector<P> decoded = positionsOfSuiteCode(suiteCodeOfTags(t));
    std::sort(decoded.begin(), decoded.end(),
              [](const P& a, const P& b) { return a.group != b.group ? a.group < b.group : a.number < b.number; });
    EXPECT_EQ(decoded, expected);
}

// Which entry a code names, decided without tags: the first entry in search
// order holding each position. Entries 1..8: group 1 (1, 2, 4, 8) and
// group 2 (1, 2, 4, 8); entry 9 is a stale copy of group 1 number 2.
TEST(SuiteCode, TheEntryACodeNamesIsTheFirstHoldingEachPosition) {
    SuiteEntryIndex index;
    for (std::uint32_t e = 1; e <= 8; ++e) index.add((e - 1) / 4 + 1, 1 << ((e - 1) % 4), e);
    index.add(1, 2, 9);
    EXPECT_EQ(index.entryAt({1, 2}), 2u);
    EXPECT_EQ(index.entryAt({3, 1}), 0u);
    struct Case {
        std::string code;
        std::vector<std::uint32_t> named;  // of entries 1..9
    };
    for (const Case& c : std::vector<Case>{{"", {}},
                                           {"-", {}},
                                           {"F", {1, 2, 3, 4}},
                                           {"01", {5}},
                                           {"0-8", {8}},
                                           {"a", {2, 4}},
                                           {"G8", {8}},     // G names nothing and takes its position
                                           {"2 ", {2}},     // a stored code's trailing blank
                                           {"001", {}}}) {  // group 3 holds no entry
        std::vector<std::uint32_t> named;
        for (std::uint32_t e = 0; e <= 9; ++e)
            if (index.names(c.code, e)) named.push_back(e);
        EXPECT_EQ(named, c.named) << c.code;
    }
}

// Five entries, record order unlike order 3 (by SERIAL): in order 3 they
// are ALU(1) BRZ(2) CED(3) DUR(4) EXT(5); stale GROUP/NUMBER on file.
class LibCodeButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("DUR")}, {"DESC", C("DURALITE")}, {"SERIAL", N(4)}, {"GROUP", N(9)}},
                         {{"CODE", C("EXT")}, {"DESC", C("EXTRUSION")}, {"SERIAL", N(5)}, {"TAG", L(true)}},
                         {{"CODE", C("CED")}, {"DESC", C("CEDAR")}, {"SERIAL", N(3)}, {"TAG2", L(true)}},
                         {{"CODE", C("ALU")}, {"DESC", C("ALUMINIUM")}, {"SERIAL", N(1)}, {"TAG", L(true)}},
                         {{"CODE", C("BRZ")}, {"DESC", C("BRONZE")}, {"SERIAL", N(2)}, {"NUMBER", N(8)}}});
        h.action = [this] {
            LIB(h.ctx, ws);
            ds::CLOSDATA(h.ctx);
        };
    }
    void play(const std::string& script) {
        h.reindex();
        ASSERT_EQ(h.play("menu Run\n" + script), 0) << h.joined();
    }
    std::vector<double> numbers(const char* field) { return test::numbers(h, "lib", field); }

    LibraryHarness h;
    int ws = 2;
};

TEST_F(LibCodeButtonTest, BuildsTheCodeFromTheWorkstationsTagsShowsItAndCopiesItOnYes) {
    // Workstation 1 builds from `TAG` (ALU and EXT), not `TAG2` (CED).
    ws = 1;
    play("row 3\nanswer yes\nanswer text junk\npress \"Lib Code\"\npress Exit\n");
    const std::vector<std::string> expected = {
        "info \"11\"",
        "yesno \"Library Code: 11. Copy to Windows Clipboard\" yes",
        "clipboard \"11\"",
        "info \"Library Code Written to Windows Clipboard\"",
    };
    auto at = std::find(h.lines.begin(), h.lines.end(), expected[0]);
    ASSERT_NE(at, h.lines.end()) << h.joined();
    ASSERT_GE(h.lines.end() - at, 5) << h.joined();
    EXPECT_EQ(std::vector<std::string>(at, at + 4), expected) << h.joined();
    EXPECT_EQ(at[4].rfind("prompt \"Library Code\" \"\" ok ", 0), 0u) << h.joined();
    EXPECT_FALSE(h.hasPrefix("info \"The suite code")) << h.joined();

    // Every entry renumbered in order 3; record order DUR EXT CED ALU BRZ.
    EXPECT_EQ(numbers("GROUP"), (std::vector<double>{1, 2, 1, 1, 1}));
    EXPECT_EQ(numbers("NUMBER"), (std::vector<double>{8, 1, 4, 1, 2}));
    // What was typed in the last prompt went nowhere; the tags are untouched.
    EXPECT_EQ(h.column("lib", "CODE"), (std::vector<std::string>{"DUR", "EXT", "CED", "ALU", "BRZ"}));
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "T", "F"}));
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(LibCodeButtonTest, TheSameTaggingGivesTheSameCodeOnEveryWorkstation) {
    // ALU and EXT tagged on the screen, the other workstation's tags left as
    // they are: the code is built from the tags the Tag column shows.
    for (int station : {1, 2}) {
        LibraryHarness fresh;
        fresh.append("lib", {{{"CODE", C("DUR")}, {"SERIAL", N(4)}, {"TAG2", L(station == 1)}},
                             {{"CODE", C("EXT")}, {"SERIAL", N(5)}},
                             {{"CODE", C("CED")}, {"SERIAL", N(3)}, {"TAG", L(station == 2)}, {"TAG2", L(station == 1)}},
                             {{"CODE", C("ALU")}, {"SERIAL", N(1)}},
                             {{"CODE", C("BRZ")}, {"SERIAL", N(2)}}});
        fresh.action = [&] {
            LIB(fresh.ctx, station);
            ds::CLOSDATA(fresh.ctx);
        };
        fresh.reindex();
        ASSERT_EQ(fresh.play("menu Run\nrow 1\npress Tag/Untag\nrow 5\npress Tag/Untag\nanswer no\nanswer cancel\n"
                             "press \"Lib Code\"\npress Exit\n"),
                  0)
            << fresh.joined();
        EXPECT_EQ(fresh.column("lib", station == 1 ? "TAG" : "TAG2"), (std::vector<std::string>{"F", "T", "F", "T", "F"}))
            << "workstation " << station << ": " << fresh.joined();
        EXPECT_TRUE(fresh.has("info \"11\"")) << "workstation " << station << ": " << fresh.joined();
    }
}

TEST_F(LibCodeButtonTest, NoLeavesTheClipboardAloneAndAllTaggedGivesF1) {
    ws = 1;  // Tag All sets `TAG`
    play("row 1\npress \"Tag All\"\nanswer no\nanswer cancel\npress \"Lib Code\"\npress Exit\n");
    EXPECT_TRUE(h.has("info \"F1\"")) << h.joined();
    EXPECT_TRUE(h.has("yesno \"Library Code: F1. Copy to Windows Clipboard\" no")) << h.joined();
    EXPECT_FALSE(h.hasPrefix("clipboard ")) << h.joined();
    EXPECT_FALSE(h.has("info \"Library Code Written to Windows Clipboard\"")) << h.joined();
    EXPECT_TRUE(h.has("prompt \"Library Code\" \"\" cancel")) << h.joined();
}

TEST(LibCode, NothingHappensWhenLibCannotBeOpened) {
    LibraryHarness h;
    h.reindex();
    rt::Session other;
    other.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Exclusive);
    std::string code = "?";
    h.action = [&] { code = LIBCODE(h.ctx, 1); };
    ASSERT_EQ(h.play("menu Run\n"), 0) << h.joined();
    EXPECT_EQ(code, "");
    EXPECT_FALSE(h.sink.alerts().empty());
    EXPECT_FALSE(h.hasPrefix("info ")) << h.joined();
    EXPECT_FALSE(h.hasPrefix("yesno ")) << h.joined();
    other.closeAll();
}

TEST(SuiteCodeDecode, TagsTheEntriesAtTheNamedPositionsAndFillsTheScratchTable) {
    LibraryHarness h;
    // GROUP/NUMBER as a numbering pass left them; record order mixed.
    h.append("lib", {{{"CODE", C("E")}, {"SERIAL", N(5)}, {"GROUP", N(2)}, {"NUMBER", N(1)}},
                     {{"CODE", C("A")}, {"SERIAL", N(1)}, {"GROUP", N(1)}, {"NUMBER", N(1)}},
                     {{"CODE", C("C")}, {"SERIAL", N(3)}, {"GROUP", N(1)}, {"NUMBER", N(4)}, {"TAG3", L(true)}},
                     {{"CODE", C("B")}, {"SERIAL", N(2)}, {"GROUP", N(1)}, {"NUMBER", N(2)}},
                     {{"CODE", C("D")}, {"SERIAL", N(4)}, {"GROUP", N(1)}, {"NUMBER", N(8)}}});
    h.append("libimp3", {{{"SERIAL", N(77)}}});  // left from an earlier decode
    h.reindex();

    // "9" names group 1 numbers 8 and 1 (D, A); "4" group 3 number 4 (none on file).
    EXPECT_TRUE(tagBySuiteCode(h.ctx, 3, "9g4"));
    h.session.closeAll();
    EXPECT_EQ(h.column("lib", "TAG3"), (std::vector<std::string>{"F", "T", "T", "F", "T"})) << "C kept its tag";
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "F", "F", "F", "F"}));
    EXPECT_EQ(numbers(h, "libimp3", "GROUP"), (std::vector<double>{1, 1, 3}));
    EXPECT_EQ(numbers(h, "libimp3", "NUMBER"), (std::vector<double>{8, 1, 4}));
    EXPECT_EQ(numbers(h, "libimp3", "SERIAL"), (std::vector<double>{4, 1, 0}));

    // No workstation outside 1..9; a scratch table held elsewhere stops it.
    EXPECT_FALSE(tagBySuiteCode(h.ctx, 0, "F"));
    h.session.closeAll();
    rt::Session other;
    other.open(h.tmp.file("libimp3.dbf"), "", rt::OpenMode::Shared);
    EXPECT_FALSE(tagBySuiteCode(h.ctx, 3, "2"));
    h.session.closeAll();
    other.closeAll();
    EXPECT_EQ(h.column("lib", "TAG3")[3], "F") << "B stays untagged";
}

}  // namespace
}  // namespace mx::lib::test
