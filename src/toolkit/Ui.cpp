// The central service for boxes, prompts and modal dialogs (see the header).
#include "Ui.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "Dialog.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "ScriptDriver.h"
#include "TextCodec.h"
#include "Transcript.h"

namespace mx::tk {

const QString Ui::kNoPrinterMessage =
    QStringLiteral("There are no printers installed!\r\nPlease exit this application and install a printer.");

namespace {

enum MessageKind { kInfo, kAlert, kStop };

// The splash pop-up: closes when clicked or when its time is up.
class SplashLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent*) override { close(); }
};

}  // namespace

namespace {
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (previousHandler) previousHandler(type, context, message);
}
}  // namespace

void Ui::quietOffscreenNotices() {
    QtMessageHandler before = qInstallMessageHandler(quietHandler);
    if (before != quietHandler) previousHandler = before;
}

Ui& Ui::instance() {
    static Ui* ui = new Ui();  // lives as long as the program
    return *ui;
}

void Ui::setPrintDir(const QString& dir) {
    printDir_ = dir;
    printFiles_.reset();
}

void Ui::reset() {
    transcript_ = nullptr;
    driver_ = nullptr;
    mainWindow_ = nullptr;
    printDir_.clear();
    bitmapFolder_.clear();
    printFiles_.reset();
    dialogs_.clear();
    while (busy_ > 0) setBusy(false);
}

// ---------------------------------------------------------------- informing boxes

void Ui::message(int kind, const QString& text, const QString& title) {
    if (transcript_) {
        if (kind == kInfo) transcript_->info(text);
        if (kind == kAlert) transcript_->alert(text);
        if (kind == kStop) transcript_->stop(text);
    }
    if (driver_) return;
    QMessageBox box(kind == kInfo ? QMessageBox::Information : kind == kAlert ? QMessageBox::Warning : QMessageBox::Critical,
                    title, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), QMessageBox::Ok,
                    activeWindow());
    box.exec();
}

void Ui::info(const QString& text, const QString& title) { message(kInfo, text, title); }
void Ui::alert(const QString& text, const QString& title) { message(kAlert, text, title); }
void Ui::stop(const QString& text, const QString& title) { message(kStop, text, title); }

void Ui::failure(const QString& text) {
    stop(text);
    if (driver_) driver_->fail(ScriptDriver::Failed, text);
}

void Ui::timed(const QString& text, double seconds, const QString& title) {
    if (transcript_) transcript_->timed(title, text);
    if (driver_) return;
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::NoButton, activeWindow());
    box.setStandardButtons(QMessageBox::NoButton);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &box, [&box] { box.done(0); });
    box.exec();
}

