// mxadmin as a user runs it: exit statuses, what it prints, and that a
// refused or failed init leaves nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

#include "ChildHolder.h"
#include "DataStoreHarness.h"
#include "Opening.h"
#include "Password.h"
#include "ProgramRunner.h"

namespace mx::test {
namespace {

namespace fs = std::filesystem;

class MxadminTest : public ::testing::Test {
protected:
    // Runs mxadmin with the arguments (each quoted), capturing both outputs.
    Outcome mxadmin(const std::vector<std::string>& args) {
        std::string cmd = mx::test::mxadmin();
        for (const std::string& a : args) cmd += " '" + a + "'";
        return runCapturing(cmd, scratch.file("stderr.txt"));
    }

    // Every file below `dir` with its bytes.
    static std::map<std::string, std::string> snapshot(const std::string& dir) {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file()) files[e.path().string()] = readFileBytes(e.path().string());
        return files;
    }

    std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return out;
    }

    TempDir scratch;  // holds stderr.txt
    TempDir work;     // data sets are made inside
};

TEST_F(MxadminTest, InitTwiceRefusesTheSecondAndChangesNothing) {
    const std::string dir = work.file("data");
    Outcome first = mxadmin({"init", dir});
    ASSERT_EQ(first.status, 0) << first.err;
    auto before = snapshot(work.path());
    EXPECT_GT(before.size(), 40u);

    Outcome second = mxadmin({"init", dir, "--demo"});
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("already exists"), std::string::npos) << second.err;
    EXPECT_EQ(snapshot(work.path()), before) << "no file added, removed or changed";
    EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), {}), 1) << "no temporary folder left";
}

TEST_F(MxadminTest, InitIntoAnEmptyFolderAndAnEmptyDataSetChecksClean) {
    const std::string dir = work.file("empty");
    makeDir(dir);
    ASSERT_EQ(mxadmin({"init", dir}).status, 0);
    Outcome check = mxadmin({"check", dir});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    Outcome sysinfo = mxadmin({"dump", dir, "sysinfo"});
    EXPECT_EQ(sysinfo.out, "F\n");
    EXPECT_EQ(mxadmin({"dump", dir, "lib"}).out, "");
}

// A 24-bit Windows bitmap of the size given, as the workstation reads it.
void expectBitmap(const std::string& path, int width, int height) {
    const std::string bytes = readFileBytes(path);
    ASSERT_GE(bytes.size(), 54u) << path;
    auto u32 = [&](size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
        return v;
    };
    EXPECT_EQ(bytes.substr(0, 2), "BM") << path;
    EXPECT_EQ(u32(2), bytes.size()) << path;
    EXPECT_EQ(u32(18), static_cast<std::uint32_t>(width)) << path;
    EXPECT_EQ(u32(22), static_cast<std::uint32_t>(height)) << path;
    EXPECT_EQ(bytes[28], 24) << path;
}

