// The data check across tables on real data sets: the demo set, which must
// pass, and a copy with one fault of each kind planted by an independent
// writer (python3-dbf) and reindexed by mxadmin. Each fault must be found
// with its table, record and field, and nothing else; the files must be the
// same bytes afterwards; a read-only folder checks the same as an
// unprivileged user; an unreadable table gives exit status 2.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "CrossCheck.h"
#include "Opening.h"
#include "ProgramRunner.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "Session.h"
#include "TableDefaults.h"
#include "TestUtil.h"

namespace mx::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// Every file below `dir` with its bytes and mode.
std::map<std::string, std::pair<std::string, fs::perms>> snapshot(const std::string& dir) {
    std::map<std::string, std::pair<std::string, fs::perms>> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[fs::relative(e.path(), dir).string()] = {readFileBytes(e.path().string()), e.status().permissions()};
    return files;
}

// A fault the planting script wrote: table, record, field.
using Planted = std::tuple<std::string, std::uint32_t, std::string>;

class CrossCheckTest : public ::testing::Test {
protected:
    static Outcome command(const std::string& line) {
        return runCapturing(line, scratch->file("stderr.txt"));
    }
    static Outcome mxadmin(const std::string& args) { return command(mx::test::mxadmin() + " " + args); }
    static Outcome plant(const std::string& dir, const char* phase) {
        return command("/usr/bin/python3 '" + std::string(MX_SOURCE_DIR) + "/tests/tools/plant_faults.py' '" + dir +
                       "' " + phase);
    }
    static void readPlanted(const std::string& out) {
        for (const std::string& l : lines(out)) {
            std::istringstream in(l);
            std::string kind, alias, field;
            std::uint32_t recno = 0;
            in >> kind >> alias >> recno >> field;
            if (kind == "FAULT") faults->emplace_back(alias, recno, field);
            if (kind == "SOUND") sound->emplace_back(alias, recno, "");
        }
    }

    // One demo set and one planted set for the whole suite: made once.
    static void SetUpTestSuite() {
        scratch = new TempDir;
        faults = new std::vector<Planted>;
        sound = new std::vector<Planted>;
        clean = scratch->file("demo");
        planted = scratch->file("planted");
        ASSERT_EQ(mxadmin("init '" + clean + "' --demo").status, 0);
        ASSERT_EQ(mxadmin("init '" + planted + "' --demo").status, 0);
        Outcome tables = plant(planted, "tables");
        ASSERT_EQ(tables.status, 0) << tables.err;
        ASSERT_EQ(mxadmin("reindex '" + planted + "'").status, 0);
        Outcome keys = plant(planted, "keys");
        ASSERT_EQ(keys.status, 0) << keys.err;
        readPlanted(tables.out + keys.out);
    }
    static void TearDownTestSuite() {
        delete scratch;
        delete faults;
        delete sound;
    }

    static TempDir* scratch;
    static std::vector<Planted>* faults;
    static std::vector<Planted>* sound;
    static std::string clean, planted;
};

TempDir* CrossCheckTest::scratch = nullptr;
std::vector<Planted>* CrossCheckTest::faults = nullptr;
std::vector<Planted>* CrossCheckTest::sound = nullptr;
std::string CrossCheckTest::clean;
std::string CrossCheckTest::planted;

// "ASSLINE #184 ASSCODE: ..." -> (ASSLINE, 184, ASSCODE); nullopt for other lines.
std::optional<Planted> parseFinding(const std::string& line) {
    const std::size_t hash = line.find(" #"), colon = line.find(": ");
    if (hash == std::string::npos || colon == std::string::npos || hash > colon) return std::nullopt;
    const std::size_t blank = line.find(' ', hash + 2);
    if (blank == std::string::npos || blank > colon) return std::nullopt;
    return Planted{line.substr(0, hash), static_cast<std::uint32_t>(std::stoul(line.substr(hash + 2, blank - hash - 2))),
                   line.substr(blank + 1, colon - blank - 1)};
}

