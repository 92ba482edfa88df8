#include "ExprParser.h"

#include <algorithm>

#include "Error.h"
#include "ExprEvaluator.h"
#include "ExprFormat.h"
#include "ExprFunctions.h"

namespace mx::rt {

namespace {

// Binary operators from loosest to tightest. Every level is left-associative.
// Level 3 is the prefix .NOT. / !, which binds looser than the comparisons;
// unary - and + bind tighter than every binary operator (-2^2 is 4).
struct BinaryOperator {
    ExprTok token;
    ExprOp op;
    int level;
    const char* spelling;
};

constexpr int kNotLevel = 3;

// clang-format off
constexpr BinaryOperator kBinaryOperators[] = {
    {ExprTok::Or,      ExprOp::Or,       1, ".OR."},
    {ExprTok::And,     ExprOp::And,      2, ".AND."},
    {ExprTok::Eq,      ExprOp::Eq,       4, "="},
    {ExprTok::ExactEq, ExprOp::ExactEq,  4, "=="},
    {ExprTok::Ne,      ExprOp::Ne,       4, "!="},
    {ExprTok::Lt,      ExprOp::Lt,       5, "<"},
    {ExprTok::Le,      ExprOp::Le,       5, "<="},
    {ExprTok::Gt,      ExprOp::Gt,       5, ">"},
    {ExprTok::Ge,      ExprOp::Ge,       5, ">="},
    {ExprTok::Dollar,  ExprOp::Contains, 5, "$"},
    {ExprTok::Plus,    ExprOp::Add,      6, "+"},
    {ExprTok::Minus,   ExprOp::Sub,      6, "-"},
    {ExprTok::Star,    ExprOp::Mul,      7, "*"},
    {ExprTok::Slash,   ExprOp::Div,      7, "/"},
    {ExprTok::Percent, ExprOp::Mod,      7, "%"},
    {ExprTok::Power,   ExprOp::Pow,      8, "^"},
};
// clang-format on

const BinaryOperator* binaryOperatorFor(ExprTok token) {
    for (const BinaryOperator& op : kBinaryOperators)
        if (op.token == token) return &op;
    return nullptr;
}

const char* spellingOf(ExprOp op) {
    for (const BinaryOperator& b : kBinaryOperators)
        if (b.op == op) return b.spelling;
    return op == ExprOp::Neg ? "-" : op == ExprOp::Plus ? "+" : ".NOT.";
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperCopy(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = upper(c);
    return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

std::string describe(const ExprToken& t) {
    switch (t.kind) {
        case ExprTok::End: return "end of expression";
        case ExprTok::String: return "string";
        default: return "'" + std::string(t.text) + "'";
    }
}

// The result type of a call whose result depends on its arguments, when
// their types are known.
std::optional<ValueType> dependentResult(std::string_view name, std::span<const std::optional<ValueType>> args) {
    if (name == "IIF" || name == "IF") {
        if (args[1] && args[2] && *args[1] == *args[2]) return args[1];
    } else if (name == "MAX" || name == "MIN") {
        if (args[0] && args[1] && *args[0] == *args[1]) return args[0];
    } else if (name == "DESCEND" && args[0]) {
        return *args[0] == ValueType::Date ? ValueType::Numeric : *args[0];
    }
    return std::nullopt;
}

}  // namespace

ExprParser::ExprParser(std::string_view text, const ExprHost& host, std::span<const std::string> variables)
    : program_(std::make_shared<CompiledProgram>()),
      host_(host),
      variables_(variables),
      lexer_((program_->text.assign(text), program_->text)) {
    program_->variableNames.assign(variables.begin(), variables.end());
    program_->area = host.selectedArea();
}

void ExprParser::fail(int pos, const std::string& detail) const {
    throw DbError(ErrorKind::BadExpression, program_->text, detail, pos);
}

void ExprParser::unexpected() const { fail(tok_.pos, "unexpected " + describe(tok_)); }

void ExprParser::expect(ExprTok kind, const char* what) {
    if (tok_.kind != kind) fail(tok_.pos, std::string("expected ") + what + ", found " + describe(tok_));
    advance();
}

void ExprParser::enter() {
    if (++nesting_ > kMaxExprDepth) fail(tok_.pos, "expression nested too deeply");
}

std::shared_ptr<const CompiledProgram> ExprParser::compile() {
    advance();
    if (tok_.kind == ExprTok::End) fail(tok_.pos, "empty expression");
    program_->root = binary(1);
    if (tok_.kind != ExprTok::End) unexpected();
    return program_;
}

// ---- node construction ----------------------------------------------------------

std::int32_t ExprParser::add(ExprNode node, int depth) {
    if (depth > kMaxExprDepth) fail(node.pos, "expression nested too deeply");
    program_->nodes.push_back(node);
    depth_.push_back(depth);
    return static_cast<std::int32_t>(program_->nodes.size() - 1);
}

std::int32_t ExprParser::constant(Value v, int pos) {
    ExprNode n;
    n.op = ExprOp::Const;
    n.type = v.type();
    n.pos = pos;
    n.index = static_cast<std::int32_t>(program_->constants.size());
    program_->constants.push_back(std::move(v));
    return add(n, 1);
}

std::int32_t ExprParser::unaryNode(ExprOp op, std::int32_t operand, int pos) {
    const ValueType wanted = op == ExprOp::Not ? ValueType::Logical : ValueType::Numeric;
    const std::optional<ValueType> t = program_->nodes[operand].type;
    if (t && *t != wanted)
        fail(pos, std::string("operator ") + spellingOf(op) + " needs a " + valueTypeName(wanted) +
                      " operand, not " + valueTypeName(*t));
    ExprNode n;
    n.op = op;
    n.type = wanted;
    n.pos = pos;
    n.a = operand;
    return add(n, depth_[operand] + 1);
}

std::int32_t ExprParser::binaryNode(ExprOp op, std::int32_t a, std::int32_t b, int pos) {
    ExprNode n;
    n.op = op;
    n.pos = pos;
    n.a = a;
    n.b = b;
    const std::optional<ValueType> ta = program_->nodes[a].type;
    const std::optional<ValueType> tb = program_->nodes[b].type;
    if (ta && tb) {
        n.type = binaryResultType(op, *ta, *tb);
        if (!n.type)
            fail(pos, std::string("operator ") + spellingOf(op) + " does not apply to " + valueTypeName(*ta) +
                          " and " + valueTypeName(*tb));
    } else if (op != ExprOp::Add && op != ExprOp::Sub && op != ExprOp::Mul && op != ExprOp::Div &&
               op != ExprOp::Mod && op != ExprOp::Pow) {
        n.type = ValueType::Logical;  // comparisons and .AND./.OR. give logicals or fail
    }
    return add(n, std::max(depth_[a], depth_[b]) + 1);
}

int ExprParser::variableIndex(std::string_view name) const {
    for (std::size_t i = 0; i < variables_.size(); ++i)
        if (equalsIgnoreCase(variables_[i], name)) return static_cast<int>(i);
    return -1;
}

// ---- grammar ---------------------------------------------------------------------

// binary(n) := ( ".NOT." binary(3) | unary ) { operator-of-level>=n binary(level+1) }
std::int32_t ExprParser::binary(int minLevel) {
    std::int32_t lhs;
    if (tok_.kind == ExprTok::Not && minLevel <= kNotLevel) {
        const int pos = tok_.pos;
        enter();
        advance();
        lhs = unaryNode(ExprOp::Not, binary(kNotLevel), pos);
        leave();
    } else {
        lhs = unary();
    }
    for (;;) {
        const BinaryOperator* op = binaryOperatorFor(tok_.kind);
        if (!op || op->level < minLevel) return lhs;
        const int pos = tok_.pos;
        advance();
        std::int32_t rhs = binary(op->level + 1);
        lhs = binaryNode(op->op, lhs, rhs, pos);
    }
}

// unary := ( "-" | "+" ) unary | ( ".NOT." | "!" ) binary(3) | primary
std::int32_t ExprParser::unary() {
    const int pos = tok_.pos;
    std::int32_t result;
    switch (tok_.kind) {
        case ExprTok::Minus:
        case ExprTok::Plus: {
            const ExprOp op = tok_.kind == ExprTok::Minus ? ExprOp::Neg : ExprOp::Plus;
            enter();
            advance();
            result = unaryNode(op, unary(), pos);
            leave();
            return result;
        }
        case ExprTok::Not:
            enter();
            advance();
            result = unaryNode(ExprOp::Not, binary(kNotLevel), pos);
            leave();
            return result;
        default: return primary();
    }
}

// primary := number | string | logical | "(" expression ")" | reference
std::int32_t ExprParser::primary() {
    const ExprToken t = tok_;
    switch (t.kind) {
        case ExprTok::Number: {
            advance();
            const int decimals = std::min(t.decimals, kMaxComputedDecimals);
            const int width = defaultIntegerWidth(t.number) + (decimals > 0 ? decimals + 1 : 0);
            return constant(Value::numeric(t.number, width, decimals), t.pos);
        }
        case ExprTok::String: advance(); return constant(Value::character(t.text), t.pos);
        case ExprTok::True: advance(); return constant(Value::logical(true), t.pos);
        case ExprTok::False: advance(); return constant(Value::logical(false), t.pos);
        case ExprTok::LParen: {
            enter();
            advance();
            std::int32_t inner = binary(1);
            expect(ExprTok::RParen, "')'");
            leave();
            return inner;
        }
        case ExprTok::Name: return reference();
        default: unexpected();
    }
}

// reference := name "(" arguments ")" | name "->" name | name
std::int32_t ExprParser::reference() {
    const ExprToken name = tok_;
    advance();
    if (tok_.kind == ExprTok::LParen) return call(name);
    if (tok_.kind == ExprTok::Arrow) return aliased(name);

    ExprNode n;
    n.pos = name.pos;
    if (int v = variableIndex(name.text); v >= 0) {
        n.op = ExprOp::Var;
        n.index = v;
        return add(n, 1);
    }
    if (std::optional<FieldSlot> slot = host_.findField("", name.text)) {
        n.op = ExprOp::Field;
        n.slot = *slot;
        return add(n, 1);
    }
    if (equalsIgnoreCase(name.text, "NIL")) return constant(Value(), name.pos);
    fail(name.pos, "unknown name " + std::string(name.text));
}

// name "->" name: FIELD-> (and _FIELD->) is the selected area, M-> (and
// MEMVAR->) a variable, anything else an alias.
std::int32_t ExprParser::aliased(const ExprToken& alias) {
    advance();  // "->"
    const ExprToken name = tok_;
    if (name.kind != ExprTok::Name) fail(name.pos, "expected a field name after '->', found " + describe(name));
    advance();
    ExprNode n;
    n.pos = alias.pos;
    if (equalsIgnoreCase(alias.text, "M") || equalsIgnoreCase(alias.text, "MEMVAR")) {
        int v = variableIndex(name.text);
        if (v < 0) fail(name.pos, "unknown variable " + std::string(name.text));
        n.op = ExprOp::Var;
        n.index = v;
        return add(n, 1);
    }
    const bool selected = equalsIgnoreCase(alias.text, "FIELD") || equalsIgnoreCase(alias.text, "_FIELD");
    std::optional<FieldSlot> slot = host_.findField(selected ? std::string_view() : alias.text, name.text);
    if (!slot) fail(alias.pos, "unknown field " + std::string(alias.text) + "->" + std::string(name.text));
    n.op = ExprOp::Field;
    n.slot = *slot;
    return add(n, 1);
}

// name "(" arguments ")", arguments := [ [ expression ] { "," [ expression ] } ]
// An argument left empty, as in SUBSTR(s,,2), is nil.
std::int32_t ExprParser::call(const ExprToken& name) {
    enter();
    advance();  // "("
    std::vector<std::int32_t> args;
    if (tok_.kind != ExprTok::RParen) {
        for (;;) {
            if (tok_.kind == ExprTok::Comma || tok_.kind == ExprTok::RParen)
                args.push_back(constant(Value(), tok_.pos));
            else
                args.push_back(binary(1));
            if (static_cast<int>(args.size()) > kMaxCallArgs) fail(name.pos, "too many arguments");
            if (tok_.kind != ExprTok::Comma) break;
            advance();
        }
    }
    expect(ExprTok::RParen, "',' or ')'");
    leave();

    const std::string upperName = upperCopy(name.text);
    const int argc = static_cast<int>(args.size());
    auto checkCount = [&](int minArgs, int maxArgs) {
        if (argc >= minArgs && argc <= maxArgs) return;
        std::string expected = minArgs == maxArgs ? std::to_string(minArgs)
                                                  : std::to_string(minArgs) + " to " + std::to_string(maxArgs);
        fail(name.pos, upperName + " takes " + expected + " argument" + (maxArgs == 1 ? "" : "s") + ", not " +
                           std::to_string(argc));
    };

    ExprNode n;
    n.pos = name.pos;
    n.first = static_cast<std::int32_t>(program_->args.size());
    n.count = argc;
    int depth = 0;
    std::vector<std::optional<ValueType>> argTypes;
    for (std::int32_t a : args) {
        depth = std::max(depth, depth_[a]);
        argTypes.push_back(program_->nodes[a].type);
    }

    int index = -1;
    if (const BuiltinFunction* fn = findBuiltin(upperName, &index)) {
        checkCount(fn->minArgs, fn->maxArgs);
        for (int i = 0; i < argc; ++i) {
            if (argTypes[i] && !argTypeAccepted(fn->argTypes[i], *argTypes[i], i >= fn->minArgs))
                fail(name.pos, "argument " + std::to_string(i + 1) + " of " + upperName + " cannot be " +
                                   valueTypeName(*argTypes[i]));
        }
        n.op = fn->handler ? ExprOp::Builtin : ExprOp::IIf;
        n.index = index;
        n.type = fn->result ? fn->result : dependentResult(upperName, argTypes);
    } else if (const AppFunction* app = host_.findFunction(upperName)) {
        checkCount(app->minArgs, app->maxArgs);
        if (!app->call) fail(name.pos, "function " + upperName + " cannot be called");
        auto [it, inserted] = appIndex_.try_emplace(app, static_cast<std::int32_t>(program_->appFunctions.size()));
        if (inserted) program_->appFunctions.push_back(*app);
        n.op = ExprOp::AppCall;
        n.index = it->second;
    } else {
        fail(name.pos, "unknown function " + std::string(name.text));
    }
    program_->args.insert(program_->args.end(), args.begin(), args.end());
    return add(n, depth + 1);
}

}  // namespace mx::rt
