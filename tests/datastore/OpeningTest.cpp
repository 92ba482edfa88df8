// The opening service: OPNALIAS with each of its messages and edge cases,
// the retries while another process holds a table, NETUSE and OPNDBF.
#include <gtest/gtest.h>

#include <filesystem>

#include "ChildHolder.h"
#include "DataStoreHarness.h"
#include "Error.h"
#include "IndexRebuild.h"
#include "Opening.h"

namespace mx::test {
namespace {

using ds::OPNALIAS;
using Kind = ds::RecordingSink::Kind;

const std::vector<std::string> kNames = {"MALLORY", "ALICE", "TRENT", "BOB", "EVE", "CAROL"};

class OpeningTest : public ::testing::Test {
protected:
    // `people` with three indexes (code, name, age) and `other` without any.
    void SetUp() override {
        writePeople(h.file("people.dbf"), kNames);
        writePeople(h.file("other.dbf"), {"ZED"});
        definitions = {entry("PEOPLE", "people", "pcode", "CODE"), entry("PEOPLE", "people", "pname", "NAME"),
                       entry("PEOPLE", "people", "page", "STR(AGE,3)"), entry("OTHER", "other")};
    }

    // Writes `indexdef` and builds every index; the sink starts empty.
    void build(bool expectComplete = true) {
        writeIndexDef(h.dir(), definitions);
        ds::RebuildReport r = ds::INIT_IDX(h.ctx);
        if (expectComplete) {
            ASSERT_TRUE(r.ok()) << (h.sink.alerts().empty() ? "" : h.sink.alerts().front());
        }
        h.sink.clear();
        h.sleeper.reset();
    }

    rt::WorkArea* people() { return h.session.area("PEOPLE"); }
    std::string name(rt::WorkArea* a) { return ds_trim(a->fieldValue("NAME").str()); }
    static std::string ds_trim(std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }

    Harness h;
    std::vector<ds::IndexDefEntry> definitions;
};

// ---------------------------------------------------------------- success paths

TEST_F(OpeningTest, SharedOpenOfAnOpenAliasReusesItWithOrderOneNoFilterAndTheTopRecord) {
    build();
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    rt::WorkArea* a = people();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->shared());
    ASSERT_EQ(a->orderCount(), 3);
    EXPECT_EQ(a->orderExpression(2), "NAME");
    EXPECT_EQ(h.session.area("INDEXDEF"), nullptr) << "indexdef is open only inside the call";
    a->setOrder(2);
    a->setFilter("AGE > 21");
    a->goBottom();
    ASSERT_TRUE(OPNALIAS(h.ctx, "OTHER"));

