// Copying a configuration through the screen's Copy button and carrying its
// records along with a code change in the header dialog: every field of each
// copy compared with its source (by bytes and through dbfread), a deleted
// line left behind, the refusals writing nothing, an append that fails part
// way undone, a record another process holds during a move, a second
// workstation reading the list while a copy is written, and the integrity
// check clean after each.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "ConfigurationCopy.h"
#include "ConfigurationHarness.h"
#include "Text.h"

namespace mx::configurations::test {
namespace {

using Lines = std::vector<std::string>;
using Records = std::vector<std::vector<std::string>>;

constexpr const char* kTables[] = {"assembly", "assline", "assdraw", "asspanel", "punchole"};

class ConfigurationCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("RS450")}}, {{"CODE", C("RS500")}, {"MAXADJUST", N(3)}}});
        h.append("assembly",
                 {{{"CODE", C("SW2")}, {"DESC", C("SLIDING WINDOW")}, {"LIB", C("RS450")}},
                  {{"CODE", C("AW1")}, {"DESC", C("AWNING WINDOW")}, {"LIB", C("RS500")}, {"ASSEMCAT", C("AWNING")},
                   {"WRATED", L(true)}, {"PRICE", N(344.14)}, {"LOCLABOUR", L(true)}, {"HTMAX", N(2400)},
                   {"ADESC", C("SASH")}, {"LA", L(false)}, {"NOTES", C("two sashes")}}});
        h.append("assline",
                 {{{"ASSCODE", C("AW1")}, {"STKCODE", C("HEAD")}, {"TYPE", C("L")}, {"QTY", N(2.5)}, {"CQTY", C("2")},
                   {"AMOUNT", C("W-12")}, {"ADJUST", N(-2)}, {"CONDITION", C("W>600")}, {"WASTAGE", L(true)}},
                  {{"ASSCODE", C("SW2")}, {"STKCODE", C("SILL")}},
                  {{"ASSCODE", C("AW1")}, {"STKCODE", C("GLAZE")}, {"LABOUR", L(true)}, {"LABDESC", C("GLAZING")}},
                  {{"ASSCODE", C("AW1")}, {"STKCODE", C("OLD")}},
                  {{"ASSCODE", C("AW1")}, {"STKCODE", C("JAMB")}, {"AMOUNT", C("H-10")}, {"AMOUNT2", C("H/2")}}});
        h.append("assdraw", {{{"ASSCODE", C("AW1")}, {"TYPE", C("LINE")}, {"FROMROW", C("0")}, {"TOROW", C("H")}},
                             {{"ASSCODE", C("SW2")}, {"TYPE", C("BOX")}},
                             {{"ASSCODE", C("AW1")}, {"TYPE", C("SASH")}, {"FN", C("W/2")}, {"CONDITION", C("LA")}}});
        h.append("asspanel", {{{"ASSCODE", C("SW2")}, {"PANELCODE", C("P1")}},
                              {{"ASSCODE", C("AW1")}, {"PANELCODE", C("P1")}},
                              {{"ASSCODE", C("AW1")}, {"PANELCODE", C("P2")}}});
        h.append("punchole", {{{"ASSCODE", C("AW1")}, {"DESC", C("DRAIN")}, {"DIMENSION", C("W/4")}, {"ADJUST", N(-2)}},
                              {{"ASSCODE", C("SW2")}, {"DESC", C("DRAIN")}}});
        h.reindex();
        // After the rebuild, which packs the tables: AW1's OLD line stays deleted.
        h.markDeleted("assline", 4);
    }

    // Plays on the data set as it stands: a test that adds records rebuilds
    // the indexes itself (and the deleted line is packed away then).
    void play(const std::string& script) { ASSERT_EQ(h.play("menu Run\n" + script), 0) << h.joined(); }

    // Every table's records (bytes and deleted flags), to show that nothing was written.
    std::vector<std::string> everything() {
        std::vector<std::string> out;
        for (const char* t : kTables) {
            rt::Session s;
            const std::uint32_t n = s.open(h.tmp.file(std::string(t) + ".dbf"), "", rt::OpenMode::Shared, true).recordCount();
            s.closeAll();
            for (std::uint32_t r = 1; r <= n; ++r) out.push_back(std::string(t) + ":" + h.recordBytes(t, r));
        }
        return out;
    }

    void expectCheckClean() {
        std::string report;
        EXPECT_EQ(h.check(&report), 0) << report;
    }

    // Of the records dbfread read, the live ones with `code` in their first
    // field, that field left out, sorted.
    static Records independentOf(const Records& read, const std::string& code) {
        Records out;
        for (std::vector<std::string> r : read) {
            if (r.size() < 2 || r[0] != "live" || ds::trimRight(r[1]) != code) continue;
            r.erase(r.begin(), r.begin() + 2);
            out.push_back(r);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    // Field name -> bytes of every live record of `table` naming `code` in
    // field `codeField`, the code left out, in record order.
    std::vector<std::map<std::string, std::string>> bytesOf(const std::string& table, const std::string& codeField,
                                                            const std::string& code) {
        std::vector<std::map<std::string, std::string>> out;
        rt::Session s;
        const std::uint32_t n = s.open(h.tmp.file(table + ".dbf"), "", rt::OpenMode::Shared, true).recordCount();
        s.closeAll();
        for (std::uint32_t r = 1; r <= n; ++r) {
            if (h.recordBytes(table, r)[0] == '*') continue;
            std::map<std::string, std::string> f = h.recordFields(table, r);
            if (ds::trimRight(f[codeField]) != code) continue;
            f.erase(codeField);
            out.push_back(f);
        }
        return out;
    }

    ConfigurationHarness h;
};

TEST_F(ConfigurationCopyTest, ACopyCarriesEveryFieldOfTheHeaderAndOfEachLiveRecordUnderTheNewCode) {
    play("row 1\nanswer text aw5\npress Copy\ndump\npress Exit\n");
    EXPECT_TRUE(h.has("prompt \"Copy Configuration\" \"New Code:\" ok \"AW5\"")) << h.joined();
    EXPECT_FALSE(h.hasPrefix("alert ")) << h.joined();
    // Byte for byte as the file holds them, by our own reader ...
    EXPECT_EQ(bytesOf("assembly", "CODE", "AW5"), bytesOf("assembly", "CODE", "AW1"));
    EXPECT_EQ(bytesOf("assembly", "CODE", "AW5").size(), 1u);
    for (const char* t : {"assline", "assdraw", "asspanel", "punchole"})
        EXPECT_EQ(bytesOf(t, "ASSCODE", "AW5"), bytesOf(t, "ASSCODE", "AW1")) << t;
    // ... and by an independent one.
    for (const char* t : kTables) {
        const Records read = h.independentRecords(t);
        EXPECT_EQ(independentOf(read, "AW5"), independentOf(read, "AW1")) << t;
        EXPECT_EQ(independentOf(read, "AW5").size(), bytesOf(t, std::string(t) == "assembly" ? "CODE" : "ASSCODE", "AW1").size()) << t;
    }
    EXPECT_EQ(h.live("assline", "STKCODE"), (Lines{"HEAD", "SILL", "GLAZE", "JAMB", "HEAD", "GLAZE", "JAMB"}))
        << "the deleted line is not copied";
    EXPECT_EQ(h.column("assline", "ASSCODE").size(), 8u);
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"AW1", "SW2", "AW5"}));
    // The header is written last, and the list stands on it.
    EXPECT_EQ(h.column("assembly", "CODE"), (Lines{"SW2", "AW1", "AW5"}));
    EXPECT_EQ(h.rows(0), (Lines{"row 1 \"AW1\" \"AWNING WINDOW\" \"RS500\" \"AWNING\" \"Y\" \"Y\"",
                                "row* 2 \"AW5\" \"AWNING WINDOW\" \"RS500\" \"AWNING\" \"Y\" \"Y\"",
                                "row 3 \"SW2\" \"SLIDING WINDOW\" \"RS450\" \"\" \"\" \"\""}));
    expectCheckClean();
}

