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
            if (!target) continue;  // unknown options are ignored like unknown arguments
            if (i + 1 >= args.size()) {
                cl.error = a + QStringLiteral(" needs a value");
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