    ASSERT_TRUE(OPNALIAS(h.ctx, "People"));
    EXPECT_EQ(people(), a) << "the table must not be reopened";
    EXPECT_EQ(h.session.selected(), a);
    EXPECT_EQ(a->order(), 1);
    EXPECT_EQ(a->filterText(), "");
    EXPECT_EQ(a->recno(), 1u);
    EXPECT_TRUE(h.sink.empty());
}

TEST_F(OpeningTest, ExclusiveOpenOfAnAliasOpenSharedReopensItOnTheSameRecord) {
    build();
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    people()->setOrder(2);
    people()->goTo(4);

    ASSERT_TRUE(OPNALIAS(h.ctx, "people", true));
    rt::WorkArea* a = people();
    EXPECT_FALSE(a->shared());
    EXPECT_EQ(a->recno(), 4u);
    EXPECT_EQ(name(a), "BOB");
    EXPECT_EQ(a->order(), 1);
    // Really exclusive: nobody else gets in.
    rt::Session other;
    try {
        other.open(h.file("people.dbf"));
        ADD_FAILURE() << "a second open succeeded";
    } catch (const rt::DbError& e) {
        EXPECT_EQ(e.kind(), rt::ErrorKind::Busy);
    }
}

TEST_F(OpeningTest, WithIndexesFalseOpensInRecordOrder) {
    build();
    ASSERT_TRUE(OPNALIAS(h.ctx, "people", false, false));
    EXPECT_EQ(people()->orderCount(), 0);
    std::vector<std::string> seen;
    for (people()->goTop(); !people()->eof(); people()->skip()) seen.push_back(name(people()));
    EXPECT_EQ(seen, kNames);
}

TEST_F(OpeningTest, EmptyIndexNameInTheFirstRecordMeansNoIndexAtAll) {
    definitions = {entry("PEOPLE", "people"), entry("PEOPLE", "people", "pname", "NAME")};
    build();
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(people()->orderCount(), 0);
    EXPECT_EQ(people()->recno(), 1u);
}

TEST_F(OpeningTest, OnlyTheFirstSevenOfEightIndexFilesAreAttached) {
    const std::vector<std::string> keys = {"CODE",       "NAME",        "STR(AGE,3)",  "CODE+NAME",
                                           "NAME+CODE",  "STR(AGE,3)+CODE", "UPPER(NAME)", "LOWER(CODE)"};
    definitions.clear();
    for (size_t i = 0; i < keys.size(); ++i)
        definitions.push_back(entry("PEOPLE", "people", "pidx" + std::to_string(i + 1), keys[i]));
    build();
    EXPECT_TRUE(fileExists(h.file("pidx8.ntx")));
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    ASSERT_EQ(people()->orderCount(), 7);
    for (int k = 1; k <= 7; ++k) EXPECT_EQ(people()->orderExpression(k), keys[static_cast<size_t>(k) - 1]);
}

TEST_F(OpeningTest, PathWithBackslashesIsRelativeToTheDataFolderAndMatchedInAnyCase) {
    makeDir(h.file("data/sub"));
    writePeople(h.file("data/sub/PEOPLE.DBF"), {"INSIDE"});
    definitions = {entry("PEOPLE", "people", "pcode", "CODE", "Data\\Sub\\")};
    build();
    EXPECT_TRUE(fileExists(h.file("data/sub/pcode.ntx")));
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(name(people()), "INSIDE");
    EXPECT_EQ(people()->orderCount(), 1);
}

TEST_F(OpeningTest, UniqueTablesComeFromTheUsersFolderOnlyWhileALoginIsInForce) {
    makeDir(h.file("team/FRED"));
    writePeople(h.file("team/people.dbf"), {"EVERYONE"});
    writePeople(h.file("team/FRED/people.dbf"), {"FREDS OWN"});
    ds::IndexDefEntry e = entry("PEOPLE", "people", "pcode", "CODE", "team\\");
    e.unique = true;
    definitions = {e};
    build();  // no login: the shared folder's index
    h.ctx.security = true;
    h.ctx.user = "FRED      ";
    ASSERT_TRUE(ds::INIT_IDX(h.ctx).ok());  // the user's own index, beside the user's table
    EXPECT_TRUE(fileExists(h.file("team/FRED/pcode.ntx")));

    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(name(people()), "FREDS OWN");
    ds::CLOSDATA(h.ctx);

    h.ctx.security = false;
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(name(people()), "EVERYONE");
}

// ---------------------------------------------------------------- failures and their messages

TEST_F(OpeningTest, AliasMissingFromIndexdef) {
    build();
    ASSERT_TRUE(OPNALIAS(h.ctx, "other"));
    EXPECT_FALSE(OPNALIAS(h.ctx, "nosuch"));
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to open NOSUCH. Try rebuilding index files."});
    EXPECT_EQ(h.session.selected(), h.session.area("OTHER"));
    EXPECT_EQ(h.session.area("INDEXDEF"), nullptr);
}

TEST_F(OpeningTest, AnAliasThatOnlyBeginsAnotherAliasIsNotFound) {
    definitions.push_back(entry("PEOPLE2", "people", "pcode2", "CODE"));
    build();
    EXPECT_FALSE(OPNALIAS(h.ctx, "PEOPL"));
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to open PEOPL. Try rebuilding index files."});
}

TEST_F(OpeningTest, MissingTableNamesTheFileAndAddsTheFloppyHintWhenFlagged) {
    definitions.push_back(entry("GONE", "gone", {}, {}, "data\\"));
    ds::IndexDefEntry floppy = entry("DISK", "disk", {}, {}, "A:\\");
    floppy.floppy = true;
    definitions.push_back(floppy);
    build(false);  // the rebuild skips both tables

    EXPECT_FALSE(OPNALIAS(h.ctx, "gone"));
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to open data\\gone.DBF. File does not exist"});
    h.sink.clear();
    EXPECT_FALSE(OPNALIAS(h.ctx, "disk"));
    EXPECT_EQ(h.sink.alerts(), (std::vector<std::string>{"Unable to open A:\\disk.DBF. File does not exist",
                                                         "Check floppy is in the correct drive"}));
}

TEST_F(OpeningTest, MissingIndexFileShowsTheTimedBoxThenTheAlertAndRestoresTheSelection) {
    build();
    std::filesystem::remove(h.file("pname.ntx"));
    ASSERT_TRUE(OPNALIAS(h.ctx, "other"));
    EXPECT_FALSE(OPNALIAS(h.ctx, "people"));
    ASSERT_EQ(h.sink.messages().size(), 2u);
    EXPECT_EQ(h.sink.messages()[0].kind, Kind::Timed);
    EXPECT_EQ(h.sink.messages()[0].text, "Index file pname.NTX not found. Try rebuilding index files");
    EXPECT_EQ(h.sink.messages()[0].seconds, 2.0);
    EXPECT_EQ(h.sink.messages()[1].kind, Kind::Alert);
    EXPECT_EQ(h.sink.messages()[1].text, "Unable to Open Index Files");
    EXPECT_EQ(people(), nullptr);
    EXPECT_EQ(h.session.selected(), h.session.area("OTHER"));
}

TEST_F(OpeningTest, MissingIndexdefIndexIsAClearMessage) {
    build();
    std::filesystem::remove(h.file("indexdef.ntx"));
    EXPECT_FALSE(ds::indexdefIndexExists(h.ctx));
    EXPECT_FALSE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{
                                   "Unable to open PEOPLE. Index file indexdef.ntx not found. Try rebuilding index files."});
    EXPECT_TRUE(h.session.areas().empty());
}