TEST_F(ConfigurationCopyTest, TheCopyIsWhatTheLineScreensShowUnderTheNewConfiguration) {
    play("row 1\nanswer text AW5\npress Copy\npress Formulae\ndump\npress Exit\npress \"Punch Holes\"\ndump\npress Exit\n"
         "row 1\npress Formulae\ndump\npress Exit\npress Exit\n");
    EXPECT_EQ(h.rows(0).size(), 2u) << h.joined();  // the formula lines: HEAD and JAMB
    EXPECT_EQ(h.rows(0), h.rows(2)) << "the copy's formula list is its source's";
    EXPECT_EQ(h.rows(1), (Lines{"row* 1 \"DRAIN\" \"W/4\" \"-2\""}));
}

TEST_F(ConfigurationCopyTest, EachRefusedCodeWritesNothingAndNamesTheCode) {
    // Lines left under ZZ1 by an earlier code change, without a configuration.
    h.append("assline", {{{"ASSCODE", C("ZZ1")}, {"STKCODE", C("A")}}, {{"ASSCODE", C("ZZ1")}, {"STKCODE", C("B")}}});
    h.append("punchole", {{{"ASSCODE", C("ZZ1")}, {"DESC", C("C")}}});
    h.reindex();
    const std::vector<std::string> before = everything();
    play("row 1\nanswer text \"\"\npress Copy\nanswer cancel\npress Copy\nanswer text sw2\npress Copy\n"
         "answer text \" zz1\"\npress Copy\ndump\npress Exit\n");
    EXPECT_EQ(everything(), before);
    EXPECT_TRUE(h.has("alert \"Configuration SW2 already exists. Nothing was copied.\"")) << h.joined();
    EXPECT_TRUE(h.has("alert \"3 records (2 lines, 0 drawing elements, 0 panels and 1 punch hole) still name ZZ1 "
                      "without a configuration, left by an earlier code change; they would mix with it. "
                      "Nothing was copied.\""))
        << h.joined();
    EXPECT_EQ(std::count_if(h.lines.begin(), h.lines.end(), [](const std::string& l) { return l.rfind("alert ", 0) == 0; }),
              2)
        << "a blank code and Cancel are silent";
    EXPECT_EQ(h.rows(0)[0].rfind("row* 1 \"AW1\"", 0), 0u) << "the list stays on the source";
    expectCheckClean();
}