TEST_F(MxadminTest, EveryDataSetGetsTheSearchMagnifierAndTheBitmapsCommandAddsOnlyWhatIsMissing) {
    const std::string plain = work.file("plain"), demo = work.file("demo");
    ASSERT_EQ(mxadmin({"init", plain}).status, 0);
    ASSERT_EQ(mxadmin({"init", demo, "--demo"}).status, 0);
    expectBitmap(plain + "/lupa.bmp", 32, 32);
    EXPECT_FALSE(fs::exists(plain + "/tws.bmp"));
    expectBitmap(demo + "/lupa.bmp", 32, 32);
    expectBitmap(demo + "/tws.bmp", 360, 220);
    expectBitmap(demo + "/logo.bmp", 240, 180);

    // An older data set with a splash of its own and no magnifier.
    fs::remove(plain + "/lupa.bmp");
    std::ofstream(plain + "/tws.bmp") << "the customer's own";
    Outcome r = mxadmin({"bitmaps", plain, "--demo"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Written: lupa.bmp\nWritten: logo.bmp\n");
    EXPECT_EQ(readFileBytes(plain + "/tws.bmp"), "the customer's own");
    expectBitmap(plain + "/lupa.bmp", 32, 32);
    EXPECT_EQ(mxadmin({"bitmaps", plain}).out, "Every bitmap is there already\n");
    EXPECT_EQ(mxadmin({"bitmaps", work.file("nowhere")}).status, 1);
}

TEST_F(MxadminTest, InitRefusesWhatItCannotUseAndLeavesNothing) {
    Outcome missing = mxadmin({"init", work.file("no/such/parent/data")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;

    std::ofstream(work.file("plainfile")) << "x";
    Outcome notFolder = mxadmin({"init", work.file("plainfile")});
    EXPECT_EQ(notFolder.status, 1);
    Outcome underFile = mxadmin({"init", work.file("plainfile/data")});
    EXPECT_EQ(underFile.status, 1);

    makeDir(work.file("busy"));
    std::ofstream(work.file("busy/LIB.DBF")) << "x";
    Outcome taken = mxadmin({"init", work.file("busy")});
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find("lib.dbf"), std::string::npos) << taken.err;

    Outcome badDemo = mxadmin({"init", work.file("d"), "--demo", "--demo-dir", work.file("nodemo")});
    EXPECT_EQ(badDemo.status, 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), {}), 2) << "plainfile and busy only";
}

TEST_F(MxadminTest, DemoLargeBuildsTheCountsAskedBesideTheTargetAndPassesTheCheck) {
    const std::string dir = work.file("large");
    Outcome r = mxadmin({"demo-large", dir, "--scale", "1", "--customers", "150", "--lines-each", "7", "--library", "9"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Large data set created in " + dir +
                         ": 150 customers, 20 configurations with 140 lines, 200 stock items, 9 library entries\n");
    const std::map<std::string, size_t> expected = {
        {"mitrex", 150}, {"assembly", 20}, {"assline", 140}, {"stock", 200}, {"lib", 9}};
    for (const auto& [table, n] : expected) EXPECT_EQ(lines(mxadmin({"dump", dir, table}).out).size(), n) << table;
    for (const char* bitmap : {"lupa.bmp", "tws.bmp", "logo.bmp"}) EXPECT_TRUE(fs::exists(dir + "/" + bitmap)) << bitmap;
    Outcome check = mxadmin({"check", dir});
    EXPECT_EQ(check.status, 0) << check.out;

    // Over a data set, or into a folder holding a table: refused, nothing changed or left.
    auto before = snapshot(work.path());
    Outcome again = mxadmin({"demo-large", dir, "--scale", "1"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
    makeDir(work.file("busy"));
    std::ofstream(work.file("busy/mitrex.dbf")) << "x";
    before[work.file("busy/mitrex.dbf")] = "x";
    EXPECT_EQ(mxadmin({"demo-large", work.file("busy"), "--scale", "1"}).status, 1);
    EXPECT_EQ(snapshot(work.path()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), {}), 2) << "no temporary folder left";
}

TEST_F(MxadminTest, BrokenDemoSourceFailsWholeAndCleansUp) {
    const std::string sources = work.file("sources");
    makeDir(sources);
    std::ofstream(sources + "/lib.csv") << "CODE,SERIAL\nTOOLONGCODE1,1\n";
    Outcome r = mxadmin({"init", work.file("data"), "--demo", "--demo-dir", sources});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("lib.csv"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(work.file("data")));
    EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), {}), 1) << "only the sources";
}

