// A scripted session played in-process, for the tests that drive screens:
// a main window whose one menu item "Run" runs the test's action, the
// script's commands, and the transcript kept in memory with readers for it.
// The toolkit's singletons are reset when it is made and when it goes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "HotKeys.h"
#include "MainWindow.h"
#include "ScriptDriver.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::test {

class ScriptedRun {
public:
    ScriptedRun() { reset(); }
    ~ScriptedRun() { reset(); }
    ScriptedRun(const ScriptedRun&) = delete;
    ScriptedRun& operator=(const ScriptedRun&) = delete;

    // Plays `script` (commands one a line); the transcript collects in lines.
    int play(const std::string& script) {
        tk::ScriptDriver driver(tk::Ui::instance(), transcript);
        tk::MainWindow main("Test", tk::Box{1, 1, 22, 75, tk::Unit::Cell},
                            {tk::MenuItem{"&Run", [this] { action(); }}});
        main.show();
        tk::Ui::instance().setMainWindow(&main);
        driver.load(script);
        const int status = driver.run();
        tk::Ui::instance().setMainWindow(nullptr);
        error = driver.error().toStdString();
        return status;
    }

    bool has(const std::string& line) const { return find(line) != std::string::npos; }
    bool hasPrefix(const std::string& prefix) const {
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) return true;
        return false;
    }
    // Index of the first line equal to `line` at or after `from`; npos when none.
    size_t find(const std::string& line, size_t from = 0) const {
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i] == line) return i;
        return std::string::npos;
    }
    // The lines of the n-th dump (0-based), "end dump" included.
    std::vector<std::string> dump(int n) const {
        std::vector<std::string> out;
        int seen = -1;
        for (const auto& l : lines) {
            if (l.rfind("dump ", 0) == 0) ++seen;
            if (seen == n) out.push_back(l);
            if (seen == n && l == "end dump") break;
        }
        return out;
    }
    // The whole transcript (and the driver's error), for failure messages.
    std::string joined() const {
        std::string all = error.empty() ? "" : "error: " + error + "\n";
        for (const auto& l : lines) all += l + "\n";
        return all;
    }

    std::function<void()> action = [] {};
    // Called with each transcript line as it is written, while the session
    // runs (a dialog's `open` line comes after it has copied its record).
    std::function<void(const std::string&)> onLine;
    std::vector<std::string> lines;
    tk::Transcript transcript{[this](const std::string& l) {
        lines.push_back(l);
        if (onLine) onLine(l);
    }};
    std::string error;

private:
    static void reset() {
        tk::Ui::instance().reset();
        tk::HotKeys::instance().clear();
    }
};

}  // namespace mx::test
