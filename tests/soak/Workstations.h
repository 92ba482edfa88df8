// What the soak tests share: the real mxdev started as a workstation process
// of its own on a data set (playing a script, its transcript in a file the
// test reads while it runs), mxadmin run to its end, and a table read back
// through mxadmin's dump.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ProgramRunner.h"
#include "TestUtil.h"

namespace mx::soak {

// One workstation: `mxdev WS --data DIR --play SCRIPT --transcript FILE`,
// standard output and error into a file beside the transcript.
class Workstation {
public:
    Workstation() = default;
    Workstation(const Workstation&) = delete;
    Workstation& operator=(const Workstation&) = delete;
    ~Workstation() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            finish();
        }
    }

    // Starts the program; false when it could not be started.
    bool start(const std::string& data, int ws, const std::string& script, const std::string& transcript) {
        transcript_ = transcript;
        errors_ = transcript + ".err";
        const std::string program = test::mxdev(), number = std::to_string(ws);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = ::open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                ::dup2(out, STDOUT_FILENO);
                ::dup2(out, STDERR_FILENO);
            }
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::execl(program.c_str(), program.c_str(), number.c_str(), "--data", data.c_str(), "--play", script.c_str(),
                    "--transcript", transcript.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid_ > 0;
    }

    // Whether the process is still running (reaps it when it has ended).
    bool running() {
        if (pid_ <= 0) return false;
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == 0) return true;
        record(st);
        return false;
    }

    // Waits for the end; the exit status, or -N when ended by signal N.
    int finish() {
        if (pid_ > 0) {
            int st = 0;
            if (::waitpid(pid_, &st, 0) == pid_) record(st);
            pid_ = -1;
        }
        return status_;
    }

    void kill() {
        if (pid_ > 0) ::kill(pid_, SIGKILL);
    }

    int status() const { return status_; }
    // The transcript as far as written (each line is written when it happens).
    std::string transcript() const { return test::readFileBytes(transcript_); }
    std::string errors() const { return test::readFileBytes(errors_); }

private:
    void record(int st) {
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? -WTERMSIG(st) : -1;
        pid_ = -1;
    }

    pid_t pid_ = -1;
    int status_ = -1;
    std::string transcript_, errors_;
};

// The lines of a text.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

inline size_t countLines(const std::string& text, const std::string& line) {
    size_t n = 0;
    for (const std::string& l : linesOf(text)) n += l == line;
    return n;
}

// A table as `mxadmin dump DIR TABLE --header` prints it, one map of field
// values a record; "(deleted)" is the mark of a deleted record.
struct Record {
    std::map<std::string, std::string> fields;
    bool deleted = false;
    const std::string& operator[](const std::string& name) const {
        static const std::string none;
        auto it = fields.find(name);
        return it == fields.end() ? none : it->second;
    }
};

inline std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

inline std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t bar = line.find('|', start);
        out.push_back(trimmed(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos) return out;
        start = bar + 1;
    }
}

// In record order, or in index order `order`.
inline std::vector<Record> dumpTable(const std::string& data, const std::string& table, int order = 0) {
    const test::RunResult r = test::run(test::mxadmin() + " dump '" + data + "' " + table + " --header --order " +
                                        std::to_string(order));
    std::vector<Record> records;
    const std::vector<std::string> lines = linesOf(r.out);
    if (r.status != 0 || lines.empty()) return records;
    const std::vector<std::string> names = splitFields(lines[0]);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> values = splitFields(lines[i]);
        Record rec;
        for (size_t f = 0; f < names.size(); ++f) rec.fields[names[f]] = f < values.size() ? values[f] : std::string();
        rec.deleted = values.size() > names.size() && values.back() == "(deleted)";
        records.push_back(std::move(rec));
    }
    return records;
}

inline void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace mx::soak