TEST_F(MxadminTest, DemoDataSetPassesTheCheckAndDumpsInIndexOrder) {
    const std::string dir = work.file("demo");
    Outcome init = mxadmin({"init", dir, "--demo"});
    ASSERT_EQ(init.status, 0) << init.err;
    Outcome check = mxadmin({"check", dir});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("no problems"), std::string::npos);

    Outcome lib = mxadmin({"dump", dir, "lib", "--order", "3", "--header"});
    ASSERT_EQ(lib.status, 0) << lib.err;
    auto rows = lines(lib.out);
    ASSERT_GE(rows.size(), 21u);
    EXPECT_EQ(rows[0], "CODE | DESC | CATEGORY | SERIAL | MAXADJUST | GROUP | NUMBER | TAG | TAG2 | TAG3 | TAG4 | TAG5 | "
                       "TAG6 | TAG7 | TAG8 | TAG9");
    EXPECT_EQ(rows[1], "RS400 | RESIDENTIAL 400 FIXED LIGHTS | RES | 1 | 0 | 1 | 1 | F | F | F | F | F | F | F | F | F");
    for (const std::string& row : rows) EXPECT_EQ(row.back() == ' ', false) << "trailing blanks trimmed";

    Outcome notes = mxadmin({"dump", dir, "mxnote"});
    EXPECT_NE(notes.out.find("\\n"), std::string::npos) << "line breaks of memos shown as \\n";
    EXPECT_EQ(lines(notes.out).size(), lines(mxadmin({"dump", dir, "mxnote", "--order", "1"}).out).size());
}

TEST_F(MxadminTest, DumpShowsDeletedRecordsAndReportsWhatItCannotOpen) {
    const std::string dir = work.file("demo");
    ASSERT_EQ(mxadmin({"init", dir, "--demo"}).status, 0);
    {
        Harness h;
        h.ctx.dataDir = dir;
        ASSERT_TRUE(ds::OPNALIAS(h.ctx, "assemcat"));
        rt::WorkArea& a = *h.session.selected();
        a.goTo(1);
        ASSERT_TRUE(a.lock());
        a.deleteRecord();
        a.unlock();
    }
    auto rows = lines(mxadmin({"dump", dir, "assemcat"}).out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "FIXED | FIXED LIGHTS | (deleted)");
    EXPECT_EQ(rows[1], "SLIDER | SLIDING WINDOWS");

    Outcome unknown = mxadmin({"dump", dir, "nosuch"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "mxadmin: there is no table nosuch in the data set " + dir + ": indexdef does not list it\n");
    EXPECT_EQ(mxadmin({"dump", dir, "quotdata", "--order", "1"}).status, 1) << "quotdata has no index";
    EXPECT_EQ(mxadmin({"dump", work.file("nowhere"), "lib"}).status, 1);
}

TEST_F(MxadminTest, CheckFindsAnIndexThatNoLongerMatchesItsTableAndReindexMendsIt) {
    const std::string dir = work.file("demo");
    ASSERT_EQ(mxadmin({"init", dir, "--demo"}).status, 0);
    {
        // Change a code behind the indexes' back.
        rt::Session s;
        rt::WorkArea& a = s.open(dir + "/lib.dbf", "", rt::OpenMode::Exclusive);
        a.goTo(3);
        a.setField("CODE", rt::Value::character("ZZ999"));
        s.closeAll();
    }
    Outcome check = mxadmin({"check", dir});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("LIB: "), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("libcode.ntx"), std::string::npos) << check.out;

    Outcome reindex = mxadmin({"reindex", dir});
    EXPECT_EQ(reindex.status, 0) << reindex.err;
    EXPECT_EQ(mxadmin({"check", dir}).status, 0);

    fs::remove(dir + "/stock.ntx");
    Outcome missing = mxadmin({"check", dir});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("STOCK: Index file stock.NTX not found"), std::string::npos) << missing.out;
}

