// Expressions held as text (index keys, filters, scopes, field texts, drawing
// coordinates and conditions): compiled once, evaluated many times.
//
//   Expression key = Expression::compile("UPPER(NAME)+STR(AMOUNT,10,2)", session);
//   Value v = key.evaluate(session);
//
// Unaliased field names and RECNO()/DELETED()/FOUND()/EOF()/BOF() refer to the
// area selected when the expression was compiled. Variables are named at
// compile time and given values, in the same order, at evaluation.
// Errors (syntax, unknown names, argument types and counts) are thrown as
// DbError(ErrorKind::BadExpression) whose where() is the expression text and
// whose position() is the 1-based character position.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ExprHost.h"
#include "Value.h"

namespace mx::rt {

struct CompiledProgram;  // private to the implementation

class Expression {
public:
    Expression() = default;  // empty: evaluates to nil

    static Expression compile(std::string_view text, const ExprHost& host,
                              std::span<const std::string> variables = {});

    // Thread-compatible: a compiled expression is immutable and may be
    // evaluated repeatedly; each call uses only the host and the variables.
    Value evaluate(const ExprHost& host, std::span<const Value> variables = {}) const;
    // The same into `out`; a value kept from one evaluation to the next keeps
    // its string buffer, so evaluating per record need not allocate.
    void evaluateInto(const ExprHost& host, Value& out, std::span<const Value> variables = {}) const;

    // The field when the whole expression is one field reference, else nullopt.
    std::optional<FieldSlot> fieldOnly() const noexcept;

    bool empty() const noexcept { return !program_; }
    const std::string& text() const noexcept;

    // The type every evaluation yields, when the compiler can tell it without
    // looking at data (e.g. UPPER(...) is character, a comparison logical);
    // nullopt when it depends on fields, variables or application functions.
    // An empty expression is nil.
    std::optional<ValueType> knownType() const noexcept;

private:
    std::shared_ptr<const CompiledProgram> program_;
};

// Helpers shared by key building and the function library.
// STR(): `width` < 0 means "the value's own width" (and decimals likewise);
// a width without decimals means no decimals. Rounds half away from zero;
// too wide a value gives `width` asterisks. Throws DbError(BadExpression)
// when `n` is not numeric.
std::string strFunction(const Value& n, int width = -1, int decimals = -1);

}  // namespace mx::rt
