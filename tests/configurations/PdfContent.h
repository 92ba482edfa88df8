// Reading a printed PDF back beyond its text: the words of a line (their
// boxes from PdfText.h), so tests can see where a text stands and what is
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

#include "PdfText.h"

namespace mx::test {

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
