#include "CommandLine.h"

#include <QDir>
#include <cmath>

#include "NumberFormat.h"

namespace mx::shell {

void applyProgramArgument(const QString& arg, bool first, CommandLine& into) {
    if (first && arg == QStringLiteral("Y")) {
        into.preview = true;
        return;
    }
    // Read as the xBase VAL() reads text: leading blanks, a sign, digits, a point.
    QByteArray bytes = arg.toLatin1();
    double n = rt::parseNumber(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    // The number is taken as it is: one outside 1..9 names no tag field and
    // no scratch table, which the screens that use them check. One too large
    // for an int is out of range all the same, not workstation 1.
    if (n == 0 || std::isnan(n)) return;
    into.ws = std::fabs(n) < 1e9 ? static_cast<int>(n) : 0;
    into.wsArgument = arg.trimmed();
}

const char* const kUsage =
    "usage: mxdev [ARG1 [ARG2]] [--data DIR] [--play SCRIPT] [--transcript FILE] [--print-dir DIR]\n"
    "       mxdev [ARG1 [ARG2]] --choose-data\n"
    "       mxdev --help | --version\n"
    "\n"
    "The maintenance workstation for the master data of Mitrex.\n"
    "\n"
    "ARG1 \"Y\" turns the print preview on; a number in ARG1 or ARG2 is the workstation\n"
    "number, 1 to 9 (default 1), which selects the workstation's own tag field.\n"
    "\n"
    "  --data DIR         work in the data set in DIR; without it, in the folder the\n"
    "                     program is started in, or else in the folder named as\n"
    "                     data=DIR in ~/.config/mxdev/mxdev.conf\n"
    "  --choose-data      outside a data set and without a configured one, ask for the\n"
    "                     data folder and remember it (the desktop menu entry does this)\n"
    "  --play SCRIPT      run a scripted session from SCRIPT (- = standard input); no\n"
    "                     display is needed, the transcript goes to standard output\n"
    "  --transcript FILE  write the transcript to FILE (- = standard output)\n"
    "  --print-dir DIR    write every print job and report as a PDF file into DIR\n"
    "  --help             show this text\n"
    "  --version          show the program's version\n"
    "\n"
    "Exit status: 0 ended normally; 1 a failure; 2 a bad command line. A scripted run\n"
    "also ends with 2 when a command could not be carried out and 3 when a box needed\n"
    "an answer the script did not give.\n";

CommandLine parseCommandLine(const QStringList& args) {
    CommandLine cl;
    int positional = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QStringLiteral("--"))) {
            QString* target = nullptr;
            if (a == QStringLiteral("--data")) target = &cl.dataDir;
            else if (a == QStringLiteral("--play")) target = &cl.play;
            else if (a == QStringLiteral("--transcript")) target = &cl.transcript;
            else if (a == QStringLiteral("--print-dir")) target = &cl.printDir;
            bool* flag = a == QStringLiteral("--choose-data") ? &cl.chooseData
                         : a == QStringLiteral("--help")      ? &cl.help
                         : a == QStringLiteral("--version")   ? &cl.version
                                                              : nullptr;
            if (flag) {
                *flag = true;
                continue;
            }
            if (!target) {
                if (cl.error.isEmpty()) cl.error = QStringLiteral("unknown option %1 (mxdev --help lists the options)").arg(a);
                continue;
            }
            if (i + 1 >= args.size()) {
                if (cl.error.isEmpty()) cl.error = a + QStringLiteral(" needs a value");
                continue;
            }
            *target = args[++i];
            continue;
        }
        ++positional;
        if (positional <= 2) applyProgramArgument(a, positional == 1, cl);
    }
    return cl;
}

void resolvePaths(CommandLine& cl, const QString& startDir) {
    const QDir start(startDir);
    for (QString* path : {&cl.dataDir, &cl.play, &cl.transcript, &cl.printDir})
        if (!path->isEmpty() && *path != QStringLiteral("-")) *path = QDir::cleanPath(start.absoluteFilePath(*path));
}

}  // namespace mx::shell
