// The compiled form of an expression: a flat array of nodes (children before
// parents, the root last) plus the constants, the argument lists and the
// application functions it calls. Built once by ExprParser, then only read by
// the evaluator, so one program may be evaluated from several threads.
// Internal to the expression implementation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Error.h"
#include "ExprHost.h"
#include "Value.h"

namespace mx::rt {

// Limits that keep hostile or broken expression texts from exhausting the
// stack or the memory.
inline constexpr int kMaxExprDepth = 200;            // nesting of operators, calls and parentheses
inline constexpr std::size_t kMaxStringBytes = 1000000;  // longest character value an expression builds
inline constexpr int kMaxCallArgs = 64;              // arguments of one call
inline constexpr int kMaxComputedDecimals = 30;      // decimals a computed number may carry

enum class ExprOp : std::uint8_t {
    Const,     // constants[index]
    Field,     // host.fieldValue(slot)
    Var,       // variables[index]
    Neg,       // -a
    Plus,      // +a
    Not,       // .NOT. a
    And,       // a .AND. b  (short-circuit)
    Or,        // a .OR. b   (short-circuit)
    Add,       // a + b
    Sub,       // a - b
    Mul,       // a * b
    Div,       // a / b
    Mod,       // a % b
    Pow,       // a ^ b, a ** b
    Eq,        // a = b
    ExactEq,   // a == b
    Ne,        // a != b, a <> b, a # b
    Lt,        // a < b
    Le,        // a <= b
    Gt,        // a > b
    Ge,        // a >= b
    Contains,  // a $ b
    IIf,       // IIF(c, a, b) / IF(c, a, b): args[first..first+2], only the chosen branch runs
    Builtin,   // library function `index` over args[first..first+count)
    AppCall,   // application function appFunctions[index] over args[first..first+count)
};

struct ExprNode {
    ExprOp op = ExprOp::Const;
    // Static type where the compiler could tell it (literals, most
    // functions and operators over them); nullopt when it depends on fields,
    // variables or application functions.
    std::optional<ValueType> type;
    std::int32_t pos = 0;     // 1-based character position for error reports
    std::int32_t a = -1;      // left / only operand (node index)
    std::int32_t b = -1;      // right operand (node index)
    std::int32_t index = -1;  // constant, variable, builtin or app function index
    std::int32_t first = 0;   // first entry in CompiledProgram::args
    std::int32_t count = 0;   // number of arguments
    FieldSlot slot;           // ExprOp::Field
};

struct CompiledProgram {
    std::string text;
    std::vector<ExprNode> nodes;
    std::vector<std::int32_t> args;  // argument node indices of calls
    std::vector<Value> constants;
    std::vector<AppFunction> appFunctions;  // copied from the host at compile time
    std::vector<std::string> variableNames;  // as given to compile(), for error messages
    std::int32_t root = -1;
    int area = -1;  // host.selectedArea() at compile time, for RECNO(), EOF() ...
};

// What a library function sees of the evaluation calling it: the program,
// the host with its settings, and the error report at a position of the
// program's text. The evaluator is one; the function table knows only this.
class ExprCallContext {
public:
    ExprCallContext(const CompiledProgram& program, const ExprHost& host)
        : program_(program), host_(host), settings_(host.settings()) {}

    const ExprHost& host() const noexcept { return host_; }
    const Settings& settings() const noexcept { return settings_; }
    const CompiledProgram& program() const noexcept { return program_; }

    // Throws DbError(BadExpression) about this program at position `pos`.
    [[noreturn]] void fail(int pos, const std::string& detail) const {
        throw DbError(ErrorKind::BadExpression, program_.text, detail, pos);
    }

protected:
    const CompiledProgram& program_;
    const ExprHost& host_;
    const Settings& settings_;
};

}  // namespace mx::rt
