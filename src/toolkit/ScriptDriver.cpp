// Playing scripted sessions (design in the header, contract in the
// scripted-session documentation).
#include "ScriptDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QTextStream>
#include <QThread>
#include <QWidget>
#include <iostream>
#include <iterator>
#include <map>

#include "Browse.h"
#include "Button.h"
#include "CheckBox.h"
#include "Dialog.h"
#include "HotKeys.h"
#include "MainWindow.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk {

namespace {

// A command that cannot be carried out (status 2).
struct CommandError {
    QString why;
};

const std::map<std::string, int>& keyNames() {
    static const std::map<std::string, int> names = {
        {"Enter", HotKeys::Enter},   {"Space", HotKeys::Space},   {"PageDown", HotKeys::PageDown},
        {"PageUp", HotKeys::PageUp}, {"Insert", HotKeys::Insert}, {"Delete", HotKeys::Delete},
        {"F1", HotKeys::F1},         {"F2", HotKeys::F2},         {"Escape", HotKeys::Escape},
        {"Tab", HotKeys::Tab},       {"Up", HotKeys::Up},         {"Down", HotKeys::Down},
        {"Home", HotKeys::Home},     {"End", HotKeys::End},       {"Left", HotKeys::Left},
        {"Right", HotKeys::Right},
    };
    return names;
}

QString plain(const QString& caption) { return fromUtf8(ScriptParser::plainCaption(toUtf8(caption))); }

void needWords(const std::vector<std::string>& w, size_t min, size_t max, const char* usage) {
    if (w.size() < min || w.size() > max) throw CommandError{QStringLiteral("usage: %1").arg(QLatin1String(usage))};
}

long number(const std::string& word, const char* what) {
    try {
        size_t used = 0;
        long n = std::stol(word, &used);
        if (used == word.size()) return n;
    } catch (...) {
    }
    throw CommandError{QStringLiteral("%1 must be a number, not \"%2\"").arg(QLatin1String(what), fromUtf8(word))};
}

}  // namespace

ScriptDriver::ScriptDriver(Ui& ui, Transcript& transcript) : ui_(ui), transcript_(transcript) {
    ui_.setAnswerSource(this);
    ui_.setTranscript(&transcript);
    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, [this] { step(); });
    clock_.start();
}

ScriptDriver::~ScriptDriver() {
    if (ui_.answerSource() == this) ui_.setAnswerSource(nullptr);
}

void ScriptDriver::load(std::string_view script) {
    commands_ = ScriptParser::parse(script);
    next_ = 0;
}

