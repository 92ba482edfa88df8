// Pictures of edit fields: how a value is shown in a field, which keys a field
// takes where, and how the text typed turns back into a value. Pure logic, no
// widgets: the edit field, the prompt and the scripted `set` all go through it.
//
// A picture is an optional function part ("@!" upper case, "@X" free text,
// "@R"/"@Z"/"@B" accepted and ignored) and an optional template separated by
// a blank, or a template alone:
//   character  "@!", "!", "9999", "XXXX", "AA-99": one template character per
//              position, ! (any, upper-cased) 9 and # (digit) A (letter)
//              N (letter or digit) X (any) L (T/F/Y/N) Y (Y/N); anything
//              else is a literal shown as it stands and skipped when typing.
//              Without a template the field holds the value's whole width.
//   numeric    "999.99", "99": digits before and after the point; without a
//              template the value's own width and decimals.
//   logical    "Y" shows Y/N, otherwise T/F; either letter pair is typed.
//   date       the date style's picture ("dd/mm/yy"), separators filled in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Value.h"

namespace mx::tk {

struct DateStyle {
    std::string picture = "dd/mm/yy";
    int epoch = 1900;  // two-digit years fall in [epoch, epoch + 99]
};

class PictureFormat {
public:
    // `like` gives the type, and for character and numeric values the width
    // (and decimals) the field edits when the picture has no template.
    PictureFormat(std::string_view picture, const rt::Value& like, DateStyle dates = {});

    rt::ValueType type() const { return type_; }
    // Characters the field holds at most.
    int length() const { return length_; }
    bool upperCase() const { return upper_; }
    bool rightAligned() const { return type_ == rt::ValueType::Numeric; }

    // The text a field shows for the value (character: trailing blanks
    // trimmed; numeric: leading blanks trimmed, and whole when it is wider
    // than the picture).
    std::string display(const rt::Value& v) const;

    // The text as the field holds it after an edit produced `text`: case
    // rules applied and literals put in place. nullopt when a character is
    // not allowed where it stands or the text is too long; an incomplete
    // text (a date half typed, a lone minus) is accepted.
    std::optional<std::string> accept(std::string_view text) const;
    // The same; when the text is refused, *why (if given) says what the field
    // holds, to follow the field's caption: "holds at most 999.99", "holds
    // digits only", "holds at most 8 characters".
    std::optional<std::string> accept(std::string_view text, std::string* why) const;
    // What the field holds when it refuses `text` (as *why above); empty
    // when the text is accepted.
    std::string refusal(std::string_view text) const;

    // What typing `keys` into an empty field leaves in it: keys the picture
    // refuses are dropped, as the field refuses them one by one.
    std::string type(std::string_view keys) const;

    // The field's text read back as a value of the picture's type, with the
    // width and decimals of `like` (character values padded to its width).
    rt::Value value(std::string_view text, const rt::Value& like) const;

private:
    bool allowedAt(size_t pos, char c, char* out) const;
    bool isLiteral(size_t pos) const;
    std::optional<std::string> acceptNumber(std::string_view text, std::string* why) const;
    std::string largest() const;   // numeric: "999.99"
    std::string smallest() const;  // numeric: "-99.99", or "0" when no sign fits
    std::string takes(char templateChar) const;
    std::string refusedAt(size_t pos) const;

    rt::ValueType type_;
    std::string template_;  // one character per position; empty = any character
    bool upper_ = false;
    bool logicalYN_ = false;
    int length_ = 0;
    int intDigits_ = 0;     // numeric: digits allowed before the point (sign included)
    int decimals_ = 0;      // numeric: digits after the point
    DateStyle dates_;
};

}  // namespace mx::tk
