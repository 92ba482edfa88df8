// NTX trees under random changes, checked against a sorted-vector model
// (equal keys in insertion order): order, counts, positions, navigation and
// seeks after every batch, the same after reopening, and no page lost; plus
// the bulk build's sort, unique and empty indexes, and long skips.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "Error.h"
#include "File.h"
#include "NtxIndex.h"
#include "TestUtil.h"

namespace mx::rt {
namespace {

using mx::test::readFileBytes;
using mx::test::TempDir;

bool same(const std::optional<NtxEntry>& a, const NtxEntry* b) {
    return a && b ? a->key == b->key && a->recno == b->recno : !a && !b;
}

struct Model {
    bool desc;
    std::vector<NtxEntry> v;  // index order
    int cmp(const std::string& key, const std::string& prefix) const {  // over prefix.size() bytes
        int c = key.compare(0, prefix.size(), prefix);
        return desc ? -c : c;
    }
    void insert(const std::string& key, std::uint32_t recno) {  // after all equal keys
        auto it = std::find_if(v.begin(), v.end(), [&](const NtxEntry& e) { return cmp(e.key, key) > 0; });
        v.insert(it, NtxEntry{key, recno});
    }
    void remove(const std::string& key, std::uint32_t recno) {
        v.erase(std::find_if(v.begin(), v.end(), [&](const NtxEntry& e) { return e.key == key && e.recno == recno; }));
    }
};

// Few short values (many duplicates, bytes 0x00 and 0xE9 for unsigned order) or random words.
std::string randomKey(std::mt19937& rng, int size) {
    static const char kSmall[] = {'A', 'B', '\0', '\xE9'};
    std::string k;
    for (int i = 0, n = rng() % 2 ? 1 + int(rng() % 3) : 0; i < n; ++i) k += kSmall[rng() % 4];
    while (k.empty() || (k.size() < 6 && k[0] >= 'C')) k += char('C' + rng() % 24);
    k.resize(std::size_t(size), ' ');
    return k;
}

void check(NtxIndex& ix, const Model& m, std::mt19937& rng, int keySize) {
    const auto& v = m.v;
    const auto n = std::uint32_t(v.size());
    std::vector<NtxEntry> walked;
    ix.walk([&](const NtxEntry& e) { return walked.push_back(e), true; });
    ASSERT_EQ(walked.size(), v.size());
    for (std::size_t i = 0; i < n; ++i) ASSERT_TRUE(same(walked[i], &v[i])) << i;
    ASSERT_EQ(ix.keyCount(), n);
    ASSERT_TRUE(same(ix.first(), n ? &v.front() : nullptr) && same(ix.last(), n ? &v.back() : nullptr));
    for (int t = 0; n && t < 25; ++t) {
        const std::uint32_t p = 1 + rng() % n;
        const NtxEntry& e = v[p - 1];
        ASSERT_TRUE(same(ix.entryAt(p), &e)) << p;
        ASSERT_TRUE(same(ix.next(e), p < n ? &v[p] : nullptr)) << p;  // continues the kept path
        ix.first();
        ASSERT_TRUE(same(ix.next(e), p < n ? &v[p] : nullptr)) << p;  // finds its place again
        ASSERT_TRUE(same(ix.prev(e), p > 1 ? &v[p - 2] : nullptr)) << p;
        ASSERT_EQ(ix.keyPosition(e), p);
        const std::string prefix = (rng() % 2 ? e.key : randomKey(rng, keySize)).substr(0, 1 + rng() % 3);
        auto lo = std::find_if(v.begin(), v.end(), [&](const NtxEntry& x) { return m.cmp(x.key, prefix) >= 0; });
        ASSERT_TRUE(same(ix.seekFirst(prefix), lo == v.end() ? nullptr : &*lo)) << prefix;
        auto hi = std::find_if(v.rbegin(), v.rend(), [&](const NtxEntry& x) { return m.cmp(x.key, prefix) == 0; });
        ASSERT_TRUE(same(ix.seekLast(prefix), hi == v.rend() ? nullptr : &*hi)) << prefix;
    }
    std::size_t i = 0;
    for (auto e = ix.first(); e; e = ix.next(*e)) ASSERT_TRUE(i < n && same(e, &v[i++]));
    for (auto e = ix.last(); e; e = ix.prev(*e)) ASSERT_TRUE(i > 0 && same(e, &v[--i]));
    ASSERT_EQ(i, 0u);
}

// Every page is in the tree or on the free list, once.
void expectNoLostPages(const std::string& path) {
    const std::string b = readFileBytes(path);
    auto u16 = [&](std::size_t at) { return std::uint32_t(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8)); };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    std::set<std::uint32_t> seen;
    for (std::vector<std::uint32_t> todo{u32(4)}; !todo.empty();) {
        const std::uint32_t a = todo.back();
        todo.pop_back();
        ASSERT_TRUE(seen.insert(a).second) << a;
        for (std::uint32_t i = 0; i <= u16(a); ++i)
            if (std::uint32_t c = u32(a + u16(a + 2 + 2 * i))) todo.push_back(c);
    }
    for (std::uint32_t f = u32(8); f != 0; f = u32(f + u16(f + 2))) ASSERT_TRUE(seen.insert(f).second) << f;
    EXPECT_EQ(seen.size() * 1024 + 1024, b.size());
}

void runScenario(int keySize, bool descending, OpenMode mode, int built, unsigned seed) {
    TempDir dir;
    const std::string path = dir.file("m.ntx");
    std::mt19937 rng(seed);
    Model model{descending, {}};
    std::vector<std::string> keyOf(1);  // by record number; empty: no entry
    NtxKeyBatch batch;
    for (int r = 1; r <= built; ++r) {
        keyOf.push_back(randomKey(rng, keySize));
        batch.keys.insert(batch.keys.end(), keyOf.back().begin(), keyOf.back().end());
        batch.recnos.push_back(std::uint32_t(r));
        model.insert(keyOf.back(), std::uint32_t(r));  // a build orders ties by record number: insertion order here
    }
    NtxIndex::build(File::create(path), NtxCreateInfo{"KEY", keySize, 0, false, ""}, std::move(batch));
    if (descending) {  // only ever made by other programs: flag an empty file
        std::string b = readFileBytes(path);
        b[280] = 1;
        mx::test::writeFileBytes(path, b);
    }
    auto ix = NtxIndex::open(File::open(path, mode, false));
    ASSERT_EQ(ix->descending(), descending);
    const std::uint16_t version = ix->version();
    for (int op = 0; op < 3000; ++op) {
        std::vector<std::uint32_t> live;  // grow, shrink almost to nothing, then mix
        if (int(rng() % 100) >= (op < 1200 ? 75 : op < 2400 ? 15 : 50))
            for (std::uint32_t r = 1; r < keyOf.size(); ++r)
                if (!keyOf[r].empty()) live.push_back(r);
        if (live.empty()) {
            keyOf.push_back(randomKey(rng, keySize));
            ix->insert(keyOf.back(), std::uint32_t(keyOf.size() - 1));
            model.insert(keyOf.back(), std::uint32_t(keyOf.size() - 1));
            continue;
        }
        const std::uint32_t r = live[rng() % live.size()];
        const std::string k = rng() % 2 ? randomKey(rng, keySize) : "";
        if (k.empty()) {
            ASSERT_TRUE(ix->remove(keyOf[r], r));
        } else {
            ix->replace(keyOf[r], k, r);
        }
        if (k != keyOf[r]) {
            model.remove(keyOf[r], r);
            if (!k.empty()) model.insert(k, r);
        }
        keyOf[r] = k;
        if (op % 250 == 249) {
            ASSERT_NO_FATAL_FAILURE(check(*ix, model, rng, keySize)) << "after op " << op;
            ASSERT_FALSE(ix->remove(randomKey(rng, keySize), 0xFFFFFFF0u));
        }
    }
    EXPECT_TRUE(mode == OpenMode::Exclusive || std::uint16_t(ix->version() - version) >= 2000);
    ix.reset();
    expectNoLostPages(path);
    ix = NtxIndex::open(File::open(path, mode, true));
    ASSERT_NO_FATAL_FAILURE(check(*ix, model, rng, keySize)) << "after reopening";
}

TEST(NtxModel, SmallPagesSharedMode) { runScenario(100, false, OpenMode::Shared, 0, 1); }
TEST(NtxModel, SmallPagesFromABuiltTree) { runScenario(100, false, OpenMode::Exclusive, 1500, 2); }
TEST(NtxModel, WidePagesFromABuiltTree) { runScenario(12, false, OpenMode::Exclusive, 4000, 3); }
TEST(NtxModel, DescendingFile) { runScenario(40, true, OpenMode::Exclusive, 0, 4); }
// Two keys a page: some 5 000 pages, more than the page cache keeps, so
// pages are evicted and their objects reused while changes go on.
TEST(NtxModel, MoreTreePagesThanTheCacheHolds) { runScenario(200, false, OpenMode::Exclusive, 9000, 5); }

TEST(NtxModel, BuildSortsByKeyThenRecordAndKeepsTheFirstOfUniqueKeys) {
    TempDir dir;
    std::mt19937 rng(11);
    std::vector<std::pair<std::string, std::uint32_t>> entries;  // long shared prefixes, duplicates
    for (std::uint32_t r = 1; r <= 30000; ++r) {
        std::string k = r % 3 ? "PREFIX00" : "PREFIX01";
        for (int j = 0; j < 12; ++j) k += char(j < 3 ? 'a' + rng() % 4 : '0' + rng() % 2);
        entries.emplace_back(k, r);
    }
    std::shuffle(entries.begin(), entries.end(), rng);
    NtxKeyBatch batch;
    for (auto& [k, r] : entries) {
        batch.keys.insert(batch.keys.end(), k.begin(), k.end());
        batch.recnos.push_back(r);
    }
    std::sort(entries.begin(), entries.end());
    for (bool unique : {false, true}) {
        auto ix = NtxIndex::build(File::create(dir.file("b.ntx")), NtxCreateInfo{"K", 20, 0, unique, "RECNO() > 1"}, batch);
        std::vector<std::pair<std::string, std::uint32_t>> got;
        ix->walk([&](const NtxEntry& e) { return got.emplace_back(e.key, e.recno), true; });
        auto want = entries;
        if (unique) want.erase(std::unique(want.begin(), want.end(), [](auto& a, auto& b) { return a.first == b.first; }), want.end());
        EXPECT_TRUE(got == want) << (unique ? "unique" : "plain");
        ix->insert(want[5].first, 999999);  // unique: an existing key is not added
        EXPECT_EQ(ix->keyCount(), want.size() + (unique ? 0 : 1));
        EXPECT_EQ(ix->forExpression(), "RECNO() > 1");
        EXPECT_EQ(readFileBytes(dir.file("b.ntx"))[0], 7);  // flags with a FOR condition
    }
}

TEST(NtxModel, EmptyClearedAndVanishedEntries) {
    TempDir dir;
    const std::string path = dir.file("e.ntx");
    auto k = [](const char* s) { return (std::string(s) + "        ").substr(0, 8); };
    auto ix = NtxIndex::build(File::create(path), NtxCreateInfo{"NAME", 8, 0, false, ""}, {});
    EXPECT_EQ(readFileBytes(path).size(), 2048u);
    EXPECT_FALSE(ix->first() || ix->last() || ix->seekFirst("A") || ix->entryAt(1) || ix->remove(k("A"), 1));
    EXPECT_EQ(ix->keyCount(), 0u);
    for (std::uint32_t r = 1; r <= 500; ++r) ix->insert(k(r % 2 ? "BOB" : "ANN"), r);
    ix->clear();
    EXPECT_EQ(readFileBytes(path).size(), 2048u);
    EXPECT_FALSE(ix->first());
    EXPECT_THROW(ix->insert("SHORT", 1), DbError);

    // Neighbours of an entry that is gone: among equal keys by record number.
    for (std::uint32_t r = 1; r <= 5; ++r) ix->insert(k(r == 1 ? "ANN" : r == 5 ? "CAT" : "BOB"), r);
    const NtxEntry gone{k("BOB"), 3};
    ix->next(gone);  // keeps a path on it
    ASSERT_TRUE(ix->remove(gone.key, gone.recno));
    EXPECT_EQ(ix->next(gone)->recno * 10 + ix->prev(gone)->recno, 42u);
    EXPECT_EQ(ix->keyPosition(gone), 0u);
    EXPECT_EQ(ix->next(NtxEntry{k("BOB"), 9})->recno, 5u);
    EXPECT_FALSE(ix->prev(NtxEntry{k("AAA"), 1}) || ix->next(NtxEntry{k("ZZZ"), 1}));

    // A walk's callback may navigate but not change the index.
    std::vector<std::uint32_t> seen;
    ix->walk([&](const NtxEntry& e) {
        seen.push_back(e.recno * 10 + ix->next(e)->recno);
        return e.recno != 2;
    });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{12, 24}));
    EXPECT_THROW(ix->walk([&](const NtxEntry&) { return ix->insert(k("DAN"), 6), true; }), DbError);
    EXPECT_EQ(ix->keyCount(), 4u);
}

TEST(NtxModel, WalksAMultiLevelTreeBothWaysAndCountsPositions) {
    TempDir dir;
    const std::uint32_t count = 20000;
    NtxKeyBatch batch;
    char buf[16];
    for (std::uint32_t r = 1; r <= count; ++r) {
        std::snprintf(buf, sizeof buf, "%010u", r * 7919u % count);
        batch.keys.insert(batch.keys.end(), buf, buf + 10);
        batch.recnos.push_back(r);
    }
    NtxIndex::build(File::create(dir.file("s.ntx")), NtxCreateInfo{"K", 10, 0, false, ""}, std::move(batch));
    auto ix = NtxIndex::open(File::open(dir.file("s.ntx"), OpenMode::Shared, false));
    std::uint32_t seen = 0;
    for (auto e = ix->first(); e; e = ix->next(*e)) ASSERT_EQ(e->key, (snprintf(buf, sizeof buf, "%010u", seen++), buf));
    for (auto e = ix->last(); e; e = ix->prev(*e)) --seen;
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(ix->keyPosition(*ix->seekFirst("0000010000")), 10001u);
    EXPECT_EQ(ix->entryAt(10001)->key, "0000010000");
}

}  // namespace
}  // namespace mx::rt
