// One workstation of the multi-process tests: this test binary started
// again (exec, so it shares nothing with the test but the data files) with
//
//   customers_tests --station DIR WS SCRIPT TRANSCRIPT IN OUT
//
// runs the register over the data set in DIR as workstation WS, plays the
// script in the file SCRIPT and writes its transcript to the file
// TRANSCRIPT; its exit status is the run's. Whenever a lock, append or open
// has to wait (the register's sleeper), it writes "w" to the descriptor OUT
// and reads one byte from IN before it tries again: the test knows the
// workstation stands at that step and chooses when it goes on, with no
// timing at all. Once IN is closed it no longer stops.
//
// StationProcess is the test's side.
#pragma once

#include <QApplication>
#include <QDir>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "CustomerRegister.h"
#include "DataContext.h"
#include "ItemLists.h"
#include "Opening.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "ScriptedRun.h"
#include "TableDefaults.h"
#include "Ui.h"

namespace mx::customers::test {

inline int runStation(int argc, char** argv) {
    if (argc < 8) return 64;
    ::signal(SIGPIPE, SIG_IGN);  // a test that stopped listening: carry on
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string tmpl = QDir::tempPath().toStdString() + "/mxtest-runtime-XXXXXX";
        if (char* dir = ::mkdtemp(tmpl.data())) ::setenv("XDG_RUNTIME_DIR", dir, 1);
    }
    tk::Ui::quietOffscreenNotices();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string dir = argv[2];
    const int ws = std::atoi(argv[3]);
    std::ifstream scriptFile(argv[4]);
    std::stringstream script;
    script << scriptFile.rdbuf();
    const int in = std::atoi(argv[6]), out = std::atoi(argv[7]);

    rt::Session session;
    ds::RecordingSink sink;
    ds::RecordingSleeper sleeper;
    bool stopping = true;
    sleeper.onWait = [&](int) {
        if (!stopping) return;
        char c = 0;
        if (::write(out, "w", 1) != 1 || ::read(in, &c, 1) != 1) stopping = false;
    };
    ds::DataContext ctx{session, sink, sleeper, dir};
    ds::applyTableAccessDefaults(session);
    ds::registerItemListFunctions(ctx);

    int status = 1;
    std::vector<std::string> lines;
    {
        mx::test::ScriptedRun run;
        tk::Ui::instance().setPrintDir(QString::fromStdString(dir + "/print"));
        tk::Ui::instance().setDateStyle({session.settings().dateFormat, session.settings().epoch});
        run.action = [&] {
            MITREX(ctx, ws);
            ds::CLOSDATA(ctx);
        };
        status = run.play(script.str());
        lines = run.lines;
        if (!run.error.empty()) lines.push_back("error: " + run.error);
    }
    std::ofstream transcript(argv[5]);
    for (const std::string& l : lines) transcript << l << '\n';
    for (const std::string& a : sink.alerts()) transcript << "sink " << a << '\n';
    return status;
}

// The test's side: starts a station, waits for it to stand at a wait, lets
// it go on, and collects its end.
class StationProcess {
public:
    StationProcess(std::string dir, int ws) : dir_(std::move(dir)), ws_(ws) {}
    ~StationProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        closeAll();
    }
    StationProcess(const StationProcess&) = delete;
    StationProcess& operator=(const StationProcess&) = delete;

    bool start(const std::string& script) {
        ::signal(SIGPIPE, SIG_IGN);  // a station that ended: go() finds out quietly
        const std::string tag = dir_ + "/station" + std::to_string(ws_);
        scriptFile_ = tag + ".script";
        transcriptFile_ = tag + ".transcript";
        std::ofstream(scriptFile_) << script;
        int toChild[2], fromChild[2];
        if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) return false;
        const std::string self = "/proc/self/exe", ws = std::to_string(ws_), in = std::to_string(toChild[0]),
                          out = std::to_string(fromChild[1]);
        std::vector<const char*> args{self.c_str(), "--station", dir_.c_str(), ws.c_str(), scriptFile_.c_str(),
                                      transcriptFile_.c_str(), in.c_str(), out.c_str(), nullptr};
        pid_ = ::fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            ::close(toChild[1]);
            ::close(fromChild[0]);
            ::alarm(120);  // never outlive a stuck run
            ::execv(self.c_str(), const_cast<char* const*>(args.data()));
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        toChild_ = toChild[1];
        fromChild_ = fromChild[0];
        return true;
    }
    // Blocks until the station stands at a wait; false when it ended instead.
    bool waiting() {
        char c = 0;
        return ::read(fromChild_, &c, 1) == 1 && c == 'w';
    }
    // Lets it go on from that wait.
    void go() {
        if (toChild_ >= 0 && ::write(toChild_, "g", 1) != 1) closeAll();
    }
    // Lets it run to its end without stopping again; its exit status.
    int finish() {
        closeAll();
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string transcript() const {
        std::ifstream f(transcriptFile_);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

private:
    void closeAll() {
        if (toChild_ >= 0) ::close(toChild_);
        if (fromChild_ >= 0) ::close(fromChild_);
        toChild_ = fromChild_ = -1;
    }

    std::string dir_;
    int ws_;
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    std::string scriptFile_, transcriptFile_;
};

}  // namespace mx::customers::test
