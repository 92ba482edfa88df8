// Keeps an edit field's text within its picture and the tables' code page
// while the user types: each edit is passed through PictureFormat::accept,
// which applies upper case and literals or refuses the key. The last refusal
// is kept (the text refused and what the field holds) for the field to say.
#pragma once

#include <QValidator>
#include <optional>

#include "PictureFormat.h"

namespace mx::tk {

class PictureValidator : public QValidator {
public:
    PictureValidator(const PictureFormat& format, QObject* parent) : QValidator(parent), format_(format) {}
    State validate(QString& input, int& pos) const override;

    // What the field holds when it refuses `text`, to follow its caption
    // ("holds at most 999.99", "cannot hold "≤""); empty when it takes it.
    QString refusal(const QString& text) const;

    // The refusal since the last clear(): the text refused and its reason.
    struct Refusal {
        QString text;
        QString reason;
    };
    const std::optional<Refusal>& refused() const { return refused_; }
    void clear() { refused_.reset(); }

private:
    const PictureFormat& format_;
    mutable std::optional<Refusal> refused_;
};

}  // namespace mx::tk
