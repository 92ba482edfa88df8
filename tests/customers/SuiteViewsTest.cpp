// The suite views over a library of twenty entries in five groups: the
// entries a customer's suite code names, listed through the workstation's
// own tag field and scratch table (and none for a workstation number that
// owns neither), and the marking of the customers whose code names one
// entry, which touches no tag field and no scratch table.
#include <gtest/gtest.h>

#include "CustomerHarness.h"
#include "RegisterTables.h"
#include "SuiteViews.h"

namespace mx::customers::test {
namespace {

using rt::Value;

class SuiteViewsTest : public ::testing::Test {
protected:
    void SetUp() override { h.append("lib", fiveGroups()); }

    // Plays `script` with SHOWLIB run once for each of `codes`.
    void showEach(const std::vector<std::string>& codes, const std::string& script, bool reindex = true) {
        h.action = [this, codes] {
            for (std::size_t i = 0; i < codes.size(); ++i)
                SHOWLIB(h.ctx, h.ws, codes[i], "CUSTOMER " + std::to_string(i + 1));
            libOpenAfter = h.session.area("LIB") != nullptr;
            ds::CLOSDATA(h.ctx);
        };
        if (reindex)
            h.run(script);
        else
            ASSERT_EQ(h.play("menu Run\n" + script), 0) << h.joined();
    }
    // The codes listed by the n-th dump.
    std::vector<std::string> listed(int n) {
        std::vector<std::string> out;
        for (const std::string& r : h.rows(n)) {
            const size_t q = r.find('"') + 1;
            out.push_back(r.substr(q, r.find('"', q) - q));
        }
        return out;
    }

    CustomerHarness h;
    bool libOpenAfter = true;
};

TEST_F(SuiteViewsTest, EachCodeListsTheEntriesItNames) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {"-", {}},
        {"F", {"A1", "A2", "A4", "A8"}},
        {"0001", {"D1"}},
        {"0000-1", {"E1"}},
        {"a", {"A2", "A8"}},   // lower case
        {"G1", {"B1"}},        // G names nothing and takes its place
        {"10000-1", {"A1"}},   // group 6 holds no entry: its scratch record is passed over
    };
    std::vector<std::string> codes;
    std::string script;
    for (const auto& c : cases) {
        codes.push_back(c.first);
        script += "dump\npress OK\n";
    }
    showEach(codes, script);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(h.dump(static_cast<int>(i)).at(0), "dump \"Library Details For CUSTOMER " + std::to_string(i + 1) + "\"");
        EXPECT_EQ(listed(static_cast<int>(i)), cases[i].second) << "code \"" << cases[i].first << "\"\n" << h.joined();
    }
    EXPECT_EQ(h.dump(2).at(1), "browse \"Code\" \"Description\" \"Category\" \"Lib Id\"");
    EXPECT_EQ(h.dump(2).at(2), "row* 1 \"A1\" \"SUITE A1\" \"RES\" \" 1\"");
    // What the last decode left: its scratch records (the one that matched
    // nothing has no serial) and its tags.
    EXPECT_EQ(h.numbers("libimp", "GROUP"), (std::vector<double>{1, 6}));
    EXPECT_EQ(h.numbers("libimp", "SERIAL"), (std::vector<double>{1, 0}));
    std::vector<std::string> tags = h.column("lib", "TAG");
    EXPECT_EQ(std::count(tags.begin(), tags.end(), "T"), 1);
    EXPECT_EQ(tags.at(0), "T");
    EXPECT_FALSE(libOpenAfter) << "the view closes the library";
}

TEST_F(SuiteViewsTest, WorkstationThreeUsesItsOwnTagFieldAndScratchTable) {
    // Workstation 1's tags and scratch records, and a stale tag of workstation 3.
    h.append("libimp", {{{"SERIAL", N(9)}, {"GROUP", N(3)}, {"NUMBER", N(1)}}});
    {
        rt::Session s;
        rt::WorkArea& lib = s.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Exclusive);
        for (std::uint32_t r : {5u, 6u}) {
            lib.goTo(r);
            lib.setField("TAG", L(true));
        }
        lib.goTo(20);
        lib.setField("TAG3", L(true));
        s.closeAll();
    }
    h.ws = 3;
    // A double click on a row opens nothing.
    showEach({"3"}, "dblclick\ndump\npress OK\n");
    EXPECT_EQ(listed(0), (std::vector<std::string>{"A1", "A2"})) << h.joined();
    int opened = 0;
    for (const auto& l : h.lines) opened += l.rfind("open ", 0) == 0;
    EXPECT_EQ(opened, 1) << h.joined();
    std::vector<std::string> tag3 = h.column("lib", "TAG3"), tag = h.column("lib", "TAG");
    EXPECT_EQ(std::count(tag3.begin(), tag3.end(), "T"), 2);
    EXPECT_EQ(tag3.at(0), "T");
    EXPECT_EQ(tag3.at(1), "T");
    EXPECT_EQ(std::count(tag.begin(), tag.end(), "T"), 2);
    EXPECT_EQ(tag.at(4), "T");
    EXPECT_EQ(tag.at(5), "T");
    EXPECT_EQ(h.numbers("libimp", "SERIAL"), (std::vector<double>{9}));
    EXPECT_EQ(h.numbers("libimp3", "SERIAL"), (std::vector<double>{2, 1}));
}

