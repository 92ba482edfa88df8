// Several processes on the same files: sharing modes, record locks, many
// stations appending and updating at once, and a station killed mid-append.
// Children open their own files after fork (an inherited descriptor would
// share the parent's whole-file lock) and report through their exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "DbfTable.h"
#include "NumberFormat.h"
#include "Error.h"
#include "Session.h"
#include "TestUtil.h"

using namespace mx::rt;
using mx::test::TempDir;

namespace {

// Runs fn in a child process; returns its exit status (fn's result), 99 on an exception.
template <typename Fn>
pid_t spawn(Fn fn) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = fn();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child process: %s\n", e.what());
        } catch (...) {
        }
        ::_exit(rc);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A one-byte signal between processes.
struct Pipe {
    int fd[2];
    Pipe() { EXPECT_EQ(::pipe(fd), 0); }
    ~Pipe() {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    void send() { EXPECT_EQ(::write(fd[1], "x", 1), 1); }
    void receive() {
        char c;
        EXPECT_EQ(::read(fd[0], &c, 1), 1);
    }
};

std::string makeTable(const TempDir& dir, int records) {
    std::string path = dir.file("shared.dbf");
    DbfTable::create(path, {numField("ID", 8), numField("CNT", 8), charField("NAME", 10)});
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Exclusive);
    for (int i = 1; i <= records; ++i) {
        a.append();
        a.setField("ID", Value::numeric(i));
        a.setField("CNT", Value::numeric(0));
        a.setField("NAME", Value::character("N" + std::to_string(i % 37)));
    }
    a.createOrder(dir.file("shared_id.ntx"), "STR(ID,8)");
    a.createOrder(dir.file("shared_name.ntx"), "UPPER(NAME)+STR(CNT,8)");
    return path;
}

}  // namespace

TEST(Sharing, ExclusiveAndSharedOpensExcludeEachOther) {
    TempDir dir;
    std::string path = makeTable(dir, 3);
    Pipe ready, done;
    for (OpenMode parentMode : {OpenMode::Shared, OpenMode::Exclusive}) {
        Session s;
        s.open(path, "T", parentMode);
        pid_t child = spawn([&] {
            Session cs;
            try {
                cs.open(path, "T", parentMode == OpenMode::Shared ? OpenMode::Exclusive : OpenMode::Shared);
                return 1;
            } catch (const DbError& e) {
                return e.kind() == ErrorKind::Busy ? 0 : 2;
            }
        });
        EXPECT_EQ(waitFor(child), 0) << "the other mode was not refused";
        s.closeAll();
        // Once closed, the other process gets its way.
        pid_t after = spawn([&] {
            Session cs;
            cs.open(path, "T", OpenMode::Exclusive);
            return 0;
        });
        EXPECT_EQ(waitFor(after), 0);
    }
}

TEST(Sharing, RecordLocksHoldAgainstOtherProcessesUntilReleased) {
    TempDir dir;
    std::string path = makeTable(dir, 5);
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Shared);
    a.goTo(2);
    ASSERT_TRUE(a.lock());
    Pipe childChecked, parentUnlocked;
    pid_t child = spawn([&] {
        Session cs;
        WorkArea& c = cs.open(path, "T", OpenMode::Shared);
        c.goTo(2);
        int bad = 0;
        if (c.lock()) bad |= 1;          // held by the parent
        if (c.lockFile()) bad |= 2;      // a file lock conflicts with any record lock
        c.goTo(3);
        if (!c.lock()) bad |= 4;         // another record is free
        // Writing without the lock is refused.
        c.goTo(2);
        try {
            c.setField("CNT", Value::numeric(5));
            bad |= 8;
        } catch (const DbError& e) {
            if (e.kind() != ErrorKind::LockRequired) bad |= 8;
        }
        childChecked.send();
        parentUnlocked.receive();
        c.goTo(2);
        if (!c.lock()) bad |= 16;
        c.setField("CNT", Value::numeric(7));
        c.unlock();
        return bad;
    });
    childChecked.receive();
    // Locking the next record releases the first one (one lock per area).
    a.goTo(4);
    ASSERT_TRUE(a.lock());
    EXPECT_FALSE(a.isLocked(2));
    parentUnlocked.send();
    EXPECT_EQ(waitFor(child), 0);
    a.goTo(2);
    EXPECT_EQ(a.fieldValue("CNT").num(), 7) << "the other station's change is read again";
}

