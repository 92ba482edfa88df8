// NTX files written by the reference runtime: reading them, recomputing their
// keys from the tables, rebuilding them page for page, replaying the recorded
// shared-mode changes on big_name.ntx, the documented seeks, and damaged
// copies that must fail with Corrupt naming the file and page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>

#include "Error.h"
#include "File.h"
#include "KeyEncoding.h"
#include "NtxIndex.h"
#include "NumberFormat.h"
#include "TestUtil.h"

namespace mx::rt {
namespace {

using mx::test::goldenPath;
using mx::test::readFileBytes;
using mx::test::TempDir;
using Recnos = std::vector<std::uint32_t>;

std::uint32_t u16(const std::string& b, std::size_t at) { return std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8); }
std::uint32_t u32(const std::string& b, std::size_t at) { return u16(b, at) | (u16(b, at + 2) << 16); }
std::size_t slotOf(const std::string& b, std::size_t page, int i) { return page + u16(b, page + 2 + 2 * i); }

// Just enough of a DBF reader: count at 4, header length at 8, record length at 10, fields from 32.
class TinyDbf {
public:
    explicit TinyDbf(const std::string& name) : b_(readFileBytes(goldenPath(name))) {
        for (std::size_t d = 32, off = 1; b_[d] != 0x0D; d += 32) {
            fields_[std::string(b_.data() + d)] = {off, std::uint8_t(b_[d + 16])};
            off += std::uint8_t(b_[d + 16]);
        }
    }
    std::uint32_t count() const { return u32(b_, 4); }
    std::string field(std::uint32_t rec, const std::string& name) const {
        auto [off, len] = fields_.at(name);
        return b_.substr(u16(b_, 8) + std::size_t(rec - 1) * u16(b_, 10) + off, len);
    }
    double number(std::uint32_t rec, const std::string& name) const { return parseNumber(field(rec, name)); }

private:
    std::string b_;
    std::map<std::string, std::pair<std::size_t, std::size_t>> fields_;
};

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(std::uint8_t(c)));
    return s;
}

// An independent structural reader: header fields, every page reachable from
// the root (count, children, record numbers, keys through the offset table),
// the free list and the file size.
struct RawTree {
    std::vector<std::uint32_t> header;  // flags, version, root, free, item size, key size, decimals, M, half
    std::string expression;
    std::map<std::uint32_t, std::vector<std::string>> pages;  // per item: child | recno | key
    Recnos freeList;
    std::size_t size = 0;
    bool operator==(const RawTree&) const = default;
};

RawTree readRawTree(const std::string& path) {
    const std::string b = readFileBytes(path);
    RawTree t;
    t.size = b.size();
    t.header = {u16(b, 0), u16(b, 2), u32(b, 4), u32(b, 8), u16(b, 12), u16(b, 14), u16(b, 16), u16(b, 18), u16(b, 20)};
    t.expression = b.substr(22, std::strlen(b.data() + 22));
    for (Recnos todo{u32(b, 4)}; !todo.empty();) {
        const std::uint32_t a = todo.back();
        todo.pop_back();
        for (int i = 0, n = int(u16(b, a)); i <= n; ++i) {
            const std::size_t s = slotOf(b, a, i);
            t.pages[a].push_back(std::to_string(u32(b, s)) + (i < n ? "|" + std::to_string(u32(b, s + 4)) + "|" + b.substr(s + 8, u16(b, 14)) : ""));
            if (u32(b, s)) todo.push_back(u32(b, s));
        }
    }
    for (std::uint32_t f = u32(b, 8); f != 0 && t.freeList.size() < 100; f = u32(b, slotOf(b, f, 0))) {
        t.freeList.push_back(f);
        EXPECT_EQ(u16(b, f), 0u) << "free page " << f;
    }
    return t;
}

std::unique_ptr<NtxIndex> openGolden(const std::string& name) {
    return NtxIndex::open(File::open(goldenPath(name), OpenMode::Shared, true));
}

