// The built-in function library of the expression language: one table
// naming each function, its argument counts and types and its result type,
// so that the compiler checks calls and the evaluator dispatches without
// searching. Functions only compute values; none reaches files, processes,
// the environment or any global state.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "ExprProgram.h"

namespace mx::rt {

inline constexpr int kMaxBuiltinArgs = 4;

// Argument type sets, one bit per ValueType.
using TypeMask = std::uint8_t;
constexpr TypeMask typeBit(ValueType t) { return static_cast<TypeMask>(1u << static_cast<unsigned>(t)); }
inline constexpr TypeMask kC = typeBit(ValueType::Character);
inline constexpr TypeMask kN = typeBit(ValueType::Numeric);
inline constexpr TypeMask kL = typeBit(ValueType::Logical);
inline constexpr TypeMask kD = typeBit(ValueType::Date);
inline constexpr TypeMask kAny = kC | kN | kL | kD;
inline constexpr TypeMask kAnyOrNil = kAny | typeBit(ValueType::Nil);

// Arguments arrive evaluated and type-checked; optional ones that were left
// out are nil. A handler may move from its arguments.
using BuiltinHandler = void (*)(const ExprCallContext& ev, const ExprNode& node, Value* args, int argc,
                                Value& out);

struct BuiltinFunction {
    std::string_view name;
    int minArgs;
    int maxArgs;
    std::array<TypeMask, kMaxBuiltinArgs> argTypes;  // arguments past minArgs may also be nil
    std::optional<ValueType> result;                 // nullopt: depends on the arguments
    BuiltinHandler handler;                          // nullptr for IIF/IF (compiled to ExprOp::IIf)
};

// The function called `upperName`, or nullptr; `index` receives its table index.
const BuiltinFunction* findBuiltin(std::string_view upperName, int* index);
const BuiltinFunction& builtinAt(int index);

// True when a value of type `t` may be passed where `mask` is expected
// (`optional`: the argument may be left out, so nil is fine too).
inline bool argTypeAccepted(TypeMask mask, ValueType t, bool optional) {
    return (mask & typeBit(t)) != 0 || (optional && t == ValueType::Nil);
}

}  // namespace mx::rt