TEST_F(CrossCheckTest, TheDemoDataSetHasNothingToReport) {
    const auto before = snapshot(clean);
    Outcome r = mxadmin("crosscheck '" + clean + "'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(lines(r.out), std::vector<std::string>{"15 tables read: no findings"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(snapshot(clean), before);
}

TEST_F(CrossCheckTest, EveryPlantedFaultIsFoundWithItsTableRecordAndFieldAndNothingElse) {
    ASSERT_GE(faults->size(), 35u) << "the planting script ran";
    const auto before = snapshot(planted);
    Outcome r = mxadmin("crosscheck '" + planted + "'");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(snapshot(planted), before) << "the check wrote nothing, not even a header or an index page";

    std::vector<std::string> out = lines(r.out);
    ASSERT_FALSE(out.empty());
    const std::string count = out.back();
    out.pop_back();
    EXPECT_EQ(count, "15 tables read: " + std::to_string(faults->size()) + " findings");

    std::multiset<Planted> found;
    for (const std::string& l : out) {
        std::optional<Planted> f = parseFinding(l);
        ASSERT_TRUE(f) << "not a finding line: " << l;
        found.insert(*f);
    }
    for (const Planted& p : *faults)
        EXPECT_EQ(found.count(p), 1u) << std::get<0>(p) << " #" << std::get<1>(p) << " " << std::get<2>(p) << "\n"
                                      << r.out;
    for (const Planted& s : *sound)
        for (const Planted& f : found)
            EXPECT_FALSE(std::get<0>(f) == std::get<0>(s) && std::get<1>(f) == std::get<1>(s))
                << "sound record reported: " << std::get<0>(s) << " #" << std::get<1>(s);
    EXPECT_EQ(found.size(), faults->size()) << r.out;

    // Listed table by table, each table's findings in record order.
    std::vector<Planted> order;
    for (const std::string& l : out) order.push_back(*parseFinding(l));
    const std::vector<std::string> tables = {"INDEXDEF", "LIBCAT", "LIB",      "STOCKCAT", "STOCK",    "ASSEMCAT",
                                             "ASSEMBLY", "ASSLINE", "ASSPANEL", "ASSDRAW", "PUNCHOLE", "MITREX"};
    auto rank = [&](const Planted& p) {
        return std::make_pair(std::find(tables.begin(), tables.end(), std::get<0>(p)) - tables.begin(), std::get<1>(p));
    };
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end(), [&](auto& a, auto& b) { return rank(a) < rank(b); }));

    // The words a user acts on: what is named, and where the rule comes from.
    auto lineOf = [&](const std::string& alias, const std::string& field, const std::string& part) {
        for (const std::string& l : out)
            if (l.rfind(alias + " #", 0) == 0 && l.find(" " + field + ": ") != std::string::npos &&
                l.find(part) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(lineOf("ASSLINE", "ASSCODE", "\"GONE-CFG\"")) << r.out;
    EXPECT_TRUE(lineOf("ASSLINE", "ADJUST", "-3 to 3 mm")) << r.out;
    EXPECT_TRUE(lineOf("ASSLINE", "STKCODE", "\"NO-SUCH-ITEM\" is not in stock")) << r.out;
    EXPECT_TRUE(lineOf("ASSDRAW", "FROMCOL", "stops the data sheet's drawing of \"RS450-SW2\"")) << r.out;
    EXPECT_TRUE(lineOf("ASSDRAW", "FN", "SPIRAL(3)")) << r.out;
    EXPECT_TRUE(lineOf("LIB", "SERIAL", "also that of \"RS500\"")) << r.out;
    EXPECT_TRUE(lineOf("LIB", "SERIAL", "numbers 1 to 31 only")) << r.out;
    EXPECT_TRUE(lineOf("MITREX", "LIBCODE1", "begins with a blank")) << r.out;
    EXPECT_TRUE(lineOf("MITREX", "LIBCODE1", "digit 9 value 1")) << r.out;
    EXPECT_TRUE(lineOf("MITREX", "LIBCODE1", "holds \"G\"")) << r.out;
    EXPECT_TRUE(lineOf("INDEXDEF", "IN_STR", "\"CATEGORY+\"")) << r.out;
}

TEST_F(CrossCheckTest, TheCheckOnItsOwnSessionTellsItsProgressAndLeavesTheCallersTablesAlone) {
    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    ds::DataContext ctx(session, sink, sleeper, planted);
    ds::applyTableAccessDefaults(session);
    ASSERT_TRUE(ds::OPNALIAS(ctx, "assline", false, true));
    rt::WorkArea& lines = session.openArea("ASSLINE");
    lines.setOrder(2);
    lines.goTo(5);

    std::vector<integrity::Progress> told;
    const integrity::Report report = integrity::crossCheck(ctx, [&](const integrity::Progress& p) { told.push_back(p); });
    EXPECT_TRUE(report.readable());
    EXPECT_EQ(report.findings.size(), faults->size());
    EXPECT_EQ(session.areas().size(), 1u) << "no table opened in the caller's session";
    EXPECT_EQ(session.selected(), &lines);
    EXPECT_EQ(lines.order(), 2);
    EXPECT_EQ(lines.recno(), 5u);
    EXPECT_TRUE(sink.empty());

    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front().step, 1);
    EXPECT_EQ(told.back().step, told.back().steps);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end(), [](auto& a, auto& b) { return a.step < b.step; }));

    const integrity::Finding& f = report.findings.front();
    EXPECT_EQ(integrity::findingLine(f), f.alias + " #" + std::to_string(f.recno) + " " + f.field + ": " + f.problem +
                                             " (" + f.code + ")");
}

