// The Debian package, made from the build as `cpack -G DEB` makes it: what
// it holds, the dependencies it declares, the installed programs finding
// their files beside them, and lintian's verdict when lintian is installed.
// Nothing is installed on the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "ProgramRunner.h"
#include "TestUtil.h"

namespace fs = std::filesystem;
using mx::test::run;

namespace {

std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

// The files (not the folders) a package holds, as "usr/bin/mxdev".
std::set<std::string> packageFiles(const std::string& deb) {
    std::set<std::string> files;
    std::istringstream lines(run("dpkg-deb --contents " + shellQuoted(deb)).out);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == 'd') continue;
        std::string name = line.substr(line.rfind(' ') + 1);
        if (name.rfind("./", 0) == 0) name = name.substr(2);
        files.insert(name);
    }
    return files;
}

std::string field(const std::string& deb, const std::string& name) {
    std::string value = run("dpkg-deb --field " + shellQuoted(deb) + " " + name).out;
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

}  // namespace

TEST(DebianPackage, HoldsTheProgramsAndTheirFilesAndDeclaresItsDependencies) {
    mx::test::TempDir dir;
    const std::string err = dir.file("cpack.err");
    auto made = run(std::string(MX_CPACK) + " -G DEB --config " + shellQuoted(std::string(MX_BUILD_DIR) + "/CPackConfig.cmake") +
                        " -B " + shellQuoted(dir.file("out")),
                    err);
    ASSERT_EQ(made.status, 0) << made.out << mx::test::readFileBytes(err);
    std::string deb;
    for (const auto& e : fs::directory_iterator(dir.file("out")))
        if (e.path().extension() == ".deb") deb = e.path().string();
    ASSERT_FALSE(deb.empty()) << made.out;
    EXPECT_EQ(fs::path(deb).filename().string().rfind("mxdev_" + std::string(MX_PROJECT_VERSION) + "-1_", 0), 0u) << deb;

    std::set<std::string> expected = {
        "usr/bin/mxdev",
        "usr/bin/mxadmin",
        "usr/share/applications/mxdev.desktop",
        "usr/share/icons/hicolor/scalable/apps/mxdev.svg",
        "usr/share/man/man1/mxdev.1.gz",
        "usr/share/man/man1/mxadmin.1.gz",
        "usr/share/mxdev/bitmaps/lupa.bmp",
        "usr/share/doc/mxdev/copyright",
        "usr/share/doc/mxdev/changelog.Debian.gz",
        "usr/share/lintian/overrides/mxdev",
    };
    for (const auto& e : fs::directory_iterator(std::string(MX_SOURCE_DIR) + "/data/demo"))
        if (e.path().extension() == ".csv") expected.insert("usr/share/mxdev/demo/" + e.path().filename().string());
    EXPECT_EQ(packageFiles(deb), expected);

    EXPECT_EQ(field(deb, "Package"), "mxdev");
    EXPECT_EQ(field(deb, "Version"), std::string(MX_PROJECT_VERSION) + "-1");
    const std::string depends = field(deb, "Depends");
    for (const char* needed : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6printsupport6", "qt6-qpa-plugins",
                               "fonts-liberation", "libc6"})
        EXPECT_NE(depends.find(needed), std::string::npos) << needed << " in " << depends;
    EXPECT_NE(run("dpkg-deb --info " + shellQuoted(deb)).out.find(" Depends: " + depends), std::string::npos);

    // Unpacked (not installed), the programs run and find their files beside them.
    const std::string root = dir.file("root");
    ASSERT_EQ(run("dpkg-deb -x " + shellQuoted(deb) + " " + shellQuoted(root)).status, 0);
    EXPECT_EQ(run(root + "/usr/bin/mxdev --version").out, "mxdev " + std::string(MX_PROJECT_VERSION) + "\n");
    ASSERT_EQ(run(root + "/usr/bin/mxadmin init " + shellQuoted(dir.file("data")) + " --demo").status, 0)
        << "the demo sources of the package";
    EXPECT_NE(run(root + "/usr/bin/mxadmin dump " + shellQuoted(dir.file("data")) + " lib").out.find("RS400"), std::string::npos);
    EXPECT_NE(run("gzip -dc " + shellQuoted(root + "/usr/share/man/man1/mxdev.1.gz")).out.find(".TH MXDEV 1"), std::string::npos);

    // lintian is a maintainer's tool: checked where it is installed.
    if (run("command -v lintian").status == 0) {
        auto lint = run("lintian --fail-on error " + shellQuoted(deb), err);
        EXPECT_EQ(lint.status, 0) << lint.out;
        EXPECT_EQ(lint.out.find("E: "), std::string::npos) << lint.out;
    }
}