TEST_F(OpeningTest, DamagedTableIsReportedWithItsCauseAndNotRetried) {
    build();
    test::writeFileBytes(h.file("people.dbf"), "not a table");
    EXPECT_FALSE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(h.sleeper.count(), 0);
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_EQ(h.sink.alerts()[0].rfind("Unable to Open (DBF) people. ", 0), 0u) << h.sink.alerts()[0];
    EXPECT_NE(h.sink.alerts()[0].find("people.dbf"), std::string::npos);
}

TEST_F(OpeningTest, DamagedIndexFilesAreToldAsSuchWithTheRebuildThatRepairsThem) {
    build();
    const std::string hint = ". Rebuilding the index files repairs it: \"Reindex\" on the File menu, or mxadmin reindex " +
                             h.dir() + ".";
    std::string pname = test::readFileBytes(h.file("pname.ntx"));
    test::writeFileBytes(h.file("pname.ntx"), "garbage" + pname.substr(7));
    EXPECT_FALSE(OPNALIAS(h.ctx, "people"));
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    const std::string told = h.sink.alerts()[0];
    EXPECT_EQ(told.rfind("Unable to Open Index Files. The index file " + h.file("pname.ntx") + " is damaged (", 0), 0u) << told;
    EXPECT_EQ(told.substr(told.size() - hint.size()), hint) << told;

    // The index of `indexdef` itself: every open fails, and says why.
    h.sink.clear();
    test::writeFileBytes(h.file("indexdef.ntx"), "garbage");
    EXPECT_FALSE(OPNALIAS(h.ctx, "other"));
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_NE(h.sink.alerts()[0].find("The index file " + h.file("indexdef.ntx") + " is damaged"), std::string::npos)
        << h.sink.alerts()[0];
    EXPECT_NE(h.sink.alerts()[0].find(hint), std::string::npos);
}

TEST_F(OpeningTest, ATableCutInsideARecordOpensWithItsWholeRecordsAndIsToldOnce) {
    build();
    const std::string bytes = test::readFileBytes(h.file("people.dbf"));
    std::uint32_t recordLength = 0, headerLength = 0;
    {
        rt::Session s;
        rt::WorkArea& a = s.open(h.file("people.dbf"));
        recordLength = static_cast<std::uint32_t>(a.table().recordLength());
        headerLength = static_cast<std::uint32_t>(a.table().headerLength());
    }
    // Six records; the file now ends 5 bytes into the sixth.
    test::writeFileBytes(h.file("people.dbf"), bytes.substr(0, headerLength + 5 * recordLength + 5));
    rt::WorkArea& peek = h.session.open(h.file("people.dbf"), "PEEK");
    EXPECT_EQ(ds::partialRecord(peek), h.file("people.dbf") + " ends inside record 6: 5 of its " + std::to_string(recordLength) + " bytes are there");
    h.session.close("PEEK");

    ASSERT_TRUE(OPNALIAS(h.ctx, "people", false, false));
    EXPECT_EQ(people()->recordCount(), 5u);
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"The table " + h.file("people.dbf") +
                                                        " ends inside record 6: 5 of its " + std::to_string(recordLength) +
                                                        " bytes are there. Only its 5 whole records are shown. "
                                                        "mxadmin check " + h.dir() + " checks the data set."});
    ds::CLOSDATA(h.ctx);
    ASSERT_TRUE(OPNALIAS(h.ctx, "people", false, false));
    EXPECT_EQ(h.sink.alerts().size(), 1u) << "told once a run";

    // A whole file with its end-of-file marker is not damaged.
    ds::CLOSDATA(h.ctx);
    test::writeFileBytes(h.file("people.dbf"), bytes.substr(0, headerLength + 5 * recordLength) + "\x1a");
    rt::WorkArea& whole = h.session.open(h.file("people.dbf"));
    EXPECT_EQ(ds::partialRecord(whole), "");
}

