// The configuration screens from the main menu of the real program on the
// demo data set: a walk through every screen and dialog, and two
// workstations, each a process of its own, saving the same configuration's
// header and extras at the same time.
#include <gtest/gtest.h>

#include <future>
#include <map>
#include <sstream>

#include <QString>
#include <QStringList>

#include "ProgramRunner.h"
#include "TestUtil.h"

using mx::test::mxadmin;
using mx::test::mxdev;
using mx::test::run;
using mx::test::RunResult;
using mx::test::TempDir;
using mx::test::writeFileBytes;

namespace {

struct ConfigurationsOnTheDemoSet : ::testing::Test {
    TempDir dir;
    std::string data;
    void SetUp() override {
        data = dir.file("data");
        ASSERT_EQ(run(mxadmin() + " init '" + data + "' --demo").status, 0);
    }
    RunResult play(const std::string& name, const std::string& script, const std::string& args = "") {
        writeFileBytes(dir.file(name), script);
        return run(mxdev() + " " + args + " --data '" + data + "' --play '" + dir.file(name) + "'");
    }
    // The fields of the `assembly` record whose code is `code`, by name.
    std::map<std::string, std::string> configuration(const std::string& code) {
        const QStringList lines =
            QString::fromStdString(run(mxadmin() + " dump '" + data + "' assembly --header").out).split('\n');
        const QStringList names = lines.value(0).split(QStringLiteral(" | "));
        for (const QString& l : lines.mid(1)) {
            const QStringList values = l.split(QStringLiteral(" | "));
            if (values.value(0).trimmed().toStdString() != code) continue;
            std::map<std::string, std::string> out;
            for (int i = 0; i < names.size(); ++i)
                out[names[i].trimmed().toStdString()] = values.value(i).trimmed().toStdString();
            return out;
        }
        return {};
    }
};

// A walk from the main menu through every configuration screen and dialog
// on the stacker door (its suite allows 4 mm, its lines carry panel codes).
TEST_F(ConfigurationsOnTheDemoSet, EveryScreenFromTheMenuEditsTheDemoConfiguration) {
    const RunResult r = play("walk.txt", R"(menu Configurations
row 10
press Formulae
row 3
key Enter
dump
set ADJUST 5
set ADJUST -4
set CONDITION "w>1200"
key PageDown
press Exit
press Labour
dump
press Exit
press "Punch Holes"
dump
press Exit
press Options
set LOCLABOUR Y
press Save
press Extras
set HEAD 125
press Save
answer text "stacker door three panel"
press "z) Desc Chng"
answer text rs65
press Search
dump
press Exit
menu File Exit
)");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* title : {"Cutting Sheet Details for :STACKER DOOR 3 PANEL - (ASSEMBLY)",
                              "Component Details (ASSEMBLY)", "Labour Details for :STACKER DOOR 3 PANEL - (ASSEMBLY)",
                              "Punch Hole Details for :STACKER DOOR 3 PANEL - (ASSEMBLY)",
                              "Options for STACKER DOOR 3 PANEL - (ASSEMBLY)", "Extras for STACKER DOOR 3 PANEL - (ASSEMBLY)"})
        EXPECT_NE(r.out.find(std::string("open \"") + title + "\"\n"), std::string::npos) << title << "\n" << r.out;
    EXPECT_NE(r.out.find("field PANELCODE \""), std::string::npos) << "the stacker's lines carry a panel code";
    EXPECT_NE(r.out.find("alert \"Invalid Adjustment, Must be between -4mm and 4mm.\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("row* 10 \"RS650-ST3\" \"STACKER DOOR THREE PANEL\" \"RS650\" \"STACKER\" \"Y\" \"Y\"\n"),
              std::string::npos)
        << r.out;
    const std::map<std::string, std::string> stacker = configuration("RS650-ST3");
    EXPECT_EQ(stacker.at("LOCLABOUR"), "T");
    EXPECT_EQ(stacker.at("HEAD"), "125");
    const std::string lines = run(mxadmin() + " dump '" + data + "' assline").out;
    EXPECT_NE(lines.find("| W>1200 |"), std::string::npos) << lines;
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);
}

TEST_F(ConfigurationsOnTheDemoSet, TwoWorkstationsSavingHeaderAndExtrasAtOnceKeepEveryWriteWhole) {
    const std::map<std::string, std::string> before = configuration("CM125-FX4");
    ASSERT_FALSE(before.empty());
    constexpr int kRounds = 30;
    std::string header = "menu Configurations\n", extras = "menu Configurations\n";
    for (int i = 0; i < kRounds; ++i) {
        header += "row 1\npress View/Update\nset DESC \"HEADER " + std::to_string(i) +
                  "\"\nset SECTION H1\nset STYPE2 HS\npress Save\n";
        extras += "row 1\npress Extras\nset ADESC \"EXTRA " + std::to_string(i) + "\"\nset HEAD " +
                  std::to_string(100 + i) + "\nset INCA Y\npress Save\n";
    }
    header += "press Exit\n";
    extras += "press Exit\n";
    auto first = std::async(std::launch::async, [&] { return play("header.txt", header, "1"); });
    auto second = std::async(std::launch::async, [&] { return play("extras.txt", extras, "2"); });
    const RunResult a = first.get(), b = second.get();
    ASSERT_EQ(a.status, 0) << a.out;
    ASSERT_EQ(b.status, 0) << b.out;
    EXPECT_EQ(a.out.find("alert "), std::string::npos) << "every lock was had within its wait\n" << a.out;
    EXPECT_EQ(b.out.find("alert "), std::string::npos) << b.out;

    std::map<std::string, std::string> after = configuration("CM125-FX4");
    // Fields only one of them writes hold that one's last value.
    EXPECT_EQ(after["SECTION"], "H1");
    EXPECT_EQ(after["ADESC"], "EXTRA " + std::to_string(kRounds - 1));
    EXPECT_EQ(after["HEAD"], std::to_string(100 + kRounds - 1));
    EXPECT_EQ(after["INCA"], "T");
    // Fields both write hold the last writer's: the header's value, or the
    // copy the Extras dialog took of it (or of the original) when it opened.
    EXPECT_TRUE(after["DESC"].rfind("HEADER ", 0) == 0 || after["DESC"] == before.at("DESC")) << after["DESC"];
    EXPECT_TRUE(after["STYPE2"] == "HS" || after["STYPE2"] == before.at("STYPE2")) << after["STYPE2"];
    // Fields neither writes are as they were.
    for (const char* f : {"PRICE", "COSTPRICE", "WSPEED", "LIB", "HTMIN", "LA", "LADESC", "NOTES"})
        EXPECT_EQ(after[f], before.at(f)) << f;
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);
}

}  // namespace
