// The index rebuild: record order, NOINDEX (present or not), PACK,
// ZAPONINIT, busy tables and a key expression that cannot be evaluated.
#include <gtest/gtest.h>

#include <filesystem>

#include "ChildHolder.h"
#include "Error.h"
#include "DataStoreHarness.h"
#include "IndexRebuild.h"
#include "Opening.h"

namespace mx::test {
namespace {

using ds::OPNALIAS;

class IndexRebuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        writePeople(h.file("people.dbf"), {"MALLORY", "ALICE", "TRENT", "BOB"});
        writePeople(h.file("other.dbf"), {"ZED", "AMY"});
    }

    // Marks records deleted, by record number.
    void deletePeople(std::initializer_list<std::uint32_t> recnos) {
        rt::Session s;
        rt::WorkArea& a = s.open(h.file("people.dbf"), "", rt::OpenMode::Exclusive);
        for (std::uint32_t r : recnos) {
            a.goTo(r);
            a.deleteRecord();
        }
        s.closeAll();
    }

    std::uint32_t peopleCount() {
        rt::Session s;
        return s.open(h.file("people.dbf")).recordCount();
    }

    Harness h;
};

TEST_F(IndexRebuildTest, BuildsIndexdefIndexFirstThenEveryIndexInRecordOrder) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pname", "NAME"), entry("OTHER", "other", "ocode", "CODE"),
                            entry("PEOPLE", "people", "pcode", "CODE")});
    EXPECT_FALSE(ds::indexdefIndexExists(h.ctx));
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.indexesBuilt, 4);
    EXPECT_TRUE(ds::indexdefIndexExists(h.ctx));
    EXPECT_TRUE(h.sink.empty());
    EXPECT_TRUE(h.session.areas().empty()) << "everything is closed afterwards";
    // Order 1 of a table is its first record, whatever lies between.
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(h.session.selected()->orderExpression(1), "NAME");
    EXPECT_EQ(h.session.selected()->orderExpression(2), "CODE");
    EXPECT_TRUE(h.session.selected()->checkIntegrity().empty());
}

TEST_F(IndexRebuildTest, NoIndexRecordBuildsNothingAndTheTableThenNeedsThatFile) {
    ds::IndexDefEntry skipped = entry("PEOPLE", "people", "pname", "NAME");
    skipped.noIndex = true;
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pcode", "CODE"), skipped});
    EXPECT_TRUE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_TRUE(fileExists(h.file("pcode.ntx")));
    EXPECT_FALSE(fileExists(h.file("pname.ntx")));
    EXPECT_FALSE(OPNALIAS(h.ctx, "people"));
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to Open Index Files"});
}

TEST_F(IndexRebuildTest, IndexdefWithoutNoIndexFieldRebuildsEveryRecord) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pcode", "CODE"), entry("PEOPLE", "people", "pname", "NAME")},
                  false);
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(fileExists(h.file("pcode.ntx")));
    EXPECT_TRUE(fileExists(h.file("pname.ntx")));
}

TEST_F(IndexRebuildTest, PackRemovesDeletedRecordsBeforeIndexing) {
    deletePeople({2, 3});
    ds::IndexDefEntry packing = entry("PEOPLE", "people", "pname", "NAME");
    packing.pack = true;
    writeIndexDef(h.dir(), {packing});
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.tablesPacked, 1);
    EXPECT_EQ(peopleCount(), 2u);
    ASSERT_TRUE(OPNALIAS(h.ctx, "people"));
    rt::WorkArea& a = *h.session.selected();
    EXPECT_TRUE(a.checkIntegrity().empty());
    EXPECT_EQ(a.fieldValue("NAME").str().substr(0, 3), "BOB");
}

TEST_F(IndexRebuildTest, PackWithoutIndexNamePacksAndBuildsNothing) {
    deletePeople({1});
    ds::IndexDefEntry packing = entry("PEOPLE", "people");
    packing.pack = true;
    writeIndexDef(h.dir(), {packing});
    EXPECT_TRUE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_EQ(peopleCount(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.dir()), {}), 4)
        << "people.dbf, other.dbf, indexdef.dbf and indexdef.ntx only";
}

TEST_F(IndexRebuildTest, ZapOnInitEmptiesOnlyAnInitialisingRun) {
    ds::IndexDefEntry zap = entry("PEOPLE", "people", "pcode", "CODE");
    zap.zapOnInit = true;
    writeIndexDef(h.dir(), {zap});
    EXPECT_TRUE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_EQ(peopleCount(), 4u);
    EXPECT_TRUE(ds::INIT_IDX(h.ctx, true).ok());
    EXPECT_EQ(peopleCount(), 0u);
}

TEST_F(IndexRebuildTest, BadKeyExpressionLeavesNoFileNamesTableFileAndKeyAndGoesOn) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pbad", "NAME+NOSUCHFN(CODE)"),
                            entry("PEOPLE", "people", "pcode", "CODE"), entry("OTHER", "other", "ocode", "CODE")});
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_FALSE(r.ok());
    ASSERT_EQ(r.failures.size(), 1u);
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    const std::string text = h.sink.alerts()[0];
    EXPECT_NE(text.find("PEOPLE"), std::string::npos) << text;
    EXPECT_NE(text.find("pbad.NTX"), std::string::npos) << text;
    EXPECT_NE(text.find("NAME+NOSUCHFN(CODE)"), std::string::npos) << text;
    for (const auto& e : std::filesystem::directory_iterator(h.dir()))
        EXPECT_EQ(e.path().filename().string().find("pbad"), std::string::npos) << e.path();
    EXPECT_TRUE(fileExists(h.file("pcode.ntx")));
    EXPECT_TRUE(fileExists(h.file("ocode.ntx")));
    EXPECT_TRUE(h.session.areas().empty());
}

