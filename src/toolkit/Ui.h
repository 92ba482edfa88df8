// The one place every box, prompt and modal dialog of the program goes
// through, and the one that knows whether a person or a script is at the
// keyboard. Screens call it for messages, questions, prompts, the choice
// box, the colour dialog, the wait box and cursor, the clipboard, the status
// line and external programs; Dialog reports its opening and closing here.
//
// With a transcript set, everything shown is written to it. With an answer
// source set (a scripted session, AnswerSource.h), boxes are not shown:
// informing boxes are recorded and return at once, and boxes that need an
// answer take the next answer the script queued (a run without one ends with
// status 3).
//
// Ui stands below the dialogs and windows it serves: it knows the script
// driver only as an AnswerSource, the open dialogs through DialogStack, and
// the main window as a QMainWindow. The prompt and the choice box, built as
// toolkit dialogs, are in UiBoxes.cpp above Dialog.
//
// One object for the program (instance()); the shell wires the transcript,
// driver, print folder and date style at start-up, tests wire their own and
// call reset() afterwards.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "AnswerSource.h"
#include "HotKeys.h"
#include "PictureFormat.h"
#include "PrintFileNamer.h"
#include "Value.h"

class QMainWindow;
class QWidget;

namespace mx::tk {

class MainWindow;
class Transcript;

// The one-line text prompt.
struct PromptOptions {
    QString title{};
    QString prompt{};        // the line above the field; may be empty
    QString bitmap{};        // image file shown at the left; empty or missing: none
    bool upperCase = true;   // the field forces upper case ("@!")
    QString picture{};       // overrides upperCase when not empty
    bool password = false;
};

class Ui : public QObject {
    Q_OBJECT
public:
    // Property set on the top-level windows the toolkit owns (hot keys act there).
    static constexpr const char* kToolkitWindow = HotKeys::kToolkitWindow;
    // The message of a print job meant for a printer when there is none.
    static const QString kNoPrinterMessage;
    // Shows kNoPrinterMessage as information the first time a print job
    // finds no printer (its pages then go to the preview); later jobs go
    // there without it.
    void noPrinterNotice();

    static Ui& instance();
    // Drops the offscreen platform's notice that it cannot apply window size
    // hints (printed for every fixed-size dialog of a scripted run); every
    // other Qt message goes on to the handler installed before. Call once,
    // before the first window.
    static void quietOffscreenNotices();

    // ---- wiring
    void setTranscript(Transcript* transcript) { transcript_ = transcript; }
    Transcript* transcript() const { return transcript_; }
    // The scripted run's answers (ScriptDriver registers itself); nullptr
    // when a person answers.
    void setAnswerSource(AnswerSource* answers) { answers_ = answers; }
    AnswerSource* answerSource() const { return answers_; }
    bool scripted() const { return answers_ != nullptr; }
    // Print jobs and reports are written as PDF files into this folder
    // (created when missing) instead of the preview or a printer.
    void setPrintDir(const QString& dir);
    const QString& printDir() const { return printDir_; }
    PrintFileNamer& printFiles() { return printFiles_; }
    // The program's own bitmaps (an installed program's share folder): a
    // dialog's bitmap missing where it is named is looked for there by its
    // file name, so the search prompts keep their magnifier in a data set
    // that has none. Empty: no such folder.
    void setBitmapFolder(const QString& folder) { bitmapFolder_ = folder; }
    const QString& bitmapFolder() const { return bitmapFolder_; }
    void setDateStyle(DateStyle style) { dates_ = std::move(style); }
    const DateStyle& dateStyle() const { return dates_; }
    // The main window: the status line's place and the parent of boxes when
    // no dialog stands. Defined with MainWindow (MainWindow.cpp), the one
    // place that knows a MainWindow to be a QMainWindow.
    void setMainWindow(MainWindow* window);
    MainWindow* mainWindow() const { return mainWindow_; }
    // Forgets transcript, answer source, print folder, main window and the
    // open dialogs (tests).
    void reset();

