// Splits expression text into tokens, each with its 1-based character
// position. Knows the spelling of literals and operators, nothing of their
// meaning; the parser decides what a name stands for.
#pragma once

#include <cstdint>
#include <string_view>

namespace mx::rt {

enum class ExprTok : std::uint8_t {
    End,
    Number,   // 12, 1.5, .5  (value in `number`, digits after the point in `decimals`)
    String,   // "..." '...' [...]  (`text` is the contents without the quotes)
    Name,     // identifier (`text` as written)
    True,     // .T. .Y.
    False,    // .F. .N.
    And,      // .AND.
    Or,       // .OR.
    Not,      // .NOT. !
    Plus, Minus, Star, Slash, Percent, Power,  // + - * / % ^ **
    Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Dollar,   // = == != <> # < <= > >= $
    LParen, RParen, Comma, Arrow,              // ( ) , ->
};

struct ExprToken {
    ExprTok kind = ExprTok::End;
    int pos = 0;  // 1-based position of the first character
    std::string_view text;
    double number = 0.0;
    int decimals = 0;
};

class ExprLexer {
public:
    // `source` must outlive the lexer and the tokens it returns.
    explicit ExprLexer(std::string_view source) : src_(source) {}

    // The next token; ExprTok::End (at position size + 1) once the text is
    // used up. Throws DbError(BadExpression) for characters and literals the
    // language does not have (unterminated strings, `&` macros, `:=` ...).
    ExprToken next();

private:
    [[noreturn]] void fail(std::size_t offset, const char* detail) const;
    ExprToken number(std::size_t start);
    ExprToken dotWord(std::size_t start);

    std::string_view src_;
    std::size_t at_ = 0;
};

}  // namespace mx::rt
