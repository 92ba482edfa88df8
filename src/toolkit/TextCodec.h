// Conversions between the runtime's byte strings and Qt's strings. Table
// bytes carry no code page, so they travel as Latin-1: every byte maps to one
// character and back, and nothing is lost on a round trip through a widget.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace mx::tk {

inline QString toQ(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string fromQ(const QString& text) {
    QByteArray b = text.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
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
