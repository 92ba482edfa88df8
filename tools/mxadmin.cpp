// mxadmin: the command-line companion of the workstation. It creates data
// sets (empty, with the demo records, or large made-up ones for trying the
// screens at scale), dumps tables, rebuilds and checks the index set, and
// keeps user accounts and the login switch, all through the data store
// services the workstation uses.
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

constexpr const char* kUsageText =
    "usage: mxadmin init DIR [--demo [--demo-dir SOURCES]]\n"
    "       mxadmin demo-large DIR [--scale PERCENT] [--customers N] [--configurations N]\n"
    "                              [--lines-each N] [--stock N] [--library N]\n"
    "       mxadmin dump DIR TABLE [--order N] [--header]\n"
    "       mxadmin reindex DIR\n"
    "       mxadmin check DIR\n"
    "       mxadmin crosscheck DIR\n"
    "       mxadmin user add DIR NAME --level L [--password TEXT] [--desc TEXT]\n"
    "       mxadmin user list DIR\n"
    "       mxadmin user passwd DIR NAME [--password TEXT]\n"
    "       mxadmin user remove DIR NAME\n"
    "       mxadmin security DIR on|off\n"
    "       mxadmin bitmaps DIR [--demo]\n"
    "       mxadmin --help | --version\n"
    "       mxadmin COMMAND --help\n"
    "\n"
    "init     creates a data set in DIR (a new or empty folder): every table, the index\n"
    "         definitions, every index; --demo adds the demo records\n"
    "demo-large creates a large data set in DIR (a new or empty folder) for trying the\n"
    "         screens at scale, with the demo bitmaps: 20000 customers, 2000 configurations\n"
    "         of 100 formula and labour lines each, 20000 stock items, 100 library entries.\n"
    "         --scale takes PERCENT of those counts (1 to 1000; the lines of a\n"
    "         configuration stay 100, the library at most 100); the other options set\n"
    "         one count each: --customers (0 to 999999), --configurations (0 to 99999),\n"
    "         --lines-each (lines of a configuration, 0 to 1000), --stock (1 to 999999),\n"
    "         --library (1 to 100)\n"
    "dump     prints a table's records, one line each, fields separated by \" | \", in\n"
    "         record order or in index order N; deleted records end in \"(deleted)\"\n"
    "reindex  rebuilds every index file that indexdef defines; refused at once, changing\n"
    "         nothing, while another workstation has one of the tables open\n"
    "check    checks every table and index file that indexdef names\n"
    "crosscheck checks what the tables say about each other, reading only: lines,\n"
    "         panels, punch holes and drawing elements of no configuration, components,\n"
    "         suites, types and categories that do not exist, codes held twice, library\n"
    "         numbers and suite codes that cannot name a suite, adjustments beyond the\n"
    "         suite's limit, index keys and drawing texts that do not compile or cannot\n"
    "         be drawn; one line per finding (\"ASSLINE #184 ASSCODE: ...\"), then the count.\n"
    "         Exit status 0 nothing found, 1 findings, 2 a table could not be read\n"
    "user     keeps the login accounts: add one, list them (never their passwords),\n"
    "         set a password (read from standard input without --password; an empty\n"
    "         one removes it), remove one; passwords are stored only scrambled\n"
    "security switches the login requirement on or off\n"
    "bitmaps  writes the bitmaps the workstation reads into DIR where they are missing:\n"
    "         lupa.bmp (search prompts); --demo adds tws.bmp (splash) and logo.bmp\n"
    "\n"
    "--help  after a command gives that command's usage alone and does nothing else\n"
    "\n"
    "Exit status: 0 all well, 1 failure, 2 bad command line.\n";

int usage(const std::string& problem = {}) {
    if (!problem.empty()) std::cerr << "mxadmin: " << problem << '\n';
    std::cerr << kUsageText;
    return mx::admin::kUsage;
}

