// Tables and memos: the golden files read field by field, our writes
// reproducing the reference runtime's bytes, the count and end-of-file rules,
// pack and zap, and damaged or impossible input.
#include <gtest/gtest.h>

#include "DbfTable.h"
#include "Error.h"
#include "Session.h"
#include "People.h"
#include "TestUtil.h"

using namespace mx::rt;
using mx::test::TempDir;
using mx::test::goldenPath;
using mx::test::readFileBytes;
using mx::test::writeFileBytes;
using namespace mx::test::people;

namespace {

// Bytes equal except the ranges listed (date stamps, writer tags).
void expectSameBytesExcept(const std::string& ours, const std::string& golden,
                           std::vector<std::pair<size_t, size_t>> skip) {
    ASSERT_EQ(ours.size(), golden.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        bool skipped = false;
        for (auto [from, to] : skip) skipped = skipped || (i >= from && i < to);
        if (!skipped && ours[i] != golden[i]) {
            ADD_FAILURE() << "first difference at byte " << i;
            return;
        }
    }
}

}  // namespace

TEST(DbfGolden, ReadsEveryRecordFieldAndMemo) {
    Session s;
    WorkArea& a = s.open(goldenPath("people.dbf"), "PEOPLE", OpenMode::Shared, true);
    EXPECT_EQ(a.recordCount(), 13u);
    ASSERT_EQ(a.fieldCount(), 6);
    EXPECT_EQ(a.field(2).name, "AMOUNT");
    EXPECT_EQ(a.field(2).decimals, 2);
    EXPECT_EQ(a.field(5).offset, 43);
    for (int rec = 1; rec <= 13; ++rec) {
        a.goTo(static_cast<std::uint32_t>(rec));
        expectPeopleRecord(a, rec);
    }
    a.goTo(14);
    EXPECT_TRUE(a.eof());
    EXPECT_EQ(a.recno(), 14u);
    EXPECT_EQ(a.fieldValue("NAME").str(), std::string(20, ' '));
    EXPECT_EQ(a.fieldValue("BORN").day(), 0);
    EXPECT_EQ(a.fieldValue("NOTES").str(), "");
}

TEST(DbfGolden, BigTablesSpotChecks) {
    Session s;
    WorkArea& big = s.open(goldenPath("big.dbf"), "", OpenMode::Shared, true);
    EXPECT_EQ(big.alias(), "BIG");
    EXPECT_EQ(big.recordCount(), 2000u);
    big.goTo(2);
    EXPECT_EQ(rtrim(big.fieldValue("NAME").str()), "zuva");
    EXPECT_DOUBLE_EQ(big.fieldValue("VAL").num(), 313.80);
    big.goTo(2000);
    EXPECT_EQ(rtrim(big.fieldValue("NAME").str()), "PIBACOZU");
    EXPECT_DOUBLE_EQ(big.fieldValue("VAL").num(), -55.0);
    // Written by shared appends: no end-of-file marker, count from the size.
    WorkArea& mod = s.open(goldenPath("bigmod.dbf"), "", OpenMode::Shared, true);
    EXPECT_EQ(mod.recordCount(), 2150u);
    mod.goTo(7);
    EXPECT_EQ(rtrim(mod.fieldValue("NAME").str()), "KAKA059");
    mod.goTo(2150);
    EXPECT_EQ(rtrim(mod.fieldValue("NAME").str()), "KAKA300");
    EXPECT_DOUBLE_EQ(mod.fieldValue("VAL").num(), 150);
}

