// Typing through a picture (see the header).
#include "PictureValidator.h"

#include "TextCodec.h"

namespace mx::tk {

QValidator::State PictureValidator::validate(QString& input, int& pos) const {
    // Characters outside Latin-1 cannot be stored in a table field.
    for (QChar c : input)
        if (c.unicode() > 0xFF) return Invalid;
    auto accepted = format_.accept(fromQ(input));
    if (!accepted) return Invalid;
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
