// Two workstations on one record, each the real program in a process of its
// own on the demo data set. Workstation A opens a dialog and changes two
// fields, then stands (the script's `wait`) while workstation B opens the
// same record, changes one of those fields and a third one, and saves.
// A's Save asks about the field both changed, naming it by its caption with
// B's value; A answers No: nothing is written and A's dialog stays open,
// showing B's value there and A's other change. While A stands again, a
// third run changes that field once more; A types its own value over it and
// answers Yes. Afterwards the record holds A's value in the field both
// changed, A's other field and B's third field, and the data set passes
// mxadmin's check. The header, a formula line, the Options and a customer,
// each on a record of its own, run at the same time.
//
// The waits only make the runs overlap: after each of B's runs the test
// reads from A's transcript that A still stood at its wait, and says so when
// it did not, rather than judging what a late run left.
#include <gtest/gtest.h>

#include <thread>

#include "Workstations.h"

namespace mx::soak {
namespace {

constexpr const char* kWait = "2.5";

struct Case {
    const char* name;
    std::string open;   // from the main window to the dialog
    std::string close;  // from the dialog's screen back to the main window
    const char* both;   // the field both change, and its caption
    const char* caption;
    const char* mine;   // A's other field and value
    const char* mineValue;
    const char* theirs;  // B's other field and value
    const char* theirsValue;
    const char* table;
};

std::string set(const char* field, const std::string& value) {
    return std::string("set ") + field + " \"" + value + "\"\n";
}

std::string yesno(const Case& c, const std::string& value, const char* answer) {
    return std::string("yesno \"Changed on another workstation while you edited:\\n") + c.caption + " " + value +
           "\\nSave yours over them?\" " + answer;
}

class MergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = dir.file("data");
        ASSERT_EQ(test::run(test::mxadmin() + " init '" + data + "' --demo").status, 0);
    }