TEST_F(ConfigurationCopyTest, AnAppendThatFailsPartWayIsUndoneAndTold) {
    OtherStation other;
    ASSERT_TRUE(other.holdFileLock(h.tmp.file("asspanel.dbf")));  // lines and drawings go in, the panels cannot
    play("row 1\nanswer text AW5\npress Copy\ndump\npress Exit\n");
    other.release();
    EXPECT_TRUE(h.has("alert \"The copy of AW1 as AW5 could not be finished: the table of panels was busy at another "
                      "workstation. The 5 records it had written were removed again.\""))
        << h.joined();
    EXPECT_EQ(h.sink.texts(ds::RecordingSink::Kind::Timed), (Lines{"Unable to add record."}));
    EXPECT_EQ(h.sleeper.count(), 100) << "one append and its 100 retries";
    for (const char* t : {"assline", "assdraw", "asspanel", "punchole"}) EXPECT_TRUE(bytesOf(t, "ASSCODE", "AW5").empty()) << t;
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "AW1"}));
    // What was written is there, marked deleted, for dbfread too.
    Records deleted;
    for (const auto& r : h.independentRecords("assline"))
        if (r[0] == "deleted") deleted.push_back(r);
    ASSERT_EQ(deleted.size(), 4u);  // the OLD line and the three copies
    EXPECT_EQ(deleted[1][1], "AW5");
    EXPECT_EQ(h.rows(0)[0].rfind("row* 1 \"AW1\"", 0), 0u) << h.joined();
    // A second try finds no trace in its way.
    play("row 1\nanswer text AW5\npress Copy\npress Exit\n");
    EXPECT_EQ(bytesOf("asspanel", "ASSCODE", "AW5"), bytesOf("asspanel", "ASSCODE", "AW1"));
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "AW1", "AW5"}));
    expectCheckClean();
}

