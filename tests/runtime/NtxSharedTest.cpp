// One NTX file used by several processes: reads and changes wait for another
// process's index write lock, cached pages and positions follow other
// processes' changes through the version counter, and concurrent writers
// leave a consistent tree. Children open their own File after fork and
// report through their exit status.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "Error.h"
#include "File.h"
#include "NtxIndex.h"
#include "TestUtil.h"

namespace mx::rt {
namespace {

using mx::test::TempDir;

template <typename Fn>
int runChild(Fn fn, const std::function<void()>& meanwhile = [] {}) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = fn();
        } catch (...) {
        }
        ::_exit(rc);
    }
    meanwhile();
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string key(int n, int size = 100) {  // "K00042" blank-padded; size 100 gives 8 keys a page
    char buf[16];
    std::snprintf(buf, sizeof buf, "K%05d", n);
    std::string k = n < 0 ? "A" : buf;
    k.resize(std::size_t(size), ' ');
    return k;
}

// Keys K00000, K00002, ... on records 1..count.
std::string makeIndex(const TempDir& dir, int count, int keySize = 100) {
    NtxKeyBatch batch;
    for (int r = 1; r <= count; ++r) {
        const std::string k = key(2 * (r - 1), keySize);
        batch.keys.insert(batch.keys.end(), k.begin(), k.end());
        batch.recnos.push_back(std::uint32_t(r));
    }
    NtxIndex::build(File::create(dir.file("s.ntx")), NtxCreateInfo{"NAME", keySize, 0, false, ""}, std::move(batch));
    return dir.file("s.ntx");
}

std::unique_ptr<NtxIndex> openShared(const std::string& path) { return NtxIndex::open(File::open(path, OpenMode::Shared, false)); }

TEST(NtxShared, ReadsAndChangesWaitForAnotherProcesssWriteLock) {
    TempDir dir;
    const std::string path = makeIndex(dir, 100, 20);
    int fd = ::open(path.c_str(), O_RDWR);  // a descriptor of our own holds the index write lock
    struct flock fl{};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 1000000000;
    fl.l_len = 1;
    ASSERT_EQ(::fcntl(fd, F_SETLKW, &fl), 0);
    const int rc = runChild(
        [&] {
            auto ix = openShared(path);
            const auto start = std::chrono::steady_clock::now();
            const bool ok = ix->first()->recno == 1;
            ix->insert(key(-1, 20), 500);
            return ok && std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(300) ? 0 : 1;
        },
        [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            EXPECT_EQ(mx::test::readFileBytes(path)[2], 1) << "changed under our lock";
            fl.l_type = F_UNLCK;
            ::fcntl(fd, F_SETLK, &fl);
            ::close(fd);
        });
    EXPECT_EQ(rc, 0);
    auto ix = openShared(path);
    EXPECT_EQ(ix->version(), 2);
    EXPECT_EQ(ix->first()->recno, 500u);
}

// A read held across several calls (one move of a cursor over many
// entries): another process's change waits until it is released, a change
// of our own inside it is refused, and the first call after it sees the
// other process's change.
TEST(NtxShared, AHeldReadKeepsAnotherProcesssChangeWaitingUntilReleased) {
    TempDir dir;
    const std::string path = makeIndex(dir, 100, 20);
    auto ix = openShared(path);
    ix->holdRead();
    auto at = ix->first();
    ASSERT_TRUE(at && ix->advance(*at));
    EXPECT_THROW(ix->insert(key(-1, 20), 500), DbError);
    const int rc = runChild(
        [&] {
            auto other = openShared(path);
            other->insert(key(-1, 20), 500);
            return 0;
        },
        [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EXPECT_EQ(mx::test::readFileBytes(path)[2], 1) << "changed while the read was held";
            EXPECT_EQ(ix->next(*at)->recno, 3u);
            ix->releaseRead();
        });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ix->first()->recno, 500u);
    EXPECT_EQ(ix->keyCount(), 101u);
}

