// The table browser tests' scaffolding: the screen harness (ScreenHarness.h)
// running BROWSE, readers of the transcript's rows, the independent reader
// of tables (dbfread) and the companion's integrity check.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Opening.h"
#include "ProgramRunner.h"
#include "ScreenHarness.h"
#include "TableBrowser.h"

namespace mx::tablebrowser::test {

using mx::test::C;
using mx::test::L;
using mx::test::N;
using mx::test::Row;

// The quoted cells of a transcript line (`row 2 "" "ALU" ...`), unescaped.
inline std::vector<std::string> quoted(const std::string& line) {
    std::vector<std::string> out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '"') continue;
        std::string cell;
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
                cell += line[i] == 'n' ? '\n' : line[i];
            } else {
                cell += line[i];
            }
        }
        out.push_back(cell);
    }
    return out;
}

// Output of a command line (standard error too) and its exit status.
inline std::string shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return "popen failed";
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = ::pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

class BrowserHarness : public mx::test::ScreenHarness {
public:
    BrowserHarness() {
        action = [this] {
            // The workstation's date style: two-digit years from 80 years back.
            tk::Ui::instance().setDateStyle({"dd/mm/yy", 1945});
            BROWSE(ctx);
            ds::CLOSDATA(ctx);
        };
    }

    // Four library entries whose record order differs from every index
    // order, then `more`.
    void appendLib(std::vector<Row> more = {}) {
        std::vector<Row> rows = {{{"CODE", C("DUR")}, {"DESC", C("DURALITE")}, {"CATEGORY", C("COM")}, {"SERIAL", N(4)}},
                                 {{"CODE", C("ALU")}, {"DESC", C("ALUMINIUM")}, {"CATEGORY", C("RES")}, {"SERIAL", N(2)},
                                  {"MAXADJUST", N(3)}, {"TAG", L(true)}},
                                 {{"CODE", C("CED")}, {"DESC", C("CEDAR")}, {"CATEGORY", C("RES")}, {"SERIAL", N(3)}},
                                 {{"CODE", C("BRZ")}, {"DESC", C("BRONZE")}, {"CATEGORY", C("COM")}, {"SERIAL", N(1)}}};
        rows.insert(rows.end(), more.begin(), more.end());
        append("lib", rows);
    }

    // Column `n` (0 = the deleted mark, 1 = the record number, 2 = the first
    // field) of every row of the k-th dump's browse.
    std::vector<std::string> cellsOf(int k, size_t n) const {
        std::vector<std::string> out;
        for (const std::string& l : dump(k))
            if (l.rfind("row", 0) == 0) {
                std::vector<std::string> c = quoted(l);
                out.push_back(n < c.size() ? c[n] : "?");
            }
        return out;
    }

    // Every record of a table as dbfread reads it, one line each.
    std::string independentDump(const std::string& table) const {
        return shell("/usr/bin/python3 '" + std::string(MX_SOURCE_DIR) + "/tests/tools/dbf_dump.py' '" +
                     tmp.file(table + ".dbf") + "'");
    }

    // `mxadmin check` on the data set: its exit status, its report in *out.
    int check(std::string* out) const {
        mx::test::RunResult r = mx::test::run(mx::test::mxadmin() + " check '" + tmp.path() + "'");
        *out = r.out;
        return r.status;
    }
};

}  // namespace mx::tablebrowser::test
