#include "UiServices.h"

#include <QEventLoop>
#include <QTimer>

#include "TextCodec.h"
#include "Ui.h"

namespace mx::shell {

namespace {
QString fromData(const std::string& s) { return tk::toQ(s); }
}  // namespace

void UiMessageSink::alert(const std::string& text) { tk::Ui::instance().alert(fromData(text)); }
void UiMessageSink::info(const std::string& text) { tk::Ui::instance().info(fromData(text)); }
void UiMessageSink::timed(const std::string& text, double) { tk::Ui::instance().timed(fromData(text), 2.0); }
void UiMessageSink::status(const std::string& text) { tk::Ui::instance().status(fromData(text)); }

void UiSleeper::wait(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace mx::shell
