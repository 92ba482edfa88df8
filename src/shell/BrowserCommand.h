// Which table-browsing program the File menu's "&Browse" runs. A configured
// program comes first: the environment variable MXDEV_BROWSER (this
// workstation's own choice) or else the file "browser.cfg" in the data
// folder (the choice of every workstation on that data), each holding one
// command line; without either, the built-in table browser runs. A
// "browse.pif" beside the data is a shortcut file of another platform and is
// never run.
//
// The command line is split into the program and its arguments here, never
// by a shell: words are separated by blanks; "double" or 'single' quotes
// keep blanks in a word; inside double quotes \" and \\ stand for a quote
// and a backslash. Nothing is expanded. In "browser.cfg" blank lines and
// lines beginning with # are skipped and the first other line is the
// command.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mx::shell {

inline constexpr const char* kBrowserVariable = "MXDEV_BROWSER";
inline constexpr const char* kBrowserSettingFile = "browser.cfg";

struct BrowserCommand {
    QString program;
    QStringList arguments;
    QString from;  // where it was configured: the variable's or the file's name
};

// The words of a command line; nullopt when a quote is not closed.
std::optional<QStringList> splitCommandLine(const QString& line);

// The command line of a "browser.cfg" text: its first line that is neither
// blank nor a comment, trimmed; empty when there is none.
QString settingCommandLine(const QString& fileText);

// The configured program: `environment` (the variable's value) when it is
// not blank, else the data folder's setting file; nullopt when neither names
// one. *problem is set, and nullopt returned, when the configured line
// cannot be split.
std::optional<BrowserCommand> configuredBrowser(const QString& dataDir, const QString& environment, QString* problem);

}  // namespace mx::shell
