#include "PassProgress.h"

#include <QCoreApplication>

#include "Ui.h"

namespace mx::lib {

PassProgress::PassProgress(QString what, std::uint32_t total) : what_(std::move(what)), total_(total) {
    (*this)(0);
}

PassProgress::~PassProgress() { tk::Ui::instance().status(QString()); }

void PassProgress::operator()(std::uint32_t done) const {
    tk::Ui::instance().status(QStringLiteral("%1 %2 of %3").arg(what_).arg(done).arg(total_));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace mx::lib
