// mxadmin: the command-line companion of the workstation. It creates data
// sets (empty or with the demo records), dumps tables, rebuilds and checks
// the index set, and keeps user accounts and the login switch, all through
// the data store services the workstation uses.
#include <cstdlib>
#include <optional>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

constexpr const char* kUsageText =
    "usage: mxadmin init DIR [--demo [--demo-dir SOURCES]]\n"
    "       mxadmin dump DIR TABLE [--order N] [--header]\n"
    "       mxadmin reindex DIR\n"
    "       mxadmin check DIR\n"
    "       mxadmin user DIR NAME LEVEL [--password TEXT] [--desc TEXT]\n"
    "       mxadmin security DIR on|off\n"
    "\n"
    "init     creates a data set in DIR (a new or empty folder): every table, the index\n"
    "         definitions, every index; --demo adds the demo records\n"
    "dump     prints a table's records, one line each, fields separated by \" | \", in\n"
    "         record order or in index order N; deleted records end in \"(deleted)\"\n"
    "reindex  rebuilds every index file that indexdef defines\n"
    "check    checks every table and index file that indexdef names\n"
    "user     adds a user account or changes it (the password is stored scrambled)\n"
    "security switches the login requirement on or off\n"
    "\n"
    "Exit status: 0 all well, 1 failure, 2 bad command line.\n";

int usage(const std::string& problem = {}) {
    if (!problem.empty()) std::cerr << "mxadmin: " << problem << '\n';
    std::cerr << kUsageText;
    return mx::admin::kUsage;
}

// Splits arguments into positional ones and "--name [value]" options.
struct CommandLine {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    std::string error;

    const std::string* option(const std::string& name) const {
        for (const auto& [n, v] : options)
            if (n == name) return &v;
        return nullptr;
    }
};

CommandLine parse(int argc, char** argv, const std::vector<std::string>& withValue,
                  const std::vector<std::string>& flags) {
    CommandLine cl;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            cl.positional.push_back(a);
            continue;
        }
        bool takesValue = false, known = false;
        for (const auto& n : withValue) known = known || (takesValue = (n == a));
        for (const auto& n : flags) known = known || n == a;
        if (!known) {
            cl.error = "unknown option " + a;
            return cl;
        }
        if (takesValue) {
            if (i + 1 >= argc) {
                cl.error = a + " needs a value";
                return cl;
            }
            cl.options.emplace_back(a, argv[++i]);
        } else {
            cl.options.emplace_back(a, "");
        }
    }
    return cl;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace mx::admin;
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsageText;
        return kOk;
    }

    if (command == "init") {
        CommandLine cl = parse(argc, argv, {"--demo-dir"}, {"--demo"});
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 1) return usage("init needs one folder");
        std::string demoDir;
        if (cl.option("--demo")) demoDir = cl.option("--demo-dir") ? *cl.option("--demo-dir") : MX_DEMO_DIR;
        else if (cl.option("--demo-dir")) return usage("--demo-dir goes with --demo");
        return initDataSet(cl.positional[0], demoDir);
    }
    if (command == "dump") {
        CommandLine cl = parse(argc, argv, {"--order"}, {"--header"});
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 2) return usage("dump needs a folder and a table");
        int order = 0;
        if (const std::string* o = cl.option("--order")) {
            char* end = nullptr;
            long n = std::strtol(o->c_str(), &end, 10);
            if (o->empty() || *end != '\0' || n < 0 || n > 7) return usage("--order takes a number from 0 to 7");
            order = static_cast<int>(n);
        }
        return dumpTable(cl.positional[0], cl.positional[1], order, cl.option("--header") != nullptr);
    }
    if (command == "reindex" || command == "check") {
        CommandLine cl = parse(argc, argv, {}, {});
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 1) return usage(command + " needs one folder");
        return command == "reindex" ? reindexDataSet(cl.positional[0]) : checkDataSet(cl.positional[0]);
    }
    if (command == "user") {
        CommandLine cl = parse(argc, argv, {"--password", "--desc"}, {});
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 3) return usage("user needs a folder, a login name and a level");
        std::optional<std::string> password, description;
        if (const std::string* v = cl.option("--password")) password = *v;
        if (const std::string* v = cl.option("--desc")) description = *v;
        return setUser(cl.positional[0], cl.positional[1], cl.positional[2], password, description);
    }
    if (command == "security") {
        CommandLine cl = parse(argc, argv, {}, {});
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 2 || (cl.positional[1] != "on" && cl.positional[1] != "off"))
            return usage("security needs a folder and on or off");
        return setSecurity(cl.positional[0], cl.positional[1] == "on");
    }
    return usage("unknown command " + command);
}