// The part of the usage text about `command`: its synopsis lines (with
// their continuations) and its paragraph, then the exit statuses.
std::string commandUsage(const std::string& command) {
    const std::string text = kUsageText;
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    const std::string synopsis = "mxadmin " + command + " ";
    std::string out, paragraph;
    bool inSynopsis = false, inParagraph = false;
    for (const std::string& line : lines) {
        const size_t first = line.find_first_not_of(' ');
        const bool continuation = first != std::string::npos && first > 0;
        const size_t named = line.find("mxadmin ");
        if (named != std::string::npos && (named == first || line.rfind("usage: ", 0) == 0)) {
            inSynopsis = line.compare(named, synopsis.size(), synopsis) == 0;
            if (inSynopsis) out += (out.empty() ? "usage: " : "       ") + line.substr(named) + '\n';
            continue;
        }
        if (inSynopsis && continuation) {
            out += line + '\n';
            continue;
        }
        inSynopsis = false;
        if (line.rfind(command + ' ', 0) == 0) {
            inParagraph = true;
        } else if (!continuation) {
            inParagraph = false;
        }
        if (inParagraph) paragraph += line + '\n';
    }
    return out + '\n' + paragraph + "\nExit status: 0 all well, 1 failure, 2 bad command line.\n";
}

// `mxadmin COMMAND --help`: that command's usage on standard output.
int help(const std::string& command) {
    std::cout << commandUsage(command);
    return mx::admin::kOk;
}

// Splits arguments into positional ones and "--name [value]" options.
struct CommandLine {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    std::string error;
    bool help = false;  // --help or -h among the arguments: the command's usage, nothing done

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
        if (a == "--help" || a == "-h") {
            cl.help = true;
            return cl;
        }
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

// A whole number from `min` to `max` written in decimal digits only.
std::optional<long> count(const std::string& text, long min, long max) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const long n = std::stol(text);
    if (n < min || n > max) return std::nullopt;
    return n;
}

// The size `demo-large` makes: the default one, scaled, then the counts given.
// Empty when an option is out of range; `problem` says which.
std::optional<mx::ds::LargeDataSetSize> largeSize(const CommandLine& cl, std::string& problem) {
    mx::ds::LargeDataSetSize size;
    if (const std::string* scale = cl.option("--scale")) {
        const std::optional<long> percent = count(*scale, 1, 1000);
        if (!percent) {
            problem = "--scale takes a percentage from 1 to 1000";
            return std::nullopt;
        }
        auto scaled = [&](int n, int least) {
            return std::max(least, static_cast<int>((static_cast<long>(n) * *percent + 50) / 100));
        };
        size.customers = scaled(size.customers, 0);
        size.configurations = scaled(size.configurations, 0);
        size.stockItems = scaled(size.stockItems, 1);
        size.libraryEntries = std::min(100, scaled(size.libraryEntries, 1));
    }
    struct Count {
        const char* option;
        long min, max;
        int* into;
    };
    const Count counts[] = {{"--customers", 0, 999999, &size.customers},
                            {"--configurations", 0, 99999, &size.configurations},
                            {"--lines-each", 0, 1000, &size.linesPerConfiguration},
                            {"--stock", 1, 999999, &size.stockItems},
                            {"--library", 1, 100, &size.libraryEntries}};
    for (const Count& c : counts) {
        const std::string* text = cl.option(c.option);
        if (!text) continue;
        const std::optional<long> n = count(*text, c.min, c.max);
        if (!n) {
            problem = std::string(c.option) + " takes a number from " + std::to_string(c.min) + " to " + std::to_string(c.max);
            return std::nullopt;
        }
        *c.into = static_cast<int>(*n);
    }
    return size;
}

// The demo data set's sources: installed beside the program
// (PREFIX/share/mxdev/demo for PREFIX/bin/mxadmin), else those of the
// source tree it was built from.
std::string demoSources() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path installed = self.parent_path().parent_path() / "share" / "mxdev" / "demo";
        if (std::filesystem::is_directory(installed, ec)) return installed.string();
    }
    return MX_DEMO_DIR;
}

