// Typing through a picture (see the header).
#include "PictureValidator.h"

#include "TextCodec.h"

namespace mx::tk {

QString PictureValidator::refusal(const QString& text) const {
    if (QString bad = unencodable(text); !bad.isEmpty())
        return QStringLiteral("cannot hold \u201C%1\u201D: the tables keep Windows-1252 text").arg(bad);
    return QString::fromStdString(format_.refusal(fromQ(text)));
}

QValidator::State PictureValidator::validate(QString& input, int& pos) const {
    // A character the tables' code page has no byte for cannot be stored.
    if (!unencodable(input).isEmpty()) {
        refused_ = Refusal{input, refusal(input)};
        return Invalid;
    }
    std::string why;
    const std::optional<std::string> accepted = format_.accept(fromQ(input), &why);
    if (!accepted) {
        refused_ = Refusal{input, QString::fromStdString(why)};
        return Invalid;
    }
    QString fixed = toQ(*accepted);
    if (fixed != input) {
        pos += static_cast<int>(fixed.size() - input.size());
        if (pos < 0) pos = 0;
        if (pos > fixed.size()) pos = static_cast<int>(fixed.size());
        input = fixed;
    }
    return Acceptable;
}

}  // namespace mx::tk