// A table open on another workstation would cost the rebuild the opening
// service's retries and leave the others rebuilt around it: it is refused
// before anything is written, naming what is in use.
TEST_F(MxadminTest, ReindexOfADataSetInUseIsRefusedBeforeAnythingIsWritten) {
    const std::string dir = work.file("demo");
    ASSERT_EQ(mxadmin({"init", dir, "--demo"}).status, 0);
    const auto before = snapshot(dir);
    {
        ChildHolder lines;  // a workstation on the Formulae screen
        ASSERT_TRUE(lines.start(dir + "/assline.dbf", rt::OpenMode::Shared));
        Outcome r = mxadmin({"reindex", dir});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "mxadmin: the data set " + dir +
                             " is in use: another workstation or program has ASSLINE open. The rebuild needs every "
                             "table to itself and has changed nothing; run it again when no workstation is working "
                             "on the data set.\n");
        EXPECT_EQ(snapshot(dir), before) << "no index file rebuilt, no table packed";
        // Looking needs nothing to itself.
        EXPECT_EQ(mxadmin({"check", dir}).status, 0);
    }
    {
        ChildHolder library, rebuild;  // the library screen, and another rebuild holding indexdef
        ASSERT_TRUE(library.start(dir + "/lib.dbf", rt::OpenMode::Exclusive));
        ASSERT_TRUE(rebuild.start(dir + "/indexdef.dbf", rt::OpenMode::Exclusive));
        Outcome r = mxadmin({"reindex", dir});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(" has INDEXDEF open."), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir), before);
    }
    {
        ChildHolder library, stock;
        ASSERT_TRUE(library.start(dir + "/lib.dbf", rt::OpenMode::Exclusive));
        ASSERT_TRUE(stock.start(dir + "/stock.dbf", rt::OpenMode::Shared));
        Outcome r = mxadmin({"reindex", dir});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(" has LIB and STOCK open."), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir), before);
    }
    Outcome free = mxadmin({"reindex", dir});
    EXPECT_EQ(free.status, 0) << free.err;
    EXPECT_EQ(free.out, "26 index files built, 6 packs\n");
}