void Ui::waitBox(const QString& title, const QString& text, const std::function<void()>& action) {
    if (transcript_) transcript_->wait(title, text);
    if (driver_) {
        action();
        return;
    }
    QDialog box(activeWindow(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    box.setWindowTitle(title);
    box.setModal(true);
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(text, &box);
    label->setFont(Fonts::dialog());
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    box.resize(std::max(320, label->sizeHint().width() + 60), 100);
    box.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    struct Closer {
        QDialog& box;
        Ui& ui;
        ~Closer() {
            ui.setBusy(false);
            box.close();
        }
    } closer{box, *this};
    setBusy(true);
    action();
}

void Ui::splash(const QString& file, int ms) {
    if (!QFile::exists(file)) return;
    if (transcript_) transcript_->splash(file);
    if (driver_) return;
    QPixmap pix(file);
    if (pix.isNull()) return;
    auto* label = new SplashLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    label->setAttribute(Qt::WA_DeleteOnClose);
    label->setPixmap(pix);
    label->resize(pix.size());
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    label->move(screen.center() - QPoint(pix.width() / 2, pix.height() / 2));
    label->show();
    QTimer::singleShot(ms, label, &QWidget::close);
}

void Ui::status(const QString& text) {
    if (mainWindow_) mainWindow_->setStatus(text);
}

void Ui::setBusy(bool busy) {
    if (busy) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

// ---------------------------------------------------------------- asking boxes

bool Ui::ask(const QString& text, const QString& title, bool yesDefault) {
    bool yes = false;
    if (driver_) {
        auto a = driver_->takeAnswer(QStringLiteral("the yes/no box \"%1\"").arg(text),
                                     {ScriptDriver::Answer::Yes, ScriptDriver::Answer::No});
        if (!a) return false;
        yes = a->kind == ScriptDriver::Answer::Yes;
    } else {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, activeWindow());
        box.setDefaultButton(yesDefault ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        yes = box.exec() == QMessageBox::Yes;
    }
    if (transcript_) transcript_->yesno(text, yes);
    return yes;
}

bool Ui::yesNo(const QString& text, const QString& title) { return ask(text, title, true); }
bool Ui::noYes(const QString& text, const QString& title) { return ask(text, title, false); }

bool Ui::prompt(const PromptOptions& options, rt::Value& value) {
    const QString picture = !options.picture.isEmpty() ? options.picture : options.upperCase ? QStringLiteral("@!") : QString();
    PictureFormat format(fromQ(picture), value, dates_);
    bool ok = false;
    if (driver_) {
        auto a = driver_->takeAnswer(QStringLiteral("the prompt \"%1\"").arg(options.title),
                                     {ScriptDriver::Answer::Text, ScriptDriver::Answer::Ok, ScriptDriver::Answer::Cancel});
        if (!a) return false;
        ok = a->kind != ScriptDriver::Answer::Cancel;
        if (a->kind == ScriptDriver::Answer::Text) value = format.value(format.type(fromQ(fromUtf8(a->text))), value);
    } else {
        ok = promptDialog(options, value);
    }
    if (transcript_)
        transcript_->prompt(options.title, options.prompt, ok ? std::optional<QString>(toQ(format.display(value))) : std::nullopt);
    return ok;
}

// The prompt's layout: a 400 x 120 box, the bitmap at the top left, the
// prompt line over the field, "&Ok" (default) and "&Cancel" under it.
bool Ui::promptDialog(const PromptOptions& options, rt::Value& value) {
    Dialog dlg(options.title, Box{10, 10, 130, 410}, activeWindow());
    dlg.setCentred(true);
    dlg.setReported(false);
    dlg.setProperty(HotKeys::kOwnKeys, true);  // Enter is OK here, not the screen's View/Update
    rt::Value work = value;
    if (!options.bitmap.isEmpty()) dlg.addBitmap({5, 5, 20, 20}, options.bitmap);
    dlg.addText({10, 40, 250, 10}, options.prompt);
    FieldOptions field;
    field.name = QStringLiteral("VALUE");
    field.picture = !options.picture.isEmpty() ? options.picture : options.upperCase ? QStringLiteral("@!") : QString();
    field.password = options.password;
    dlg.addField({22, 40, 120, 12}, work, field);
    bool ok = false;
    Button* okButton = dlg.addButton({40, 40, 45, 12}, QStringLiteral("&Ok"), [&] {
        ok = true;
        dlg.end();
    });
    dlg.addButton({40, 100, 45, 12}, QStringLiteral("&Cancel"), [&] { dlg.reject(); });
    dlg.setDefaultButton(okButton);
    dlg.run();
    if (ok) value = work;
    return ok;
}

int Ui::choice(const QString& title, const QStringList& captions) {
    const QString shown = title.isEmpty() ? QStringLiteral("Enter Your Selection:") : title;
    int n = 0;
    if (driver_) {
        auto a = driver_->takeAnswer(QStringLiteral("the choice box \"%1\"").arg(shown),
                                     {ScriptDriver::Answer::Choice, ScriptDriver::Answer::Cancel});
        if (!a) return 0;
        n = a->kind == ScriptDriver::Answer::Choice ? a->number : 0;
        if (n < 0 || n > captions.size()) {
            driver_->fail(ScriptDriver::NotCarriedOut,
                          QStringLiteral("the choice box \"%1\" has no choice %2").arg(shown).arg(n));
            return 0;
        }
    } else {
        n = choiceDialog(shown, captions);
    }
    if (transcript_) transcript_->choice(shown, n);
    return n;
}

// The choice box's layout: a 250 x 250 box, the radio group at the top left,
// "&Select" and "E&xit" under it.
int Ui::choiceDialog(const QString& title, const QStringList& captions) {
    Dialog dlg(title, Box{0, 0, 250, 250}, activeWindow());
    dlg.setCentred(true);
    dlg.setReported(false);
    dlg.setProperty(HotKeys::kOwnKeys, true);
    int chosen = 1;
    dlg.addRadio({5, 10}, chosen, captions, QStringLiteral("CHOICE"));
    int result = 0;
    Button* select = dlg.addButton({100, 10, 45, 12}, QStringLiteral("&Select"), [&] {
        result = chosen;
        dlg.end();
    });
    dlg.addButton({100, 60, 45, 12}, QStringLiteral("E&xit"), [&] {
        result = 0;
        dlg.end();
    });
    dlg.setDefaultButton(select);
    dlg.run();
    return result;
}

std::optional<QString> Ui::chooseFolder(const QString& title, const QString& start) {
    if (driver_) return std::nullopt;
    const QString folder = QFileDialog::getExistingDirectory(activeWindow(), title, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

std::optional<QColor> Ui::chooseColour(const QColor& initial) {
    std::optional<QColor> chosen;
    if (driver_) {
        auto a = driver_->takeAnswer(QStringLiteral("the colour dialog"),
                                     {ScriptDriver::Answer::Colour, ScriptDriver::Answer::Cancel});
        if (!a) return std::nullopt;
        if (a->kind == ScriptDriver::Answer::Colour) chosen = a->colour;
    } else {
        QColorDialog dlg(initial.isValid() ? initial : QColor(Qt::white), activeWindow());
        dlg.setOption(QColorDialog::DontUseNativeDialog);
        if (dlg.exec() == QDialog::Accepted) chosen = dlg.currentColor();
    }
    if (transcript_) transcript_->colour(chosen);
    return chosen;
}

// ---------------------------------------------------------------- other services

void Ui::setClipboard(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    if (transcript_) transcript_->clipboard(text);
}

std::optional<int> Ui::runProgram(const QString& program, const QStringList& arguments,
                                  const QString& workingDirectory) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(5000)) {
        if (transcript_) transcript_->run(program, std::nullopt);
        return std::nullopt;
    }
    if (process.state() != QProcess::NotRunning) {
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (transcript_) transcript_->run(program, status);
    return status;
}

// ---------------------------------------------------------------- plumbing

void Ui::invoke(const std::function<void()>& action) {
    invokeCheck([&] {
        action();
        return true;
    });
}

bool Ui::invokeCheck(const std::function<bool()>& check) {
    QString failure;
    try {
        return check();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("An unexpected failure ended the operation.");
    }
    if (driver_)
        driver_->fail(ScriptDriver::Failed, failure);
    else
        stop(failure);
    return false;
}

void Ui::dialogOpened(QWidget* dialog, const QString& title, bool report) {
    dialogs_.push_back(dialog);
    if (report && transcript_) transcript_->open(title);
    if (driver_) driver_->modalEntered();
}

void Ui::dialogClosed(QWidget* dialog, const QString& title, bool report) {
    dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), dialog), dialogs_.end());
    if (report && transcript_) transcript_->close(title);
}

QWidget* Ui::activeWindow() const {
    if (!dialogs_.empty()) return dialogs_.back();
    return mainWindow_;
}

}  // namespace mx::tk