TEST(DbfGolden, RecordCountComesFromTheFileSizeNotTheHeader) {
    TempDir dir;
    std::string bytes = readFileBytes(goldenPath("people.dbf"));
    mx::test::writeFileBytes(dir.file("people.dbt"), readFileBytes(goldenPath("people.dbt")));
    for (std::uint32_t headerCount : {5u, 40u}) {
        std::string b = bytes;
        b[4] = static_cast<char>(headerCount);
        b += std::string(8, 'G');  // a partial record of garbage
        writeFileBytes(dir.file("people.dbf"), b);
        Session s;
        WorkArea& a = s.open(dir.file("people.dbf"), "P", OpenMode::Shared);
        EXPECT_EQ(a.recordCount(), 13u);
        a.goBottom();
        EXPECT_EQ(a.recno(), 13u);
        // Opening read-write changes nothing on disk.
        s.closeAll();
        EXPECT_EQ(readFileBytes(dir.file("people.dbf")), b);
    }
}

TEST(DbfWrite, ReproducesTheGoldenTableAndMemoBytes) {
    TempDir dir;
    Session s;
    writePeople(s, dir.file("people.dbf"));
    // Bytes 1-3 are the date of the last header write; 8-15 of the memo
    // header carry the writer's name.
    expectSameBytesExcept(readFileBytes(dir.file("people.dbf")), readFileBytes(goldenPath("people.dbf")), {{1, 4}});
    expectSameBytesExcept(readFileBytes(dir.file("people.dbt")), readFileBytes(goldenPath("people.dbt")), {{8, 16}});
}

TEST(DbfWrite, SharedAppendsRewriteTheHeaderAndLeaveNoEndMarker) {
    TempDir dir;
    std::string path = dir.file("t.dbf");
    DbfTable::create(path, {charField("NAME", 5), numField("N", 3)});
    EXPECT_EQ(readFileBytes(path).size(), 32u + 64 + 2 + 1);  // header + 0x1A
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Shared);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(a.append());
        a.setField("N", Value::numeric(i));
        a.unlock();
        std::string b = readFileBytes(path);
        EXPECT_EQ(static_cast<unsigned char>(b[4]), i) << "header count after append " << i;
        EXPECT_EQ(b.size(), 98u + 9u * static_cast<size_t>(i));  // ends right after the record
    }
    s.closeAll();
    std::string b = readFileBytes(path);
    EXPECT_NE(b.back(), 0x1A);
    EXPECT_EQ(b.substr(98 + 18, 9), std::string(8, ' ') + "3");
}

TEST(DbfWrite, ExclusiveModeWritesHeaderAndEndMarkerAtClose) {
    TempDir dir;
    std::string path = dir.file("t.dbf");
    DbfTable::create(path, {charField("NAME", 5)});
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Exclusive);
    ASSERT_TRUE(a.append());
    a.setField("NAME", Value::character("abc"));
    ASSERT_TRUE(a.append());
    a.commit();
    EXPECT_EQ(readFileBytes(path)[4], 0) << "the header count stays stale until close";
    s.closeAll();
    std::string b = readFileBytes(path);
    EXPECT_EQ(b[4], 2);
    EXPECT_EQ(b.size(), 66u + 12 + 1);
    EXPECT_EQ(b.back(), 0x1A);
    EXPECT_EQ(b.substr(66, 6), " abc  ");
}

