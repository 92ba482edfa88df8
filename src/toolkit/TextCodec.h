// Conversions between the runtime's byte strings and Qt's strings.
//
// Table bytes are Windows-1252 text: the programs that share the files are
// Windows programs, and the files carry no code page of their own. Every
// character the code page holds is stored as its byte and shown back ("€" is
// 0x80, "–" 0x96). The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) read as U+0081 and so on and are written back as the same
// byte, so any byte a table holds survives a round trip through a widget. A
// character the code page cannot hold has no byte: fromQ() writes "?" for it,
// and the edit controls refuse it as it is typed (unencodable()).
//
// Table-driven and inline: the browse calls toQ() for every cell it paints.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace mx::tk {

namespace codec {

// Bytes 0x80..0x9F as characters; the undefined ones stand for themselves.
inline constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The byte of a character, or -1 when the code page has none.
inline int byteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    if (c < 0xA0) {
        // U+0080..U+009F: only the five undefined bytes' own characters.
        return (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) ? c : -1;
    }
    // The code page's 27 characters above U+00FF; a character below U+0152
    // or above U+2122 is none of them.
    if (c < 0x0152 || c > 0x2122) return -1;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return 0x80 + i;
    return -1;
}

}  // namespace codec

inline QString toQ(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* d = out.data();
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = QChar(b >= 0x80 && b < 0xA0 ? codec::kHigh[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

inline std::string fromQ(const QString& text) {
    std::string out(static_cast<size_t>(text.size()), '?');
    const QChar* s = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = codec::byteOf(s[i].unicode());
        if (b >= 0) out[static_cast<size_t>(i)] = static_cast<char>(b);
    }
    return out;
}

// The first character of `text` the tables' code page cannot hold (a
// surrogate pair counts as one character), or an empty string when it holds
// them all.
inline QString unencodable(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (codec::byteOf(text[i].unicode()) >= 0) continue;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) return text.mid(i, 2);
        return text.mid(i, 1);
    }
    return {};
}

// Script and transcript texts are UTF-8.
inline QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string toUtf8(const QString& text) {
    QByteArray b = text.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

}  // namespace mx::tk
