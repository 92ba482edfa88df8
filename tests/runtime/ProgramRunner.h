// Runs the real mxdev and mxadmin programs from the tests and collects what
// they print and their exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "TestUtil.h"

namespace mx::test {

struct RunResult {
    int status = -1;
    std::string out;  // standard output (the transcript of a scripted run)
};

// Runs a command line with the offscreen platform; standard error goes to
// `errFile`, or is dropped when none is given.
inline RunResult run(const std::string& command, const std::string& errFile = {}) {
    RunResult r;
    std::string cmd = "QT_QPA_PLATFORM=offscreen " + command + " 2>" + (errFile.empty() ? "/dev/null" : "'" + errFile + "'");
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// A run with both outputs: standard error goes through `errFile`.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline Outcome runCapturing(const std::string& command, const std::string& errFile) {
    const RunResult r = run(command, errFile);
    return Outcome{r.status, r.out, readFileBytes(errFile)};
}

inline std::string mxdev() { return std::string(MX_BUILD_DIR) + "/src/shell/mxdev"; }
inline std::string mxadmin() { return std::string(MX_BUILD_DIR) + "/tools/mxadmin"; }

}  // namespace mx::test