TEST(DbfWrite, FieldEncodings) {
    TempDir dir;
    std::string path = dir.file("t.dbf");
    DbfTable::create(path, {numField("A", 9, 2), numField("B", 4), logField("L"), dateField("D"), charField("C", 3)});
    Session s;
    WorkArea& a = s.open(path, "T", OpenMode::Exclusive);
    ASSERT_TRUE(a.append());
    struct Case {
        double v;
        const char* a;
        const char* b;
    };
    for (Case c : {Case{1.005, "     1.01", "   1"}, Case{-0.001, "     0.00", "   0"}, Case{2.5, "     2.50", "   3"},
                   Case{-2.5, "    -2.50", "  -3"}, Case{-1000, " -1000.00", "-1000"}}) {
        a.setField("A", Value::numeric(c.v));
        EXPECT_EQ(a.fieldBytes(0), c.a) << c.v;
        if (std::string(c.b).size() == 4) {
            a.setField("B", Value::numeric(c.v));
            EXPECT_EQ(a.fieldBytes(1), c.b) << c.v;
        }
    }
    // A value too wide for its field is refused and leaves the field alone.
    a.setField("B", Value::numeric(12));
    try {
        a.setField("B", Value::numeric(12345));
        FAIL() << "12345 fits no N(4)";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::DataWidth);
        EXPECT_NE(std::string(e.what()).find("t.dbf"), std::string::npos);
    }
    EXPECT_EQ(a.fieldBytes(1), "  12");
    a.setField("C", Value::character("abcdef"));
    EXPECT_EQ(a.fieldBytes(4), "abc");
    a.setField("L", Value::logical(false));
    EXPECT_EQ(a.fieldBytes(2), "F");
    a.setField("D", Value::date(dayFromYmd(2024, 2, 29)));
    EXPECT_EQ(a.fieldBytes(3), "20240229");
    EXPECT_THROW(a.setField("C", Value::numeric(1)), DbError);
    // Lenient reading of numeric text written by others.
    a.setFieldBytes(1, "****");
    EXPECT_EQ(a.fieldValue("B").num(), 0);
    a.setFieldBytes(1, " -7x");
    EXPECT_EQ(a.fieldValue("B").num(), -7);
    a.setFieldBytes(2, "y");
    EXPECT_TRUE(a.fieldValue("L").boolean());
    a.setFieldBytes(2, "?");
    EXPECT_FALSE(a.fieldValue("L").boolean());
}

TEST(DbfWrite, MemoRewritesGoToNewBlocksAndEmptyMemosTakeNone) {
    TempDir dir;
    std::string path = dir.file("m.dbf");
    DbfTable::create(path, {charField("K", 2), memoField("TXT")});
    Session s;
    WorkArea& a = s.open(path, "M", OpenMode::Shared);
    ASSERT_TRUE(a.append());
    a.setField("TXT", Value::character("short"));
    EXPECT_EQ(a.fieldBytes(1), "         1");
    a.setField("TXT", Value::character("x"));
    EXPECT_EQ(a.fieldBytes(1), "         2");
    a.setField("TXT", Value::character(""));
    EXPECT_EQ(a.fieldBytes(1), "          ");
    EXPECT_THROW(a.setField("TXT", Value::character(std::string("a\x1a" "b"))), DbError);
    a.unlock();
    std::string dbt = readFileBytes(dir.file("m.dbt"));
    EXPECT_EQ(dbt.size(), 512u * 2 + 3);
    EXPECT_EQ(dbt[0], 3);  // next free block
    EXPECT_EQ(dbt.substr(512, 7), "short\x1a\x1a");
}

TEST(DbfPack, MatchesTheGoldenPackedFiles) {
    TempDir dir;
    dir.copyGolden("people.dbf");
    dir.copyGolden("people.dbt");
    Session s;
    WorkArea& a = s.open(dir.file("people.dbf"), "P", OpenMode::Exclusive);
    a.pack();
    EXPECT_EQ(a.recordCount(), 11u);
    s.closeAll();
    expectSameBytesExcept(readFileBytes(dir.file("people.dbf")), readFileBytes(goldenPath("people_packed.dbf")), {{1, 4}});
    EXPECT_EQ(readFileBytes(dir.file("people.dbt")), readFileBytes(goldenPath("people_packed.dbt")));
    // No scratch files are left behind.
    EXPECT_FALSE(std::filesystem::exists(dir.file("people.dbf.packtmp")));
}

TEST(DbfPack, ZapEmptiesTableAndMemo) {
    TempDir dir;
    dir.copyGolden("people.dbf");
    dir.copyGolden("people.dbt");
    Session s;
    WorkArea& a = s.open(dir.file("people.dbf"), "P", OpenMode::Exclusive);
    a.zap();
    EXPECT_EQ(a.recordCount(), 0u);
    EXPECT_TRUE(a.eof());
    s.closeAll();
    EXPECT_EQ(readFileBytes(dir.file("people.dbf")).size(), 227u);
    EXPECT_EQ(readFileBytes(dir.file("people.dbt")).size(), 512u);
    Session s2;
    WorkArea& shared = s2.open(dir.file("people.dbf"), "P", OpenMode::Shared);
    EXPECT_THROW(shared.pack(), DbError);
}

