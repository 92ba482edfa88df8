// Turns expression text into a CompiledProgram: recursive descent over the
// grammar below with operator precedence from a table, resolving names
// (variables, fields, functions) through the host as it goes and checking
// operand types wherever they are known at compile time.
//
//   expression := binary(1)
//   binary(n)  := ( ".NOT." binary(3) | unary ) { operator-of-level>=n binary(level+1) }
//   unary      := ( "-" | "+" ) unary | ( ".NOT." | "!" ) binary(3) | primary
//   primary    := number | string | logical | "(" expression ")" | reference
//   reference  := name "(" arguments ")" | name "->" name | name
//   arguments  := [ [ expression ] { "," [ expression ] } ]
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ExprLexer.h"
#include "ExprProgram.h"

namespace mx::rt {

class ExprParser {
public:
    ExprParser(std::string_view text, const ExprHost& host, std::span<const std::string> variables);

    // Throws DbError(BadExpression) with the position of the first fault.
    std::shared_ptr<const CompiledProgram> compile();

private:
    std::int32_t binary(int minLevel);
    std::int32_t unary();
    std::int32_t primary();
    std::int32_t reference();
    std::int32_t call(const ExprToken& name);
    std::int32_t aliased(const ExprToken& alias);

    std::int32_t constant(Value v, int pos);
    std::int32_t unaryNode(ExprOp op, std::int32_t operand, int pos);
    std::int32_t binaryNode(ExprOp op, std::int32_t a, std::int32_t b, int pos);
    std::int32_t add(ExprNode node, int depth);
    int variableIndex(std::string_view name) const;

    void advance() { tok_ = lexer_.next(); }
    void expect(ExprTok kind, const char* what);
    void enter();
    void leave() { --nesting_; }
    [[noreturn]] void fail(int pos, const std::string& detail) const;
    [[noreturn]] void unexpected() const;

    std::shared_ptr<CompiledProgram> program_;
    const ExprHost& host_;
    std::span<const std::string> variables_;
    ExprLexer lexer_;
    ExprToken tok_;
    std::vector<int> depth_;  // tree depth of each node
    int nesting_ = 0;
    std::map<const AppFunction*, std::int32_t> appIndex_;
};

}  // namespace mx::rt
