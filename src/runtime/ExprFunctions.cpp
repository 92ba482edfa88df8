#include "ExprFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Date.h"
#include "ExprFormat.h"
#include "NumberFormat.h"

namespace mx::rt {

namespace {

using Args = Value*;
using Ev = const ExprCallContext&;
using Node = const ExprNode&;

char toUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char toLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool isBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool given(const Value* args, int argc, int i) { return i < argc && !args[i].isNil(); }

// The length a string result will have; refuses lengths beyond the cap.
std::size_t checkedLength(Ev ev, Node node, long long length) {
    if (length < 0) return 0;
    if (static_cast<unsigned long long>(length) > kMaxStringBytes)
        ev.fail(node.pos, "result longer than " + std::to_string(kMaxStringBytes) + " bytes");
    return static_cast<std::size_t>(length);
}

void setInteger(Value& out, double n, int width = 10) { out = Value::numeric(n, width, 0); }

// Moves the character argument into `out` so that in-place edits reuse it.
std::string& takeString(Value* args, Value& out) {
    out = std::move(args[0]);
    return out.str();
}

// ---- character functions ----------------------------------------------------

void fnUpper(Ev, Node, Args args, int, Value& out) {
    for (char& c : takeString(args, out)) c = toUpper(c);
}

void fnLower(Ev, Node, Args args, int, Value& out) {
    for (char& c : takeString(args, out)) c = toLower(c);
}

void fnRTrim(Ev, Node, Args args, int, Value& out) {
    std::string& s = takeString(args, out);
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ') --end;
    s.resize(end);
}

void fnLTrim(Ev, Node, Args args, int, Value& out) {
    std::string& s = takeString(args, out);
    std::size_t begin = 0;
    while (begin < s.size() && isBlankByte(s[begin])) ++begin;
    s.erase(0, begin);
}

void fnAllTrim(Ev ev, Node node, Args args, int argc, Value& out) {
    fnRTrim(ev, node, args, argc, out);
    std::string& s = out.str();
    std::size_t begin = 0;
    while (begin < s.size() && isBlankByte(s[begin])) ++begin;
    s.erase(0, begin);
}

void fnSubstr(Ev, Node, Args args, int argc, Value& out) {
    std::string& s = takeString(args, out);
    const long long size = static_cast<long long>(s.size());
    long long start = toCount(args[1].num());
    if (start > 0) --start;
    else if (start < 0) start = std::max(0LL, size + start);
    if (start >= size) {
        s.clear();
        return;
    }
    long long length = size - start;
    if (given(args, argc, 2)) length = std::min(length, toCount(args[2].num()));
    if (length <= 0) {
        s.clear();
        return;
    }
    s.erase(static_cast<std::size_t>(start + length));
    s.erase(0, static_cast<std::size_t>(start));
}

void fnLeft(Ev, Node, Args args, int, Value& out) {
    std::string& s = takeString(args, out);
    long long n = toCount(args[1].num());
    if (n < static_cast<long long>(s.size())) s.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
}

void fnRight(Ev, Node, Args args, int, Value& out) {
    std::string& s = takeString(args, out);
    long long n = toCount(args[1].num());
    if (n < static_cast<long long>(s.size())) s.erase(0, s.size() - (n > 0 ? static_cast<std::size_t>(n) : 0));
}

// PADR/PADL/PADC accept numbers (as trimmed STR()) and dates (as DTOC()).
void padText(Ev ev, Node node, Args args, int argc, Value& out, int mode) {
    std::string text;
    switch (args[0].type()) {
        case ValueType::Character: text = std::move(args[0].str()); break;
        case ValueType::Numeric: {
            strInto(args[0], -1, -1, text);
            text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
            break;
        }
        case ValueType::Date: text = formatDate(args[0].day(), ev.settings().dateFormat); break;
        default: break;
    }
    const std::size_t width = checkedLength(ev, node, toCount(args[1].num()));
    const char fill = given(args, argc, 2) && !args[2].str().empty() ? args[2].str()[0] : ' ';
    if (text.size() >= width) {
        text.resize(width);
    } else {
        std::size_t pad = width - text.size();
        std::size_t left = mode == 0 ? 0 : mode == 1 ? pad : pad / 2;
        text.insert(0, left, fill);
        text.append(pad - left, fill);
    }
    out = Value::character(std::move(text));
}

void fnPadR(Ev ev, Node node, Args args, int argc, Value& out) { padText(ev, node, args, argc, out, 0); }
void fnPadL(Ev ev, Node node, Args args, int argc, Value& out) { padText(ev, node, args, argc, out, 1); }
void fnPadC(Ev ev, Node node, Args args, int argc, Value& out) { padText(ev, node, args, argc, out, 2); }

void fnSpace(Ev ev, Node node, Args args, int, Value& out) {
    out = Value::character(std::string(checkedLength(ev, node, toCount(args[0].num())), ' '));
}

void fnReplicate(Ev ev, Node node, Args args, int, Value& out) {
    const std::string& unit = args[0].str();
    long long times = toCount(args[1].num());
    if (unit.empty() || times <= 0) {
        out.assignCharacter(std::string_view());
        return;
    }
    if (times > static_cast<long long>(kMaxStringBytes / unit.size()))
        ev.fail(node.pos, "result longer than " + std::to_string(kMaxStringBytes) + " bytes");
    std::string s;
    s.reserve(static_cast<std::size_t>(times) * unit.size());
    for (long long i = 0; i < times; ++i) s += unit;
    out = Value::character(std::move(s));
}

void fnLen(Ev, Node, Args args, int, Value& out) { setInteger(out, static_cast<double>(args[0].str().size())); }

void fnAt(Ev, Node, Args args, int, Value& out) {
    std::size_t at = findBytes(args[1].str(), args[0].str());
    setInteger(out, at == std::string::npos ? 0.0 : static_cast<double>(at + 1));
}

void fnRat(Ev, Node, Args args, int, Value& out) {
    std::size_t at = findBytes(args[1].str(), args[0].str(), true);
    setInteger(out, at == std::string::npos ? 0.0 : static_cast<double>(at + 1));
}

void fnStuff(Ev ev, Node node, Args args, int, Value& out) {
    const std::string& s = args[0].str();
    const long long size = static_cast<long long>(s.size());
    long long start = toCount(args[1].num());
    start = start > 0 ? std::min(start - 1, size) : 0;
    long long del = std::clamp(toCount(args[2].num()), 0LL, size - start);
    const std::string& insert = args[3].str();
    std::string r;
    r.reserve(checkedLength(ev, node, size - del + static_cast<long long>(insert.size())));
    r.append(s, 0, static_cast<std::size_t>(start));
    r += insert;
    r.append(s, static_cast<std::size_t>(start + del), std::string::npos);
    out = Value::character(std::move(r));
}

void fnChr(Ev, Node, Args args, int, Value& out) {
    char c = static_cast<char>(static_cast<unsigned char>(toCount(args[0].num()) & 0xFF));
    out = Value::character(std::string(1, c));
}

void fnAsc(Ev, Node, Args args, int, Value& out) {
    const std::string& s = args[0].str();
    setInteger(out, s.empty() ? 0.0 : static_cast<double>(static_cast<unsigned char>(s[0])));
}

// ---- numbers as text ----------------------------------------------------------

// The width and decimals arguments of STR()/STRZERO(): -1 when left out.
void strArgs(Ev ev, Node node, Args args, int argc, int* width, int* decimals) {
    *width = -1;
    *decimals = -1;
    if (given(args, argc, 1)) {
        long long w = toCount(args[1].num());
        *width = w < 1 ? -1 : static_cast<int>(checkedLength(ev, node, w));
        if (*width > 0) *decimals = 0;
    }
    if (given(args, argc, 2) && *width > 0) {
        long long d = toCount(args[2].num());
        *decimals = d < 0 ? 0 : static_cast<int>(std::min<long long>(d, *width));
    }
}

void fnStr(Ev ev, Node node, Args args, int argc, Value& out) {
    int width, decimals;
    strArgs(ev, node, args, argc, &width, &decimals);
    out.assignCharacter(std::string_view());
    strInto(args[0], width, decimals, out.str());
}

void fnStrZero(Ev ev, Node node, Args args, int argc, Value& out) {
    int width, decimals;
    strArgs(ev, node, args, argc, &width, &decimals);
    out.assignCharacter(std::string_view());
    strZeroInto(args[0], width, decimals, out.str());
}

// VAL(): decimals are the digits after the point; the width is that of an
// integer, or the text up to the point plus the point and decimals.
void fnVal(Ev, Node, Args args, int, Value& out) {
    const std::string& s = args[0].str();
    int decimals = 0;
    double n = parseNumber(s, &decimals);
    if (decimals == 0) {
        out = Value::numeric(n, defaultIntegerWidth(n), 0);
        return;
    }
    decimals = std::min(decimals, kMaxComputedDecimals);
    const std::size_t point = s.find('.');
    const int integerWidth = static_cast<int>(std::min<std::size_t>(point, 40));
    out = Value::numeric(n, std::max(integerWidth, 1) + 1 + decimals, decimals);
}

void fnTransform(Ev ev, Node, Args args, int, Value& out) {
    std::string text = transformValue(args[0], args[1].str(), ev.settings().dateFormat);
    out = Value::character(std::move(text));
}

// ---- dates ----------------------------------------------------------------------

void fnDtos(Ev, Node, Args args, int, Value& out) {
    out = Value::character(std::string(8, ' '));
    dayToDtos(args[0].day(), out.str().data());
}

void fnDtoc(Ev ev, Node, Args args, int, Value& out) {
    out = Value::character(formatDate(args[0].day(), ev.settings().dateFormat));
}

void fnCtod(Ev ev, Node, Args args, int, Value& out) {
    out = Value::date(parseDate(args[0].str(), ev.settings().dateFormat, ev.settings().epoch));
}

void fnStod(Ev, Node, Args args, int, Value& out) { out = Value::date(dayFromDtos(args[0].str())); }

void fnDate(Ev ev, Node, Args, int, Value& out) { out = Value::date(ev.host().today()); }

void datePart(Args args, Value& out, int Ymd::*part, int width) {
    DayNumber d = args[0].day();
    setInteger(out, d > 0 ? ymdFromDay(d).*part : 0, width);
}

void fnYear(Ev, Node, Args args, int, Value& out) { datePart(args, out, &Ymd::year, 5); }
void fnMonth(Ev, Node, Args args, int, Value& out) { datePart(args, out, &Ymd::month, 3); }
void fnDay(Ev, Node, Args args, int, Value& out) { datePart(args, out, &Ymd::day, 3); }

// ---- numbers ----------------------------------------------------------------------

// INT(): the integer part keeps the width of the argument's integer part.
void fnInt(Ev, Node, Args args, int, Value& out) {
    const Value& n = args[0];
    int width = n.decimals() > 0 ? n.width() - n.decimals() - 1 : n.width();
    out = Value::numeric(std::trunc(n.num()), std::max(width, 1), 0);
}

void fnRound(Ev, Node, Args args, int, Value& out) {
    long long decimals = std::clamp<long long>(toCount(args[1].num()), -20, kMaxComputedDecimals);
    out = computedNumber(roundHalfAway(args[0].num(), static_cast<int>(decimals)),
                         static_cast<int>(std::max(decimals, 0LL)));
}

void fnAbs(Ev, Node, Args args, int, Value& out) {
    out = std::move(args[0]);
    out = Value::numeric(std::fabs(out.num()), out.width(), out.decimals());
}

// MAX()/MIN() over two numbers, dates or logicals of the same type; the
// result is the chosen argument itself, with its width and decimals. Ties
// keep the first argument.
void pickExtreme(Ev ev, Node node, Args args, Value& out, bool wantMax) {
    const Value& a = args[0];
    const Value& b = args[1];
    if (a.type() != b.type()) ev.fail(node.pos, "arguments of different types");
    double x = 0, y = 0;
    switch (a.type()) {
        case ValueType::Numeric: x = a.num(), y = b.num(); break;
        case ValueType::Date: x = a.day(), y = b.day(); break;
        case ValueType::Logical: x = a.boolean(), y = b.boolean(); break;
        default: break;
    }
    const bool takeSecond = wantMax ? y > x : y < x;
    out = std::move(args[takeSecond ? 1 : 0]);
}

void fnMax(Ev ev, Node node, Args args, int, Value& out) { pickExtreme(ev, node, args, out, true); }
void fnMin(Ev ev, Node node, Args args, int, Value& out) { pickExtreme(ev, node, args, out, false); }

// MOD(): the remainder takes the sign of the divisor; MOD(x, 0) is 0.
void fnMod(Ev ev, Node, Args args, int, Value& out) {
    const double x = args[0].num();
    const double base = args[1].num();
    double r = 0.0;
    if (base != 0.0) {
        r = std::fmod(x, base);
        if (r != 0.0 && ((r < 0) != (base < 0))) r += base;
    }
    out = computedNumber(r, ev.settings().decimals);
}

void fnSqrt(Ev ev, Node, Args args, int, Value& out) {
    const double x = args[0].num();
    out = computedNumber(x > 0 ? std::sqrt(x) : 0.0, ev.settings().decimals);
}

// ---- work area state ---------------------------------------------------------------

AreaStatus statusOf(Ev ev) {
    const int area = ev.program().area;
    if (area < 0) {
        AreaStatus none;
        none.eof = none.bof = true;
        return none;
    }
    return ev.host().areaStatus(area);
}

void fnRecno(Ev ev, Node, Args, int, Value& out) { setInteger(out, static_cast<double>(statusOf(ev).recno)); }
void fnDeleted(Ev ev, Node, Args, int, Value& out) { out = Value::logical(statusOf(ev).deleted); }
void fnFound(Ev ev, Node, Args, int, Value& out) { out = Value::logical(statusOf(ev).found); }
void fnEof(Ev ev, Node, Args, int, Value& out) { out = Value::logical(statusOf(ev).eof); }
void fnBof(Ev ev, Node, Args, int, Value& out) { out = Value::logical(statusOf(ev).bof); }

// ---- any type -------------------------------------------------------------------------

// The day number that DESCEND() subtracts a date from.
constexpr double kDescendDateBase = 5231808.0;

void fnDescend(Ev ev, Node, Args args, int, Value& out) {
    Value& v = args[0];
    switch (v.type()) {
        case ValueType::Character: {
            std::string& s = takeString(args, out);
            for (char& c : s)
                c = static_cast<char>(static_cast<unsigned char>(256 - static_cast<unsigned char>(c)));
            return;
        }
        case ValueType::Numeric: out = computedNumber(-v.num(), ev.settings().decimals); return;
        case ValueType::Date: setInteger(out, kDescendDateBase - v.day()); return;
        case ValueType::Logical: out = Value::logical(!v.boolean()); return;
        case ValueType::Nil: out = Value(); return;
    }
}

void fnEmpty(Ev, Node, Args args, int, Value& out) {
    const Value& v = args[0];
    bool empty = true;
    switch (v.type()) {
        case ValueType::Character:
            empty = std::all_of(v.str().begin(), v.str().end(), isBlankByte);
            break;
        case ValueType::Numeric: empty = v.num() == 0.0; break;
        case ValueType::Logical: empty = !v.boolean(); break;
        case ValueType::Date: empty = v.day() <= 0; break;
        case ValueType::Nil: break;
    }
    out = Value::logical(empty);
}

void fnValType(Ev, Node, Args args, int, Value& out) {
    static constexpr char kLetters[] = {'U', 'C', 'N', 'L', 'D'};
    out = Value::character(std::string(1, kLetters[static_cast<int>(args[0].type())]));
}

constexpr std::optional<ValueType> C = ValueType::Character;
constexpr std::optional<ValueType> N = ValueType::Numeric;
constexpr std::optional<ValueType> L = ValueType::Logical;
constexpr std::optional<ValueType> D = ValueType::Date;
constexpr std::optional<ValueType> Depends = std::nullopt;

// clang-format off
const BuiltinFunction kBuiltins[] = {
    // name        min max  argument types           result   handler
    {"UPPER",       1, 1, {kC},                      C,       fnUpper},
    {"LOWER",       1, 1, {kC},                      C,       fnLower},
    {"TRIM",        1, 1, {kC},                      C,       fnRTrim},
    {"RTRIM",       1, 1, {kC},                      C,       fnRTrim},
    {"LTRIM",       1, 1, {kC},                      C,       fnLTrim},
    {"ALLTRIM",     1, 1, {kC},                      C,       fnAllTrim},
    {"SUBSTR",      2, 3, {kC, kN, kN},              C,       fnSubstr},
    {"LEFT",        2, 2, {kC, kN},                  C,       fnLeft},
    {"RIGHT",       2, 2, {kC, kN},                  C,       fnRight},
    {"PADR",        2, 3, {kC | kN | kD, kN, kC},    C,       fnPadR},
    {"PADL",        2, 3, {kC | kN | kD, kN, kC},    C,       fnPadL},
    {"PADC",        2, 3, {kC | kN | kD, kN, kC},    C,       fnPadC},
    {"SPACE",       1, 1, {kN},                      C,       fnSpace},
    {"REPLICATE",   2, 2, {kC, kN},                  C,       fnReplicate},
    {"LEN",         1, 1, {kC},                      N,       fnLen},
    {"AT",          2, 2, {kC, kC},                  N,       fnAt},
    {"RAT",         2, 2, {kC, kC},                  N,       fnRat},
    {"STUFF",       4, 4, {kC, kN, kN, kC},          C,       fnStuff},
    {"CHR",         1, 1, {kN},                      C,       fnChr},
    {"ASC",         1, 1, {kC},                      N,       fnAsc},
    {"STR",         1, 3, {kN, kN, kN},              C,       fnStr},
    {"STRZERO",     1, 3, {kN, kN, kN},              C,       fnStrZero},
    {"VAL",         1, 1, {kC},                      N,       fnVal},
    {"TRANSFORM",   2, 2, {kAny, kC},                C,       fnTransform},
    {"DTOS",        1, 1, {kD},                      C,       fnDtos},
    {"DTOC",        1, 1, {kD},                      C,       fnDtoc},
    {"CTOD",        1, 1, {kC},                      D,       fnCtod},
    {"STOD",        1, 1, {kC},                      D,       fnStod},
    {"DATE",        0, 0, {},                        D,       fnDate},
    {"YEAR",        1, 1, {kD},                      N,       fnYear},
    {"MONTH",       1, 1, {kD},                      N,       fnMonth},
    {"DAY",         1, 1, {kD},                      N,       fnDay},
    {"INT",         1, 1, {kN},                      N,       fnInt},
    {"ROUND",       2, 2, {kN, kN},                  N,       fnRound},
    {"ABS",         1, 1, {kN},                      N,       fnAbs},
    {"MAX",         2, 2, {kN | kD | kL, kN | kD | kL}, Depends, fnMax},
    {"MIN",         2, 2, {kN | kD | kL, kN | kD | kL}, Depends, fnMin},
    {"MOD",         2, 2, {kN, kN},                  N,       fnMod},
    {"SQRT",        1, 1, {kN},                      N,       fnSqrt},
    {"RECNO",       0, 0, {},                        N,       fnRecno},
    {"DELETED",     0, 0, {},                        L,       fnDeleted},
    {"FOUND",       0, 0, {},                        L,       fnFound},
    {"EOF",         0, 0, {},                        L,       fnEof},
    {"BOF",         0, 0, {},                        L,       fnBof},
    {"DESCEND",     1, 1, {kAny},                    Depends, fnDescend},
    {"EMPTY",       1, 1, {kAnyOrNil},               L,       fnEmpty},
    {"VALTYPE",     1, 1, {kAnyOrNil},               C,       fnValType},
    {"IIF",         3, 3, {kL, kAnyOrNil, kAnyOrNil}, Depends, nullptr},
    {"IF",          3, 3, {kL, kAnyOrNil, kAnyOrNil}, Depends, nullptr},
};
// clang-format on

}  // namespace

const BuiltinFunction* findBuiltin(std::string_view upperName, int* index) {
    for (std::size_t i = 0; i < std::size(kBuiltins); ++i) {
        if (kBuiltins[i].name == upperName) {
            if (index) *index = static_cast<int>(i);
            return &kBuiltins[i];
        }
    }
    return nullptr;
}

const BuiltinFunction& builtinAt(int index) { return kBuiltins[index]; }

}  // namespace mx::rt
