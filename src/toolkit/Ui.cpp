// The central service for boxes, prompts and modal dialogs (see the header).
#include "Ui.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "DialogStack.h"
#include "Fonts.h"
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

Ui::Ui() {
    // Hot keys run their actions as buttons and menu items do.
    HotKeys::setRunner([this](const KeyAction& action) { invoke(action); });
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
    answers_ = nullptr;
    mainWindow_ = nullptr;
    mainFrame_ = nullptr;
    printDir_.clear();
    bitmapFolder_.clear();
    printFiles_.reset();
    DialogStack::instance().clear();
    while (busy_ > 0) setBusy(false);
    noPrinterTold_ = false;
}

void Ui::noPrinterNotice() {
    if (noPrinterTold_) return;
    noPrinterTold_ = true;
    info(kNoPrinterMessage);
}

// ---------------------------------------------------------------- informing boxes

void Ui::message(int kind, const QString& text, const QString& title) {
    if (transcript_) {
        if (kind == kInfo) transcript_->info(text);
        if (kind == kAlert) transcript_->alert(text);
        if (kind == kStop) transcript_->stop(text);
    }
    if (answers_) return;
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
    if (answers_) answers_->fail(AnswerSource::Failed, text);
}

void Ui::timed(const QString& text, double seconds, const QString& title) {
    if (transcript_) transcript_->timed(title, text);
    if (answers_) return;
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::NoButton, activeWindow());
    box.setStandardButtons(QMessageBox::NoButton);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &box, [&box] { box.done(0); });
    box.exec();
}

void Ui::waitBox(const QString& title, const QString& text, const std::function<void()>& action) {
    if (transcript_) transcript_->wait(title, text);
    if (answers_) {
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

void Ui::splash(const QString& file, int ms, const QString& name) {
    if (!QFile::exists(file)) return;
    if (transcript_) transcript_->splash(name.isEmpty() ? file : name);
    if (answers_) return;
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
    if (mainFrame_) mainFrame_->statusBar()->showMessage(text);
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
    if (answers_) {
        auto a = answers_->takeAnswer(QStringLiteral("the yes/no box \"%1\"").arg(text),
                                      {AnswerSource::Answer::Yes, AnswerSource::Answer::No});
        if (!a) return false;
        yes = a->kind == AnswerSource::Answer::Yes;
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

std::optional<QString> Ui::chooseFolder(const QString& title, const QString& start) {
    if (answers_) return std::nullopt;
    const QString folder = QFileDialog::getExistingDirectory(activeWindow(), title, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

std::optional<QColor> Ui::chooseColour(const QColor& initial) {
    std::optional<QColor> chosen;
    if (answers_) {
        auto a = answers_->takeAnswer(QStringLiteral("the colour dialog"),
                                      {AnswerSource::Answer::Colour, AnswerSource::Answer::Cancel});
        if (!a) return std::nullopt;
        if (a->kind == AnswerSource::Answer::Colour) chosen = a->colour;
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
    if (answers_)
        answers_->fail(AnswerSource::Failed, failure);
    else
        stop(failure);
    return false;
}

void Ui::dialogOpened(QWidget*, const QString& title, bool report) {
    if (report && transcript_) transcript_->open(title);
    if (answers_) answers_->modalEntered();
}

void Ui::dialogClosed(QWidget*, const QString& title, bool report) {
    if (report && transcript_) transcript_->close(title);
}

const std::vector<QWidget*>& Ui::openDialogs() const { return DialogStack::instance().dialogs(); }

QWidget* Ui::activeWindow() const {
    if (QWidget* top = DialogStack::instance().top()) return top;
    return mainFrame_;
}

}  // namespace mx::tk
