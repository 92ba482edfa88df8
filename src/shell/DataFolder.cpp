// The search for the data folder (see the header).
#include "DataFolder.h"

#include <QDir>
#include <QSettings>

namespace mx::shell {

namespace {

const QString kDataKey = QStringLiteral("data");

// ~/.config/mxdev/mxdev.conf (or under $XDG_CONFIG_HOME), lines "key=value".
QSettings settings() { return QSettings(QStringLiteral("mxdev"), QStringLiteral("mxdev")); }

}  // namespace

bool holdsDataSet(const QString& folder) {
    if (folder.isEmpty()) return false;
    // Name filters match without regard to case: INDEXDEF.DBF counts.
    return !QDir(folder).entryList({QStringLiteral("indexdef.dbf")}, QDir::Files).isEmpty();
}

QString configurationFile() { return settings().fileName(); }

QString configuredDataFolder() {
    const QString folder = settings().value(kDataKey).toString().trimmed();
    return folder.isEmpty() ? QString() : QDir::cleanPath(QDir::home().absoluteFilePath(folder));
}

void rememberDataFolder(const QString& folder) {
    QSettings s = settings();
    s.setValue(kDataKey, QDir::cleanPath(QDir(folder).absolutePath()));
    s.sync();
}

DataFolderSearch findDataFolder(const QString& start, bool person, bool choose,
                                const std::function<std::optional<QString>(const QString&)>& ask) {
    DataFolderSearch found;
    found.folder = QDir::cleanPath(QDir(start).absolutePath());
    found.lookedIn << found.folder;
    if (holdsDataSet(found.folder) || !person) return found;

    const QString configured = configuredDataFolder();
    if (!configured.isEmpty() && configured != found.folder) {
        found.lookedIn << configured;
        if (holdsDataSet(configured)) {
            found.folder = configured;
            return found;
        }
    }
    if (!choose || !ask) return found;
    std::optional<QString> picked = ask(configured.isEmpty() ? QDir::homePath() : configured);
    if (!picked) {
        found.cancelled = true;
        return found;
    }
    const QString folder = QDir::cleanPath(QDir(*picked).absolutePath());
    if (!found.lookedIn.contains(folder)) found.lookedIn << folder;
    if (holdsDataSet(folder)) {
        rememberDataFolder(folder);
        found.folder = folder;
    }
    return found;
}

QString noDataSetMessage(const QStringList& lookedIn) {
    const QString where = lookedIn.size() == 1 ? lookedIn.front()
                                               : lookedIn.mid(0, lookedIn.size() - 1).join(QStringLiteral(", ")) +
                                                     QStringLiteral(" nor in ") + lookedIn.back();
    const QString here = lookedIn.isEmpty() ? QStringLiteral("FOLDER") : lookedIn.front();
    return QStringLiteral("There is no data set in %1: indexdef.dbf does not exist. To work in another folder, start "
                          "the program with --data FOLDER, or name the folder as data=FOLDER in %2. mxadmin init %3 "
                          "creates a data set.")
        .arg(where, configurationFile(), here);
}

}  // namespace mx::shell
