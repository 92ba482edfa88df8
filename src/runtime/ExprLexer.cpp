#include "ExprLexer.h"

#include <string>

#include "Error.h"
#include "NumberFormat.h"

namespace mx::rt {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsUpper(std::string_view word, std::string_view upperWord) {
    if (word.size() != upperWord.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (upper(word[i]) != upperWord[i]) return false;
    return true;
}

}  // namespace

void ExprLexer::fail(std::size_t offset, const char* detail) const {
    throw DbError(ErrorKind::BadExpression, std::string(src_), detail, static_cast<std::int64_t>(offset) + 1);
}

// number := digits [ "." digits ] | "." digits
ExprToken ExprLexer::number(std::size_t start) {
    std::size_t i = start;
    while (i < src_.size() && isDigit(src_[i])) ++i;
    if (i < src_.size() && src_[i] == '.') {
        // "1.5" and "1." are numbers; in "1.AND.x" the point starts an operator.
        bool word = i + 1 < src_.size() && isAlpha(src_[i + 1]);
        if (!word) {
            ++i;
            while (i < src_.size() && isDigit(src_[i])) ++i;
        }
    }
    if (i < src_.size() && isAlpha(src_[i])) fail(i, "malformed number");
    ExprToken t;
    t.kind = ExprTok::Number;
    t.pos = static_cast<int>(start) + 1;
    t.text = src_.substr(start, i - start);
    t.number = parseNumber(t.text, &t.decimals);
    at_ = i;
    return t;
}

// dot_word := ".T." | ".F." | ".Y." | ".N." | ".AND." | ".OR." | ".NOT."  (any case)
ExprToken ExprLexer::dotWord(std::size_t start) {
    std::size_t i = start + 1;
    while (i < src_.size() && isAlpha(src_[i])) ++i;
    if (i >= src_.size() || src_[i] != '.') fail(start, "expected .T., .F., .AND., .OR. or .NOT.");
    std::string_view word = src_.substr(start + 1, i - start - 1);
    ExprToken t;
    t.pos = static_cast<int>(start) + 1;
    t.text = src_.substr(start, i + 1 - start);
    if (equalsUpper(word, "T") || equalsUpper(word, "Y")) t.kind = ExprTok::True;
    else if (equalsUpper(word, "F") || equalsUpper(word, "N")) t.kind = ExprTok::False;
    else if (equalsUpper(word, "AND")) t.kind = ExprTok::And;
    else if (equalsUpper(word, "OR")) t.kind = ExprTok::Or;
    else if (equalsUpper(word, "NOT")) t.kind = ExprTok::Not;
    else fail(start, "expected .T., .F., .AND., .OR. or .NOT.");
    at_ = i + 1;
    return t;
}

ExprToken ExprLexer::next() {
    while (at_ < src_.size() &&
           (src_[at_] == ' ' || src_[at_] == '\t' || src_[at_] == '\r' || src_[at_] == '\n'))
        ++at_;
    ExprToken t;
    t.pos = static_cast<int>(at_) + 1;
    if (at_ >= src_.size()) {
        t.kind = ExprTok::End;
        return t;
    }
    const std::size_t start = at_;
    const char c = src_[at_];
    const char n = at_ + 1 < src_.size() ? src_[at_ + 1] : '\0';

    if (isDigit(c) || (c == '.' && isDigit(n))) return number(start);
    if (c == '.') return dotWord(start);
    if (isAlpha(c)) {
        std::size_t i = start + 1;
        while (i < src_.size() && (isAlpha(src_[i]) || isDigit(src_[i]))) ++i;
        t.kind = ExprTok::Name;
        t.text = src_.substr(start, i - start);
        at_ = i;
        return t;
    }
    if (c == '"' || c == '\'' || c == '[') {
        const char close = c == '[' ? ']' : c;
        std::size_t end = src_.find(close, start + 1);
        if (end == std::string_view::npos) fail(start, "unterminated string");
        t.kind = ExprTok::String;
        t.text = src_.substr(start + 1, end - start - 1);
        at_ = end + 1;
        return t;
    }

    auto op = [&](ExprTok kind, std::size_t length) {
        t.kind = kind;
        t.text = src_.substr(start, length);
        at_ = start + length;
        return t;
    };
    switch (c) {
        case '+': return op(ExprTok::Plus, 1);
        case '-': return n == '>' ? op(ExprTok::Arrow, 2) : op(ExprTok::Minus, 1);
        case '*': return n == '*' ? op(ExprTok::Power, 2) : op(ExprTok::Star, 1);
        case '/': return op(ExprTok::Slash, 1);
        case '%': return op(ExprTok::Percent, 1);
        case '^': return op(ExprTok::Power, 1);
        case '=': return n == '=' ? op(ExprTok::ExactEq, 2) : op(ExprTok::Eq, 1);
        case '!': return n == '=' ? op(ExprTok::Ne, 2) : op(ExprTok::Not, 1);
        case '#': return op(ExprTok::Ne, 1);
        case '<':
            if (n == '>') return op(ExprTok::Ne, 2);
            return n == '=' ? op(ExprTok::Le, 2) : op(ExprTok::Lt, 1);
        case '>': return n == '=' ? op(ExprTok::Ge, 2) : op(ExprTok::Gt, 1);
        case '$': return op(ExprTok::Dollar, 1);
        case '(': return op(ExprTok::LParen, 1);
        case ')': return op(ExprTok::RParen, 1);
        case ',': return op(ExprTok::Comma, 1);
        case ':': fail(start, n == '=' ? "assignment is not allowed" : "unexpected character");
        case '&': fail(start, "macro substitution is not supported");
        default: fail(start, "unexpected character");
    }
}

}  // namespace mx::rt