// ---------------------------------------------------------------- another process holds the table

TEST_F(OpeningTest, TableHeldExclusivelyElsewhereCostsElevenRetriesThenTheMessage) {
    build();
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Exclusive));
    ASSERT_TRUE(OPNALIAS(h.ctx, "other"));

    EXPECT_FALSE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(h.sleeper.count(), 11);
    EXPECT_EQ(h.sleeper.total(), 11.0);
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{
                                   "Unable to Open (DBF) people. Another workstation is using it exclusively.  Try Again Later!"});
    EXPECT_EQ(h.session.selected(), h.session.area("OTHER"));
}

TEST_F(OpeningTest, RetriesSucceedOnceTheOtherProcessLetsGo) {
    build();
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Exclusive));
    h.sleeper.onWait = [&](int waits) {
        if (waits == 3) child.release();
    };
    EXPECT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(h.sleeper.count(), 3);
    EXPECT_TRUE(h.sink.empty());
}

TEST_F(OpeningTest, FailedExclusiveReopenLeavesTheTableClosed) {
    build();
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Shared));
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_FALSE(OPNALIAS(h.ctx, "people", true));
    EXPECT_EQ(h.sleeper.count(), 11);
    EXPECT_EQ(people(), nullptr);
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to Open (DBF) people. Another workstation is using it, "
                                                        "and this work needs it to itself.  Try Again Later!"});
}

TEST_F(OpeningTest, NetuseReplacesTheSelectedTableAndCountsItsAttempts) {
    build();
    ASSERT_TRUE(OPNALIAS(h.ctx, "other"));
    EXPECT_FALSE(ds::NETUSE(h.ctx, "missing", false, 0)) << "a missing file is not waited for";
    EXPECT_EQ(h.session.area("OTHER"), nullptr) << "the selected table was closed";
    EXPECT_EQ(h.sleeper.count(), 0);

    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Exclusive));
    EXPECT_FALSE(ds::NETUSE(h.ctx, "people", true, 2));
    EXPECT_EQ(h.sleeper.count(), 2);

    h.sleeper.reset();
    h.sleeper.onWait = [&](int waits) {
        if (waits == 5) child.release();
    };
    EXPECT_TRUE(ds::NETUSE(h.ctx, "people", true, 0));
    EXPECT_EQ(h.sleeper.count(), 5);
    EXPECT_EQ(h.session.selected(), people());
    EXPECT_FALSE(people()->shared());
    EXPECT_TRUE(h.sink.empty()) << "NETUSE shows no message";
}

TEST_F(OpeningTest, OpndbfAttachesTheIndexesGivenAndOnlySelectsAnOpenAlias) {
    build();
    ASSERT_TRUE(ds::OPNDBF(h.ctx, "people", false, {"pname", "", "pcode"}, "folk"));
    rt::WorkArea* folk = h.session.area("FOLK");
    ASSERT_NE(folk, nullptr);
    ASSERT_EQ(folk->orderCount(), 2);
    EXPECT_EQ(folk->orderExpression(1), "NAME");
    EXPECT_EQ(name(folk), "ALICE");
    folk->goBottom();
    ASSERT_TRUE(ds::OPNDBF(h.ctx, "other", false));
    ASSERT_TRUE(ds::OPNDBF(h.ctx, "people", true, {}, "folk"));
    EXPECT_EQ(h.session.selected(), folk);
    EXPECT_TRUE(folk->shared()) << "an open alias is only selected";
    EXPECT_EQ(name(folk), "TRENT");
}

}  // namespace
}  // namespace mx::test
