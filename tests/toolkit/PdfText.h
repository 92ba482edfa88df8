// Reading printed PDFs back in tests: their text through pdftotext (laid out
// as on the page, or in reading order) and their page count through pdfinfo.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace mx::test {

// The text of `file`, or of its pages `first` to `last` (1-based; 0 = all).
inline QString pdfText(const QString& file, bool layout = true, int first = 0, int last = 0) {
    QProcess p;
    QStringList args;
    if (layout) args << "-layout";
    if (first > 0) args << "-f" << QString::number(first);
    if (last > 0) args << "-l" << QString::number(last);
    args << file << "-";
    p.start("pdftotext", args);
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int pdfPages(const QString& file) {
    QProcess p;
    p.start("pdfinfo", {file});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

}  // namespace mx::test
