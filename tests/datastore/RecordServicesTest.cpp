// RECLOCK, ADDREC and COPYREC: retry budgets against another process's
// locks, one record lock per work area, and copying by field name.
#include <gtest/gtest.h>

#include "ChildHolder.h"
#include "DataStoreHarness.h"
#include "RecordServices.h"

namespace mx::test {
namespace {

using rt::Value;

class RecordServicesTest : public ::testing::Test {
protected:
    void SetUp() override { writePeople(h.file("people.dbf"), {"ANN", "BEN", "CAT"}); }

    rt::WorkArea& openPeople() { return h.session.open(h.file("people.dbf"), "PEOPLE"); }

    Harness h;
};

TEST_F(RecordServicesTest, LockHeldElsewhereSpendsTheBudgetOrSucceedsWhenReleased) {
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Shared, 2));
    rt::WorkArea& a = openPeople();
    a.goTo(2);
    EXPECT_FALSE(ds::RECLOCK(h.ctx, 2));
    EXPECT_EQ(h.sleeper.count(), 100);
    EXPECT_NEAR(h.sleeper.total(), 20.0, 1e-9);
    EXPECT_TRUE(h.sink.empty()) << "RECLOCK shows no message";

    h.sleeper.reset();
    h.sleeper.onWait = [&](int waits) {
        if (waits == 25) child.release();
    };
    EXPECT_TRUE(ds::RECLOCK(h.ctx, 2));
    EXPECT_EQ(h.sleeper.count(), 25);
    EXPECT_TRUE(a.isLocked(2));
}

TEST_F(RecordServicesTest, LockingASecondRecordReleasesTheFirst) {
    rt::WorkArea& a = openPeople();
    a.goTo(1);
    ASSERT_TRUE(ds::RECLOCK(h.ctx, 2));
    a.goTo(2);
    ASSERT_TRUE(ds::RECLOCK(h.ctx, 2));
    EXPECT_FALSE(a.isLocked(1));

    // Another opener sees the same: record 1 free, record 2 taken.
    rt::Session other;
    rt::WorkArea& b = other.open(h.file("people.dbf"), "OTHER");
    b.goTo(1);
    EXPECT_TRUE(b.lock());
    b.goTo(2);
    EXPECT_FALSE(b.lock());
}

TEST_F(RecordServicesTest, AppendRefusedElsewhereShowsTheTimedBoxAfterTheBudget) {
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Shared, ChildHolder::kFileLock));
    rt::WorkArea& a = openPeople();
    EXPECT_FALSE(ds::ADDREC(h.ctx, 2));
    EXPECT_EQ(h.sleeper.count(), 100);
    ASSERT_EQ(h.sink.messages().size(), 1u);
    EXPECT_EQ(h.sink.messages()[0].kind, ds::RecordingSink::Kind::Timed);
    EXPECT_EQ(h.sink.messages()[0].text, "Unable to add record.");
    EXPECT_EQ(a.recordCount(), 3u);

    child.release();
    h.sink.clear();
    ASSERT_TRUE(ds::ADDREC(h.ctx, 2));
    EXPECT_EQ(a.recno(), 4u);
    EXPECT_TRUE(a.isLocked(4));
    EXPECT_TRUE(h.sink.empty());
}

TEST_F(RecordServicesTest, CopyrecCopiesSameNamedFieldsItCanHoldAndKeepsTheSelection) {
    rt::DbfTable::create(h.file("copy.dbf"),
                         {rt::charField("NAME", 5), rt::charField("AGE", 3), rt::charField("EXTRA", 4)});
    rt::WorkArea& people = openPeople();
    rt::WorkArea& copy = h.session.open(h.file("copy.dbf"), "COPY");
    h.session.select(people);
    people.goTo(2);

    ds::COPYREC(h.ctx, "people", "copy");
    EXPECT_EQ(h.session.selected(), &people);
    EXPECT_EQ(people.recno(), 2u);
    ASSERT_EQ(copy.recordCount(), 1u);
    copy.goTo(1);
    EXPECT_EQ(copy.fieldValue("NAME").str(), "BEN  ");
    EXPECT_EQ(copy.fieldValue("AGE").str(), "   ") << "a number does not go into a character field";
    EXPECT_EQ(copy.fieldValue("EXTRA").str(), "    ");
    EXPECT_FALSE(copy.isLocked(1)) << "unlocked after the copy";
}

}  // namespace
}  // namespace mx::test