TEST(Sharing, ManyStationsAppendAndUpdateWithoutLosingAnything) {
    TempDir dir;
    const int initial = 200, stations = 4, opsPerStation = 800;
    std::string path = makeTable(dir, initial);
    std::vector<pid_t> children;
    for (int st = 0; st < stations; ++st) {
        children.push_back(spawn([&, st] {
            std::mt19937 rng(static_cast<unsigned>(st * 7919 + 1));
            Session s;
            WorkArea& a = s.open(path, "T", OpenMode::Shared);
            a.addOrder(dir.file("shared_id.ntx"));
            a.addOrder(dir.file("shared_name.ntx"));
            int increments = 0, appends = 0;
            for (int op = 0; op < opsPerStation; ++op) {
                if (rng() % 4 == 0) {
                    while (!a.append()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    a.setField("ID", Value::numeric(1000000 + st * 10000 + appends));
                    a.setField("CNT", Value::numeric(0));
                    a.setField("NAME", Value::character("S" + std::to_string(st)));
                    a.unlock();
                    ++appends;
                } else {
                    // Find a record through the index, lock it, bump its counter.
                    a.setOrder(1);
                    std::uint32_t id = 1 + rng() % initial;
                    if (!a.seek(Value::character(formatNumber(id, 8, 0)))) return 10;
                    while (!a.lock()) std::this_thread::sleep_for(std::chrono::microseconds(200));
                    double cnt = a.fieldValue("CNT").num();
                    a.setField("CNT", Value::numeric(cnt + 1));
                    a.setField("NAME", Value::character("U" + std::to_string(rng() % 50)));
                    a.unlock();
                    ++increments;
                }
            }
            // Report through a small file: "increments appends".
            std::string report = std::to_string(increments) + " " + std::to_string(appends);
            mx::test::writeFileBytes(dir.file("report" + std::to_string(st)), report);
            return 0;
        }));
    }
    for (pid_t c : children) ASSERT_EQ(waitFor(c), 0);
    long increments = 0, appends = 0;
    for (int st = 0; st < stations; ++st) {
        std::string r = mx::test::readFileBytes(dir.file("report" + std::to_string(st)));
        increments += std::stol(r.substr(0, r.find(' ')));
        appends += std::stol(r.substr(r.find(' ') + 1));
    }
    EXPECT_EQ(increments + appends, stations * opsPerStation);
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Shared);
    a.addOrder(dir.file("shared_id.ntx"));
    a.addOrder(dir.file("shared_name.ntx"));
    EXPECT_EQ(a.recordCount(), static_cast<std::uint32_t>(initial + appends));
    long sum = 0;
    for (std::uint32_t r = 1; r <= a.recordCount(); ++r) {
        a.goTo(r);
        sum += static_cast<long>(a.fieldValue("CNT").num());
    }
    EXPECT_EQ(sum, increments) << "an update was lost";
    auto problems = a.checkIntegrity();
    EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST(Sharing, StationKilledMidAppendLeavesAReadableTable) {
    TempDir dir;
    std::string path = makeTable(dir, 10);
    pid_t child = spawn([&] {
        Session s;
        WorkArea& a = s.open(path, "T", OpenMode::Shared);
        a.addOrder(dir.file("shared_id.ntx"));
        a.addOrder(dir.file("shared_name.ntx"));
        for (int i = 0;; ++i) {
            a.append();
            a.setField("ID", Value::numeric(100 + i));
            a.setField("NAME", Value::character("K"));
            a.unlock();
        }
        return 0;
    });
    // Let it append a while, then kill it without warning.
    for (int i = 0; i < 400; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (std::filesystem::file_size(path) > 98 + 27 * 300) break;
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Exclusive);
    std::uint32_t n = a.recordCount();
    EXPECT_GT(n, 10u);
    for (std::uint32_t r = 1; r <= n; ++r) {
        a.goTo(r);
        ASSERT_FALSE(a.eof());
        a.fieldValue("ID");
    }
    a.createOrder(dir.file("shared_id.ntx"), "STR(ID,8)");
    a.createOrder(dir.file("shared_name.ntx"), "UPPER(NAME)+STR(CNT,8)");
    auto problems = a.checkIntegrity();
    EXPECT_TRUE(problems.empty()) << problems.front();
}

// A walk in record order is bounded by the records it has seen, and learns of
// the ones another station appends once it gets past them; deleted records
// appended meanwhile stay hidden.
TEST(Sharing, AWalkInRecordOrderReachesWhatAnotherStationAppends) {
    TempDir dir;
    std::string path = makeTable(dir, 3);
    Session s;
    s.settings().deletedHidden = true;
    WorkArea& a = s.open(path, "T", OpenMode::Shared);
    a.goTop();
    a.skip();
    a.skip();
    ASSERT_EQ(a.recno(), 3u);
    Pipe done;
    pid_t child = spawn([&] {
        Session other;
        WorkArea& b = other.open(path, "T", OpenMode::Shared);
        for (int id = 4; id <= 6; ++id) {
            while (!b.append()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            b.setField("ID", Value::numeric(id));
            if (id == 5) b.deleteRecord();
            b.unlock();
        }
        done.send();
        return 0;
    });
    done.receive();
    ASSERT_EQ(waitFor(child), 0);
    a.skip();
    ASSERT_FALSE(a.eof());
    EXPECT_EQ(a.fieldValue("ID").num(), 4);
    a.skip();
    ASSERT_FALSE(a.eof());
    EXPECT_EQ(a.fieldValue("ID").num(), 6) << "the deleted record 5 is hidden";
    a.skip();
    EXPECT_TRUE(a.eof());
}

// A walk in index order on a shared table reads every record as it lands on
// it: what another station wrote to records ahead of the walk, and to the one
// it stands on, is what the walk reads, however many records it read before
// (an exclusive table's read cache must not leak into shared mode).
TEST(Sharing, AWalkInIndexOrderReadsWhatAnotherStationWroteAheadOfIt) {
    TempDir dir;
    std::string path = makeTable(dir, 400);
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Shared);
    a.addOrder(dir.file("shared_id.ntx"));
    a.setOrder(1);
    a.goTop();
    for (int i = 1; i < 200; ++i) {
        EXPECT_EQ(a.fieldValue("CNT").num(), 0);
        a.skip();
    }
    ASSERT_EQ(a.fieldValue("ID").num(), 200);
    Pipe done;
    pid_t child = spawn([&] {
        Session other;
        WorkArea& b = other.open(path, "T", OpenMode::Shared);
        // Every record from the current one on, and one the walk has passed.
        for (std::uint32_t r : {200u, 201u, 250u, 399u, 400u, 17u}) {
            b.goTo(r);
            if (!b.lock()) return 1;
            b.setField("CNT", Value::numeric(static_cast<double>(r)));
            b.setField("NAME", Value::character("CHANGED"));
            b.unlock();
        }
        done.send();
        return 0;
    });
    done.receive();
    ASSERT_EQ(waitFor(child), 0);
    // The record under the cursor was read before the change; reading it
    // again (a skip of 0, as a refresh does) shows it.
    a.skip(0);
    EXPECT_EQ(a.fieldValue("CNT").num(), 200);
    int changed = 0;
    for (a.skip(); !a.eof(); a.skip()) {
        const auto id = static_cast<std::uint32_t>(a.fieldValue("ID").num());
        const bool want = id == 201 || id == 250 || id == 399 || id == 400;
        EXPECT_EQ(a.fieldValue("CNT").num(), want ? id : 0) << "record " << id;
        if (want) {
            EXPECT_EQ(std::string(a.fieldBytes(a.table().fieldIndex("NAME"))), "CHANGED   ");
            ++changed;
        }
    }
    EXPECT_EQ(changed, 4);
    a.goTop();
    a.skip(16);
    EXPECT_EQ(a.fieldValue("CNT").num(), 17) << "a record walked past is read again when visited again";
}