    // Waits until `w`'s transcript holds `n` dumps; false when it ended first.
    static bool dumped(Workstation& w, size_t n) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);  // only against a hang
        while (std::chrono::steady_clock::now() < giveUp) {
            if (countLines(w.transcript(), "end dump") >= n) return true;
            if (!w.running()) return countLines(w.transcript(), "end dump") >= n;
            pause(20);
        }
        return false;
    }

    // Runs one of B's scripts to its end, as workstation `ws`.
    int runB(const std::string& tag, int ws, const std::string& script) {
        const std::string file = dir.file(tag + ".txt");
        test::writeFileBytes(file, script);
        Workstation b;
        if (!b.start(data, ws, file, dir.file(tag + ".transcript"))) return -1;
        const int status = b.finish();
        const std::string transcript = b.transcript();
        EXPECT_EQ(status, 0) << tag << "\n" << transcript << b.errors();
        EXPECT_EQ(transcript.find("yesno"), std::string::npos) << tag << " had nothing to ask\n" << transcript;
        return status;
    }

    void play(const Case& c, int ws) {
        const std::string n = c.name;
        const std::string a = c.open + set(c.both, "A " + n) + set(c.mine, c.mineValue) + "dump\nwait " + kWait +
                              "\nanswer no\npress Save\ndump\n" + set(c.both, "A AGAIN " + n) + "wait " + kWait +
                              "\nanswer yes\npress Save\n" + c.close;
        const std::string aFile = dir.file(n + "-a.txt");
        test::writeFileBytes(aFile, a);
        Workstation station;
        ASSERT_TRUE(station.start(data, ws, aFile, dir.file(n + "-a.transcript")));
        auto standing = [&station] {
            const std::vector<std::string> lines = linesOf(station.transcript());
            return !lines.empty() && lines.back() == "end dump";
        };

        ASSERT_TRUE(dumped(station, 1)) << station.transcript() << station.errors();
        runB(n + "-b", ws + 4, c.open + set(c.both, "B " + n) + set(c.theirs, c.theirsValue) + "press Save\n" + c.close);
        EXPECT_TRUE(standing()) << n << ": the other run took longer than the wait\n" << station.transcript();

        ASSERT_TRUE(dumped(station, 2)) << station.transcript() << station.errors();
        runB(n + "-c", ws + 4, c.open + set(c.both, "C " + n) + "press Save\n" + c.close);
        EXPECT_TRUE(standing()) << n << ": the other run took longer than the wait\n" << station.transcript();

        EXPECT_EQ(station.finish(), 0) << station.transcript() << station.errors();
        const std::string transcript = station.transcript();
        const std::vector<std::string> lines = linesOf(transcript);
        EXPECT_EQ(countLines(transcript, yesno(c, "B " + n, "no")), 1u) << transcript;
        EXPECT_EQ(countLines(transcript, yesno(c, "C " + n, "yes")), 1u) << transcript;
        // After No the dialog still stands, on B's value, with A's other change.
        size_t second = 0;
        for (size_t i = 0, dumps = 0; i < lines.size(); ++i)
            if (lines[i].rfind("dump ", 0) == 0 && ++dumps == 2) second = i;
        ASSERT_GT(second, 0u) << transcript;
        bool theirsShown = false, mineKept = false;
        for (size_t i = second; i < lines.size() && lines[i] != "end dump"; ++i) {
            theirsShown = theirsShown || lines[i] == std::string("field ") + c.both + " \"B " + n + "\"";
            mineKept = mineKept || (lines[i].rfind(std::string("field ") + c.mine + " ", 0) == 0 &&
                                    lines[i].find(c.mineValue) != std::string::npos);
        }
        EXPECT_TRUE(theirsShown) << transcript;
        EXPECT_TRUE(mineKept) << transcript;

        // The record: A's value over the conflict, A's other field, B's field.
        const std::vector<Record> records = dumpTable(data, c.table);
        int found = 0;
        for (const Record& r : records) {
            if (r[c.both] != "A AGAIN " + n) continue;
            ++found;
            EXPECT_NE(r[c.mine].find(c.mineValue), std::string::npos) << n << " " << c.mine << " " << r[c.mine];
            EXPECT_EQ(r[c.theirs], c.theirsValue) << n << " " << c.theirs;
            EXPECT_FALSE(r.deleted);
        }
        EXPECT_EQ(found, 1) << n;
    }

    test::TempDir dir;
    std::string data;
};

TEST_F(MergeTest, AFieldChangedOnTwoWorkstationsIsAskedAndTheOtherFieldsOfBothAreKept) {
    const std::string configurations = "menu Configurations\n";
    const std::vector<Case> cases = {
        {"HEAD", configurations + "row 2\npress View/Update\n", "press Exit\n", "DESC", "Description:", "ASSEMCAT",
         "ATYPE", "SECTION", "B1", "assembly"},
        {"LINE", configurations + "row 3\npress Formulae\nrow 1\npress View/Update\n", "press Exit\npress Exit\n", "DESC",
         "Description:", "QTY", "7.00", "LABDESC", "B LABOUR", "assline"},
        {"OPTIONS", configurations + "row 4\npress Options\n", "press Exit\n", "LADESC", "Option A:", "HTDEF", "1111",
         "DPDEF", "4444", "assembly"},
        {"CUSTOMER", "menu Licenses\nrow 2\npress Modify\n", "press Exit\n", "CONTACT", "Contact:", "MGR", "AAA", "OWNER",
         "B OWNER", "mitrex"},
    };
    std::vector<std::thread> runs;
    for (size_t i = 0; i < cases.size(); ++i) runs.emplace_back([this, &cases, i] { play(cases[i], static_cast<int>(i) + 2); });
    for (std::thread& t : runs) t.join();

    const test::RunResult check = test::run(test::mxadmin() + " check '" + data + "'");
    EXPECT_EQ(check.status, 0) << check.out;
}

}  // namespace
}  // namespace mx::soak