TEST(DbfDamage, BadFilesGiveTypedErrorsNamingTheFile) {
    TempDir dir;
    std::string good = readFileBytes(goldenPath("people.dbf"));
    writeFileBytes(dir.file("t.dbt"), readFileBytes(goldenPath("people.dbt")));
    struct Case {
        const char* what;
        std::string bytes;
        ErrorKind kind;
    };
    auto patched = [&](size_t at, std::string with) {
        std::string b = good;
        b.replace(at, with.size(), with);
        return b;
    };
    std::vector<Case> cases = {
        {"empty file", "", ErrorKind::Corrupt},
        {"truncated header", good.substr(0, 20), ErrorKind::Corrupt},
        {"truncated descriptors", good.substr(0, 100), ErrorKind::Corrupt},
        {"dBASE IV version", patched(0, "\x8b"), ErrorKind::Corrupt},
        {"record length off", patched(10, std::string("\x36\x00", 2)), ErrorKind::Corrupt},
        {"unknown field type", patched(32 + 11, "X"), ErrorKind::Corrupt},
        {"date field of width 7", patched(32 * 5 + 16, "\x07"), ErrorKind::Corrupt},
        {"header length beyond the file", patched(8, std::string("\xff\x7f", 2)), ErrorKind::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFileBytes(dir.file("t.dbf"), c.bytes);
        Session s;
        try {
            s.open(dir.file("t.dbf"), "T");
            ADD_FAILURE() << "opened";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.what();
            EXPECT_NE(std::string(e.what()).find("t.dbf"), std::string::npos) << e.what();
        }
    }
    // Memo numbers past the end of the memo file, beyond 32 bits, or not numbers.
    Session s;
    for (const char* field : {"    999999", "5678901234", "     12x45"}) {
        SCOPED_TRACE(field);
        writeFileBytes(dir.file("t.dbf"), patched(226 + 43, field));
        WorkArea& a = s.open(dir.file("t.dbf"), "T");
        a.goTo(1);
        try {
            a.fieldValue("NOTES");
            ADD_FAILURE() << "read a memo that is not there";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Corrupt);
            EXPECT_NE(std::string(e.what()).find("t.db"), std::string::npos);
        }
        s.closeAll();
    }
    // The memo file missing altogether.
    std::filesystem::remove(dir.file("t.dbt"));
    writeFileBytes(dir.file("t.dbf"), good);
    try {
        s.open(dir.file("t.dbf"), "T");
        ADD_FAILURE();
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NotFound);
        EXPECT_NE(std::string(e.what()).find("t.dbt"), std::string::npos);
    }
}

TEST(DbfCreate, RefusesFieldListsThatDoNotFit) {
    TempDir dir;
    std::vector<std::vector<FieldDef>> bad = {
        {},
        {charField("NAMETOOLONG1", 5)},
        {charField("A", 5), charField("a", 3)},
        {charField("A B", 5)},
        {numField("N", 5, 4)},
        {numField("N", 300)},
        {charField("C", 0)},
        {charField("C", 70000)},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        try {
            DbfTable::create(dir.file("bad.dbf"), bad[i]);
            ADD_FAILURE() << "field list " << i << " accepted";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Usage);
            EXPECT_NE(std::string(e.what()).find("bad.dbf"), std::string::npos);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.dbf")));
    // A long character field keeps its length in two bytes.
    DbfTable::create(dir.file("long.dbf"), {charField("C", 300), charField("name", 2)});
    Session s;
    WorkArea& a = s.open(dir.file("LONG.DBF"));
    EXPECT_EQ(a.field(0).length, 300);
    EXPECT_EQ(a.field(1).name, "NAME");
}