TEST_F(ConfigurationCopyTest, AHeaderThatCannotBeWrittenTakesEveryDependentBackOutAndAFirstAppendWritesNothing) {
    const std::vector<std::string> before = everything();
    {
        OtherStation other;
        ASSERT_TRUE(other.holdFileLock(h.tmp.file("assembly.dbf")));
        play("row 1\nanswer text AW5\npress Copy\npress Exit\n");
    }
    {
        OtherStation other;
        ASSERT_TRUE(other.holdFileLock(h.tmp.file("assline.dbf")));
        play("row 1\nanswer text AW6\npress Copy\npress Exit\n");
    }
    Lines alerts;
    std::copy_if(h.lines.begin(), h.lines.end(), std::back_inserter(alerts),
                 [](const std::string& l) { return l.rfind("alert ", 0) == 0; });
    EXPECT_EQ(alerts, (Lines{"alert \"The copy of AW1 as AW5 could not be finished: the table of configurations was busy "
                             "at another workstation. The 8 records it had written were removed again.\"",
                             "alert \"The copy of AW1 as AW6 could not be finished: the table of lines was busy at another "
                             "workstation. Nothing was written.\""}));
    for (const char* t : {"assline", "assdraw", "asspanel", "punchole"}) EXPECT_TRUE(bytesOf(t, "ASSCODE", "AW5").empty()) << t;
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "AW1"}));
    // Besides the copies marked deleted, every record is as it was.
    std::vector<std::string> after = everything();
    std::erase_if(after, [](const std::string& r) { return r.find(":*AW5") != std::string::npos; });
    EXPECT_EQ(after, before);
    expectCheckClean();
}

TEST_F(ConfigurationCopyTest, ACodeChangeAnsweredNoLeavesTheRecordsAndChangingItBackFindsThemAgain) {
    play("row 1\npress View/Update\nset CODE aw7\nanswer no\npress Save\n"
         "row 1\npress View/Update\nset CODE AW1\npress Save\npress Formulae\ndump\npress Exit\npress Exit\n");
    EXPECT_TRUE(h.has("yesno \"Move the 3 lines, 2 drawing elements, 2 panels and 1 punch holes of AW1 to AW7?\" no"))
        << h.joined();
    EXPECT_EQ(std::count_if(h.lines.begin(), h.lines.end(), [](const std::string& l) { return l.rfind("yesno ", 0) == 0; }),
              1)
        << "AW7 had nothing to move";
    EXPECT_EQ(h.live("assline", "ASSCODE"), (Lines{"AW1", "SW2", "AW1", "AW1"}));
    EXPECT_EQ(h.live("assembly", "CODE"), (Lines{"SW2", "AW1"}));
    EXPECT_EQ(h.rows(0).size(), 2u) << "back under their configuration";
    expectCheckClean();
}

TEST_F(ConfigurationCopyTest, YesMovesEveryLiveRecordAndLeavesTheDeletedOne) {
    const auto lines = bytesOf("assline", "ASSCODE", "AW1");
    play("row 1\npress View/Update\nset CODE AW7\nanswer yes\npress Save\ndump\npress Formulae\ndump\npress Exit\npress Exit\n");
    EXPECT_TRUE(h.has("yesno \"Move the 3 lines, 2 drawing elements, 2 panels and 1 punch holes of AW1 to AW7?\" yes"))
        << h.joined();
    EXPECT_EQ(h.column("assline", "ASSCODE"), (Lines{"AW7", "SW2", "AW7", "AW1", "AW7"})) << "the deleted line stays";
    EXPECT_EQ(bytesOf("assline", "ASSCODE", "AW7"), lines) << "nothing else changes";
    EXPECT_EQ(h.live("assdraw", "ASSCODE"), (Lines{"AW7", "SW2", "AW7"}));
    EXPECT_EQ(h.live("asspanel", "ASSCODE"), (Lines{"SW2", "AW7", "AW7"}));
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"AW7", "SW2"}));
    EXPECT_EQ(h.rows(0)[0].rfind("row* 1 \"AW7\"", 0), 0u) << h.joined();
    EXPECT_EQ(h.rows(1).size(), 2u) << "the formula lines show under the new code";
    EXPECT_FALSE(h.hasPrefix("alert ")) << h.joined();
    expectCheckClean();
}

