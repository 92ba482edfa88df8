// Four workstations at once on the demo data set, each the real program in a
// process of its own with its own workstation number, each playing a script
// of several passes through the library (tagging), the configurations (a
// header edit, a formula line edit, formula lines and a punch hole added to
// one configuration all of them share) and the register (a customer edited
// and one added, a note written), with short pauses inside the screens so
// that they overlap. Meanwhile mxadmin reindex is run again and again on the
// same data set: while a workstation stands in a screen it must be refused,
// naming a table of that screen, and change nothing.
//
// Afterwards the data set passes mxadmin's check, every record each script
// added is there once, every edit holds its script's last value, and each
// workstation's tag field holds exactly what its script tagged. The scripts
// keep each library visit short, since the library screen holds `lib` to
// itself: a workstation that could not open a table within the opening
// service's retries would end with an alert, and fails the test.
//
// Beside it: a workstation that cannot have the library at all ends there.
//
// Nothing is judged by time: the pauses only make the workstations overlap,
// and whether a screen stood while a rebuild was tried is read from the
// transcripts taken before and after the try.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <set>

#include "Workstations.h"

namespace mx::soak {
namespace {

constexpr int kWorkstations = 4;
constexpr int kPasses = 5;
constexpr int kLinesAPass = 3;
// Row 1 of the Configurations list, the configuration all of them add to;
// workstation n edits the configuration in row n + 1 and customer n.
constexpr const char* kShared = "CM125-FX4";
constexpr const char* kStockItem = "RS400-HD";
constexpr int kLibraryEntries = 24;

// The top-level screens the scripts stand in, and tables each holds open.
struct Screen {
    const char* title;
    std::vector<std::string> tables;
};
const std::vector<Screen>& screens() {
    static const std::vector<Screen> s = {
        {"Setup Library Codes (LIB)", {"LIB"}},
        {"Configurations - (ASSEMBLY)", {"ASSEMBLY", "ASSLINE", "ASSDRAW", "ASSPANEL"}},
        {"Mitrex Customer Register (MITREX)", {"MITREX", "MXNOTE"}},
    };
    return s;
}

std::string tagField(int ws) { return ws == 1 ? "TAG" : "TAG" + std::to_string(ws); }

// The library rows (order 1) workstation `ws` toggles in pass `pass`.
std::vector<int> toggledRows(int ws, int pass) {
    std::vector<int> rows;
    for (int i = 0; i < 4; ++i) rows.push_back(1 + (ws * 7 + pass * 5 + i * 11 + i * i) % kLibraryEntries);
    return rows;
}

// One workstation's script, and the library rows it leaves tagged.
struct Plan {
    std::string script;
    std::set<int> tagged;
};

Plan plan(int ws) {
    Plan p;
    std::vector<bool> tag(kLibraryEntries + 1, false);
    const std::string n = std::to_string(ws);
    std::string& s = p.script;
    s += "wait " + std::to_string(0.25 * ws) + "\n";
    for (int pass = 1; pass <= kPasses; ++pass) {
        const std::string k = std::to_string(pass);
        // The library: in and out again quickly, since it is held exclusively.
        s += "menu Library\n";
        if (pass == 1) s += "row 1\npress \"Untag All\"\n";
        for (int row : toggledRows(ws, pass)) {
            s += "row " + std::to_string(row) + "\npress Tag/Untag\n";
            tag[static_cast<size_t>(row)] = !tag[static_cast<size_t>(row)];
        }
        s += "press Exit\n";
        // The configurations: its own header and first formula line, then
        // lines and a punch hole added to the shared configuration.
        s += "menu Configurations\nrow " + std::to_string(ws + 1) + "\npress View/Update\nset DESC \"SOAK WS " + n +
             " PASS " + k + "\"\npress Save\n";
        s += "press Formulae\nrow 1\npress View/Update\nset QTY " + k + "\npress Save\npress Exit\nwait 0.3\n";
        s += "row 1\npress Formulae\n";
        for (int j = 1; j <= kLinesAPass; ++j)
            s += std::string("press Add\nset STKCODE ") + kStockItem + "\nset DESC \"WS" + n + " ADD " + k + "." +
                 std::to_string(j) + "\"\nset TYPE L\nset QTY 1\nset AMOUNT W\npress Save\n";
        s += "press Exit\npress \"Punch Holes\"\npress Add\nset DESC \"WS" + n + " HOLE " + k +
             "\"\nset DIMENSION W/2\nset ADJUST 1\npress Save\npress Exit\nwait 0.4\npress Exit\n";
        // The register: its own customer and note, and a new customer.
        s += "menu Licenses\nrow " + n + "\npress Modify\nset CONTACT \"WS " + n + " PASS " + k + "\"\npress Save\n";
        s += "press Add\nset COMPANY \"SOAK WS " + n + " CUSTOMER " + k + "\"\npress Save\n";
        s += "row " + n + "\npress Notes\nset NOTE \"WS " + n + " NOTE " + k + "\\nPASS " + k + " OF " +
             std::to_string(kPasses) + "\"\npress Save\n";
        // The last visit stands a while: the rebuild is tried against it.
        s += pass == kPasses ? "dump\nwait 8\n" : "wait 0.4\n";
        s += "press Exit\n";
    }
    for (int row = 1; row <= kLibraryEntries; ++row)
        if (tag[static_cast<size_t>(row)]) p.tagged.insert(row);
    return p;
}

// How many times each top-level screen's title opened and closed in a transcript.
struct ScreenState {
    std::map<std::string, std::pair<size_t, size_t>> counts;  // title -> (opens, closes)
    explicit ScreenState(const std::string& transcript) {
        for (const Screen& screen : screens()) {
            const std::string title = std::string("\"") + screen.title + "\"";
            counts[screen.title] = {countLines(transcript, "open " + title), countLines(transcript, "close " + title)};
        }
    }
};

// One try of the rebuild while the workstations work: what it said, and the
// tables of the screens that stood from before it started until it ended.
struct RebuildTry {
    int status = -1;
    std::string out, err;
    std::set<std::string> heldThroughout;
};

// Aliases named in a refusal ("... has LIB, ASSLINE and MITREX open.").
bool namesOneOf(const std::string& err, const std::set<std::string>& tables) {
    for (const std::string& t : tables) {
        for (size_t at = err.find(t); at != std::string::npos; at = err.find(t, at + 1)) {
            const char before = at == 0 ? ' ' : err[at - 1];
            const char after = at + t.size() < err.size() ? err[at + t.size()] : ' ';
            if ((before == ' ' || before == ',') && (after == ' ' || after == ',')) return true;
        }
    }
    return false;
}

class FourWorkstationsSoak : public ::testing::Test {
protected:
    void SetUp() override {
        data = dir.file("data");
        ASSERT_EQ(test::run(test::mxadmin() + " init '" + data + "' --demo").status, 0);
    }
    test::TempDir dir;
    std::string data;
};

TEST_F(FourWorkstationsSoak, EveryRecordAndEditKeptTagsTheirOwnAndTheRebuildRefusedWhileTheyWork) {
    const std::vector<Record> libBefore = dumpTable(data, "lib", 1);
    const std::vector<Record> linesBefore = dumpTable(data, "assline");
    const std::vector<Record> holesBefore = dumpTable(data, "punchole");
    const std::vector<Record> customersBefore = dumpTable(data, "mitrex");
    ASSERT_EQ(libBefore.size(), static_cast<size_t>(kLibraryEntries));
    ASSERT_FALSE(linesBefore.empty());

    std::vector<Plan> plans;
    Workstation stations[kWorkstations];
    for (int ws = 1; ws <= kWorkstations; ++ws) {
        plans.push_back(plan(ws));
        const std::string script = dir.file("ws" + std::to_string(ws) + ".txt");
        test::writeFileBytes(script, plans.back().script);
        ASSERT_TRUE(stations[ws - 1].start(data, ws, script, dir.file("ws" + std::to_string(ws) + ".transcript")));
    }

    // The rebuild, tried again and again until every workstation has ended.
    std::vector<RebuildTry> tries;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(5);  // only against a hang
    auto anyRunning = [&] {
        bool any = false;
        for (Workstation& w : stations) any = w.running() || any;
        return any;
    };
    while (anyRunning() && std::chrono::steady_clock::now() < giveUp) {
        std::vector<ScreenState> before;
        for (Workstation& w : stations) before.emplace_back(w.transcript());
        RebuildTry t;
        const std::string errFile = dir.file("reindex.err");
        const test::RunResult r = test::run(test::mxadmin() + " reindex '" + data + "'", errFile);
        t.status = r.status;
        t.out = r.out;
        t.err = test::readFileBytes(errFile);
        for (int i = 0; i < kWorkstations; ++i) {
            const ScreenState after(stations[i].transcript());
            for (const Screen& screen : screens()) {
                const auto [opens, closes] = before[static_cast<size_t>(i)].counts.at(screen.title);
                if (opens > closes && after.counts.at(screen.title).second == closes)
                    t.heldThroughout.insert(screen.tables.begin(), screen.tables.end());
            }
        }
        tries.push_back(std::move(t));
        pause(500);
    }
    for (int ws = 1; ws <= kWorkstations; ++ws) {
        Workstation& w = stations[ws - 1];
        if (w.running()) w.kill();
        const int status = w.finish();
        const std::string transcript = w.transcript();
        ASSERT_EQ(status, 0) << "workstation " << ws << "\n" << transcript << w.errors();
        const std::vector<std::string> lines = linesOf(transcript);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "end 0") << "workstation " << ws;
        for (const std::string& l : lines)
            EXPECT_TRUE(l.rfind("alert ", 0) != 0 && l.rfind("stop ", 0) != 0 && l.rfind("invalid ", 0) != 0)
                << "workstation " << ws << ": " << l << "\n" << transcript;
    }

