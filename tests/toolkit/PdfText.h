// Reading printed PDFs back in tests: their text through pdftotext (laid out
// as on the page, or in reading order, or word by word with each word's
// box), their page count and size through pdfinfo, and the clip paths their
// pages draw under (qpdf writes the content streams out plain).
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <vector>

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

// The size of the first page in points.
inline QSizeF pdfPageSize(const QString& file) {
    QProcess p;
    p.start("pdfinfo", {file});
    p.waitForFinished(30000);
    static const QRegularExpression size(QStringLiteral("Page size: +([0-9.]+) x ([0-9.]+) pts"));
    const QRegularExpressionMatch m = size.match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

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

// The words in lines, top to bottom and left to right on each page.
inline std::vector<std::vector<PdfWord>> pdfLines(const std::vector<PdfWord>& words) {
    std::vector<PdfWord> sorted = words;
    std::sort(sorted.begin(), sorted.end(), [](const PdfWord& a, const PdfWord& b) {
        if (a.page != b.page) return a.page < b.page;
        if (std::abs(a.yMin - b.yMin) >= 1.0) return a.yMin < b.yMin;
        return a.xMin < b.xMin;
    });
    std::vector<std::vector<PdfWord>> lines;
    for (const PdfWord& w : sorted) {
        if (lines.empty() || lines.back().front().page != w.page || std::abs(lines.back().front().yMin - w.yMin) >= 1.0)
            lines.emplace_back();
        lines.back().push_back(w);
    }
    return lines;
}

namespace detail {
// Whether text.mid(pos) reads from the word of line `l` starting at `x` on,
// going on below it at the same left edge when the line ends first.
inline bool readsOn(const std::vector<std::vector<PdfWord>>& lines, size_t l, double x, const QString& text, qsizetype pos) {
    const std::vector<PdfWord>& line = lines[l];
    for (size_t i = 0; i < line.size(); ++i) {
        if (std::abs(line[i].xMin - x) > 0.5) continue;
        QString piece;
        for (size_t k = i; k < line.size(); ++k) {
            piece += (k > i ? QStringLiteral(" ") : QString()) + line[k].text;
            if (!text.mid(pos).startsWith(piece)) break;
            qsizetype next = pos + piece.size();
            if (next == text.size()) return true;
            if (text[next] == QLatin1Char(' ')) ++next;
            // The rest on the following line of the same page, at this edge.
            if (l + 1 < lines.size() && lines[l + 1].front().page == line.front().page &&
                readsOn(lines, l + 1, x, text, next))
                return true;
        }
    }
    return false;
}
}  // namespace detail

// Whether `text` is on the pages whole: its words side by side on one line
// with nothing between them, or in pieces one under another at the same
// left edge (a cell wrapped in its column).
inline bool printedWhole(const std::vector<std::vector<PdfWord>>& lines, const QString& text) {
    for (size_t l = 0; l < lines.size(); ++l)
        for (const PdfWord& w : lines[l])
            if (text.startsWith(w.text) && detail::readsOn(lines, l, w.xMin, text, 0)) return true;
    return false;
}

// What is wrong with the words' boxes: a word off the page, or over the
// next one on its line.
inline QStringList boxFaults(const std::vector<std::vector<PdfWord>>& lines, QSizeF page) {
    QStringList out;
    for (const auto& line : lines) {
        for (size_t i = 0; i < line.size(); ++i) {
            const PdfWord& w = line[i];
            if (w.xMin < 0 || w.yMin < 0 || w.xMax > page.width() || w.yMax > page.height())
                out << QStringLiteral("off the page: ") + w.text;
            if (i + 1 < line.size() && w.xMax > line[i + 1].xMin + 0.01)
                out << QStringLiteral("over each other: ") + w.text + QStringLiteral(" | ") + line[i + 1].text;
        }
    }
    return out;
}

// The clip operators ("W n", "W* n") in the pages' content streams: a text
// drawn under a clip may be cut on the page though it extracts whole. -1
// when the file cannot be read.
inline int pdfClips(const QString& file) {
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
    QProcess p;
    p.start("qpdf", {"--qdf", "--object-streams=disable", file, plain});
    p.waitForFinished(30000);
    QFile f(plain);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression clip(QStringLiteral("(^|\\s)W\\*?\\s+n(\\s|$)"));
    return static_cast<int>(QString::fromLatin1(f.readAll()).count(clip));
}

}  // namespace mx::test