std::vector<NtxEntry> entriesOf(NtxIndex& ix) {
    std::vector<NtxEntry> out;
    ix.walk([&](const NtxEntry& e) { return out.push_back(e), true; });
    return out;
}

Recnos recnosOf(const std::vector<NtxEntry>& entries) {
    Recnos r;
    for (const NtxEntry& e : entries) r.push_back(e.recno);
    return r;
}

Recnos orderFile(const std::string& name) {
    std::ifstream in(goldenPath(name));
    Recnos r;
    for (std::uint32_t v; in >> v;) r.push_back(v);
    return r;
}

using KeyFn = std::function<std::string(std::uint32_t)>;

NtxCreateInfo info(const char* expression, int keySize, int decimals = 0) { return {expression, keySize, decimals, false, ""}; }

// Builds an index over every record of `dbf` into `path`.
void build(const std::string& path, const TinyDbf& dbf, const NtxCreateInfo& info, const KeyFn& key) {
    NtxKeyBatch batch;
    for (std::uint32_t r = 1; r <= dbf.count(); ++r) {
        const std::string k = key(r);
        ASSERT_EQ(k.size(), std::size_t(info.keySize));
        batch.keys.insert(batch.keys.end(), k.begin(), k.end());
        batch.recnos.push_back(r);
    }
    NtxIndex::build(File::create(path), info, std::move(batch));
}

std::string numKey(double v, int size, int dec) {
    return encodeKey(Value::numeric(v, size, dec), KeyFormat{ValueType::Numeric, size, dec}, "X");
}

