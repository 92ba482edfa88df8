// The read cache of exclusively held tables: reads through a small cache
// against the file's bytes while the owner writes and appends, what it costs
// in file reads for near and scattered reads, and a table cut short behind
// the cache's back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>

#include "BlockCache.h"
#include "DbfTable.h"
#include "Error.h"
#include "File.h"
#include "Session.h"
#include "TestUtil.h"

using namespace mx::rt;
using mx::test::TempDir;

namespace {

constexpr std::size_t kBlock = BlockCache::kBlockSize;

std::string randomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

// The bytes a read of n at offset gives from the model of the file.
std::string expected(const std::string& model, std::uint64_t offset, std::size_t n) {
    if (offset >= model.size()) return {};
    return model.substr(static_cast<std::size_t>(offset), n);
}

}  // namespace

// A cache of 3 blocks reads one block a miss; one of 40 reads 64 KiB a miss
// while it has room (blocks it already holds keep their copies), then one
// block, as it fills.
class CacheSize : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CacheSize, ReadsGiveTheFilesBytesWhileTheOwnerWritesAndAppends) {
    TempDir dir;
    const std::string path = dir.file("f.bin");
    std::mt19937 rng(11);
    std::string model = randomBytes(rng, 12 * kBlock + 123);  // ends inside a block
    auto file = File::create(path);
    file->writeAt(0, model.data(), model.size());
    const std::size_t size = GetParam();
    BlockCache cache(size);
    std::string buf;
    for (int step = 0; step < 20000; ++step) {
        const int what = static_cast<int>(rng() % 10);
        if (what < 7) {
            // Reads of records, across block boundaries, past the end, and long ones.
            const std::uint64_t offset = rng() % (model.size() + 200);
            const std::size_t n = rng() % 8 == 0 ? 1 + rng() % (3 * kBlock) : 1 + rng() % 300;
            buf.assign(n, '\0');
            const std::size_t got = cache.read(*file, offset, buf.data(), n);
            buf.resize(got);
            ASSERT_EQ(buf, expected(model, offset, n)) << "step " << step << " offset " << offset << " n " << n;
            ASSERT_LE(cache.blocks(), size);
        } else if (what < 9) {
            // Our own write inside the file, sometimes over two blocks.
            const std::size_t n = 1 + rng() % 200;
            const std::uint64_t offset = rng() % (model.size() - n);
            const std::string bytes = randomBytes(rng, n);
            file->writeAt(offset, bytes.data(), n);
            cache.written(offset, bytes.data(), n);
            model.replace(static_cast<std::size_t>(offset), n, bytes);
        } else {
            // An append: the last block, read short before, grows.
            const std::string bytes = randomBytes(rng, 1 + rng() % 700);
            file->writeAt(model.size(), bytes.data(), bytes.size());
            cache.written(model.size(), bytes.data(), bytes.size());
            model += bytes;
            if (model.size() > 40 * kBlock) {
                // Cut back as a pack would, and tell the cache.
                model.resize(10 * kBlock + 7);
                file->truncate(model.size());
                cache.clear();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BlockCache, CacheSize, ::testing::Values(3, 40));

TEST(BlockCache, NearReadsShareOneFileReadAndScatteredOnesOverABigFileReadOnlyWhatIsAsked) {
    TempDir dir;
    const std::string path = dir.file("f.bin");
    std::mt19937 rng(5);
    const std::string model = randomBytes(rng, 256 * kBlock);
    auto file = File::create(path);
    file->writeAt(0, model.data(), model.size());

    // 59-byte records one after another: one file read a block.
    {
        BlockCache cache(8);
        char rec[59];
        for (std::uint64_t off = 0; off + sizeof rec <= 16 * kBlock; off += sizeof rec)
            ASSERT_EQ(cache.read(*file, off, rec, sizeof rec), sizeof rec);
        EXPECT_EQ(cache.fileReads(), 16u);
    }
    // With room for them, 64 KiB a read: the 64 blocks in 4 reads, whichever
    // block of a group is read first.
    {
        BlockCache cache(1024);
        char rec[59];
        for (std::uint64_t off = 0; off + sizeof rec <= 64 * kBlock; off += sizeof rec) {
            const std::uint64_t at = (off / kBlock) % 16 == 0 ? off + 5 * kBlock : off;  // jumps ahead in each group
            ASSERT_EQ(cache.read(*file, at, rec, sizeof rec), sizeof rec);
            ASSERT_EQ(std::string(rec, sizeof rec), model.substr(at, sizeof rec));
        }
        EXPECT_EQ(cache.fileReads(), 4u);
        EXPECT_EQ(cache.blocks(), 64u);
    }
    // Scattered over a file 32 times the cache: once the cache is full and
    // barely hits, a miss reads the record alone (one read, nothing cached);
    // near reads afterwards are cached again within a few windows.
    BlockCache cache(8);
    char rec[59];
    const auto scattered = [&](int reads) {
        for (int i = 0; i < reads; ++i) {
            const std::uint64_t off = rng() % (model.size() - sizeof rec);
            ASSERT_EQ(cache.read(*file, off, rec, sizeof rec), sizeof rec);
            ASSERT_EQ(std::string(rec, sizeof rec), model.substr(off, sizeof rec));
        }
    };
    scattered(3 * static_cast<int>(BlockCache::kWindow));
    EXPECT_EQ(cache.blocks(), 8u);
    const std::uint64_t before = cache.fileReads();
    scattered(static_cast<int>(BlockCache::kWindow));
    EXPECT_GE(cache.fileReads() - before, BlockCache::kWindow * 9 / 10) << "one read a miss";
    const auto nearReads = [&](std::uint32_t reads) {
        for (std::uint32_t i = 0; i < reads; ++i) {
            const std::uint64_t off = (i % (4 * kBlock / sizeof rec)) * sizeof rec;
            ASSERT_EQ(cache.read(*file, off, rec, sizeof rec), sizeof rec);
        }
    };
    nearReads(9 * BlockCache::kWindow);
    const std::uint64_t near = cache.fileReads();
    nearReads(2 * BlockCache::kWindow);
    EXPECT_LE(cache.fileReads() - near, 4u) << "near reads are cached again";
}

TEST(BlockCache, AnExclusiveTableCutShortBehindItsBackGivesAnErrorNamingTheFile) {
    TempDir dir;
    const std::string dbf = dir.file("t.dbf");
    DbfTable::create(dbf, {charField("CODE", 10), charField("PAD", 50)});
    {
        Session s;
        WorkArea& a = s.open(dbf, "T", OpenMode::Exclusive);
        for (int i = 1; i <= 3000; ++i) {
            a.append();
            a.setField(0, Value::character(std::to_string(i)));
        }
    }
    Session s;
    WorkArea& a = s.open(dbf, "T", OpenMode::Exclusive);
    a.goTo(2);
    EXPECT_EQ(a.fieldValue("CODE").str(), "2         ");
    // Changes of our own are read back through the cache.
    a.setField(0, Value::character("CHANGED"));
    a.commit();
    a.goTo(2999);
    a.fieldValue("CODE");
    a.goTo(2);
    EXPECT_EQ(a.fieldValue("CODE").str(), "CHANGED   ");
    // Another program cuts the file after record 100; record 1500 lies in
    // none of the 64 KiB the reads above brought into the cache.
    ASSERT_EQ(::truncate(dbf.c_str(), a.table().headerLength() + 100 * a.table().recordLength()), 0);
    a.goTo(1500);
    try {
        a.fieldValue("CODE");
        FAIL() << "a record beyond the cut was read";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Corrupt);
        EXPECT_NE(std::string(e.what()).find("t.dbf"), std::string::npos) << e.what();
    }
}
