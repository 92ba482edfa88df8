#include "BrowserCommand.h"

#include <QDir>
#include <QFile>

namespace mx::shell {

std::optional<QStringList> splitCommandLine(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;  // the open quote, or null
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (!quote.isNull()) {
            if (c == quote) {
                quote = QChar();
            } else if (quote == '"' && c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else {
                word += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t') {
            if (inWord) words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"' || c == '\'')
            quote = c;
        else
            word += c;
    }
    if (!quote.isNull()) return std::nullopt;
    if (inWord) words << word;
    return words;
}

QString settingCommandLine(const QString& fileText) {
    for (const QString& raw : fileText.split('\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        return line;
    }
    return {};
}

std::optional<BrowserCommand> configuredBrowser(const QString& dataDir, const QString& environment, QString* problem) {
    QString line = environment.trimmed();
    QString from = QString::fromUtf8(kBrowserVariable);
    if (line.isEmpty()) {
        from = QString::fromUtf8(kBrowserSettingFile);
        QFile file(dataDir.isEmpty() ? from : QDir(dataDir).filePath(from));
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        line = settingCommandLine(QString::fromLocal8Bit(file.readAll()));
        if (line.isEmpty()) return std::nullopt;
    }
    std::optional<QStringList> words = splitCommandLine(line);
    if (!words) {
        if (problem) *problem = QStringLiteral("The table browser named in %1 cannot be run: a quote is not closed.").arg(from);
        return std::nullopt;
    }
    if (words->isEmpty()) return std::nullopt;
    BrowserCommand command{words->takeFirst(), *words, from};
    return command;
}

}  // namespace mx::shell
