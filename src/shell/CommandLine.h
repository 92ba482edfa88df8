// The command line: the program's own two arguments (the preview flag and
// the workstation number), the options of scripted sessions, and those of
// the installed program (--choose-data, --help, --version).
//
//   mxdev [ARG1 [ARG2]] [--data DIR] [--play SCRIPT] [--transcript FILE] [--print-dir DIR]
//         [--choose-data] [--help] [--version]
//
// Options that begin with "--" are not counted as arguments 1 and 2; an
// option not listed here is an error (exit status 2).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mx::shell {

struct CommandLine {
    bool preview = false;  // argument 1 exactly "Y"
    int ws = 1;            // a non-zero number in argument 1, then argument 2 (which wins);
                           // 0 for a number too large to hold (out of range, as 12 is)
    QString wsArgument;    // the argument that set `ws`, as given
    QString dataDir;
    QString play;          // script file, "-" = standard input
    QString transcript;    // "-" = standard output
    QString printDir;
    bool chooseData = false;  // outside a data set, ask for the data folder (the desktop entry)
    bool help = false;
    bool version = false;
    QString error;         // an unknown option, or one without its value
};

// `args` without the program name.
CommandLine parseCommandLine(const QStringList& args);

// What --help prints.
extern const char* const kUsage;

// Makes the relative file names of the options (--data, --play, --transcript,
// --print-dir) absolute against `startDir`, the folder the program was
// started from, before the program moves into its data folder; "-"
// (standard input or output) stays as it is.
void resolvePaths(CommandLine& cl, const QString& startDir);

// Applies one program argument to the preview flag and the workstation
// number: "Y" (upper case, argument 1 only) sets the preview; a text that
// reads as a non-zero number sets the workstation (one past what an int
// holds sets 0, a number no workstation has); anything else is ignored.
void applyProgramArgument(const QString& arg, bool first, CommandLine& into);

}  // namespace mx::shell
