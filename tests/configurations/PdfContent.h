// Reading a printed PDF back beyond its text: the words with their boxes
// (pdftotext -bbox), so tests can see where a text stands and what is
// aligned with what, and the straight lines of a page, counted in its
// content stream once qpdf has written it uncompressed (each line is a
// moveto "m" followed by a lineto "l").
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

namespace mx::test {

struct PdfWord {
    int page = 0;  // 1-based
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // points from the page's top left corner
};

inline std::vector<PdfWord> pdfWords(const QString& file) {
    QProcess p;
    p.start("pdftotext", {"-bbox", file, "-"});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<PdfWord> out;
    int page = 0;
    static const QRegularExpression token(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        out.push_back({page, text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                       m.captured(4).toDouble()});
    }
    return out;
}

// The words of one line of text: those whose boxes share `word`'s top.
inline std::vector<PdfWord> wordsBeside(const std::vector<PdfWord>& words, const PdfWord& word) {
    std::vector<PdfWord> out;
    for (const PdfWord& w : words)
        if (w.page == word.page && std::abs(w.yMin - word.yMin) < 1.0) out.push_back(w);
    return out;
}

// The straight lines drawn on each page; empty when the file cannot be read.
inline std::vector<int> pdfLinesPerPage(const QString& file) {
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
    QProcess p;
    p.start("qpdf", {"--qdf", "--object-streams=disable", file, plain});
    p.waitForFinished(30000);
    QFile f(plain);
    if (!f.open(QIODevice::ReadOnly)) return {};
    std::vector<int> pages;
    bool inContents = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("%% Contents for page")) {
            pages.push_back(0);
            inContents = true;
        } else if (line == "endstream") {
            inContents = false;
        } else if (inContents && line.endsWith(" l")) {
            ++pages.back();
        }
    }
    return pages;
}

}  // namespace mx::test