// One line from standard input, without its line end; echo is off while a
// terminal is read. Nullopt at end of input.
std::optional<std::string> readPassword() {
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        std::cerr << "New password: " << std::flush;
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << '\n';
    }
    if (!got && line.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
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
    if (command == "--version") {
        std::cout << "mxadmin " << MXDEV_VERSION << '\n';
        return kOk;
    }

    if (command == "init") {
        CommandLine cl = parse(argc, argv, {"--demo-dir"}, {"--demo"});
        if (cl.help) return help(command);
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 1) return usage("init needs one folder");
        std::string demoDir;
        if (cl.option("--demo")) demoDir = cl.option("--demo-dir") ? *cl.option("--demo-dir") : demoSources();
        else if (cl.option("--demo-dir")) return usage("--demo-dir goes with --demo");
        return initDataSet(cl.positional[0], demoDir);
    }
    if (command == "demo-large") {
        CommandLine cl = parse(argc, argv,
                               {"--scale", "--customers", "--configurations", "--lines-each", "--stock", "--library"}, {});
        if (cl.help) return help(command);
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 1) return usage("demo-large needs one folder");
        std::string problem;
        const std::optional<mx::ds::LargeDataSetSize> size = largeSize(cl, problem);
        if (!size) return usage(problem);
        return initLargeDataSet(cl.positional[0], *size);
    }
    if (command == "dump") {
        CommandLine cl = parse(argc, argv, {"--order"}, {"--header"});
        if (cl.help) return help(command);
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
    if (command == "reindex" || command == "check" || command == "crosscheck") {
        CommandLine cl = parse(argc, argv, {}, {});
        if (cl.help) return help(command);
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 1) return usage(command + " needs one folder");
        if (command == "crosscheck") return crossCheckDataSet(cl.positional[0]);
        return command == "reindex" ? reindexDataSet(cl.positional[0]) : checkDataSet(cl.positional[0]);
    }
    if (command == "user") {
        CommandLine cl = parse(argc, argv, {"--password", "--desc", "--level"}, {});
        if (cl.help) return help(command);
        if (!cl.error.empty()) return usage(cl.error);
        const std::string sub = cl.positional.empty() ? std::string() : cl.positional[0];
        const std::string* password = cl.option("--password");
        auto only = [&](std::initializer_list<const char*> allowed) {
            for (const auto& [name, value] : cl.options) {
                bool ok = false;
                for (const char* a : allowed) ok = ok || name == a;
                if (!ok) return name;
            }
            return std::string();
        };
        if (sub == "add") {
            if (std::string o = only({"--password", "--desc", "--level"}); !o.empty()) return usage(o + " does not go with user add");
            if (cl.positional.size() != 3) return usage("user add needs a folder and a login name");
            const std::string* level = cl.option("--level");
            if (!level) return usage("user add needs --level");
            const std::string* desc = cl.option("--desc");
            return addUser(cl.positional[1], cl.positional[2], *level, password ? *password : std::string(),
                           desc ? *desc : std::string());
        }
        if (sub == "list") {
            if (std::string o = only({}); !o.empty()) return usage(o + " does not go with user list");
            if (cl.positional.size() != 2) return usage("user list needs a folder");
            return listUsers(cl.positional[1]);
        }
        if (sub == "passwd") {
            if (std::string o = only({"--password"}); !o.empty()) return usage(o + " does not go with user passwd");
            if (cl.positional.size() != 3) return usage("user passwd needs a folder and a login name");
            std::string typed;
            if (password) {
                typed = *password;
            } else {
                std::optional<std::string> read = readPassword();
                if (!read) return usage("no password on standard input");
                typed = *read;
            }
            return setUserPassword(cl.positional[1], cl.positional[2], typed);
        }
        if (sub == "remove") {
            if (std::string o = only({}); !o.empty()) return usage(o + " does not go with user remove");
            if (cl.positional.size() != 3) return usage("user remove needs a folder and a login name");
            return removeUser(cl.positional[1], cl.positional[2]);
        }
        return usage("user needs add, list, passwd or remove");
    }
    if (command == "bitmaps") {
        CommandLine cl = parse(argc, argv, {}, {"--demo"});
        if (cl.help) return help(command);
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 1) return usage("bitmaps needs one folder");
        return writeBitmaps(cl.positional[0], cl.option("--demo") != nullptr);
    }
    if (command == "security") {
        CommandLine cl = parse(argc, argv, {}, {});
        if (cl.help) return help(command);
        if (!cl.error.empty()) return usage(cl.error);
        if (cl.positional.size() != 2 || (cl.positional[1] != "on" && cl.positional[1] != "off"))
            return usage("security needs a folder and on or off");
        return setSecurity(cl.positional[0], cl.positional[1] == "on");
    }
    return usage("unknown command " + command);
}
