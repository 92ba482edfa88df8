// The installed programs' own options: --help, --version (the project's
// version), and an unknown option as a clear error with exit status 2.
#include <gtest/gtest.h>

#include "ProgramRunner.h"
#include "TestUtil.h"

using mx::test::run;

TEST(Options, HelpVersionAndUnknownOptionsOfBothPrograms) {
    mx::test::TempDir dir;
    const std::string err = dir.file("stderr.txt");
    for (const std::string& program : {mx::test::mxdev(), mx::test::mxadmin()}) {
        const std::string name = program.substr(program.rfind('/') + 1);
        auto help = run(program + " --help", err);
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_EQ(help.out.rfind("usage: " + name + " ", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;

        auto version = run(program + " --version", err);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, name + " " + MX_PROJECT_VERSION + "\n");
    }

    auto unknown = run(mx::test::mxdev() + " --colour blue", err);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(mx::test::readFileBytes(err), "mxdev: unknown option --colour (mxdev --help lists the options)\n");
    EXPECT_EQ(run(mx::test::mxdev() + " Y --play", err).status, 2);
    EXPECT_EQ(mx::test::readFileBytes(err), "mxdev: --play needs a value\n");

    auto admin = run(mx::test::mxadmin() + " check " + dir.path() + " --colour", err);
    EXPECT_EQ(admin.status, 2);
    EXPECT_EQ(mx::test::readFileBytes(err).rfind("mxadmin: unknown option --colour\nusage: mxadmin", 0), 0u)
        << mx::test::readFileBytes(err);
}
