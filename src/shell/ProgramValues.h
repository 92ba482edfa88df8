// The program-wide values every screen reads, created at start-up.
//
// The names the rest of the system knows them by begin with an underscore
// (`_SYSDATE`, `_COMPANY`, `_WS` ...); identifiers that begin with an
// underscore and a capital letter are reserved in C++, so they are held here
// as members without it. `_SECURITY` and `_USER` live in ds::DataContext,
// where the opening service reads them.
#pragma once

#include <QFont>
#include <QString>

#include "Date.h"

namespace mx::tk {
class MainWindow;
}

namespace mx::shell {

struct ProgramValues {
    rt::DayNumber sysDate = 0;                      // `_SYSDATE`: the working date, fixed at start-up
    QString company = QStringLiteral("Banksia Frames");  // `_COMPANY`
    QString package = QStringLiteral("Mitrex");          // `_PACKAGE`
    QString package1 = QStringLiteral("Mitrex Development from Tallowood Systems");  // `_PACKAGE1`
    bool preview = false;                           // `_PREVIEW`: printed output goes to the preview
    QString userSec = QStringLiteral("9");          // `_USERSEC`: security level, "9" highest
    int ws = 1;                                     // `_WS`: workstation number 1..9
    QFont dialogFont;                               // `OFONTW`: bold Arial, 12 pixels
    tk::MainWindow* mainWindow = nullptr;           // `OWND`
};

}  // namespace mx::shell
