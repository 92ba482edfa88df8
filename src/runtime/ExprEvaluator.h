// Runs a CompiledProgram against a host: walks the node array from the root,
// writing each result into a caller-provided Value so that string buffers
// are reused instead of reallocated. One evaluator per evaluate() call; it
// holds no state beyond the references it was given.
#pragma once

#include <span>
#include <string>

#include "ExprProgram.h"

namespace mx::rt {

class ExprEvaluator : public ExprCallContext {
public:
    ExprEvaluator(const CompiledProgram& program, const ExprHost& host, std::span<const Value> variables)
        : ExprCallContext(program, host), variables_(variables) {}

    // Evaluates node `index` into `out` (whatever `out` held is replaced).
    void eval(std::int32_t index, Value& out) const;

private:
    void binary(const ExprNode& node, Value& out) const;
    void compare(const ExprNode& node, Value& out) const;
    void call(const ExprNode& node, Value& out) const;
    void callApp(const ExprNode& node, Value& out) const;
    bool condition(std::int32_t index, int pos, const char* what) const;

    std::span<const Value> variables_;
};

// Three-way comparison of two strings under the xBase rules: with
// `exactOperator` (==) or SET EXACT ON the lengths matter (SET EXACT ON first
// drops trailing blanks); otherwise a longer left side equals a right side
// that is its prefix. Bytes compare unsigned.
int compareStrings(std::string_view a, std::string_view b, bool exactOperator, bool setExact);

// The result type of `a op b` for the binary operators (Add ... Contains),
// or nullopt when the operator does not apply to those types. Nil operands
// are accepted only by the equality operators.
std::optional<ValueType> binaryResultType(ExprOp op, ValueType a, ValueType b);

}  // namespace mx::rt