std::optional<std::string> ScriptDriver::readScript(const QString& path, QString* error) {
    if (path == QLatin1String("-")) {
        std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        return text;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Cannot read the script %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void ScriptDriver::start(std::function<void(int)> finished) {
    onFinished_ = std::move(finished);
    started_ = true;
    stepTimer_.start(0);
}

int ScriptDriver::run() {
    QEventLoop loop;
    start([&loop](int) { loop.quit(); });
    if (!finished_) loop.exec();
    return status_;
}

void ScriptDriver::fail(int status, const QString& why) {
    if (ending_) return;
    status_ = status;
    error_ = line_ > 0 ? QStringLiteral("line %1: %2").arg(line_).arg(why) : why;
    ending_ = true;
    stepTimer_.start(0);
}

void ScriptDriver::modalEntered() {
    if (!started_ || finished_) return;
    qint64 now = clock_.elapsed();
    stepTimer_.start(static_cast<int>(std::max<qint64>(0, waitUntil_ - now)));
}

std::optional<ScriptDriver::Answer> ScriptDriver::takeAnswer(const QString& box,
                                                             std::initializer_list<Answer::Kind> accepted) {
    if (ending_) return std::nullopt;
    if (answers_.empty()) {
        fail(NoAnswer, QStringLiteral("%1 needed an answer and none was queued").arg(box));
        return std::nullopt;
    }
    Answer a = answers_.front();
    answers_.pop_front();
    for (Answer::Kind k : accepted)
        if (k == a.kind) return a;
    fail(NotCarriedOut, QStringLiteral("the queued answer does not fit %1").arg(box));
    return std::nullopt;
}

QWidget* ScriptDriver::target() {
    QWidget* w = ui_.activeWindow();
    if (!w) throw CommandError{QStringLiteral("no window is open")};
    // Offscreen windows do not become active by themselves; key presses and
    // focus changes need an active window.
    if (!w->isActiveWindow()) {
        w->activateWindow();
        QApplication::setActiveWindow(w);
    }
    return w;
}

void ScriptDriver::step() {
    if (finished_) return;
    if (ending_) return finishStep();
    const size_t depth = ui_.openDialogs().size();
    // A command still running on this dialog level (letting events through):
    // wait for it to return, or for a dialog above it.
    if (!running_.empty() && running_.back() >= depth) {
        stepTimer_.start(5);
        return;
    }
    qint64 now = clock_.elapsed();
    if (now < waitUntil_) {
        stepTimer_.start(static_cast<int>(waitUntil_ - now));
        return;
    }
    if (next_ >= commands_.size()) {
        ending_ = true;
        return finishStep();
    }
    // Closing the main window ends the program (File > Exit, or a screen
    // that could not open its tables): the rest of the script is not played
    // against a window that is gone, and the run does not count as one that
    // ran to its end.
    if (MainWindow* main = ui_.mainWindow(); main && main->isVisible()) {
        mainWindowShown_ = true;
    } else if (mainWindowShown_ && ui_.openDialogs().empty()) {
        fail(Failed, QStringLiteral("the program ended (its main window was closed) before the script did"));
        return finishStep();
    }
    const ScriptCommand& command = commands_[next_++];
    line_ = command.line;
    running_.push_back(depth);
    try {
        if (!command.error.empty()) throw CommandError{fromUtf8(command.error)};
        execute(command);
    } catch (const CommandError& e) {
        fail(NotCarriedOut, e.why);
    } catch (const std::exception& e) {
        fail(Failed, QString::fromLocal8Bit(e.what()));
    }
    running_.pop_back();
    if (!stepTimer_.isActive() || ending_) {
        qint64 after = clock_.elapsed();
        stepTimer_.start(static_cast<int>(std::max<qint64>(0, waitUntil_ - after)));
    }
}

void ScriptDriver::execute(const ScriptCommand& command) {
    const auto& w = command.words;
    const std::string& verb = w[0];
    if (verb == "menu") return doMenu(w);
    if (verb == "press") return doPress(w);
    if (verb == "key") return doKey(w);
    if (verb == "set") return doSet(w);
    if (verb == "row") return doRow(w);
    if (verb == "dblclick") return doDblclick(w);
    if (verb == "answer") return doAnswer(w);
    if (verb == "dump") return doDump(w);
    if (verb == "wait") return doWait(w);
    if (verb == "close") return doClose(w);
    throw CommandError{QStringLiteral("unknown command \"%1\"").arg(fromUtf8(verb))};
}

void ScriptDriver::finishStep() {
    if (finished_) return;
    // Close the innermost dialog as Escape would, then come back for the next.
    if (!ui_.openDialogs().empty()) {
        QWidget* top = ui_.openDialogs().back();
        if (++closeAttempts_ > 1000) {
            if (status_ == Completed) status_ = Failed;
            error_ = QStringLiteral("the dialog \"%1\" would not close").arg(top->windowTitle());
        } else {
            if (auto* dlg = qobject_cast<QDialog*>(top)) dlg->reject();
            stepTimer_.start(0);
            return;
        }
    }
    if (MainWindow* main = ui_.mainWindow(); main && main->isVisible()) main->close();
    finished_ = true;
    transcript_.end(status_);
    if (onFinished_) onFinished_(status_);
}

// ---------------------------------------------------------------- commands

void ScriptDriver::doMenu(const std::vector<std::string>& w) {
    needWords(w, 2, 3, "menu A [B]");
    if (!ui_.openDialogs().empty())
        throw CommandError{QStringLiteral("the menu cannot be reached while \"%1\" is open")
                               .arg(ui_.openDialogs().back()->windowTitle())};
    MainWindow* main = ui_.mainWindow();
    if (!main) throw CommandError{QStringLiteral("there is no main window")};
    target();
    QString top = fromUtf8(w[1]);
    QString item = w.size() > 2 ? fromUtf8(w[2]) : QString();
    QAction* action = main->findMenuAction(top, item);
    if (!action) throw CommandError{QStringLiteral("no menu item \"%1\"").arg(item.isEmpty() ? top : top + " / " + item)};
    if (action->menu()) throw CommandError{QStringLiteral("\"%1\" is a pull-down menu: name one of its items").arg(top)};
    if (!action->isEnabled()) throw CommandError{QStringLiteral("the menu item is disabled")};
    action->trigger();
}

void ScriptDriver::doPress(const std::vector<std::string>& w) {
    needWords(w, 2, 2, "press CAPTION");
    QWidget* window = target();
    QString caption = fromUtf8(w[1]);
    QAbstractButton* found = nullptr;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || plain(b->text()) != caption) continue;
        if (qobject_cast<QPushButton*>(b)) {
            found = b;
            break;
        }
        if (!found) found = b;
    }
    if (!found) throw CommandError{QStringLiteral("no button \"%1\" in \"%2\"").arg(caption, window->windowTitle())};
    if (!found->isEnabled()) throw CommandError{QStringLiteral("the button \"%1\" is disabled").arg(caption)};
    if (auto* b = qobject_cast<Button*>(found))
        b->press();
    else
        found->click();
}

