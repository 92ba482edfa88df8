// RECLOCK against a record another process holds, in real time: the only
// slow tests (about 5 and 20 seconds). The other process opens its own files
// after fork; this process opens the table only after the child holds it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ChildHolder.h"
#include "DataStoreHarness.h"
#include "RecordServices.h"
#include "Sleeper.h"

namespace mx::test {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class RecordLockWait : public ::testing::Test {
protected:
    void SetUp() override { writePeople(h.file("people.dbf"), {"ANN", "BEN", "CAT"}); }

    Harness h;
    ds::SystemSleeper realTime;
    ds::DataContext ctx{h.session, h.sink, realTime, h.dir()};
};

TEST_F(RecordLockWait, RecordHeldForFiveSecondsIsLockedWhenReleased) {
    ChildHolder child;
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Shared, 2));
    const Clock::time_point start = Clock::now();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        child.release();
    });
    rt::WorkArea& a = h.session.open(h.file("people.dbf"), "PEOPLE");
    a.goTo(2);
    const bool locked = ds::RECLOCK(ctx, 2);
    const double waited = secondsSince(start);
    releaser.join();
    EXPECT_TRUE(locked);
    EXPECT_TRUE(a.isLocked(2));
    EXPECT_GE(waited, 4.9);
    EXPECT_LT(waited, 15.0) << "taken soon after the release, well before the budget ends";
    EXPECT_TRUE(h.sink.empty());
}

TEST_F(RecordLockWait, RecordHeldForAMinuteFailsAfterTheBudget) {
    ChildHolder child;  // holds until the test ends, well past the budget
    ASSERT_TRUE(child.start(h.file("people.dbf"), rt::OpenMode::Shared, 2));
    rt::WorkArea& a = h.session.open(h.file("people.dbf"), "PEOPLE");
    a.goTo(2);
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(ds::RECLOCK(ctx, 2));
    const double waited = secondsSince(start);
    EXPECT_GE(waited, 19.5) << "ten times the wait argument";
    EXPECT_LT(waited, 45.0);
    EXPECT_FALSE(a.isLocked(2));
    EXPECT_TRUE(h.sink.empty()) << "RECLOCK shows no message";
    // The other records stay free.
    a.goTo(3);
    EXPECT_TRUE(ds::RECLOCK(ctx, 2));
}

}  // namespace
}  // namespace mx::test
