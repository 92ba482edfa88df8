// Plays a scripted session: takes the user's actions from a script, acts on
// the real windows, dialogs and controls, and ends the run with its status.
// The command set, the transcript lines and the statuses are the published
// contract of scripted sessions; this class implements it for the shell's
// --play option and for tests, which play script text in-process.
//
// How it runs: one command per step, each step started by a timer on the
// event loop. A command that opens a modal dialog blocks inside the dialog's
// own event loop; the dialog's opening starts the next step there, so the
// following commands act on the new dialog. A step never starts while a
// command on the same dialog level is still running (for instance while an
// action lets events through), only on a dialog opened above it.
//
// Ending: after the last command, or when a command fails, every open dialog
// is closed as Escape would close it (innermost first, further dialogs the
// screens open meanwhile are refused at once), then the main window; the
// transcript gets `end N` and the finished callback runs.
//
// Statuses: 0 ran to the end; 1 any other failure (an action threw); 2 a
// command could not be carried out; 3 a box needed an answer and none was
// queued.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AnswerSource.h"
#include "ScriptParser.h"

class QWidget;

namespace mx::tk {

class Transcript;
class Ui;

class ScriptDriver : public QObject, public AnswerSource {
    Q_OBJECT
public:
    // The statuses (Status) and the answers (Answer) are AnswerSource's.

    // Registers itself with `ui` (Ui::setAnswerSource) and writes to `transcript`,
    // which Ui also gets; both must outlive the run.
    ScriptDriver(Ui& ui, Transcript& transcript);
    ~ScriptDriver() override;

    void load(std::string_view script);
    // Reads a script file ("-" = standard input); nullopt and *error on failure.
    static std::optional<std::string> readScript(const QString& path, QString* error);

    // Starts playing on the running (or next) event loop; `finished` gets the
    // status once the run has ended.
    void start(std::function<void(int)> finished);
    // Starts and waits in a local event loop until the run has ended.
    int run();

    bool finished() const { return finished_; }
    int status() const { return status_; }
    // Why the run failed (empty when it completed), with the script line.
    const QString& error() const { return error_; }

    // ---- the answer source Ui and Dialog ask (AnswerSource.h)
    std::optional<Answer> takeAnswer(const QString& box, std::initializer_list<Answer::Kind> accepted) override;
    void fail(int status, const QString& why) override;
    bool ending() const override { return ending_; }
    void modalEntered() override;

private:
    void step();
    void execute(const ScriptCommand& command);
    void finishStep();
    QWidget* target();

    void doMenu(const std::vector<std::string>& w);
    void doPress(const std::vector<std::string>& w);
    void doKey(const std::vector<std::string>& w);
    void doSet(const std::vector<std::string>& w);
    void doRow(const std::vector<std::string>& w);
    void doDblclick(const std::vector<std::string>& w);
    void doAnswer(const std::vector<std::string>& w);
    void doDump(const std::vector<std::string>& w);
    void doWait(const std::vector<std::string>& w);
    void doClose(const std::vector<std::string>& w);

    Ui& ui_;
    Transcript& transcript_;
    std::vector<ScriptCommand> commands_;
    size_t next_ = 0;
    std::deque<Answer> answers_;
    std::vector<size_t> running_;  // dialog depth of each command still on the stack
    QTimer stepTimer_;
    QElapsedTimer clock_;
    qint64 waitUntil_ = 0;       // clock_ time before which no command starts
    std::function<void(int)> onFinished_;
    bool started_ = false;
    bool ending_ = false;
    bool mainWindowShown_ = false;  // the main window has stood while the script played
    bool finished_ = false;
    int closeAttempts_ = 0;
    int status_ = Completed;
    QString error_;
    int line_ = 0;
};

}  // namespace mx::tk