TEST_F(MxadminTest, ReindexFailsWhenAKeyCannotBeEvaluated) {
    const std::string dir = work.file("data");
    ASSERT_EQ(mxadmin({"init", dir}).status, 0);
    {
        rt::Session s;
        rt::WorkArea& a = s.open(dir + "/indexdef.dbf", "", rt::OpenMode::Exclusive);
        for (a.goTop(); !a.eof(); a.skip())
            if (a.fieldValue("IN_NAME").str().rfind("libcatg", 0) == 0) a.setField("IN_STR", rt::Value::character("CATEGORY+"));
        s.closeAll();
    }
    Outcome r = mxadmin({"reindex", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("libcatg.NTX"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("CATEGORY+"), std::string::npos) << r.err;
}

TEST_F(MxadminTest, CheckDumpAndUserListWorkOnADataSetTheyMayNotWriteTo) {
    const std::string dir = work.file("demo");
    ASSERT_EQ(mxadmin({"init", dir, "--demo"}).status, 0);
    const std::string writable = mxadmin({"dump", dir, "lib"}).out;
    for (const auto& e : fs::directory_iterator(dir)) fs::permissions(e.path(), fs::perms(0444));
    fs::permissions(dir, fs::perms(0555));
    fs::permissions(work.path(), fs::perms(0755));
    // Permissions do not hold the super-user back: run as nobody then.
    const std::string as = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    auto runReadOnly = [&](const std::string& args) {
        return runCapturing(as + mx::test::mxadmin() + " " + args, scratch.file("stderr.txt"));
    };

    Outcome check = runReadOnly("check '" + dir + "'");
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    Outcome dump = runReadOnly("dump '" + dir + "' lib");
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out, writable);
    Outcome users = runReadOnly("user list '" + dir + "'");
    EXPECT_EQ(users.status, 0) << users.err;
    EXPECT_FALSE(users.out.empty());
    // What writes still says why it cannot.
    Outcome add = runReadOnly("user add '" + dir + "' NEW --level 1");
    EXPECT_EQ(add.status, 1);
    EXPECT_NE(add.err.find("Permission denied"), std::string::npos) << add.err;
    fs::permissions(dir, fs::perms(0755));
}

TEST_F(MxadminTest, ReindexCountsADamagedTableOnceAndNamesIt) {
    const std::string dir = work.file("demo");
    ASSERT_EQ(mxadmin({"init", dir, "--demo"}).status, 0);
    std::ofstream(dir + "/lib.dbf", std::ios::trunc) << "not a table";
    Outcome r = mxadmin({"reindex", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(", 1 table skipped (LIB)\n"), std::string::npos) << r.out;
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find("lib.dbf is damaged"), std::string::npos) << r.err;
}

TEST_F(MxadminTest, UserAccountsAreStoredScrambledAndSecurityIsSwitched) {
    const std::string dir = work.file("data");
    ASSERT_EQ(mxadmin({"init", dir}).status, 0);
    EXPECT_EQ(mxadmin({"user", "add", dir, "fred", "--level", "7", "--password", "abc", "--desc", "FRED NERK"}).status, 0);
    EXPECT_EQ(mxadmin({"user", "add", dir, "FRED", "--level", "5"}).status, 1) << "one record per name";
    EXPECT_EQ(mxadmin({"user", "add", dir, "TOOLONGNAME1", "--level", "5"}).status, 1);
    EXPECT_EQ(mxadmin({"user", "add", dir, "BOB", "--level", "5", "--password", "SEVENCH"}).status, 1);
    EXPECT_EQ(mxadmin({"security", dir, "on"}).status, 0);
    EXPECT_EQ(mxadmin({"dump", dir, "sysinfo"}).out, "T\n");

    rt::Session s;
    rt::WorkArea& users = s.open(dir + "/users.dbf");
    ASSERT_EQ(users.recordCount(), 1u);
    users.goTop();
    EXPECT_EQ(users.fieldValue("USERNAME").str(), "FRED      ");
    EXPECT_EQ(users.fieldValue("SECURELVL").str(), "7");
    EXPECT_EQ(users.fieldValue("PASSWORD").str(), ds::ENCRYPT("ABC   ")) << "upper case, as typed at the login";
    EXPECT_EQ(users.fieldValue("USERDESC").str().substr(0, 9), "FRED NERK");
}

TEST_F(MxadminTest, BadCommandLinesExitWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"init"}, {"init", "a", "b"}, {"dump", "x"}, {"dump", "x", "lib", "--order", "nine"},
             {"check", "x", "--fast"}, {"security", "x", "maybe"}, {"init", "x", "--demo-dir", "y"},
             {"demo-large"}, {"demo-large", "x", "--scale", "0"}, {"demo-large", "x", "--scale", "1001"},
             {"demo-large", "x", "--library", "101"}, {"demo-large", "x", "--customers", "-1"},
             {"demo-large", "x", "--lines-each", "ten"}, {"demo-large", "x", "--stock", "0"},
             {"demo-large", "x", "--demo"}}) {
        Outcome r = mxadmin(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    EXPECT_EQ(mxadmin({"--help"}).status, 0);
}

TEST_F(MxadminTest, EveryCommandGivesItsOwnUsageForHelpAndDoesNothing) {
    const std::string dir = work.file("untouched");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "--help"}, {"demo-large", "--help"}, {"demo-large", dir, "--scale", "1", "-h"},
             {"dump", dir, "lib", "--help"}, {"reindex", "--help"}, {"check", "--help"}, {"crosscheck", "--help"},
             {"user", "add", dir, "--help"}, {"security", "--help"}, {"bitmaps", dir, "--help"}}) {
        Outcome r = mxadmin(args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.err, "") << args[0];
        EXPECT_EQ(r.out.rfind("usage: mxadmin " + args[0] + " ", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("\n" + args[0] + " "), std::string::npos) << "its paragraph: " << r.out;
        EXPECT_EQ(r.out.find("mxadmin dump") == std::string::npos, args[0] != "dump") << "no other command: " << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir)) << "nothing was created";
    // The usage of demo-large keeps its continued synopsis and its whole paragraph.
    const std::string large = mxadmin({"demo-large", "--help"}).out;
    EXPECT_NE(large.find("[--lines-each N] [--stock N] [--library N]"), std::string::npos) << large;
    EXPECT_NE(large.find("--library (1 to 100)"), std::string::npos) << large;
    EXPECT_EQ(large.find("dump     prints"), std::string::npos) << large;
}

}  // namespace
}  // namespace mx::test