    // The rebuild: refused whenever a screen stood throughout, naming one of its
    // tables; otherwise refused too, or done, or passing over a table that was
    // opened after its look; never anything else.
    int refusedWhileHeld = 0, refusals = 0, rebuilt = 0;
    for (const RebuildTry& t : tries) {
        refusals += t.err.find(" is in use: ") != std::string::npos;
        rebuilt += t.status == 0;
        const bool refused = t.status == 1 && t.out.empty() && t.err.find(" is in use: ") != std::string::npos &&
                             t.err.find("has changed nothing") != std::string::npos;
        if (!t.heldThroughout.empty()) {
            EXPECT_TRUE(refused) << t.status << "\n" << t.out << t.err;
            EXPECT_TRUE(namesOneOf(t.err, t.heldThroughout)) << t.err;
            refusedWhileHeld += refused;
            continue;
        }
        if (refused || t.status == 0) continue;
        for (const std::string& l : linesOf(t.err))
            EXPECT_TRUE(l.find("Another workstation is using it") != std::string::npos ||
                        l.find("Indexdef Data file Not Available") != std::string::npos)
                << l;
    }
    EXPECT_GT(refusedWhileHeld, 0) << tries.size() << " tries, none while a screen stood";
    std::cout << "rebuild tried " << tries.size() << " times: " << refusals << " refused (" << refusedWhileHeld
              << " while a screen stood throughout), " << rebuilt << " done\n";

