#include "Expression.h"

#include "Error.h"
#include "ExprEvaluator.h"
#include "ExprFormat.h"
#include "ExprParser.h"
#include "ExprProgram.h"

namespace mx::rt {

Expression Expression::compile(std::string_view text, const ExprHost& host, std::span<const std::string> variables) {
    Expression e;
    e.program_ = ExprParser(text, host, variables).compile();
    return e;
}

Value Expression::evaluate(const ExprHost& host, std::span<const Value> variables) const {
    Value out;
    if (program_) ExprEvaluator(*program_, host, variables).eval(program_->root, out);
    return out;
}

void Expression::evaluateInto(const ExprHost& host, Value& out, std::span<const Value> variables) const {
    if (program_)
        ExprEvaluator(*program_, host, variables).eval(program_->root, out);
    else
        out = Value();
}

std::optional<FieldSlot> Expression::fieldOnly() const noexcept {
    if (!program_) return std::nullopt;
    const ExprNode& root = program_->nodes[static_cast<std::size_t>(program_->root)];
    if (root.op != ExprOp::Field) return std::nullopt;
    return root.slot;
}

const std::string& Expression::text() const noexcept {
    static const std::string kEmpty;
    return program_ ? program_->text : kEmpty;
}

std::optional<ValueType> Expression::knownType() const noexcept {
    if (!program_) return ValueType::Nil;
    return program_->nodes[static_cast<std::size_t>(program_->root)].type;
}

std::string strFunction(const Value& n, int width, int decimals) {
    if (!n.isNumeric()) throw DbError(ErrorKind::BadExpression, "STR", "argument is not numeric");
    std::string out;
    strInto(n, width, decimals, out);
    return out;
}

}  // namespace mx::rt