TEST_F(CrossCheckTest, AnUnreadableTableOrFolderEndsWithStatusTwoNamingIt) {
    const std::string dir = scratch->file("nolib");
    fs::copy(clean, dir, fs::copy_options::recursive);
    fs::remove(dir + "/lib.dbf");
    Outcome r = mxadmin("crosscheck '" + dir + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("LIB: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("lib"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("1 table could not be read"), std::string::npos) << r.out;
    // The checks that do not need the library are made all the same.
    EXPECT_EQ(r.out.find("LIB #"), std::string::npos) << r.out;

    EXPECT_EQ(mxadmin("crosscheck '" + scratch->file("nothing") + "'").status, 2);
    EXPECT_EQ(mxadmin("crosscheck").status, 2);
}

TEST_F(CrossCheckTest, AReadOnlyFolderIsCheckedAsAnUnprivilegedUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    if (run("command -v setpriv >/dev/null").status != 0) GTEST_SKIP() << "setpriv is not installed";
    const std::string as = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    if (run(as + mx::test::mxadmin() + " --version >/dev/null").status != 0)
        GTEST_SKIP() << "nobody cannot run the built mxadmin here";

    // A folder nobody can read and not write, as a read-only share.
    const std::string dir = scratch->file("share");
    fs::copy(planted, dir, fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(dir)) fs::permissions(e.path(), fs::perms(0444));
    fs::permissions(dir, fs::perms(0555));
    fs::permissions(scratch->path(), fs::perms(0755));
    const auto before = snapshot(dir);

    Outcome asRoot = mxadmin("crosscheck '" + planted + "'");
    Outcome asNobody = command(as + mx::test::mxadmin() + " crosscheck '" + dir + "'");
    EXPECT_EQ(asNobody.status, 1) << asNobody.err;
    EXPECT_EQ(asNobody.err, "");
    EXPECT_EQ(asNobody.out, asRoot.out);
    EXPECT_EQ(snapshot(dir), before);
    fs::permissions(dir, fs::perms(0755));
}

}  // namespace
}  // namespace mx::test