void ScriptDriver::doKey(const std::vector<std::string>& w) {
    needWords(w, 2, 2, "key KEY");
    auto it = keyNames().find(w[1]);
    if (it == keyNames().end()) throw CommandError{QStringLiteral("unknown key \"%1\"").arg(fromUtf8(w[1]))};
    QWidget* window = target();
    QWidget* to = window->focusWidget() ? window->focusWidget() : window;
    int key = HotKeys::qtKey(it->second);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
    QApplication::sendEvent(to, &press);
    // The press may have closed the window or the widget: release only on what still stands.
    if (ui_.activeWindow() == window && window->focusWidget() == to) {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(to, &release);
    }
}

void ScriptDriver::doSet(const std::vector<std::string>& w) {
    needWords(w, 3, 3, "set NAME VALUE");
    QWidget* window = target();
    QString name = fromUtf8(w[1]);
    BoundControl* control = nullptr;
    std::vector<BoundControl*> controls;
    if (auto* dlg = qobject_cast<Dialog*>(window)) controls = dlg->boundControls();
    for (BoundControl* c : controls)
        if (c->widget()->isVisible() && c->widget()->objectName() == name) {
            control = c;
            break;
        }
    if (!control) {
        for (BoundControl* c : controls)
            if (auto* box = dynamic_cast<CheckBox*>(c); box && box->isVisible() && plain(box->text()) == name) {
                control = c;
                break;
            }
    }
    if (!control) throw CommandError{QStringLiteral("no control \"%1\" in \"%2\"").arg(name, window->windowTitle())};
    QString why;
    if (control->scriptSet(fromUtf8(w[2]), &why) == BoundControl::SetResult::Impossible) throw CommandError{why};
}

static Browse* firstBrowse(QWidget* window) {
    if (auto* dlg = qobject_cast<Dialog*>(window); dlg && !dlg->browses().empty()) return dlg->browses().front();
    return window->findChild<Browse*>();
}

void ScriptDriver::doRow(const std::vector<std::string>& w) {
    needWords(w, 2, 2, "row N");
    QWidget* window = target();
    Browse* browse = firstBrowse(window);
    if (!browse) throw CommandError{QStringLiteral("no browse in \"%1\"").arg(window->windowTitle())};
    long n = number(w[1], "the row");
    if (!browse->goRow(n)) throw CommandError{QStringLiteral("the browse has no row %1").arg(n)};
    browse->setFocus(Qt::OtherFocusReason);
}

