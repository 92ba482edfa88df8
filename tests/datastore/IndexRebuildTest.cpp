// The index rebuild: record order, NOINDEX (present or not), PACK,
// ZAPONINIT, busy tables and a key expression that cannot be evaluated.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

#include "ChildHolder.h"
#include "Error.h"
#include "DataStoreHarness.h"
#include "IndexRebuild.h"
#include "Opening.h"
#include "RecordServices.h"

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

// The order list of a table several workstations keep open and change:
// a file another one has open is shared, so the changes of both reach the
// one file on disk; one that no one has, or that was built on another key,
// is built afresh; a workstation's own sort always is.
TEST_F(IndexRebuildTest, SharedOrderListAttachesFilesOthersHaveOpenAndBuildsTheRest) {
    auto inode = [this](const char* name) {
        struct stat st{};
        return ::stat(h.file(name).c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const std::vector<ds::IndexFileSpec> standard{{"bycode", "CODE"}, {"byname", "NAME"}};
    rt::WorkArea& first = h.session.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    ds::openSharedOrderList(h.ctx, first, standard);
    const auto byCode = inode("bycode.ntx"), byName = inode("byname.ntx");

    rt::Session other;
    ds::RecordingSleeper otherSleeper;
    ds::DataContext otherCtx{other, h.sink, otherSleeper, h.dir()};
    rt::WorkArea& second = other.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    ds::openSharedOrderList(otherCtx, second, standard, {{"byage", "AGE"}});
    EXPECT_EQ(inode("bycode.ntx"), byCode);
    EXPECT_EQ(inode("byname.ntx"), byName);
    EXPECT_EQ(second.orderCount(), 3);
    EXPECT_EQ(second.order(), 3) << "the workstation's own sort controls";

    // A change on the first workstation reaches the file the second reads.
    first.goTo(1);
    ASSERT_TRUE(first.lock());
    first.setField("NAME", rt::Value::character("AARON"));
    first.unlock();
    second.setOrder(2);
    EXPECT_TRUE(second.seek(rt::Value::character("AARON"), false));
    EXPECT_EQ(second.recno(), 1u);
    EXPECT_TRUE(second.checkIntegrity().empty());

    // Asked on another key, a held file is built afresh all the same.
    rt::Session third;
    ds::DataContext thirdCtx{third, h.sink, h.sleeper, h.dir()};
    rt::WorkArea& upper = third.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    ds::openSharedOrderList(thirdCtx, upper, {{"bycode", "CODE"}, {"byname", "UPPER(NAME)"}});
    EXPECT_EQ(inode("bycode.ntx"), byCode);
    EXPECT_NE(inode("byname.ntx"), byName);
    third.closeAll();

    // No one else has them open: built afresh.
    other.closeAll();
    ds::openSharedOrderList(h.ctx, first, standard);
    EXPECT_NE(inode("bycode.ntx"), byCode);
    EXPECT_TRUE(first.checkIntegrity().empty());
    EXPECT_EQ(h.sleeper.count(), 0);
}

TEST_F(IndexRebuildTest, SharedOrderListWaitsForAnotherWorkstationsBuild) {
    rt::WorkArea& people = h.session.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    rt::Session other;
    rt::WorkArea& building = other.open(h.file("people.dbf"), "", rt::OpenMode::Shared);
    ds::DataContext otherCtx{other, h.sink, h.sleeper, h.dir()};
    auto lock = std::make_unique<ds::TableStepLock>(otherCtx, building, ds::TableStepLock::Step::OrderBuild, 2);
    ASSERT_TRUE(lock->held());
    // Record locks are no part of it: the table's records stay lockable.
    people.goTo(1);
    EXPECT_TRUE(people.lock());
    people.unlock();

    h.sleeper.onWait = [&lock](int waits) {
        if (waits == 5) lock.reset();  // the other build ends
    };
    ds::openSharedOrderList(h.ctx, people, {{"bycode", "CODE"}});
    EXPECT_EQ(h.sleeper.count(), 5);
    EXPECT_EQ(people.orderCount(), 1);

    lock = std::make_unique<ds::TableStepLock>(otherCtx, building, ds::TableStepLock::Step::OrderBuild, 2);
    h.sleeper.onWait = nullptr;
    h.sleeper.reset();
    EXPECT_THROW(ds::openSharedOrderList(h.ctx, people, {{"bycode", "CODE"}}), rt::DbError);
    EXPECT_EQ(h.sleeper.count(), 100);
    EXPECT_EQ(people.orderCount(), 0);
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