    // ---- boxes that inform
    void info(const QString& text, const QString& title = QStringLiteral("Information"));
    void alert(const QString& text, const QString& title = QStringLiteral("Alert"));
    void stop(const QString& text, const QString& title = QStringLiteral("Stop"));
    // A stop box for work that could not be done (a print file not written):
    // a scripted run then ends with status 1 rather than as completed.
    void failure(const QString& text);
    // Shows the text and closes by itself after `seconds`; the window keeps
    // repainting meanwhile. Returns when it has closed.
    void timed(const QString& text, double seconds, const QString& title = QStringLiteral("Information"));
    // Shows the wait box while `action` runs.
    void waitBox(const QString& title, const QString& text, const std::function<void()>& action);
    // The bitmap in a borderless pop-up centred on the screen for `ms` or
    // until clicked; does not block. Nothing when the file is missing.
    // `name` is what the transcript records (default: `file` as given).
    void splash(const QString& file, int ms = 3000, const QString& name = {});
    // A line in the main window's status bar.
    void status(const QString& text);
    // The wait cursor on (true) or off; calls may nest.
    void setBusy(bool busy);

    // ---- boxes that ask
    // Yes/No with Yes preselected; true for Yes.
    bool yesNo(const QString& text, const QString& title = QStringLiteral("Please select"));
    // Yes/No with No preselected; true for Yes.
    bool noYes(const QString& text, const QString& title = QStringLiteral("Please select"));
    // The one-line prompt: `value` (its width is the field's length) is
    // replaced by what was typed only when OK is pressed.
    bool prompt(const PromptOptions& options, rt::Value& value);
    // Radio buttons with "&Select" and "E&xit": the 1-based choice, 0 for
    // Exit or Escape. An empty title gives "Enter Your Selection:".
    int choice(const QString& title, const QStringList& captions);
    // The folder chooser, opened at `start`; nullopt when cancelled, and in
    // a scripted run, which never asks for a folder.
    std::optional<QString> chooseFolder(const QString& title, const QString& start);
    // The colour-selection dialog; nullopt when cancelled.
    std::optional<QColor> chooseColour(const QColor& initial = QColor());

    // ---- other services
    void setClipboard(const QString& text);
    // Runs a program and waits for it to end (the windows keep repainting);
    // its exit status, or nullopt when it could not be started. It runs in
    // `workingDirectory` when one is given, else in the program's own.
    std::optional<int> runProgram(const QString& program, const QStringList& arguments = {},
                                  const QString& workingDirectory = {});

    // ---- plumbing for the toolkit's own classes
    // Runs an action of a button, menu item, hot key or browse: a failure
    // escaping it is reported (a stop box, or the end of a scripted run with
    // status 1) instead of tearing the event loop down.
    void invoke(const std::function<void()>& action);
    bool invokeCheck(const std::function<bool()>& check);  // false also when it failed
    void dialogOpened(QWidget* dialog, const QString& title, bool report);
    void dialogClosed(QWidget* dialog, const QString& title, bool report);
    const std::vector<QWidget*>& openDialogs() const;
    // The window commands act on: the topmost open dialog, else the main window.
    QWidget* activeWindow() const;

private:
    Ui();
    bool ask(const QString& text, const QString& title, bool yesDefault);
    void message(int kind, const QString& text, const QString& title);
    bool promptDialog(const PromptOptions& options, rt::Value& value);
    int choiceDialog(const QString& title, const QStringList& captions);

    Transcript* transcript_ = nullptr;
    AnswerSource* answers_ = nullptr;
    MainWindow* mainWindow_ = nullptr;
    QMainWindow* mainFrame_ = nullptr;  // the same window, as Ui may use it
    QString printDir_;
    QString bitmapFolder_;
    PrintFileNamer printFiles_;
    DateStyle dates_;
    int busy_ = 0;
    bool noPrinterTold_ = false;
};

}  // namespace mx::tk
