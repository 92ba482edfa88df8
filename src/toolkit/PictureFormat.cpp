// Pictures of edit fields: display, key filtering and read-back (see the header).
#include "PictureFormat.h"

#include <algorithm>
#include <cctype>

#include "ExprFormat.h"
#include "NumberFormat.h"

namespace mx::tk {

namespace {

char upperOf(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string trimLeft(std::string s) {
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

// A date picture becomes a template: digit positions for d, m and y, the
// separators as literals.
std::string dateTemplate(const std::string& picture) {
    std::string t;
    for (char c : picture) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        t += (l == 'd' || l == 'm' || l == 'y') ? '9' : c;
    }
    return t;
}

}  // namespace

PictureFormat::PictureFormat(std::string_view picture, const rt::Value& like, DateStyle dates)
    : type_(like.type()), dates_(std::move(dates)) {
    std::string_view functions;
    std::string_view tmpl = picture;
    if (!picture.empty() && picture[0] == '@') {
        size_t blank = picture.find(' ');
        functions = picture.substr(1, blank == std::string_view::npos ? std::string_view::npos : blank - 1);
        tmpl = blank == std::string_view::npos ? std::string_view() : picture.substr(blank + 1);
    }
    for (char f : functions)
        if (f == '!') upper_ = true;

    switch (type_) {
        case rt::ValueType::Numeric: {
            size_t point = tmpl.find('.');
            if (!tmpl.empty()) {
                length_ = static_cast<int>(tmpl.size());
                intDigits_ = static_cast<int>(point == std::string_view::npos ? tmpl.size() : point);
                decimals_ = point == std::string_view::npos ? 0 : static_cast<int>(tmpl.size() - point - 1);
            } else {
                length_ = like.width() > 0 ? like.width() : 10;
                decimals_ = like.decimals();
                intDigits_ = decimals_ > 0 ? length_ - decimals_ - 1 : length_;
            }
            break;
        }
        case rt::ValueType::Logical:
            logicalYN_ = tmpl.find('Y') != std::string_view::npos || tmpl.find('y') != std::string_view::npos;
            length_ = 1;
            break;
        case rt::ValueType::Date:
            template_ = dateTemplate(dates_.picture);
            length_ = static_cast<int>(template_.size());
            break;
        default:  // character (and nil, edited as text)
            template_ = std::string(tmpl);
            if (template_.empty()) {
                length_ = like.isCharacter() ? static_cast<int>(like.str().size()) : 0;
                if (length_ == 0) length_ = 254;
            } else {
                length_ = static_cast<int>(template_.size());
            }
            break;
    }
}

bool PictureFormat::isLiteral(size_t pos) const {
    if (template_.empty() || pos >= template_.size()) return false;
    switch (upperOf(template_[pos])) {
        case '!': case '9': case '#': case 'A': case 'N': case 'X': case 'L': case 'Y': return false;
        default: return true;
    }
}

// Whether `c` may stand at `pos`; *out receives it as the field keeps it.
bool PictureFormat::allowedAt(size_t pos, char c, char* out) const {
    *out = upper_ ? upperOf(c) : c;
    if (isLiteral(pos)) {
        // A literal stands as the picture has it, whatever the case rules.
        *out = template_[pos];
        return c == template_[pos];
    }
    if (type_ == rt::ValueType::Date) return isDigit(c) || c == ' ';
    if (template_.empty()) return true;
    if (pos >= template_.size()) return false;
    switch (upperOf(template_[pos])) {
        case '!': *out = upperOf(c); return true;
        case '9': return isDigit(c);
        case '#': return isDigit(c) || c == ' ' || c == '+' || c == '-';
        case 'A': return isAlpha(c);
        case 'N': return isAlpha(c) || isDigit(c);
        case 'X': return true;
        case 'L': *out = upperOf(c); return std::string_view("TFYN").find(*out) != std::string_view::npos;
        case 'Y': *out = upperOf(c); return *out == 'Y' || *out == 'N';
        default: return c == template_[pos];
    }
}

std::string PictureFormat::largest() const {
    std::string s(static_cast<size_t>(std::max(intDigits_, 0)), '9');
    if (decimals_ > 0) s += '.' + std::string(static_cast<size_t>(decimals_), '9');
    return s.empty() ? std::string("0") : s;
}

std::string PictureFormat::smallest() const {
    // The sign takes one of the integer positions.
    if (intDigits_ < 1 || (intDigits_ == 1 && decimals_ == 0)) return "0";
    std::string s = "-" + std::string(static_cast<size_t>(intDigits_ - 1), '9');
    if (decimals_ > 0) s += '.' + std::string(static_cast<size_t>(decimals_), '9');
    return s;
}

std::optional<std::string> PictureFormat::acceptNumber(std::string_view text, std::string* why) const {
    auto refuse = [why](std::string reason) -> std::optional<std::string> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    std::string out;
    int before = 0, after = 0;
    bool point = false, digits = false, negative = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' && !digits && !point) continue;  // leading blanks
        if (c == '-' && out.empty()) {
            // The sign takes an integer position: none left, no sign.
            if (++before > intDigits_) return refuse("holds no negative numbers");
            if (smallest() == "0") return refuse("holds no negative numbers");
            negative = true;
            out += c;
            continue;
        }
        if (c == '.' && !point && decimals_ > 0) {
            point = true;
            out += c;
            continue;
        }
        if (!isDigit(c))
            return refuse(decimals_ > 0 ? "holds a number from " + smallest() + " to " + largest()
                                        : "holds a whole number from " + smallest() + " to " + largest());
        digits = true;
        if (point) {
            if (++after > decimals_)
                return refuse("holds at most " + std::to_string(decimals_) + (decimals_ == 1 ? " decimal" : " decimals"));
        } else if (++before > intDigits_) {
            return refuse(negative ? "holds at least " + smallest() : "holds at most " + largest());
        }
        out += c;
    }
    return out;
}

std::optional<std::string> PictureFormat::accept(std::string_view text) const { return accept(text, nullptr); }

std::string PictureFormat::refusal(std::string_view text) const {
    std::string why;
    return accept(text, &why) ? std::string() : why;
}

// What a template character takes, for the reason a key was refused.
std::string PictureFormat::takes(char t) const {
    switch (upperOf(t)) {
        case '9': return "a digit";
        case '#': return "a digit, a blank or a sign";
        case 'A': return "a letter";
        case 'N': return "a letter or a digit";
        case 'L': return "T, F, Y or N";
        case 'Y': return "Y or N";
        default: return "any character";
    }
}

std::string PictureFormat::refusedAt(size_t pos) const {
    // A template of one kind of position says so once ("holds digits only").
    char kind = 0;
    bool oneKind = true;
    for (size_t i = 0; i < template_.size(); ++i) {
        if (isLiteral(i)) continue;
        char k = upperOf(template_[i]);
        if (k == '#') k = '9';
        if (kind == 0) kind = k;
        else if (k != kind) oneKind = false;
    }
    if (oneKind) {
        switch (kind) {
            case '9': return "holds digits only";
            case 'A': return "holds letters only";
            case 'N': return "holds letters and digits only";
            default: break;
        }
    }
    return "holds " + takes(template_[pos]) + " at position " + std::to_string(pos + 1);
}

std::optional<std::string> PictureFormat::accept(std::string_view text, std::string* why) const {
    auto refuse = [why](std::string reason) -> std::optional<std::string> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    switch (type_) {
        case rt::ValueType::Numeric: return acceptNumber(text, why);
        case rt::ValueType::Logical: {
            const char* pair = logicalYN_ ? "holds Y or N" : "holds T or F";
            if (text.empty()) return std::string();
            if (text.size() > 1) return refuse(pair);
            char c = upperOf(text[0]);
            if (c == 'Y' || c == 'T') return std::string(1, logicalYN_ ? 'Y' : 'T');
            if (c == 'N' || c == 'F') return std::string(1, logicalYN_ ? 'N' : 'F');
            return refuse(pair);
        }
        default: break;
    }
    std::string out;
    for (char c : text) {
        // A key typed where a literal stands puts the literal in first.
        if (isLiteral(out.size()) && c != template_[out.size()]) out += template_[out.size()];
        if (static_cast<int>(out.size()) >= length_) {
            if (type_ == rt::ValueType::Date) return refuse("holds a date, " + dates_.picture);
            return refuse("holds at most " + std::to_string(length_) + (length_ == 1 ? " character" : " characters"));
        }
        char kept;
        if (!allowedAt(out.size(), c, &kept)) {
            if (type_ == rt::ValueType::Date) return refuse("holds a date, " + dates_.picture);
            return refuse(refusedAt(out.size()));
        }
        out += kept;
    }
    return out;
}

std::string PictureFormat::type(std::string_view keys) const {
    std::string text;
    for (char k : keys) {
        std::string next = text + k;
        if (auto ok = accept(next)) text = *ok;
    }
    return text;
}

std::string PictureFormat::display(const rt::Value& v) const {
    switch (type_) {
        case rt::ValueType::Numeric: {
            if (!v.isNumeric()) return {};
            int width = std::max(length_, 1);
            std::string shown = trimLeft(rt::formatNumber(v.num(), width, decimals_));
            // A value wider than the picture (the field's own width is wider)
            // shows whole rather than as stars, which would read back as 0.
            if (shown.find('*') != std::string::npos) shown = trimLeft(rt::formatNumber(v.num(), 24, decimals_));
            return shown;
        }
        case rt::ValueType::Logical:
            if (!v.isLogical()) return {};
            return logicalYN_ ? (v.boolean() ? "Y" : "N") : (v.boolean() ? "T" : "F");
        case rt::ValueType::Date:
            if (!v.isDate()) return {};
            return v.day() == 0 ? std::string() : rt::formatDate(v.day(), dates_.picture);
        default: {
            if (!v.isCharacter()) return {};
            std::string s = v.str().substr(0, static_cast<size_t>(length_));
            if (upper_)
                for (char& c : s) c = upperOf(c);
            return trimRight(s);
        }
    }
}

rt::Value PictureFormat::value(std::string_view text, const rt::Value& like) const {
    switch (type_) {
        case rt::ValueType::Numeric: {
            double n = rt::parseNumber(trimLeft(std::string(text)));
            rt::Value v = rt::Value::numeric(rt::roundHalfAway(n, decimals_), like.width() > 0 ? like.width() : length_,
                                             like.width() > 0 ? like.decimals() : decimals_);
            return v;
        }
        case rt::ValueType::Logical: {
            char c = text.empty() ? 'N' : upperOf(text[0]);
            return rt::Value::logical(c == 'Y' || c == 'T');
        }
        case rt::ValueType::Date: {
            std::string t(text);
            if (trimRight(t).find_first_not_of(" /.-") == std::string::npos) return rt::Value::date(0);
            return rt::Value::date(rt::parseDate(t, dates_.picture, dates_.epoch));
        }
        default: {
            std::string s(text);
            if (upper_)
                for (char& c : s) c = upperOf(c);
            size_t width = like.isCharacter() && !like.str().empty() ? like.str().size() : s.size();
            if (s.size() < width) s.append(width - s.size(), ' ');
            if (s.size() > width) s.resize(width);
            return rt::Value::character(std::move(s));
        }
    }
}

}  // namespace mx::tk
