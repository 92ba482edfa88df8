// Where the workstation finds its data set when --data does not name it:
//   1. the folder it was started in, when that holds a data set (the
//      program has always worked in its working directory);
//   2. otherwise, when a person runs it (not a scripted session), the folder
//      named as `data=FOLDER` in the user's configuration file
//      (~/.config/mxdev/mxdev.conf), when that holds one;
//   3. otherwise, with --choose-data (the desktop menu entry starts the
//      program so, from the home folder), the folder the person picks; one
//      that holds a data set is remembered in the configuration file.
// A folder holds a data set when it has "indexdef.dbf" (any case). When
// none does, start-up names the folders looked in and how to choose another.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace mx::shell {

struct DataFolderSearch {
    QString folder;        // where to work; may hold no data set (start-up then explains)
    QStringList lookedIn;  // every folder looked in, in order
    bool cancelled = false;  // the person cancelled the folder chooser
};

bool holdsDataSet(const QString& folder);

// The user's configuration file, and the data folder it names (empty: none).
QString configurationFile();
QString configuredDataFolder();
void rememberDataFolder(const QString& folder);

// Runs the search above from `start`. `person`: not a scripted session.
// `ask` shows the folder chooser, opened at the folder given; nullopt when
// cancelled. It is called only with `choose`.
DataFolderSearch findDataFolder(const QString& start, bool person, bool choose,
                                const std::function<std::optional<QString>(const QString&)>& ask);

// What start-up tells the user when none of `lookedIn` holds a data set.
QString noDataSetMessage(const QStringList& lookedIn);

}  // namespace mx::shell