TEST_F(IndexRebuildTest, KeyOfTheWrongTypeForSomeRecordsIsReportedToo) {
    // Character for a blank record, numeric for the others: no key width fits both.
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pmixed", "IIF(EMPTY(CODE), CODE, AGE)")});
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_EQ(r.failures.size(), 1u);
    EXPECT_FALSE(fileExists(h.file("pmixed.ntx")));
    EXPECT_FALSE(fileExists(h.file("pmixed.ntx.tmp")));
}

TEST_F(IndexRebuildTest, FailedKeyKeepsTheOldIndexUnlessThisRunPackedTheTable) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pname", "NAME")});
    ASSERT_TRUE(ds::INIT_IDX(h.ctx).ok());
    const std::string before = readFileBytes(h.file("pname.ntx"));

    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pname", "NAME+")});
    EXPECT_FALSE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_EQ(readFileBytes(h.file("pname.ntx")), before) << "the old file stays as it was";

    // After a pack the old index points at records that have moved.
    deletePeople({1});
    ds::IndexDefEntry packing = entry("PEOPLE", "people", "pname", "NAME+");
    packing.pack = true;
    writeIndexDef(h.dir(), {packing});
    EXPECT_FALSE(ds::INIT_IDX(h.ctx).ok());
    EXPECT_FALSE(fileExists(h.file("pname.ntx")));
}

// A screen's own index files over a shared table: built beside it, attached
// in the order given; one that cannot be built leaves its old file as it was.
TEST_F(IndexRebuildTest, ScreenOrderListIsBuiltBesideTheTableWholeOrNotAtAll) {
    rt::Session other;  // another workstation reading the table meanwhile
    rt::WorkArea& reader = other.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    reader.createOrder(h.file("byname.ntx"), "NAME");

    rt::WorkArea& people = h.session.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    ds::buildOrderList(people, {{"bycode", "CODE"}, {"byname", "UPPER(NAME)"}});
    EXPECT_EQ(people.orderCount(), 2);
    EXPECT_EQ(people.order(), 1);
    EXPECT_EQ(people.orderExpression(2), "UPPER(NAME)");
    EXPECT_TRUE(people.checkIntegrity().empty());
    EXPECT_TRUE(reader.checkIntegrity().empty()) << "the reader keeps its own, older file";

    const std::string before = readFileBytes(h.file("byname.ntx"));
    EXPECT_THROW(ds::buildOrderList(people, {{"bycode", "CODE"}, {"byname", "NAME+"}}), rt::DbError);
    EXPECT_EQ(people.orderCount(), 0);
    EXPECT_EQ(readFileBytes(h.file("byname.ntx")), before);
    EXPECT_FALSE(fileExists(h.file("byname.ntx.tmp")));
    other.closeAll();
}

TEST_F(IndexRebuildTest, BusyTableIsSkippedAfterTheOpeningMessageAndTheOthersAreBuilt) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pcode", "CODE"), entry("OTHER", "other", "ocode", "CODE")});
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Shared));
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_EQ(r.skipped, std::vector<std::string>{"PEOPLE"});
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Unable to Open (DBF) people. Another workstation is using it, "
                                                        "and this work needs it to itself.  Try Again Later!"});
    EXPECT_EQ(h.sleeper.count(), 11);
    EXPECT_FALSE(fileExists(h.file("pcode.ntx")));
    EXPECT_TRUE(fileExists(h.file("ocode.ntx")));
}

TEST_F(IndexRebuildTest, ADamagedTableWithSeveralIndexesIsToldAndSkippedOnce) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pcode", "CODE"), entry("PEOPLE", "people", "pname", "NAME"),
                            entry("PEOPLE", "people", "page", "STR(AGE,3)"), entry("OTHER", "other", "ocode", "CODE")});
    writeFileBytes(h.file("people.dbf"), "not a table");
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_EQ(r.skipped, std::vector<std::string>{"PEOPLE"});
    ASSERT_EQ(h.sink.alerts().size(), 1u);
    EXPECT_NE(h.sink.alerts()[0].find("people.dbf is damaged"), std::string::npos) << h.sink.alerts()[0];
    EXPECT_TRUE(fileExists(h.file("ocode.ntx")));
}

TEST_F(IndexRebuildTest, IndexdefHeldElsewhereChangesNothing) {
    writeIndexDef(h.dir(), {entry("PEOPLE", "people", "pcode", "CODE")});
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("indexdef.dbf"), rt::OpenMode::Shared));
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_FALSE(r.indexdefAvailable);
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Indexdef Data file Not Available.  Try again later."});
    EXPECT_EQ(h.sleeper.count(), 2);
    EXPECT_FALSE(fileExists(h.file("indexdef.ntx")));
    EXPECT_FALSE(fileExists(h.file("pcode.ntx")));
}

TEST_F(IndexRebuildTest, MissingIndexdefGivesTheSameMessageWithTheFolderAndHowToCreateADataSet) {
    ds::RebuildReport r = ds::INIT_IDX(h.ctx);
    EXPECT_FALSE(r.indexdefAvailable);
    const std::string& folder = h.dir();
    EXPECT_EQ(h.sink.alerts(), std::vector<std::string>{"Indexdef Data file Not Available.  Try again later. There is no "
                                                        "data set in " + folder + ": indexdef.dbf does not exist. "
                                                        "mxadmin init " + folder + " creates one."});
}

}  // namespace
}  // namespace mx::test
