// Keeps an edit field's text within its picture while the user types: each
// edit is passed through PictureFormat::accept, which applies upper case and
// literals or refuses the key.
#pragma once

#include <QValidator>

#include "PictureFormat.h"

namespace mx::tk {

class PictureValidator : public QValidator {
public:
    PictureValidator(const PictureFormat& format, QObject* parent) : QValidator(parent), format_(format) {}
    State validate(QString& input, int& pos) const override;

private:
    const PictureFormat& format_;
};

}  // namespace mx::tk
