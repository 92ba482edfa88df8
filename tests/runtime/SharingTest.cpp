// Several processes on the same files: sharing modes, record locks, many
// stations appending and updating at once, and a station killed mid-append.
// Children open their own files after fork (an inherited descriptor would
// share the parent's whole-file lock) and report through their exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <set>
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

// A filtered walk on a shared table: each move passes over many hidden
// records, holding the index's read lock and reading records in blocks
// while it does, yet another station's writes between two moves are what
// the next move finds: records ahead changed to pass or fail the filter
// (some in the block the last move read), deleted, appended; then again
// walking backwards. In record order, the ID order (the same sequence) and
// the name order (records scattered over the file).
class FilteredWalk : public ::testing::TestWithParam<int> {};

TEST_P(FilteredWalk, SeesWhatAnotherStationWritesBetweenItsMoves) {
    TempDir dir;
    const std::string path = makeTable(dir, 400);
    std::map<std::uint32_t, int> cnt;  // records whose CNT is not 0
    std::set<std::uint32_t> gone;      // deleted
    auto change = [&](WorkArea& b, std::uint32_t r, int value, bool erase = false) {
        b.goTo(r);
        if (!b.lock()) return false;
        b.setField("CNT", Value::numeric(value));
        if (erase) b.deleteRecord();
        b.unlock();
        return true;
    };
    auto openOrders = [&](WorkArea& b) {
        b.addOrder(dir.file("shared_id.ntx"));
        b.addOrder(dir.file("shared_name.ntx"));
        b.setOrder(0);
    };
    auto nameOf = [](std::uint32_t r) {  // as makeTable and the appends below name them
        std::string name = "N" + std::to_string(r <= 400 ? r % 37 : 99);
        name.resize(10, ' ');
        return name;
    };
    // The records the walk should land on, in the order's sequence.
    auto expected = [&](std::uint32_t records) {
        std::vector<std::pair<std::string, std::uint32_t>> keys;
        for (std::uint32_t r = 1; r <= records; ++r) {
            if (!cnt.count(r) || gone.count(r)) continue;
            char c[16];
            std::snprintf(c, sizeof c, "%8d", cnt[r]);
            keys.emplace_back(GetParam() == 2 ? nameOf(r) + c : std::string(), r);
        }
        std::sort(keys.begin(), keys.end());
        std::vector<std::uint32_t> out;
        for (const auto& k : keys) out.push_back(k.second);
        return out;
    };
    Session s;
    s.settings().deletedHidden = true;
    WorkArea& a = s.open(path, "T", OpenMode::Shared);
    openOrders(a);
    for (std::uint32_t r = 50; r <= 400; r += 50) {
        ASSERT_TRUE(change(a, r, 1));
        cnt[r] = 1;
    }
    a.setOrder(GetParam());
    a.setFilter("CNT > 0");
    a.goTop();
    std::vector<std::uint32_t> want = expected(400), seen;
    const std::uint64_t readsBefore = a.table().sharedFileReads();
    for (int i = 0; i < 3; ++i, a.skip()) seen.push_back(a.recno());
    ASSERT_EQ(seen, std::vector<std::uint32_t>(want.begin(), want.begin() + 3)) << "before any change";
    const std::uint32_t here = a.recno();
    ASSERT_EQ(here, want[3]);
    if (GetParam() != 2) {
        EXPECT_LE(a.table().sharedFileReads() - readsBefore, 12u) << "the moves read their records in blocks";
    }

    // Ahead of the walk: two records now pass (one of them next after the
    // current one, in the block the last move read), one passes no more,
    // one is deleted, two of three new ones pass. Behind it: one passes now
    // (not seen going on, seen going back).
    const std::uint32_t ahead = GetParam() == 2 ? here + 37 : here + 1;  // the name order: the same name
    std::uint32_t behind = want[0] - 1;
    if (GetParam() == 2)
        while (behind > 1 && (cnt.count(behind) || nameOf(behind) >= nameOf(want[0]))) --behind;
    const std::uint32_t fails = want.back(), erased = want[want.size() - 2];
    pid_t child = spawn([&] {
        Session other;
        WorkArea& b = other.open(path, "T", OpenMode::Shared);
        openOrders(b);
        bool ok = change(b, ahead, 2) && change(b, 333, 3) && change(b, fails, 0) && change(b, erased, 1, true) &&
                  change(b, behind, 4);
        for (int value : {5, 0, 6}) {
            if (!b.append()) return 1;
            b.setField("ID", Value::numeric(b.recno()));
            b.setField("NAME", Value::character("N99"));
            b.setField("CNT", Value::numeric(value));
            b.unlock();
        }
        return ok ? 0 : 2;
    });
    ASSERT_EQ(waitFor(child), 0);
    for (auto [r, v] : {std::pair{ahead, 2}, {333u, 3}, {behind, 4}, {401u, 5}, {403u, 6}}) cnt[r] = v;
    cnt.erase(fails);
    gone.insert(erased);

    want = expected(403);
    std::vector<std::uint32_t> rest;
    for (auto it = std::find(want.begin(), want.end(), here); it != want.end(); ++it) rest.push_back(*it);
    seen.clear();
    for (; !a.eof(); a.skip()) seen.push_back(a.recno());
    EXPECT_EQ(seen, rest);
    EXPECT_NE(std::find(rest.begin(), rest.end(), ahead), rest.end());
    EXPECT_EQ(std::find(rest.begin(), rest.end(), behind), rest.end());

    // Backwards from the end, after more changes: the walk back sees them too.
    child = spawn([&] {
        Session other;
        WorkArea& b = other.open(path, "T", OpenMode::Shared);
        openOrders(b);
        return change(b, 401, 0) && change(b, 399, 7) && change(b, 100, 0) ? 0 : 1;
    });
    ASSERT_EQ(waitFor(child), 0);
    cnt.erase(401);
    cnt.erase(100);
    cnt[399] = 7;
    want = expected(403);
    seen.clear();
    a.goBottom();
    for (; !a.bof(); a.skip(-1)) seen.push_back(a.recno());
    std::reverse(seen.begin(), seen.end());
    EXPECT_EQ(seen, want);
    EXPECT_NE(std::find(want.begin(), want.end(), behind), want.end());
}

const char* const kWalkOrders[] = {"RecordOrder", "IdOrder", "NameOrder"};
INSTANTIATE_TEST_SUITE_P(Orders, FilteredWalk, ::testing::Values(0, 1, 2),
                         [](const auto& info) { return std::string(kWalkOrders[info.param]); });