void ScriptDriver::doDblclick(const std::vector<std::string>& w) {
    needWords(w, 1, 1, "dblclick");
    QWidget* window = target();
    Browse* browse = firstBrowse(window);
    if (!browse) throw CommandError{QStringLiteral("no browse in \"%1\"").arg(window->windowTitle())};
    browse->setFocus(Qt::OtherFocusReason);
    browse->doubleClick();
}

void ScriptDriver::doAnswer(const std::vector<std::string>& w) {
    needWords(w, 2, 3, "answer yes|no|ok|cancel|text VALUE|choice N|colour RRGGBB");
    Answer a;
    const std::string& kind = w[1];
    if (kind == "yes" || kind == "no" || kind == "ok" || kind == "cancel") {
        needWords(w, 2, 2, "answer yes|no|ok|cancel");
        a.kind = kind == "yes" ? Answer::Yes : kind == "no" ? Answer::No : kind == "ok" ? Answer::Ok : Answer::Cancel;
    } else if (kind == "text") {
        needWords(w, 3, 3, "answer text VALUE");
        a.kind = Answer::Text;
        a.text = w[2];
    } else if (kind == "choice") {
        needWords(w, 3, 3, "answer choice N");
        a.kind = Answer::Choice;
        a.number = static_cast<int>(number(w[2], "the choice"));
    } else if (kind == "colour") {
        needWords(w, 3, 3, "answer colour RRGGBB");
        QString hex = fromUtf8(w[2]);
        bool ok = hex.size() == 6;
        unsigned rgb = hex.toUInt(&ok, 16);
        if (!ok || hex.size() != 6) throw CommandError{QStringLiteral("a colour is six hexadecimal digits, not \"%1\"").arg(hex)};
        a.kind = Answer::Colour;
        a.colour = QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    } else {
        throw CommandError{QStringLiteral("unknown answer \"%1\"").arg(fromUtf8(kind))};
    }
    answers_.push_back(std::move(a));
}

void ScriptDriver::doDump(const std::vector<std::string>& w) {
    needWords(w, 1, 1, "dump");
    QWidget* window = target();
    transcript_.line("dump " + Transcript::q(window->windowTitle()));
    auto* dlg = qobject_cast<Dialog*>(window);
    if (!dlg) {
        transcript_.line("end dump");
        return;
    }
    for (BoundControl* c : dlg->boundControls()) {
        QWidget* cw = c->widget();
        if (cw->objectName().isEmpty() || !cw->isVisible()) continue;
        transcript_.line("field " + toUtf8(cw->objectName()) + " " + Transcript::q(c->displayText()));
    }
    constexpr long kRowLimit = 500;
    for (Browse* b : dlg->browses()) {
        std::string line = "browse";
        for (const QString& h : b->headers()) line += " " + Transcript::q(h);
        transcript_.line(line);
        long current = -1, more = 0;
        std::vector<QStringList> rows = b->rowsFromTop(kRowLimit, &current, &more);
        for (size_t i = 0; i < rows.size(); ++i) {
            std::string row = (static_cast<long>(i) == current ? "row* " : "row ") + std::to_string(i + 1);
            for (const QString& cell : rows[i]) row += " " + Transcript::q(cell);
            transcript_.line(row);
        }
        if (more > 0) transcript_.line("more " + std::to_string(more));
    }
    transcript_.line("end dump");
}

void ScriptDriver::doWait(const std::vector<std::string>& w) {
    needWords(w, 2, 2, "wait SECONDS");
    bool ok = false;
    double seconds = fromUtf8(w[1]).toDouble(&ok);
    if (!ok || seconds < 0) throw CommandError{QStringLiteral("wait needs a number of seconds")};
    waitUntil_ = clock_.elapsed() + static_cast<qint64>(seconds * 1000);
}

void ScriptDriver::doClose(const std::vector<std::string>& w) {
    needWords(w, 1, 1, "close");
    if (ui_.openDialogs().empty()) throw CommandError{QStringLiteral("no dialog is open")};
    target()->close();
}

}  // namespace mx::tk