    const test::RunResult check = test::run(test::mxadmin() + " check '" + data + "'");
    EXPECT_EQ(check.status, 0) << check.out;

    // Every line, punch hole and customer added, once; nothing else added or lost.
    const std::vector<Record> lines = dumpTable(data, "assline");
    const std::vector<Record> holes = dumpTable(data, "punchole");
    const std::vector<Record> customers = dumpTable(data, "mitrex");
    EXPECT_EQ(lines.size(), linesBefore.size() + kWorkstations * kPasses * kLinesAPass);
    EXPECT_EQ(holes.size(), holesBefore.size() + kWorkstations * kPasses);
    EXPECT_EQ(customers.size(), customersBefore.size() + kWorkstations * kPasses);
    std::map<std::string, int> added;
    for (const Record& r : lines) {
        EXPECT_FALSE(r.deleted);
        if (r["DESC"].rfind("WS", 0) != 0) continue;
        ++added[r["DESC"]];
        EXPECT_EQ(r["ASSCODE"], kShared) << r["DESC"];
        EXPECT_EQ(r["STKCODE"], kStockItem);
        EXPECT_EQ(r["QTY"], "1.00");
    }
    for (const Record& r : holes)
        if (r["DESC"].rfind("WS", 0) == 0) {
            ++added[r["DESC"]];
            EXPECT_EQ(r["ASSCODE"], kShared);
            EXPECT_EQ(r["DIMENSION"], "W/2");
        }
    std::set<std::string> keys;
    for (const Record& r : customers) {
        EXPECT_TRUE(keys.insert(r["CUSTNO"]).second) << "customer key " << r["CUSTNO"] << " twice";
        if (r["COMPANY"].rfind("SOAK WS ", 0) == 0) ++added[r["COMPANY"]];
    }
    for (int ws = 1; ws <= kWorkstations; ++ws)
        for (int pass = 1; pass <= kPasses; ++pass) {
            const std::string n = std::to_string(ws), k = std::to_string(pass);
            for (int j = 1; j <= kLinesAPass; ++j)
                EXPECT_EQ(added["WS" + n + " ADD " + k + "." + std::to_string(j)], 1) << n << " " << k << " " << j;
            EXPECT_EQ(added["WS" + n + " HOLE " + k], 1);
            EXPECT_EQ(added["SOAK WS " + n + " CUSTOMER " + k], 1);
        }

