#include "ExprEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "Error.h"
#include "ExprFormat.h"
#include "ExprFunctions.h"

namespace mx::rt {

namespace {

const char* opSpelling(ExprOp op) {
    switch (op) {
        case ExprOp::Add: return "+";
        case ExprOp::Sub: return "-";
        case ExprOp::Mul: return "*";
        case ExprOp::Div: return "/";
        case ExprOp::Mod: return "%";
        case ExprOp::Pow: return "^";
        case ExprOp::Eq: return "=";
        case ExprOp::ExactEq: return "==";
        case ExprOp::Ne: return "!=";
        case ExprOp::Lt: return "<";
        case ExprOp::Le: return "<=";
        case ExprOp::Gt: return ">";
        case ExprOp::Ge: return ">=";
        case ExprOp::Contains: return "$";
        case ExprOp::And: return ".AND.";
        case ExprOp::Or: return ".OR.";
        case ExprOp::Neg: return "-";
        case ExprOp::Plus: return "+";
        case ExprOp::Not: return ".NOT.";
        default: return "?";
    }
}

std::string typeMismatch(ExprOp op, ValueType a, ValueType b) {
    return std::string("operator ") + opSpelling(op) + " does not apply to " + valueTypeName(a) + " and " +
           valueTypeName(b);
}

// Date arithmetic stays within the calendar the date functions know
// (years 1 to 9999); anything outside becomes the empty date.
DayNumber addDays(DayNumber day, double days) {
    static const DayNumber kFirst = dayFromYmd(1, 1, 1);
    static const DayNumber kLast = dayFromYmd(9999, 12, 31);
    const long long r = static_cast<long long>(day) + toCount(days);
    return r < kFirst || r > kLast ? 0 : static_cast<DayNumber>(r);
}

bool isEquality(ExprOp op) { return op == ExprOp::Eq || op == ExprOp::ExactEq || op == ExprOp::Ne; }

}  // namespace

int compareStrings(std::string_view a, std::string_view b, bool exactOperator, bool setExact) {
    std::size_t la = a.size(), lb = b.size();
    const bool exact = exactOperator || setExact;
    if (setExact && !exactOperator) {
        while (la > lb && a[la - 1] == ' ') --la;
        while (lb > la && b[lb - 1] == ' ') --lb;
    }
    const std::size_t common = std::min(la, lb);
    if (common > 0) {
        int c = std::memcmp(a.data(), b.data(), common);
        if (c != 0) return c < 0 ? -1 : 1;
    }
    if (la != lb && (exact || lb > la)) return la < lb ? -1 : 1;
    return 0;
}

std::optional<ValueType> binaryResultType(ExprOp op, ValueType a, ValueType b) {
    using VT = ValueType;
    switch (op) {
        case ExprOp::Add:
            if (a == b && (a == VT::Numeric || a == VT::Character)) return a;
            if ((a == VT::Date && b == VT::Numeric) || (a == VT::Numeric && b == VT::Date)) return VT::Date;
            break;
        case ExprOp::Sub:
            if (a == b && (a == VT::Numeric || a == VT::Character)) return a;
            if (a == VT::Date && b == VT::Numeric) return VT::Date;
            if (a == VT::Date && b == VT::Date) return VT::Numeric;
            break;
        case ExprOp::Mul:
        case ExprOp::Div:
        case ExprOp::Mod:
        case ExprOp::Pow:
            if (a == VT::Numeric && b == VT::Numeric) return VT::Numeric;
            break;
        case ExprOp::Eq:
        case ExprOp::ExactEq:
        case ExprOp::Ne:
            if (a == b || a == VT::Nil || b == VT::Nil) return VT::Logical;
            break;
        case ExprOp::Lt:
        case ExprOp::Le:
        case ExprOp::Gt:
        case ExprOp::Ge:
            if (a == b && a != VT::Nil) return VT::Logical;
            break;
        case ExprOp::Contains:
            if (a == VT::Character && b == VT::Character) return VT::Logical;
            break;
        case ExprOp::And:
        case ExprOp::Or:
            if (a == VT::Logical && b == VT::Logical) return VT::Logical;
            break;
        default: break;
    }
    return std::nullopt;
}

bool ExprEvaluator::condition(std::int32_t index, int pos, const char* what) const {
    Value v;
    eval(index, v);
    if (!v.isLogical()) fail(pos, std::string(what) + " needs a logical operand, not " + valueTypeName(v.type()));
    return v.boolean();
}

void ExprEvaluator::eval(std::int32_t index, Value& out) const {
    const ExprNode& n = program_.nodes[static_cast<std::size_t>(index)];
    switch (n.op) {
        case ExprOp::Const: out.assign(program_.constants[static_cast<std::size_t>(n.index)]); return;
        case ExprOp::Field: host_.fieldValueInto(n.slot, out); return;
        case ExprOp::Var:
            if (static_cast<std::size_t>(n.index) >= variables_.size())
                fail(n.pos, "variable " + program_.variableNames[static_cast<std::size_t>(n.index)] + " has no value");
            out = variables_[static_cast<std::size_t>(n.index)];
            return;
        case ExprOp::Neg:
        case ExprOp::Plus:
            eval(n.a, out);
            if (!out.isNumeric())
                fail(n.pos, std::string("operator ") + opSpelling(n.op) + " needs a numeric operand, not " +
                                valueTypeName(out.type()));
            if (n.op == ExprOp::Neg) out = computedNumber(-out.num(), out.decimals());
            return;
        case ExprOp::Not: out = Value::logical(!condition(n.a, n.pos, "operator .NOT.")); return;
        case ExprOp::And:
            out = Value::logical(condition(n.a, n.pos, "operator .AND.") && condition(n.b, n.pos, "operator .AND."));
            return;
        case ExprOp::Or:
            out = Value::logical(condition(n.a, n.pos, "operator .OR.") || condition(n.b, n.pos, "operator .OR."));
            return;
        case ExprOp::Add:
        case ExprOp::Sub:
        case ExprOp::Mul:
        case ExprOp::Div:
        case ExprOp::Mod:
        case ExprOp::Pow: binary(n, out); return;
        case ExprOp::Eq:
        case ExprOp::ExactEq:
        case ExprOp::Ne:
        case ExprOp::Lt:
        case ExprOp::Le:
        case ExprOp::Gt:
        case ExprOp::Ge:
        case ExprOp::Contains: compare(n, out); return;
        case ExprOp::IIf: {
            const std::int32_t* args = program_.args.data() + n.first;
            eval(condition(args[0], n.pos, "IIF") ? args[1] : args[2], out);
            return;
        }
        case ExprOp::Builtin: call(n, out); return;
        case ExprOp::AppCall: callApp(n, out); return;
    }
}

// Arithmetic. Numbers: `+` and `-` keep the larger decimals, `*` adds them,
// `/`, `%` on fractions and `^` give SET DECIMALS; the width is that of a
// computed number. Dividing by zero gives the integer 0.
void ExprEvaluator::binary(const ExprNode& n, Value& out) const {
    eval(n.a, out);
    Value rhs;
    eval(n.b, rhs);
    const ValueType ta = out.type(), tb = rhs.type();
    if (ta == ValueType::Numeric && tb == ValueType::Numeric) {
        const double x = out.num(), y = rhs.num();
        const int dx = out.decimals(), dy = rhs.decimals();
        switch (n.op) {
            case ExprOp::Add: out = computedNumber(x + y, std::max(dx, dy)); return;
            case ExprOp::Sub: out = computedNumber(x - y, std::max(dx, dy)); return;
            case ExprOp::Mul: out = computedNumber(x * y, dx + dy); return;
            case ExprOp::Div:
                out = y == 0.0 ? Value::numeric(0.0) : computedNumber(x / y, settings_.decimals);
                return;
            case ExprOp::Mod:
                if (y == 0.0) out = Value::numeric(0.0);
                else if (dx == 0 && dy == 0 && x == std::trunc(x) && y == std::trunc(y))
                    out = computedNumber(std::fmod(x, y), 0);
                else
                    out = computedNumber(std::fmod(x, y), settings_.decimals);
                return;
            case ExprOp::Pow: out = computedNumber(std::pow(x, y), settings_.decimals); return;
            default: break;
        }
    } else if (ta == ValueType::Character && tb == ValueType::Character &&
               (n.op == ExprOp::Add || n.op == ExprOp::Sub)) {
        std::string& s = out.str();
        if (s.size() + rhs.str().size() > kMaxStringBytes)
            fail(n.pos, "result longer than " + std::to_string(kMaxStringBytes) + " bytes");
        if (n.op == ExprOp::Add) {
            s += rhs.str();
        } else {
            // "ab  " - "cd" = "abcd  ": the left side's trailing blanks go to the end.
            std::size_t end = s.size();
            while (end > 0 && s[end - 1] == ' ') --end;
            const std::size_t blanks = s.size() - end;
            s.resize(end);
            s += rhs.str();
            s.append(blanks, ' ');
        }
        return;
    } else if (n.op == ExprOp::Add && ta == ValueType::Date && tb == ValueType::Numeric) {
        out = Value::date(addDays(out.day(), rhs.num()));
        return;
    } else if (n.op == ExprOp::Add && ta == ValueType::Numeric && tb == ValueType::Date) {
        out = Value::date(addDays(rhs.day(), out.num()));
        return;
    } else if (n.op == ExprOp::Sub && ta == ValueType::Date && tb == ValueType::Numeric) {
        out = Value::date(addDays(out.day(), -rhs.num()));
        return;
    } else if (n.op == ExprOp::Sub && ta == ValueType::Date && tb == ValueType::Date) {
        out = Value::numeric(static_cast<double>(out.day()) - rhs.day());
        return;
    }
    fail(n.pos, typeMismatch(n.op, ta, tb));
}

// Comparisons. Strings follow compareStrings(); numbers, dates and logicals
// (.F. < .T.) compare by value; nil equals only nil and cannot be ordered.
void ExprEvaluator::compare(const ExprNode& n, Value& out) const {
    eval(n.a, out);
    Value rhs;
    eval(n.b, rhs);
    const ValueType ta = out.type(), tb = rhs.type();
    if (n.op == ExprOp::Contains) {
        if (ta != ValueType::Character || tb != ValueType::Character) fail(n.pos, typeMismatch(n.op, ta, tb));
        const bool found = findBytes(rhs.str(), out.str()) != std::string::npos;
        out = Value::logical(found);
        return;
    }
    int c = 0;
    if (ta != tb) {
        if (!isEquality(n.op) || (ta != ValueType::Nil && tb != ValueType::Nil)) fail(n.pos, typeMismatch(n.op, ta, tb));
        c = 1;  // nil against a value: unequal
    } else {
        switch (ta) {
            case ValueType::Character:
                c = compareStrings(out.str(), rhs.str(), n.op == ExprOp::ExactEq, settings_.exact);
                break;
            case ValueType::Numeric: c = out.num() < rhs.num() ? -1 : out.num() > rhs.num() ? 1 : 0; break;
            case ValueType::Date: c = out.day() < rhs.day() ? -1 : out.day() > rhs.day() ? 1 : 0; break;
            case ValueType::Logical: c = static_cast<int>(out.boolean()) - static_cast<int>(rhs.boolean()); break;
            case ValueType::Nil:
                if (!isEquality(n.op)) fail(n.pos, typeMismatch(n.op, ta, tb));
                break;
        }
    }
    bool r = false;
    switch (n.op) {
        case ExprOp::Eq:
        case ExprOp::ExactEq: r = c == 0; break;
        case ExprOp::Ne: r = c != 0; break;
        case ExprOp::Lt: r = c < 0; break;
        case ExprOp::Le: r = c <= 0; break;
        case ExprOp::Gt: r = c > 0; break;
        case ExprOp::Ge: r = c >= 0; break;
        default: break;
    }
    out = Value::logical(r);
}

void ExprEvaluator::call(const ExprNode& n, Value& out) const {
    const BuiltinFunction& fn = builtinAt(n.index);
    Value args[kMaxBuiltinArgs];
    const std::int32_t* argNodes = program_.args.data() + n.first;
    for (int i = 0; i < n.count; ++i) {
        eval(argNodes[i], args[i]);
        if (!argTypeAccepted(fn.argTypes[static_cast<std::size_t>(i)], args[i].type(), i >= fn.minArgs))
            fail(n.pos, "argument " + std::to_string(i + 1) + " of " + std::string(fn.name) + " cannot be " +
                            valueTypeName(args[i].type()));
    }
    fn.handler(*this, n, args, n.count, out);
}

void ExprEvaluator::callApp(const ExprNode& n, Value& out) const {
    const AppFunction& fn = program_.appFunctions[static_cast<std::size_t>(n.index)];
    std::vector<Value> args(static_cast<std::size_t>(n.count));
    const std::int32_t* argNodes = program_.args.data() + n.first;
    for (int i = 0; i < n.count; ++i) eval(argNodes[i], args[static_cast<std::size_t>(i)]);
    try {
        out = fn.call(host_, args);
    } catch (const DbError&) {
        throw;
    } catch (const std::exception& e) {
        fail(n.pos, e.what());
    }
}

}  // namespace mx::rt
