// The configuration tests' scaffolding: the screen harness (ScreenHarness.h)
// with the Configurations screen as its action, readers of whole records
// (also through dbfread, an independent reader), the companion's integrity
// check, and another workstation in a process of its own that holds a record
// lock or a table's file lock.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ConfigurationScreen.h"
#include "HotKeys.h"
#include "Opening.h"
#include "ProgramRunner.h"
#include "ScreenHarness.h"

namespace mx::configurations::test {

using mx::test::C;
using mx::test::L;
using mx::test::N;
using mx::test::Row;

class ConfigurationHarness : public mx::test::ScreenHarness {
public:
    ConfigurationHarness() {
        action = [this] {
            opened = ASSEMBLY(ctx, links);
            keysBoundAfter = tk::HotKeys::instance().hasAction(tk::HotKeys::Enter) ||
                             tk::HotKeys::instance().hasAction(tk::HotKeys::Insert);
            ds::CLOSDATA(ctx);
        };
    }

    // Every field's bytes of record `recno` of `table`, and its deleted flag.
    std::string recordBytes(const std::string& table, std::uint32_t recno) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Shared, true);
        a.goTo(recno);
        std::string out = a.deleted() ? "*" : " ";
        for (int i = 0; i < a.fieldCount(); ++i) out += std::string(a.fieldBytes(i)) + "|";
        s.closeAll();
        return out;
    }

    // Field name -> bytes of record `recno` of `table`.
    std::map<std::string, std::string> recordFields(const std::string& table, std::uint32_t recno) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Shared, true);
        a.goTo(recno);
        std::map<std::string, std::string> out;
        for (int i = 0; i < a.fieldCount(); ++i) out[a.field(i).name] = std::string(a.fieldBytes(i));
        s.closeAll();
        return out;
    }

    // Marks record `recno` of `table` deleted (the table held exclusively meanwhile).
    void markDeleted(const std::string& table, std::uint32_t recno) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file(table + ".dbf"), "", rt::OpenMode::Exclusive);
        a.goTo(recno);
        a.deleteRecord();
        s.closeAll();
    }

    // Every record of `table` as dbfread reads it: the cells of each record,
    // live ones first, the first cell "live" or "deleted".
    std::vector<std::vector<std::string>> independentRecords(const std::string& table) const {
        const std::string command = "/usr/bin/python3 '" + std::string(MX_SOURCE_DIR) + "/tests/tools/dbf_dump.py' '" +
                                    tmp.file(table + ".dbf") + "' 2>&1";
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
            ::pclose(p);
        }
        std::vector<std::vector<std::string>> records;
        size_t start = 0;
        while (start < out.size()) {
            size_t end = out.find('\n', start);
            if (end == std::string::npos) end = out.size();
            const std::string line = out.substr(start, end - start);
            start = end + 1;
            if (line.rfind("count ", 0) == 0) continue;
            std::vector<std::string> cells;
            size_t from = 0;
            for (size_t bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1)
                cells.push_back(line.substr(from, bar - from));
            cells.push_back(line.substr(from));
            records.push_back(cells);
        }
        return records;
    }

    // `mxadmin check` on the data set: its exit status, its report in *out.
    int check(std::string* out) const {
        mx::test::RunResult r = mx::test::run(mx::test::mxadmin() + " check '" + tmp.path() + "'");
        *out = r.out;
        return r.status;
    }

    // The rows of the n-th dump (lines beginning "row"), as written.
    std::vector<std::string> rows(int n) const {
        std::vector<std::string> out;
        for (const auto& l : dump(n))
            if (l.rfind("row", 0) == 0) out.push_back(l);
        return out;
    }
    // The value of field NAME in the n-th dump; "?" when it has none.
    std::string field(int n, const std::string& name) const {
        const std::string prefix = "field " + name + " \"";
        for (const auto& l : dump(n))
            if (l.rfind(prefix, 0) == 0) return l.substr(prefix.size(), l.size() - prefix.size() - 1);
        return "?";
    }

    ConfigurationLinks links;
    bool opened = false;
    bool keysBoundAfter = true;
};

// Another workstation, in a process of its own: it opens `table` shared and
// holds the lock of one record, or the whole file's lock, or it holds the
// table opened exclusively, until it is released (or this object goes). Start it while this process has the table
// closed.
class OtherStation {
public:
    bool holdFileLock(const std::string& dbf) { return holdRecordLock(dbf, 0); }
    // `recno` 0: the file lock.
    bool holdRecordLock(const std::string& dbf, std::uint32_t recno) { return hold(dbf, rt::OpenMode::Shared, recno); }
    // The table opened exclusively (as the library screen has `lib`).
    bool holdExclusively(const std::string& dbf) { return hold(dbf, rt::OpenMode::Exclusive, -1); }
    void release() {
        if (pid_ <= 0) return;
        char c = 'x';
        (void)!write(toChild_, &c, 1);
        close(toChild_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    ~OtherStation() { release(); }

private:
    // `recno` -1: no lock beyond the open.
    bool hold(const std::string& dbf, rt::OpenMode mode, long recno) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) return false;
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            alarm(60);  // never outlive a stuck test
            close(toChild[1]);
            close(fromChild[0]);
            char ok = 'n';
            try {
                rt::Session s;
                rt::WorkArea& a = s.open(dbf, "", mode);
                if (recno < 0 || (recno == 0 ? a.lockFile() : (a.goTo(static_cast<std::uint32_t>(recno)), a.lock())))
                    ok = 'y';
                (void)!write(fromChild[1], &ok, 1);
                char c;
                (void)!read(toChild[0], &c, 1);
                s.closeAll();
            } catch (...) {
                (void)!write(fromChild[1], &ok, 1);
            }
            _exit(0);
        }
        close(toChild[0]);
        close(fromChild[1]);
        toChild_ = toChild[1];
        char ok = 'n';
        const bool answered = read(fromChild[0], &ok, 1) == 1;
        close(fromChild[0]);
        return answered && ok == 'y';
    }

    pid_t pid_ = -1;
    int toChild_ = -1;
};

}  // namespace mx::configurations::test