    // Each workstation's own edits hold its last pass.
    const std::vector<Record> configurations = dumpTable(data, "assembly", 1);
    const std::vector<Record> notes = dumpTable(data, "mxnote");
    const std::string last = std::to_string(kPasses);
    for (int ws = 1; ws <= kWorkstations; ++ws) {
        const std::string n = std::to_string(ws);
        const Record& own = configurations.at(static_cast<size_t>(ws));  // row ws + 1
        EXPECT_EQ(own["DESC"], "SOAK WS " + n + " PASS " + last);
        // Its first formula line in the Formulae screen's order (the code alone; ties by record number).
        const Record* first = nullptr;
        for (const Record& r : lines)
            if (!first && r["ASSCODE"] == own["CODE"] && r["LABOUR"] == "F") first = &r;
        ASSERT_NE(first, nullptr);
        EXPECT_EQ((*first)["QTY"], last + ".00") << own["CODE"];
        const Record& customer = customers.at(static_cast<size_t>(ws - 1));
        EXPECT_EQ(customer["CUSTNO"], n);
        EXPECT_EQ(customer["CONTACT"], "WS " + n + " PASS " + last);
        int noteRecords = 0;
        for (const Record& r : notes)
            if (r["CUSTNO"] == n) {
                ++noteRecords;
                EXPECT_EQ(r["NOTE"], "WS " + n + " NOTE " + last + "\\nPASS " + last + " OF " + last);
            }
        EXPECT_EQ(noteRecords, 1) << "customer " << n;
    }

    // Tags: each workstation's field holds what its script tagged, the
    // other fields (and the tags of the workstations not playing) are as they were.
    const std::vector<Record> lib = dumpTable(data, "lib", 1);
    ASSERT_EQ(lib.size(), libBefore.size());
    for (size_t row = 1; row <= lib.size(); ++row) {
        const Record& now = lib[row - 1];
        for (int ws = 1; ws <= kWorkstations; ++ws)
            EXPECT_EQ(now[tagField(ws)], plans[static_cast<size_t>(ws - 1)].tagged.count(static_cast<int>(row)) ? "T" : "F")
                << "row " << row << ", workstation " << ws;
        for (const auto& [field, value] : libBefore[row - 1].fields) {
            bool ownTag = false;
            for (int ws = 1; ws <= kWorkstations; ++ws) ownTag = ownTag || field == tagField(ws);
            if (!ownTag) {
                EXPECT_EQ(now[field], value) << "row " << row << " " << field;
            }
        }
    }
}

// The library screen needs `lib` to itself. A workstation that cannot have it
// within the opening service's retries is told so and ends, as it would
// with a person at it; the rest of its script is not played.
TEST_F(FourWorkstationsSoak, AWorkstationThatCannotHaveTheLibraryEnds) {
    // Held as a workstation standing in the library holds it (the whole-file sharing lock).
    const int held = ::open((data + "/lib.dbf").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const std::string script = dir.file("library.txt");
    test::writeFileBytes(script, "menu Library\nmenu Configurations\npress Exit\n");
    Workstation w;
    ASSERT_TRUE(w.start(data, 2, script, dir.file("library.transcript")));
    const int status = w.finish();
    ::close(held);
    const std::string transcript = w.transcript();
    EXPECT_EQ(status, 1) << transcript;
    EXPECT_NE(transcript.find("\nalert \"Unable to Open (DBF) lib. Another workstation is using it, and this work "
                              "needs it to itself.  Try Again Later!\"\nend 1\n"),
              std::string::npos)
        << transcript;
    EXPECT_EQ(transcript.find("Configurations"), std::string::npos) << transcript;
    EXPECT_NE(w.errors().find("the program ended (its main window was closed) before the script did"), std::string::npos)
        << w.errors();
}

}  // namespace
}  // namespace mx::soak