TEST_F(SuiteViewsTest, AWorkstationWithoutATagFieldIsToldAndNothingChanges) {
    h.append("libimp", {{{"SERIAL", N(9)}, {"GROUP", N(3)}, {"NUMBER", N(1)}}});
    h.ws = 10;
    showEach({"F"}, "");
    EXPECT_TRUE(h.hasPrefix("alert \"The suites of a customer cannot be shown on workstation 10: only workstations 1 "
                            "to 9 have a tag field in the library and a scratch table of their own.\""))
        << h.joined();
    EXPECT_FALSE(h.hasPrefix("open ")) << h.joined();
    for (const char* field : {"TAG", "TAG2", "TAG9"})
        for (const std::string& t : h.column("lib", field)) EXPECT_EQ(t, "F");
    EXPECT_EQ(h.numbers("libimp", "SERIAL"), (std::vector<double>{9}));
}

TEST_F(SuiteViewsTest, ALibraryInUseElsewhereEndsTheViewAfterTheOpeningMessage) {
    h.reindex();
    rt::Session other;
    other.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Shared);
    showEach({"F"}, "", false);
    EXPECT_FALSE(h.hasPrefix("open ")) << h.joined();
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_EQ(h.sink.alerts()[0].rfind("Unable to Open (DBF) ", 0), 0u) << h.sink.alerts()[0];
    other.closeAll();
    for (const std::string& t : h.column("lib", "TAG")) EXPECT_EQ(t, "F");
}

// The customers of an entry, decided from their codes: B2 is group 2, number 2.
class LibraryCodeUsersTest : public SuiteViewsTest {
protected:
    void SetUp() override {
        SuiteViewsTest::SetUp();
        h.append("mitrex", {customer(1, "TWO", "02", {{"TAG1", L(true)}}),       // B2
                            customer(2, "SIX", "06"),                            // B4, B2
                            customer(3, "ALL OF TWO", "0F-", {{"TAG1", L(true)}}),  // B8 B4 B2 B1
                            customer(4, "EMPTY", "", {{"TAG1", L(true)}}),
                            customer(5, "LOWER", "0e"),                          // B8 B4 B2
                            customer(6, "FIRST GROUP", "F", {{"TAG", L(true)}})});
        h.append("libimp", {{{"SERIAL", N(9)}, {"GROUP", N(3)}, {"NUMBER", N(1)}}});
        {
            rt::Session s;
            rt::WorkArea& lib = s.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Exclusive);
            lib.goTo(1);
            lib.setField("TAG", L(true));
            s.closeAll();
        }
        h.reindex();
        ASSERT_TRUE(openRegister(h.ctx));
    }
    std::vector<std::string> marks() {
        h.session.closeAll();
        return h.column("mitrex", "TAG1");
    }
};

TEST_F(LibraryCodeUsersTest, MarksExactlyTheCustomersWhoseCodeNamesTheEntryAndLeavesTheTagsAlone) {
    // Another workstation reads the library meanwhile.
    rt::Session other;
    other.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Shared);
    EXPECT_EQ(markLibraryCodeUsers(h.ctx, "B2        "), 4);
    EXPECT_EQ(h.session.area("LIB"), nullptr) << "read and closed again";
    other.closeAll();
    EXPECT_EQ(marks(), (std::vector<std::string>{"T", "T", "T", "F", "T", "F"}));
    EXPECT_EQ(h.column("mitrex", "TAG"), (std::vector<std::string>{"F", "F", "F", "F", "F", "T"}));
    std::vector<std::string> tags = h.column("lib", "TAG");
    EXPECT_EQ(std::count(tags.begin(), tags.end(), "T"), 1);
    EXPECT_EQ(tags.at(0), "T");
    EXPECT_EQ(h.numbers("libimp", "SERIAL"), (std::vector<double>{9}));
    EXPECT_EQ(h.sleeper.count(), 0);
}

TEST_F(LibraryCodeUsersTest, ABlankCodeOrOneNotOnFileOnlyClearsTheMarks) {
    EXPECT_EQ(markLibraryCodeUsers(h.ctx, "          "), 0);
    EXPECT_EQ(marks(), (std::vector<std::string>{"F", "F", "F", "F", "F", "F"}));
    ASSERT_TRUE(openRegister(h.ctx));
    EXPECT_EQ(markLibraryCodeUsers(h.ctx, "B"), 0) << "a code is sought whole, not as the start of another";
    EXPECT_EQ(markLibraryCodeUsers(h.ctx, "ZZ"), 0);
}

TEST_F(LibraryCodeUsersTest, ACustomerLockedElsewhereKeepsItsMarkAndALibraryHeldElsewhereEndsIt) {
    rt::Session other;
    rt::WorkArea& theirs = other.open(h.tmp.file("mitrex.dbf"), "", rt::OpenMode::Shared);
    theirs.goTo(3);
    ASSERT_TRUE(theirs.lock());
    EXPECT_EQ(markLibraryCodeUsers(h.ctx, "A1"), 1);  // FIRST GROUP
    EXPECT_EQ(h.sleeper.count(), 100) << "one customer's wait";
    other.closeAll();
    EXPECT_EQ(marks(), (std::vector<std::string>{"F", "F", "T", "F", "F", "T"}));

    ASSERT_TRUE(openRegister(h.ctx));
    other.open(h.tmp.file("lib.dbf"), "", rt::OpenMode::Exclusive);
    EXPECT_EQ(markLibraryCodeUsers(h.ctx, "A1"), -1);
    EXPECT_EQ(h.sink.alerts().size(), 1u);
    other.closeAll();
    EXPECT_EQ(marks(), (std::vector<std::string>{"F", "F", "F", "F", "F", "F"}));
}

}  // namespace
}  // namespace mx::customers::test
