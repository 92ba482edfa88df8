// The login and the accounts behind it, as users meet them: scripted sessions
// of the real mxdev on a data set that requires a login, with accounts made
// by the real mxadmin; and mxadmin's user commands.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "Password.h"
#include "Session.h"
#include "ProgramRunner.h"
#include "TestUtil.h"

using mx::test::TempDir;
using mx::test::RunResult;
using mx::test::mxadmin;
using mx::test::mxdev;
using mx::test::run;
using mx::test::writeFileBytes;

namespace {


size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

const std::string kWindow = "window \"Mitrex Development  by Tallowood Systems\"\n";
const std::string kOpen = "open \"Mitrex Login\"\n";

// An empty data set that requires a login, with the accounts
// FRED (level 5, password ABC) and NOPASS (level 3, no password).
struct SecuredSet : ::testing::Test {
    TempDir dir;
    std::string data;

    void SetUp() override {
        data = dir.file("data");
        ASSERT_EQ(run(mxadmin() + " init '" + data + "'").status, 0);
        ASSERT_EQ(run(mxadmin() + " security '" + data + "' on").status, 0);
        ASSERT_EQ(admin("user add '" + data + "' fred --level 5 --password abc --desc 'FRED NERK'").status, 0);
        ASSERT_EQ(admin("user add '" + data + "' NOPASS --level 3").status, 0);
    }
    RunResult admin(const std::string& args) { return run(mxadmin() + " " + args); }
    RunResult play(const std::string& script) {
        writeFileBytes(dir.file("script.txt"), script);
        return run(mxdev() + " --data '" + data + "' --play '" + dir.file("script.txt") + "'");
    }
    // One attempt: the name and password typed, then "&Save".
    static std::string attempt(const std::string& name, const std::string& password) {
        return "set USERNAME \"" + name + "\"\nset PASSWORD \"" + password + "\"\npress Save\n";
    }
    // The login let the user through to the main window.
    bool loggedIn(const RunResult& r) const { return r.out.find(kWindow) != std::string::npos; }
};

TEST_F(SecuredSet, RightPasswordOpensTheMainWindowAndWrongOnesCostAttempts) {
    RunResult ok = play(attempt("FRED", "ABC"));
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_EQ(ok.out, kOpen + "close \"Mitrex Login\"\n" + kWindow + "end 0\n");

    // Lower case typed into the "@!" fields counts as upper case.
    EXPECT_TRUE(loggedIn(play(attempt("fred", "abc"))));

    // A wrong password, then the right one: one alert, then in.
    RunResult second = play(attempt("FRED", "XYZ") + attempt("FRED", "ABC"));
    EXPECT_EQ(count(second.out, "alert \"Incorrect Password.\"\n"), 1u) << second.out;
    EXPECT_TRUE(loggedIn(second)) << second.out;

    // Three wrong passwords: three alerts and the program ends without a window.
    RunResult three = play(attempt("FRED", "XYZ") + attempt("FRED", "") + attempt("FRED", "ABCD"));
    EXPECT_EQ(count(three.out, "alert \"Incorrect Password.\"\n"), 3u) << three.out;
    EXPECT_EQ(count(three.out, kOpen), 3u);
    EXPECT_FALSE(loggedIn(three));
    EXPECT_EQ(three.status, 1);
    EXPECT_EQ(three.out.substr(three.out.size() - 6), "end 1\n");

    // A name not on file costs an attempt too; the third attempt may still succeed.
    RunResult unknown = play(attempt("NOBODY", "ABC") + attempt("FRED", "X") + attempt("FRED", "ABC"));
    EXPECT_EQ(count(unknown.out, "alert \"User Name Not on File.\"\n"), 1u) << unknown.out;
    EXPECT_EQ(count(unknown.out, "alert \"Incorrect Password.\"\n"), 1u);
    EXPECT_TRUE(loggedIn(unknown));
}

TEST_F(SecuredSet, CancelOrClosingAtTheFirstAttemptEndsAtOnce) {
    for (const std::string& leave : {std::string("press Cancel\n"), std::string("close\n")}) {
        RunResult r = play(leave + attempt("FRED", "ABC"));
        EXPECT_EQ(count(r.out, kOpen), 1u) << leave << r.out;
        EXPECT_FALSE(loggedIn(r)) << leave;
        EXPECT_EQ(r.out.find("alert "), std::string::npos) << "no message: " << r.out;
        EXPECT_EQ(r.status, 1);
    }
}

TEST_F(SecuredSet, AccountWithoutPasswordTakesAnyPassword) {
    for (const char* typed : {"", "ANY", "  Q"}) EXPECT_TRUE(loggedIn(play(attempt("NOPASS", typed)))) << typed;
}

TEST_F(SecuredSet, MasterLoginIsAPrefixTestAndNeedsNoAccount) {
    for (const char* name : {"DINGO", "DINGOES", "dingo1"}) {
        RunResult r = play(attempt(name, "WHATEVER"));
        EXPECT_TRUE(loggedIn(r)) << name << "\n" << r.out;
        EXPECT_EQ(r.out.find("alert "), std::string::npos) << name;
    }
    // Only a beginning counts, not a part further in.
    RunResult r = play(attempt("XDINGO", "") + "press Cancel\n");
    EXPECT_NE(r.out.find("alert \"User Name Not on File.\""), std::string::npos) << r.out;
    EXPECT_FALSE(loggedIn(r));
}

TEST_F(SecuredSet, FirstLettersOfALoginNameFindThatUser) {
    EXPECT_TRUE(loggedIn(play(attempt("FR", "ABC"))));
    RunResult wrong = play(attempt("FR", "XYZ") + "press Cancel\n");
    EXPECT_NE(wrong.out.find("alert \"Incorrect Password.\""), std::string::npos) << "FR found FRED: " << wrong.out;
}

TEST_F(SecuredSet, LeadingBlanksInThePasswordDoNotCount) {
    EXPECT_TRUE(loggedIn(play(attempt("FRED", "  ABC"))));
    EXPECT_TRUE(loggedIn(play(attempt("FRED", " ABC "))));
    // Blanks inside do count.
    RunResult r = play(attempt("FRED", "A BC") + "press Cancel\n");
    EXPECT_NE(r.out.find("alert \"Incorrect Password.\""), std::string::npos) << r.out;
}

TEST_F(SecuredSet, MissingUsersIndexIsBuiltAndAMissingTableEndsTheProgram) {
    auto remove = [&](const std::string& lowerName) {
        for (const auto& e : std::filesystem::directory_iterator(data)) {
            std::string n = e.path().filename().string();
            for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (n == lowerName) std::filesystem::remove(e.path());
        }
    };
    remove("users.ntx");
    RunResult r = play(attempt("FR", "ABC"));
    EXPECT_TRUE(loggedIn(r)) << "index rebuilt, prefix seek works: " << r.out;
    EXPECT_EQ(run(mxadmin() + " check '" + data + "'").status, 0);

    remove("users.ntx");
    remove("users.dbf");
    RunResult gone = play(attempt("FRED", "ABC"));
    EXPECT_NE(gone.out.find("timed \"Information\" \"Users database (USERS) not available or doesn't exist.\"\n"),
              std::string::npos)
        << gone.out;
    EXPECT_EQ(gone.out.find(kOpen), std::string::npos);
    EXPECT_FALSE(loggedIn(gone));
}

TEST(SecurityOff, NoLoginDialogWhenTheSystemRecordDoesNotAskForIt) {
    TempDir dir;
    std::string data = dir.file("data");
    ASSERT_EQ(run(mxadmin() + " init '" + data + "'").status, 0);
    writeFileBytes(dir.file("s.txt"), "");
    RunResult r = run(mxdev() + " --data '" + data + "' --play '" + dir.file("s.txt") + "'");
    EXPECT_EQ(r.out, kWindow + "end 0\n");
}

// ---- mxadmin user

struct Accounts : SecuredSet {
    std::string list() { return admin("user list '" + data + "'").out; }
    std::string storedPassword(const std::string& name) {
        mx::rt::Session s;
        mx::rt::WorkArea& users = s.open(data + "/users.dbf");
        for (users.goTop(); !users.eof(); users.skip())
            if (users.fieldValue("USERNAME").str() == mx::ds::FILL_OUT(name, 10)) return users.fieldValue("PASSWORD").str();
        return "(none)";
    }
};

TEST_F(Accounts, AddListAndRefuse) {
    EXPECT_EQ(list(), "FRED | 5 | password | FRED NERK\nNOPASS | 3 | no password\n");
    EXPECT_EQ(storedPassword("FRED"), mx::ds::ENCRYPT("ABC   ")) << "scrambled, upper case, as the login types it";
    EXPECT_EQ(storedPassword("NOPASS"), "      ");

    EXPECT_EQ(admin("user add '" + data + "' FRED --level 1").status, 1) << "exists already";
    EXPECT_EQ(admin("user add '" + data + "' FR --level 1").status, 0) << "a prefix of another name is a name of its own";
    EXPECT_EQ(admin("user add '" + data + "' TOOLONGNAME1 --level 5").status, 1);
    EXPECT_EQ(admin("user add '" + data + "' BOB --level 5 --password SEVENCH").status, 1);
    EXPECT_EQ(admin("user add '" + data + "' BOB --level 55").status, 1);
    EXPECT_EQ(admin("user add '" + data + "' BOB").status, 2) << "--level is required";
    EXPECT_EQ(admin("user '" + data + "' BOB 5").status, 2) << "the old form is gone";
    EXPECT_EQ(admin("user list '" + dir.file("nothing") + "'").status, 1);
    EXPECT_EQ(list(), "FR | 1 | no password\nFRED | 5 | password | FRED NERK\nNOPASS | 3 | no password\n");
}

TEST_F(Accounts, PasswdFromTheOptionOrStandardInput) {
    EXPECT_EQ(admin("user passwd '" + data + "' nopass --password xy").status, 0);
    EXPECT_EQ(storedPassword("NOPASS"), mx::ds::ENCRYPT("XY    "));
    EXPECT_EQ(run("printf 'qrs\\n' | " + mxadmin() + " user passwd '" + data + "' FRED").status, 0);
    EXPECT_EQ(storedPassword("FRED"), mx::ds::ENCRYPT("QRS   "));
    RunResult r = play(attempt("FRED", "QRS"));
    EXPECT_TRUE(loggedIn(r)) << r.out;
    EXPECT_EQ(list().find("QRS"), std::string::npos);

    // An empty password removes it.
    EXPECT_EQ(run("printf '\\n' | " + mxadmin() + " user passwd '" + data + "' FRED").status, 0);
    EXPECT_EQ(storedPassword("FRED"), "      ");
    EXPECT_EQ(run(": | " + mxadmin() + " user passwd '" + data + "' FRED").status, 2) << "no input at all";
    EXPECT_EQ(admin("user passwd '" + data + "' FR --password x").status, 1) << "names match exactly";
    EXPECT_EQ(admin("user passwd '" + data + "' FRED --password toolong").status, 1);
}

TEST_F(Accounts, RemovedAccountCannotLogIn) {
    EXPECT_EQ(admin("user remove '" + data + "' FR").status, 1) << "names match exactly";
    EXPECT_EQ(admin("user remove '" + data + "' fred").status, 0);
    EXPECT_EQ(list(), "NOPASS | 3 | no password\n");
    RunResult r = play(attempt("FRED", "ABC") + "press Cancel\n");
    EXPECT_NE(r.out.find("alert \"User Name Not on File.\""), std::string::npos) << r.out;
    EXPECT_EQ(admin("user add '" + data + "' FRED --level 2").status, 0) << "the name can be used again";
    EXPECT_TRUE(loggedIn(play(attempt("FRED", ""))));
}

}  // namespace
