// Exclusive work areas read a record only when it is looked at and test
// deletion flags from the table's flag cache. Random deletes, recalls,
// appends (still in the unwritten tail and already written), packs and zaps
// over several cache blocks, checked against a model after every step: the
// visible records in natural and index order, the flags, the field values;
// and the same files opened shared afterwards agree byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DbfTable.h"
#include "Session.h"
#include "TestUtil.h"

using namespace mx::rt;
using mx::test::TempDir;

namespace {

struct Model {
    std::vector<std::string> names;  // record r at r - 1
    std::vector<bool> deleted;
};

std::string nameOf(std::mt19937& rng) {
    std::string n = "N";
    for (int i = 0; i < 7; ++i) n += static_cast<char>('A' + rng() % 26);
    return n;
}

std::vector<std::uint32_t> visibleInModel(const Model& m, bool byName) {
    std::vector<std::uint32_t> r;
    for (std::uint32_t i = 0; i < m.names.size(); ++i)
        if (!m.deleted[i]) r.push_back(i + 1);
    if (byName)
        std::stable_sort(r.begin(), r.end(), [&](std::uint32_t x, std::uint32_t y) { return m.names[x - 1] < m.names[y - 1]; });
    return r;
}

std::vector<std::uint32_t> walk(WorkArea& a) {
    std::vector<std::uint32_t> r;
    for (a.goTop(); !a.eof(); a.skip()) r.push_back(a.recno());
    return r;
}

std::vector<std::uint32_t> walkBack(WorkArea& a) {
    std::vector<std::uint32_t> r;
    for (a.goBottom(); !a.eof() && !a.bof(); a.skip(-1)) r.push_back(a.recno());
    std::reverse(r.begin(), r.end());
    return r;
}

// recordPad makes records long enough (> 1024 bytes) to take the one-flag path.
void runScenario(int recordPad, unsigned seed) {
    TempDir dir;
    const std::string dbf = dir.file("t.dbf");
    std::vector<FieldDef> fields{charField("NAME", 8)};
    if (recordPad > 0) fields.push_back(charField("PAD", recordPad));
    DbfTable::create(dbf, fields);
    std::mt19937 rng(seed);
    Model m;
    {
        Session s;
        WorkArea& a = s.open(dbf, "T", OpenMode::Exclusive);
        for (int i = 0; i < 9000; ++i) {
            ASSERT_TRUE(a.append());
            m.names.push_back(nameOf(rng));
            m.deleted.push_back(false);
            a.setField(0, Value::character(m.names.back()));
        }
        a.commit();
        a.createOrder(dir.file("t_name.ntx"), "NAME");
        s.settings().deletedHidden = true;
        for (int step = 0; step < 40; ++step) {
            const int what = static_cast<int>(rng() % 10);
            if (what < 5) {
                // Delete or recall a handful of records, some through the index order.
                for (int k = 0; k < 50 && !m.names.empty(); ++k) {
                    const auto r = static_cast<std::uint32_t>(1 + rng() % m.names.size());
                    a.setOrder(0);
                    s.settings().deletedHidden = false;
                    a.goTo(r);
                    ASSERT_EQ(a.deleted(), m.deleted[r - 1]) << "record " << r;
                    if (m.deleted[r - 1])
                        a.recall();
                    else
                        a.deleteRecord();
                    m.deleted[r - 1] = !m.deleted[r - 1];
                    s.settings().deletedHidden = true;
                }
            } else if (what < 7) {
                for (int k = 0; k < 300; ++k) {
                    ASSERT_TRUE(a.append());
                    m.names.push_back(nameOf(rng));
                    m.deleted.push_back(rng() % 4 == 0);
                    a.setField(0, Value::character(m.names.back()));
                    if (m.deleted.back()) a.deleteRecord();
                }
                if (rng() % 2) a.commit();  // else the appends may still sit in the tail
            } else if (what == 7) {
                a.pack();
                Model packed;
                for (std::size_t i = 0; i < m.names.size(); ++i) {
                    if (m.deleted[i]) continue;
                    packed.names.push_back(m.names[i]);
                    packed.deleted.push_back(false);
                }
                m = packed;
            } else if (what == 8 && step > 30) {
                a.zap();
                m = Model();
            } else {
                // Look at fields of random records in index order.
                a.setOrder(1);
                a.goTop();
                for (int k = 0; k < 20 && !a.eof(); ++k) {
                    a.skip(static_cast<long>(rng() % 500));
                    if (!a.eof()) {
                        ASSERT_EQ(a.fieldValue("NAME").str(), m.names[a.recno() - 1]);
                    }
                }
            }
            a.setOrder(0);
            ASSERT_EQ(walk(a), visibleInModel(m, false)) << "natural order, step " << step;
            a.setOrder(1);
            const auto byName = visibleInModel(m, true);
            ASSERT_EQ(walk(a), byName) << "name order, step " << step;
            ASSERT_EQ(walkBack(a), byName) << "name order backwards, step " << step;
            if (!byName.empty()) {
                a.seek(Value::character(m.names[byName[byName.size() / 2] - 1]));
                ASSERT_TRUE(a.found());
                ASSERT_FALSE(a.deleted());
                ASSERT_EQ(a.fieldValue("NAME").str(), m.names[a.recno() - 1]);
            }
        }
        auto problems = a.checkIntegrity();
        ASSERT_TRUE(problems.empty()) << problems.front();
    }
    // What the exclusive area wrote is what a shared reader sees.
    Session s;
    WorkArea& b = s.open(dbf, "T", OpenMode::Shared);
    ASSERT_EQ(b.recordCount(), m.names.size());
    for (std::uint32_t r = 1; r <= m.names.size(); ++r) {
        b.goTo(r);
        ASSERT_EQ(b.deleted(), m.deleted[r - 1]) << r;
        ASSERT_EQ(b.fieldValue("NAME").str(), m.names[r - 1]) << r;
    }
}

TEST(DeferredRead, ExclusiveAreasFollowTheModelAcrossFlagBlocks) { runScenario(0, 1); }
TEST(DeferredRead, LongRecordsReadOneFlagAtATime) { runScenario(1100, 2); }

TEST(DeferredRead, SharedAreasReadEveryRecordWhenTheyMoveOntoIt) {
    // Another opener changes a record between two moves: a shared area sees it
    // at the next move, as the reference runtime does.
    TempDir dir;
    const std::string dbf = dir.file("t.dbf");
    DbfTable::create(dbf, {charField("NAME", 8)});
    Session s;
    WorkArea& a = s.open(dbf, "A", OpenMode::Shared);
    for (const char* n : {"ONE", "TWO"}) {
        ASSERT_TRUE(a.append());
        a.setField(0, Value::character(n));
    }
    a.unlock();
    WorkArea& b = s.open(dbf, "B", OpenMode::Shared);
    a.goTo(1);
    EXPECT_EQ(a.fieldValue(0).str(), "ONE     ");
    b.goTo(2);
    ASSERT_TRUE(b.lock());
    b.setField(0, Value::character("CHANGED"));
    b.deleteRecord();
    b.unlock();
    s.settings().deletedHidden = true;
    a.goTo(2);
    EXPECT_TRUE(a.deleted());
    EXPECT_EQ(a.fieldValue(0).str(), "CHANGED ");
    a.goTop();
    a.skip();
    EXPECT_TRUE(a.eof());
}

}  // namespace