TEST(NtxGolden, PeopleIndexesHoldTheRecordKeysAndRebuildIdentically) {
    TempDir dir;
    const TinyDbf people("people.dbf");
    const auto& d = people;
    struct Case {
        const char* file;
        NtxCreateInfo info;
        int maxKeys;
        Recnos order;
        KeyFn key;
    };
    const Recnos byBorn{3, 11, 13, 4, 1, 10, 2, 8, 9, 7, 5, 6, 12};
    const Case cases[] = {
        {"people_name.ntx", info("UPPER( NAME )", 20), 32, {13, 2, 3, 6, 8, 9, 11, 10, 12, 5, 1, 7, 4},
         [&](std::uint32_t r) { return upper(d.field(r, "NAME")); }},
        {"people_amount.ntx", info("AMOUNT", 9, 2), 52, {7, 2, 10, 11, 5, 3, 13, 12, 9, 8, 6, 1, 4},
         [&](std::uint32_t r) { return numKey(d.number(r, "AMOUNT"), 9, 2); }},
        {"people_born.ntx", info("DTOS( BORN )", 8), 54, byBorn,
         [&](std::uint32_t r) { return dayToDtos(dayFromDtos(d.field(r, "BORN"))); }},
        {"people_bornd.ntx", info("BORN", 8), 54, byBorn,
         [&](std::uint32_t r) { return encodeKey(Value::date(dayFromDtos(d.field(r, "BORN"))), {ValueType::Date, 8}, "BORN"); }},
        {"people_combo.ntx", info("STR( CODE, 4 ) + NAME", 24), 28, {13, 10, 4, 3, 1, 6, 8, 2, 5, 7, 9, 11, 12},
         [&](std::uint32_t r) { return formatNumber(d.number(r, "CODE"), 4, 0) + d.field(r, "NAME"); }},
        {"people_active.ntx", info("ACTIVE", 1), 90, {2, 5, 7, 10, 11, 13, 1, 3, 4, 6, 8, 9, 12},
         [&](std::uint32_t r) { return encodeKey(Value::logical(d.field(r, "ACTIVE") == "T"), {ValueType::Logical, 1}, "A"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto ix = openGolden(c.file);
        EXPECT_EQ(ix->expression(), c.info.expression);
        EXPECT_EQ(readRawTree(goldenPath(c.file)).header, (Recnos{6, 1, 1024, 0, std::uint32_t(c.info.keySize + 8),
                                                                  std::uint32_t(c.info.keySize), std::uint32_t(c.info.keyDecimals),
                                                                  std::uint32_t(c.maxKeys), std::uint32_t(c.maxKeys / 2)}));
        const std::vector<NtxEntry> entries = entriesOf(*ix);
        EXPECT_EQ(recnosOf(entries), c.order);
        for (const NtxEntry& e : entries) EXPECT_EQ(e.key, c.key(e.recno)) << "record " << e.recno;

        build(dir.file(c.file), people, c.info, c.key);
        EXPECT_TRUE(readFileBytes(dir.file(c.file)) == readFileBytes(goldenPath(c.file)));
    }
    // The index rebuilt by PACK, from the packed table.
    const TinyDbf packed("people_packed.dbf");
    build(dir.file("p.ntx"), packed, info("UPPER( NAME )", 20), [&](std::uint32_t r) { return upper(packed.field(r, "NAME")); });
    EXPECT_TRUE(readFileBytes(dir.file("p.ntx")) == readFileBytes(goldenPath("people_packed_name.ntx")));
}

TEST(NtxGolden, SeeksOnThePeopleIndexes) {
    auto names = openGolden("people_name.ntx");
    auto at = [](const std::optional<NtxEntry>& e, const std::string& p) {  // record number, negative when no prefix match
        return !e ? 0 : e->key.compare(0, p.size(), p) == 0 ? int(e->recno) : -int(e->recno);
    };
    EXPECT_EQ(at(names->seekFirst("BAK"), "BAK"), 3);
    EXPECT_EQ(at(names->seekFirst("BAKER "), "BAKER "), 3);
    EXPECT_EQ(at(names->seekFirst("BAKERX"), "BAKERX"), -8);  // not found; a soft seek stays on CLARK
    EXPECT_EQ(at(names->seekFirst("bak"), "bak"), 0);
    EXPECT_EQ(at(names->seekFirst(""), ""), 13);
    EXPECT_EQ(at(names->seekLast("BAKER"), "BAKER"), 6);
    EXPECT_EQ(at(names->seekLast("BAKERX"), ""), 0);
    EXPECT_EQ(at(names->seekLast(""), ""), 4);
    EXPECT_EQ(names->find(upper(TinyDbf("people.dbf").field(6, "NAME")), 6)->recno, 6u);

    auto amounts = openGolden("people_amount.ntx");
    EXPECT_EQ(at(amounts->seekFirst(numKey(-45.25, 9, 2)), numKey(-45.25, 9, 2)), 2);
    EXPECT_LT(at(amounts->seekFirst(numKey(-45.2, 9, 2)), numKey(-45.2, 9, 2)), 0);
    EXPECT_EQ(openGolden("people_born.ntx")->seekFirst("198511")->recno, 2u);
}

std::string bigNameKey(const TinyDbf& d, std::uint32_t r) {
    return upper(d.field(r, "NAME")) + formatNumber(d.number(r, "ID"), 6, 0);
}

TEST(NtxGolden, BigIndexesMatchTheirOrderFilesAndRebuildPageForPage) {
    TempDir dir;
    const TinyDbf big("big.dbf");
    const std::pair<NtxCreateInfo, KeyFn> cases[] = {
        {info("UPPER( NAME ) + STR( ID, 6 )", 18), [&](std::uint32_t r) { return bigNameKey(big, r); }},
        {info("VAL", 8, 2), [&](std::uint32_t r) { return numKey(big.number(r, "VAL"), 8, 2); }},
    };
    for (const auto& [info, key] : cases) {
        const std::string name = info.keySize == 18 ? "big_name" : "big_val";
        SCOPED_TRACE(name);
        auto ix = openGolden(name + ".ntx");
        const Recnos order = orderFile(name + ".order.txt");
        const std::vector<NtxEntry> entries = entriesOf(*ix);
        ASSERT_EQ(recnosOf(entries), order);
        for (const NtxEntry& e : entries) ASSERT_EQ(e.key, key(e.recno)) << "record " << e.recno;
        build(dir.file(name), big, info, key);
        EXPECT_EQ(readRawTree(dir.file(name)), readRawTree(goldenPath(name + ".ntx")));

        // Both directions, and positions, on a multi-level file.
        Recnos forward, backward;
        for (auto e = ix->first(); e; e = ix->next(*e)) forward.push_back(e->recno);
        for (auto e = ix->last(); e; e = ix->prev(*e)) backward.insert(backward.begin(), e->recno);
        EXPECT_TRUE(forward == order && backward == order);
        EXPECT_EQ(ix->keyCount(), 2000u);
        for (std::uint32_t pos : {1u, 35u, 36u, 1226u, 2000u}) {
            EXPECT_EQ(ix->entryAt(pos)->recno, order[pos - 1]);
            EXPECT_EQ(ix->keyPosition(*ix->entryAt(pos)), pos);
        }
        EXPECT_FALSE(ix->entryAt(2001) || ix->entryAt(0));
    }
}

TEST(NtxGolden, ReplayingTheBigmodChangesGivesTheSamePagesAndFreeList) {
    TempDir dir;
    const TinyDbf big("big.dbf"), bigmod("bigmod.dbf");
    const std::string path = dir.copyGolden("big_name.ntx", "bigmod_name.ntx");
    auto ix = NtxIndex::open(File::open(path, OpenMode::Shared, false));
    auto name = [](int n) {  // "KAKA" + three digits, as a NAME field
        char buf[16];
        std::snprintf(buf, sizeof buf, "KAKA%03d     ", n);
        return std::string(buf);
    };
    for (std::uint32_t k = 1; k <= 150; ++k) ix->insert(name(int(2 * k)) + formatNumber(2000 + k, 6, 0), 2000 + k);
    std::vector<NtxEntry> renames;
    for (auto e = ix->seekFirst("T"); e && e->key[0] == 'T' && renames.size() < 80; e = ix->next(*e)) renames.push_back(*e);
    ASSERT_EQ(renames.size(), 80u);
    for (int i = 1; i <= 80; ++i) {
        const NtxEntry& old = renames[std::size_t(i - 1)];
        ix->replace(old.key, name((7 * i % 150) * 2 + 1) + formatNumber(big.number(old.recno, "ID"), 6, 0), old.recno);
        EXPECT_EQ(bigmod.field(old.recno, "NAME"), name((7 * i % 150) * 2 + 1)) << "record " << old.recno;
    }
    EXPECT_EQ(ix->version(), 231);
    EXPECT_EQ(ix->keyCount(), 2150u);
    EXPECT_EQ(recnosOf(entriesOf(*ix)), orderFile("bigmod_name.order.txt"));
    ix.reset();
    const RawTree golden = readRawTree(goldenPath("bigmod_name.ntx"));
    EXPECT_EQ(golden.freeList, (Recnos{46080, 45056}));
    EXPECT_EQ(golden.size, 72704u);
    EXPECT_EQ(readRawTree(path), golden);
}

TEST(NtxGolden, DamagedFilesAreCorruptNamingFileAndPage) {
    const std::string people = readFileBytes(goldenPath("people_name.ntx"));
    const std::string big = readFileBytes(goldenPath("big_name.ntx"));
    const std::uint32_t root = 62464;
    auto patch = [](std::string b, std::size_t at, std::uint32_t v, int bytes = 2) {
        for (int i = 0; i < bytes; ++i) b[at + i] = char(v >> (8 * i));
        return b;
    };
    std::string swapped = big;  // two keys of the first leaf swapped
    std::swap_ranges(swapped.begin() + long(slotOf(big, 1024, 0)) + 8, swapped.begin() + long(slotOf(big, 1024, 0)) + 26,
                     swapped.begin() + long(slotOf(big, 1024, 1)) + 8);
    std::string freeLoop = patch(people + std::string(1024, '\0'), 8, 2048, 4);  // a free page linking to itself
    freeLoop = patch(patch(freeLoop, 2048 + 2, 68), 2048 + 68, 2048, 4);
    enum Step { Open, First, Walk, Count, Insert, Fill };
    struct Case {
        const char* what;
        std::string bytes;
        Step step;
        std::int64_t position;  // -2: any
    } cases[] = {
        {"empty file", "", Open, -2},
        {"truncated header", people.substr(0, 500), Open, -2},
        {"no flags", patch(people, 0, 0), Open, 0},
        {"unknown flag bit", patch(people, 0, 0x0806), Open, 0},
        {"compound file", patch(people, 0, 0x8006), Open, 0},
        {"key size 300", patch(people, 14, 300), Open, 14},
        {"item size", patch(people, 12, 29), Open, 12},
        {"max keys beyond the page", patch(people, 18, 200), Open, 18},
        {"root not a page", patch(people, 4, 1025, 4), Open, 4},
        {"expression starts with a control byte", patch(people, 22, 1, 1), Open, 22},
        {"root beyond the end", patch(people, 4, 4096, 4), First, 0},
        {"file ends inside the root", people.substr(0, 1500), First, -2},
        {"count above capacity", patch(people, 1024, 33), First, 1024},
        {"offset past the page end", patch(people, 1024 + 12, 1020), First, 1024},
        {"offset inside the offset table", patch(people, 1024 + 66, 10), First, 1024},
        {"child beyond the end", patch(big, slotOf(big, root, 0), 10000000, 4), First, root},
        {"child not on a page boundary", patch(big, slotOf(big, root, 0), 1025, 4), First, root},
        {"page pointing to itself", patch(big, slotOf(big, root, 0), root, 4), First, -2},
        {"self loop, counting", patch(big, slotOf(big, root, 0), root, 4), Count, -2},
        {"self loop, inserting", patch(big, slotOf(big, root, 0), root, 4), Insert, -2},
        {"bad child met by an insert", patch(big, slotOf(big, 36864, 0), 1025, 4), Insert, 36864},
        {"two-page loop", patch(big, slotOf(big, 36864, 0), root, 4), Walk, -2},
        {"two parents share a child", patch(big, slotOf(big, root, 1), 36864, 4), Walk, -2},
        {"leaf with a child pointer", patch(big, slotOf(big, 1024, 3), 2048, 4), Walk, 1024},
        {"keys out of order", swapped, Walk, 1024},
        {"free list names the root", patch(people, 8, 1024, 4), Walk, -2},
        {"free list names the root, allocating", patch(people, 8, 1024, 4), Fill, 1024},
        {"free list loop", freeLoop, Walk, -2},
        {"free list loop, allocating", freeLoop, Fill, 2048},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("damaged.ntx");
        mx::test::writeFileBytes(path, c.bytes);
        try {
            auto ix = NtxIndex::open(File::open(path, OpenMode::Shared, false));
            const std::string key(ix->keySize(), 'A');
            switch (c.step) {
                case Open: break;
                case First: ix->first(); break;
                case Walk: ix->walk([](const NtxEntry&) { return true; }); break;
                case Count: ix->keyCount(); break;
                case Insert: ix->insert(key, 1); break;
                case Fill:
                    for (std::uint32_t r = 100; r < 200; ++r) ix->insert(key, r);
                    break;
            }
            ADD_FAILURE() << "no error";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Corrupt) << e.what();
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_TRUE(c.position == -2 || e.position() == c.position) << e.what();
            EXPECT_TRUE(c.step != Insert || mx::test::readFileBytes(path) == c.bytes) << "a failed change wrote";
        }
    }
    // The older flag value 3 is accepted.
    mx::test::writeFileBytes(dir.file("old.ntx"), patch(people, 0, 3));
    EXPECT_EQ(NtxIndex::open(File::open(dir.file("old.ntx"), OpenMode::Shared, false))->keyCount(), 13u);
}

}  // namespace
}  // namespace mx::rt