TEST_F(ConfigurationCopyTest, AMoveToACodeThatIsTakenIsRefusedBeforeTheQuestion) {
    h.append("asspanel", {{{"ASSCODE", C("ZZ1")}, {"PANELCODE", C("P9")}}});
    h.reindex();
    // AW1 becomes ZZ1, which a panel names; then SW2 becomes ZZ1, which AW1 now is.
    play("row 1\npress View/Update\nset CODE zz1\npress Save\n"
         "row 1\npress View/Update\nset CODE ZZ1\npress Save\ndump\npress Exit\n");
    EXPECT_FALSE(h.hasPrefix("yesno ")) << h.joined();
    EXPECT_TRUE(h.has("alert \"1 record (0 lines, 0 drawing elements, 1 panel and 0 punch holes) still name ZZ1 without "
                      "a configuration, left by an earlier code change; they would mix with it. The records of AW1 "
                      "stay under AW1.\""))
        << h.joined();
    EXPECT_TRUE(h.has("alert \"Configuration ZZ1 already exists. The records of SW2 stay under SW2.\"")) << h.joined();
    EXPECT_EQ(h.live("assline", "ASSCODE"), (Lines{"AW1", "SW2", "AW1", "AW1"}));
    EXPECT_EQ(h.live("asspanel", "ASSCODE"), (Lines{"SW2", "AW1", "AW1", "ZZ1"}));
}

TEST_F(ConfigurationCopyTest, ARecordAnotherProcessHoldsDuringTheMoveIsNamedAndStays) {
    OtherStation other;
    ASSERT_TRUE(other.holdRecordLock(h.tmp.file("assline.dbf"), 3));  // AW1's GLAZE line
    play("row 1\npress View/Update\nset CODE AW7\nanswer yes\npress Save\npress Exit\n");
    other.release();
    EXPECT_TRUE(h.has("alert \"In use at another workstation, these records stay under AW1: line GLAZE (record 3).\""))
        << h.joined();
    EXPECT_EQ(h.sleeper.count(), 100);
    EXPECT_EQ(h.live("assline", "ASSCODE"), (Lines{"AW7", "SW2", "AW1", "AW7"}));
    EXPECT_EQ(h.live("punchole", "ASSCODE"), (Lines{"AW7", "SW2"}));
    expectCheckClean();
}

