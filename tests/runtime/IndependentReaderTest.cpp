// Other readers of the same files: tables and memos we write are read by
// dbfread (Python), index files we build by XBase::Index (Perl), and both must
// see exactly what they see in the reference runtime's golden files.
#include <gtest/gtest.h>

#include <cstdio>

#include "People.h"
#include "Session.h"
#include "TestUtil.h"

using namespace mx::rt;
using mx::test::TempDir;
using mx::test::goldenPath;

namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return "popen failed";
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = ::pclose(p);
    if (rc != 0) out += "\nexit status " + std::to_string(rc);
    return out;
}

std::string tool(const char* name) { return std::string(MX_SOURCE_DIR) + "/tests/tools/" + name; }

// Debian's Python modules are visible to the system interpreter only.
std::string dumpTable(const std::string& path) { return run("/usr/bin/python3 " + tool("dbf_dump.py") + " '" + path + "' 2>&1"); }

std::string ntxOrder(const std::string& path, char type, size_t firstN = 0) {
    std::string out = run("perl " + tool("ntx_order.pl") + " '" + path + "' " + type + " 2>&1");
    if (firstN == 0) return out;
    // The module lists stray entries after the last key on deep trees: keep the first N.
    size_t pos = 0;
    for (size_t i = 0; i < firstN && pos != std::string::npos; ++i) {
        pos = out.find('\n', pos);
        if (pos != std::string::npos) ++pos;
    }
    return out.substr(0, pos);
}

}  // namespace

TEST(IndependentReaders, DbfreadSeesOurTableAsTheGoldenOne) {
    TempDir dir;
    dir.copyGolden("people.dbf", "golden.dbf");
    dir.copyGolden("people.dbt", "golden.dbt");
    Session s;
    mx::test::people::writePeople(s, dir.file("people.dbf"));
    std::string golden = dumpTable(dir.file("golden.dbf"));
    ASSERT_NE(golden.find("live|Smith, John|10|1234.50|T|19700315|First note."), std::string::npos) << golden;
    EXPECT_EQ(dumpTable(dir.file("people.dbf")), golden);
    // After a pack too.
    {
        Session p;
        p.open(dir.file("people.dbf"), "P", OpenMode::Exclusive).pack();
    }
    std::string packed = dumpTable(dir.file("people.dbf"));
    EXPECT_EQ(packed.find("deleted|"), std::string::npos);
    EXPECT_NE(packed.find("live|Fox|9999|0.50|T|20240229|Last"), std::string::npos) << packed;
}

TEST(IndependentReaders, XbaseIndexReadsOurIndexesInGoldenOrder) {
    TempDir dir;
    dir.copyGolden("people.dbf");
    dir.copyGolden("people.dbt");
    dir.copyGolden("big.dbf");
    Session s;
    WorkArea& p = s.open(dir.file("people.dbf"), "PEOPLE", OpenMode::Exclusive);
    p.createOrder(dir.file("name.ntx"), "UPPER( NAME )");
    p.createOrder(dir.file("combo.ntx"), "STR( CODE, 4 ) + NAME");
    EXPECT_EQ(ntxOrder(dir.file("name.ntx"), 'C'), ntxOrder(goldenPath("people_name.ntx"), 'C'));
    EXPECT_EQ(ntxOrder(dir.file("combo.ntx"), 'C'), ntxOrder(goldenPath("people_combo.ntx"), 'C'));
    EXPECT_EQ(ntxOrder(dir.file("name.ntx"), 'C'), "13\n2\n3\n6\n8\n9\n11\n10\n12\n5\n1\n7\n4\n");
    WorkArea& big = s.open(dir.file("big.dbf"), "BIG", OpenMode::Exclusive);
    big.createOrder(dir.file("big_name.ntx"), "UPPER( NAME ) + STR( ID, 6 )");
    std::string ours = ntxOrder(dir.file("big_name.ntx"), 'C', 2000);
    EXPECT_EQ(ours, ntxOrder(goldenPath("big_name.ntx"), 'C', 2000));
    EXPECT_EQ(ours, mx::test::readFileBytes(goldenPath("big_name.order.txt")));
}