TEST(NtxShared, ReadersFollowAnotherProcesssChanges) {
    TempDir dir;
    const std::string path = makeIndex(dir, 300);
    auto ix = openShared(path);
    ASSERT_EQ(ix->keyCount(), 300u);
    const auto at = ix->seekFirst(key(100));
    ASSERT_EQ(ix->next(*at)->key, key(102));  // cached pages and a kept path
    const std::uint16_t version = ix->version();
    ASSERT_EQ(runChild([&] {
                  auto other = openShared(path);
                  other->insert(key(101), 1000);  // right after `at`
                  other->insert(key(-1), 1001);   // first
                  return other->remove(key(0), 1) ? 0 : 1;
              }),
              0);
    EXPECT_EQ(ix->next(*at)->recno, 1000u);
    EXPECT_EQ(ix->first()->recno, 1001u);
    EXPECT_EQ(ix->keyCount(), 301u);
    EXPECT_EQ(ix->keyPosition(*at), 51u);
    EXPECT_EQ(ix->version(), std::uint16_t(version + 3));
}

// The scroll-bar figures after another process's changes: at first the
// counts from before stand in (no page of the tree is read again for them,
// so a page move stays cheap), within a few dozen calls they are exact
// again, our own changes count at once, and a position never leaves 1 .. count.
TEST(NtxShared, ApproximateCountsLagBehindAnotherProcessThenCatchUp) {
    TempDir dir;
    const std::string path = makeIndex(dir, 3000);  // about 400 pages
    auto ix = openShared(path);
    const auto at = ix->seekFirst(key(4000));
    ASSERT_EQ(ix->approxKeyCount(), 3000u);
    ASSERT_EQ(ix->approxKeyPosition(*at), 2001u);
    ASSERT_EQ(runChild([&] {
                  auto other = openShared(path);
                  for (int n = 1; n < 1000; n += 2) other->insert(key(n), 5000 + std::uint32_t(n));  // all before `at`
                  return 0;
              }),
              0);
    EXPECT_EQ(ix->approxKeyCount(), 3000u) << "the count from before stands in";
    const std::uint32_t lagging = ix->approxKeyPosition(*at);
    EXPECT_GE(lagging, 2001u);
    EXPECT_LE(lagging, ix->approxKeyCount());
    ix->insert(key(-1), 9000);  // our own change counts at once
    EXPECT_EQ(ix->approxKeyCount(), 3001u);
    for (int call = 0; call < 60 && ix->approxKeyCount() != 3501u; ++call) ix->approxKeyPosition(*at);
    EXPECT_EQ(ix->approxKeyCount(), 3501u) << "recounted within a few dozen calls";
    EXPECT_EQ(ix->approxKeyPosition(*at), 2502u);
    EXPECT_EQ(ix->keyPosition(*at), 2502u);
    EXPECT_EQ(ix->keyCount(), 3501u);
    EXPECT_EQ(ix->approxKeyPosition(NtxEntry{key(4001), 1}), 0u) << "an entry that is not there";
}

TEST(NtxShared, ConcurrentWritersKeepTheTreeConsistent) {
    TempDir dir;
    const std::string path = makeIndex(dir, 50);
    auto writer = [&](std::uint32_t base) {  // 300 odd keys between the built ones, every third removed again
        auto ix = openShared(path);
        for (int i = 0; i < 300; ++i) {
            ix->insert(key(i * 37 % 101 * 2 + 1), base + i);
            if (i % 3 == 0) ix->remove(key(i * 37 % 101 * 2 + 1), base + i);
        }
        return 0;
    };
    EXPECT_EQ(runChild([&] { return writer(10000); }, [&] { EXPECT_EQ(runChild([&] { return writer(20000); }), 0); }), 0);
    auto ix = openShared(path);
    EXPECT_EQ(ix->version(), 1 + 2 * 400);
    std::uint32_t n = 0;
    std::string prev;
    ix->walk([&](const NtxEntry& e) {
        EXPECT_LE(prev, e.key);
        prev = e.key;
        return ++n;
    });
    EXPECT_EQ(n, 50u + 2 * 200);
    for (std::uint32_t base : {10000u, 20000u})
        for (int i = 1; i < 300; i += 3) EXPECT_TRUE(ix->find(key(i * 37 % 101 * 2 + 1), base + i)) << base + i;
}

}  // namespace
}  // namespace mx::rt