// Another workstation reading the configurations in a process of its own:
// each round it walks the list and seeks `code`; once the configuration is
// there it counts its lines and reports "rounds lines" (rounds: how often it
// saw the list without it). It reports "r" after its first round.
class BrowsingStation {
public:
    bool start(const std::string& dir, const std::string& code) {
        int toParent[2];
        if (pipe(toParent) != 0) return false;
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            alarm(60);
            close(toParent[0]);
            std::string report = "error";
            try {
                rt::Session s;
                ds::RecordingSink sink;
                ds::RecordingSleeper sleeper;
                ds::DataContext ctx{s, sink, sleeper, dir};
                ds::applyTableAccessDefaults(s);
                if (!ds::OPNALIAS(ctx, "assline", false, true) || !ds::OPNALIAS(ctx, "assembly", false, true)) throw 0;
                rt::WorkArea& assembly = s.openArea("ASSEMBLY");
                rt::WorkArea& lines = s.openArea("ASSLINE");
                std::string key = code;
                key.resize(15, ' ');
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                for (int round = 0; std::chrono::steady_clock::now() < until; ++round) {
                    for (assembly.goTop(); !assembly.eof(); assembly.skip(1)) (void)assembly.fieldValue("DESC");
                    if (assembly.seek(rt::Value::character(key), false)) {
                        int n = 0;
                        for (lines.seek(rt::Value::character(key), false);
                             !lines.eof() && ds::trimRight(lines.fieldValue("ASSCODE").str()) == code; lines.skip(1))
                            ++n;
                        report = std::to_string(round) + " " + std::to_string(n);
                        break;
                    }
                    if (round == 0) (void)!write(toParent[1], "r", 1);
                }
                s.closeAll();
            } catch (...) {
            }
            (void)!write(toParent[1], report.data(), report.size());
            _exit(0);
        }
        close(toParent[1]);
        from_ = toParent[0];
        char c = 0;
        return read(from_, &c, 1) == 1 && c == 'r';
    }
    // What it reported, once it has ended.
    std::string result() {
        std::string out;
        char buf[64];
        for (ssize_t n; (n = read(from_, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        close(from_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return out;
    }
    ~BrowsingStation() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
    int from_ = -1;
};

TEST_F(ConfigurationCopyTest, AStationBrowsingWhileACopyIsWrittenSeesTheNewConfigurationOnlyWithAllItsLines) {
    std::vector<Row> many;
    for (int i = 0; i < 400; ++i) many.push_back({{"ASSCODE", C("AW1")}, {"STKCODE", C(("S" + std::to_string(i)).c_str())}});
    h.append("assline", many);
    h.reindex();
    BrowsingStation other;
    ASSERT_TRUE(other.start(h.tmp.path(), "AW5"));
    play("row 1\nanswer text AW5\npress Copy\npress Exit\n");
    const std::string seen = other.result();
    int rounds = -1, lines = -1;
    ASSERT_EQ(std::sscanf(seen.c_str(), "%d %d", &rounds, &lines), 2) << seen;
    EXPECT_GE(rounds, 1) << "it browsed before the copy was there";
    EXPECT_EQ(lines, 403) << "the header comes last: whoever sees it sees every line";
    EXPECT_FALSE(h.hasPrefix("alert ")) << h.joined();
    expectCheckClean();
}

// The work without the screen: the counts and the refusals match whole codes
// only, and a move into a code reports what it moved.
TEST_F(ConfigurationCopyTest, TheCountsAndRefusalsSeeOnlyLiveRecordsAndExactCodes) {
    h.append("assembly", {{{"CODE", C("AW10")}}});
    h.append("assline", {{{"ASSCODE", C("AW10")}, {"STKCODE", C("X")}}});
    h.reindex();
    ASSERT_TRUE(openCopyTables(h.ctx));
    EXPECT_EQ(countDependents(h.ctx, "aw1"), (DependentCounts{3, 2, 2, 1})) << "AW10's line is not AW1's";
    EXPECT_EQ(countDependents(h.ctx, "AW"), DependentCounts{});
    rt::WorkArea& assembly = h.session.openArea("ASSEMBLY");
    assembly.goTo(2);
    EXPECT_EQ(refuseCode(h.ctx, "AW1", 2).kind, CodeRefusal::Kind::Named) << "not taken from itself, but named";
    EXPECT_EQ(refuseCode(h.ctx, "AW10", 3).kind, CodeRefusal::Kind::Named);
    EXPECT_EQ(refuseCode(h.ctx, "SW2", 1).kind, CodeRefusal::Kind::Named);
    EXPECT_EQ(refuseCode(h.ctx, "AW1").kind, CodeRefusal::Kind::Taken);
    EXPECT_EQ(assembly.recno(), 2u) << "the list's record is kept";
    EXPECT_EQ(refuseCode(h.ctx, "AW").kind, CodeRefusal::Kind::None);
    EXPECT_EQ(moveQuestion({3, 2, 2, 1}, "aw1", "aw7"),
              "Move the 3 lines, 2 drawing elements, 2 panels and 1 punch holes of AW1 to AW7?");
    const MoveResult m = moveDependents(h.ctx, "AW1", "AW10");
    EXPECT_EQ(m.moved, (DependentCounts{3, 2, 2, 1}));
    EXPECT_TRUE(m.stayed.empty());
    EXPECT_EQ(countDependents(h.ctx, "AW10"), (DependentCounts{4, 2, 2, 1}));
    h.session.closeAll();
}

}  // namespace
}  // namespace mx::configurations::test
