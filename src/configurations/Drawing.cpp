// The drawing arithmetic of the data sheet (see the header). Runtime headers
// only: the expressions go through the runtime's evaluator, nothing here
// knows of pages or windows.
#include "Drawing.h"

#include "RecordKept.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "Error.h"
#include "Expression.h"
#include "Session.h"
#include "Text.h"
#include "Value.h"
#include "WorkArea.h"

namespace mx::configurations {

namespace {

using rt::Value;

// The names the expressions know, in the order their values are given.
const std::array<std::string, 14> kNames = {"H", "W", "D", "A", "B", "C", "E",
                                            "F", "G", "I", "J", "K", "T", "TBLADEWIDTH"};

std::vector<Value> valuesByName(const DrawingValues& v) {
    std::vector<Value> out;
    for (double n : {v.H, v.W, v.D, v.A, v.B, v.C, v.E, v.F, v.G, v.I, v.J, v.K, kMemberThickness, v.bladeWidth})
        out.push_back(Value::numeric(n, 10, 2));
    return out;
}

// The system's division: by zero it gives 0.
double divide(double x, double y) { return y == 0.0 ? 0.0 : x / y; }

std::string trimmed(const std::string& s) { return ds::allTrim(s); }

const char* typeName(const Value& v) {
    switch (v.type()) {
        case rt::ValueType::Character: return "text";
        case rt::ValueType::Numeric: return "a number";
        case rt::ValueType::Logical: return "a logical value";
        case rt::ValueType::Date: return "a date";
        case rt::ValueType::Nil: break;
    }
    return "nothing";
}

// Raised inside the drawing loop, turned into the DrawingFailure.
struct ElementError {
    ElementError(std::string f, std::string t, std::string w, std::int64_t p = -1, std::string r = {})
        : field(std::move(f)), text(std::move(t)), why(std::move(w)), position(p), reason(std::move(r)) {}
    std::string field;
    std::string text;
    std::string why;
    std::int64_t position = -1;
    std::string reason;  // `why` without the position; empty: the same as `why`
};

DrawingFailure failureOf(std::uint32_t recno, const ElementError& e) {
    return DrawingFailure{recno, e.field, e.text, e.why, e.position, e.reason.empty() ? e.why : e.reason};
}

// The argument of a function call "NAME(argument)" and where it begins in
// the text (0-based); nullopt when the text is no call of `name`.
struct Call {
    std::string argument;
    std::size_t offset = 0;
};

class ElementDrawer {
public:
    ElementDrawer(const DrawingValues& values, const DrawingHosts& hosts)
        : hosts_(hosts), values_(valuesByName(values)), scale_(3 * values.H / 1200) {}

    // Draws one element into `out`; throws ElementError.
    void draw(const DrawingElement& e, std::vector<Segment>& out) const {
        const std::string condition = trimmed(e.condition);
        if (!condition.empty()) {
            const Value holds = evaluate(hosts_.conditions, "CONDITION", condition);
            if (!holds.isLogical())
                throw ElementError{"CONDITION", condition, std::string("gives ") + typeName(holds) + ", not a logical value"};
            if (!holds.boolean()) return;
        }
        const double x1 = number("FROMCOL", e.fromCol), y1 = number("FROMROW", e.fromRow);
        const double x2 = number("TOCOL", e.toCol), y2 = number("TOROW", e.toRow);
        const std::string type = ds::trimRight(e.type);
        const double T = kMemberThickness;
        auto line = [&](double ax, double ay, double bx, double by) {
            out.push_back(Segment{kOriginColumn + divide(ax, scale_), kOriginRow - divide(ay, scale_),
                                  kOriginColumn + divide(bx, scale_), kOriginRow - divide(by, scale_)});
        };
        if (type == "LINE") {
            line(x1, y1, x2, y2);
        } else if (type == "LINE2T") {
            line(x1, y1, x2, y2);
            line(x1 + T, y1 - T, x2 - T, y2 - T);
        } else if (type == "LINE2B") {
            line(x1, y1, x2, y2);
            line(x1 + T, y1 + T, x2 - T, y2 + T);
        } else if (type == "LINE2R") {
            line(x1, y1, x2, y2);
            line(x1 - T, y1 + T, x2 - T, y2 - T);
        } else if (type == "LINE2L") {
            line(x1, y1, x2, y2);
            line(x1 + T, y1 + T, x2 + T, y2 - T);
        } else if (type == "LINE2H") {
            line(x1, y1 - T / 2, x2, y2 - T / 2);
            line(x1, y1 + T / 2, x2, y2 + T / 2);
        } else if (type == "LINE2V") {
            line(x1 - T / 2, y1, x2 - T / 2, y2);
            line(x1 + T / 2, y1, x2 + T / 2, y2);
        } else if (type == "ARROWL") {
            const double L = x2 - x1;
            line(x1, y1, x2, y2);
            line(x1 + L / 4, y1 - L / 8, x1, y2);
            line(x1 + L / 4, y1 + L / 8, x1, y2);
        } else if (type == "ARROWR") {
            const double L = x2 - x1;
            line(x1, y1, x2, y2);
            line(x2 - L / 4, y1 - L / 8, x2, y2);
            line(x2 - L / 4, y1 + L / 8, x2, y2);
        } else if (type == "ARROWD") {
            const double L = y2 - y1;
            line(x1, y1, x2, y2);
            line(x1 - L / 8, y1 + L / 4, x1, y1);
            line(x1 + L / 8, y1 + L / 4, x1, y1);
        } else if (type == "ARROWU") {
            const double L = y2 - y1;
            line(x1, y1, x2, y2);
            line(x2 - L / 8, y2 - L / 4, x2, y2);
            line(x2 + L / 8, y2 - L / 4, x2, y2);
        } else if (type == "FUNCTION") {
            const std::string fn = trimmed(e.fn);
            const std::optional<Call> call = bladesCall(fn);
            if (!call) return;
            const double pitch = number("FN", call->argument, fn, call->offset);
            const double blades = std::trunc(divide(y2 - y1, pitch));
            if (blades > kMaxBlades)
                throw ElementError{"FN", fn,
                                   "the pitch " + formatNumber(pitch) + " gives " + formatNumber(blades) +
                                       " blades; at most " + formatNumber(kMaxBlades) + " can be drawn"};
            for (int k = 1; k <= static_cast<int>(blades); ++k) line(x1 + T, y1 + k * pitch, x2 - T / 2, y1 + k * pitch);
        }
    }

    // One text checked as `draw` would use it (see checkText).
    void check(const std::string& field, const std::string& raw) const {
        const std::string text = trimmed(raw);
        if (field == "CONDITION") {
            if (text.empty()) return;
            const Value holds = evaluate(hosts_.conditions, field, text);
            if (!holds.isLogical())
                throw ElementError{field, text, std::string("gives ") + typeName(holds) + ", not a logical value"};
        } else if (field == "FN") {
            if (text.empty()) return;
            const std::optional<Call> call = bladesCall(text);
            if (!call) throw ElementError{field, text, "the only function drawn is BLADES(pitch)", 1,
                                          "the only function drawn is BLADES(pitch)"};
            if (text.back() != ')')
                throw ElementError{field, text, "a ( without its ) at " + std::to_string(text.size() + 1),
                                   static_cast<std::int64_t>(text.size() + 1), "a ( without its )"};
            number(field, call->argument, text, call->offset);
        } else {
            number(field, text);
        }
    }

    // "BLADES(argument)": the argument after the "(", without the last
    // character (the ")"); nullopt for any other text.
    static std::optional<Call> bladesCall(const std::string& fn) {
        const std::size_t open = fn.find('(');
        if (open == std::string::npos || open + 1 >= fn.size()) return std::nullopt;
        if (ds::upper(trimmed(fn.substr(0, open))) != "BLADES") return std::nullopt;
        return Call{fn.substr(open + 1, fn.size() - open - 2), open + 1};
    }

private:
    static std::string formatNumber(double n) {
        std::string s = rt::strFunction(Value::numeric(n), 20, std::trunc(n) == n ? 0 : 2);
        return trimmed(s);
    }

    // `offset`: where `text` begins in `shown`, for the position named.
    Value evaluate(const rt::ExprHost& host, const std::string& field, const std::string& text,
                   const std::string& shown = {}, std::size_t offset = 0) const {
        try {
            return compiled(host, text).evaluate(host, values_);
        } catch (const rt::DbError& e) {
            if (e.kind() != rt::ErrorKind::BadExpression) throw;  // a table failure, not the element's
            std::string why = e.detail();
            std::int64_t position = -1;
            if (e.position() >= 0) {
                position = e.position() + static_cast<std::int64_t>(offset);
                why += " at " + std::to_string(position);
            }
            throw ElementError{field, shown.empty() ? text : shown, why, position, e.detail()};
        }
    }

    // A coordinate or the pitch: a finite number. `shown` is the whole text
    // when `text` is a part of it.
    double number(const std::string& field, const std::string& raw, const std::string& shown = {},
                  std::size_t offset = 0) const {
        // Leading blanks trimmed off move the positions the evaluator names.
        const std::size_t lead = raw.find_first_not_of(' ');
        const std::string text = trimmed(raw);
        const std::string whole = shown.empty() ? text : shown;
        if (text.empty()) throw ElementError{field, whole, "there is no expression"};
        const Value v = evaluate(hosts_.coordinates, field, text, whole,
                                 shown.empty() ? 0 : offset + (lead == std::string::npos ? 0 : lead));
        if (!v.isNumeric()) throw ElementError{field, whole, std::string("gives ") + typeName(v) + ", not a number"};
        if (!std::isfinite(v.num())) throw ElementError{field, whole, "gives no finite number"};
        return v.num();
    }

    // Each text is compiled once a drawing: drawings repeat their texts
    // ("0", "W", "H-T") from element to element.
    const rt::Expression& compiled(const rt::ExprHost& host, const std::string& text) const {
        auto& cache = &host == &hosts_.conditions ? conditionCache_ : coordinateCache_;
        auto it = cache.find(text);
        if (it == cache.end()) it = cache.emplace(text, rt::Expression::compile(text, host, kNames)).first;
        return it->second;
    }

    const DrawingHosts& hosts_;
    mutable std::unordered_map<std::string, rt::Expression> conditionCache_, coordinateCache_;
    std::vector<Value> values_;
    double scale_;
};

// The session as an expression sees it with one particular area selected:
// unaliased names and RECNO() and the like refer to that area, whatever
// the session has selected.
class AreaHost final : public rt::ExprHost {
public:
    AreaHost(const rt::Session& session, const rt::WorkArea& area) : session_(session), area_(area) {}

    int selectedArea() const override { return area_.id(); }
    std::optional<rt::FieldSlot> findField(std::string_view alias, std::string_view name) const override {
        const bool own = alias.empty() || ds::equalsNoCase(alias, "FIELD");
        return session_.findField(own ? std::string_view(area_.alias()) : alias, name);
    }
    Value fieldValue(rt::FieldSlot slot) const override { return session_.fieldValue(slot); }
    rt::AreaStatus areaStatus(int area) const override { return session_.areaStatus(area); }
    const rt::Settings& settings() const override { return session_.settings(); }
    const rt::AppFunction* findFunction(std::string_view upperName) const override {
        return session_.findFunction(upperName);
    }
    rt::DayNumber today() const override { return session_.today(); }

private:
    const rt::Session& session_;
    const rt::WorkArea& area_;
};

// The kinds an element may name, as the drawer above tells them apart.
constexpr std::array<std::string_view, 12> kElementTypes = {"LINE",   "LINE2T", "LINE2B", "LINE2R",
                                                            "LINE2L", "LINE2H", "LINE2V", "ARROWL",
                                                            "ARROWR", "ARROWD", "ARROWU", "FUNCTION"};

double half(const rt::WorkArea& a, const std::string& min, const std::string& max) {
    return (a.fieldValue(max).num() - a.fieldValue(min).num()) / 2;
}

}  // namespace

DrawingValues drawingValues(const rt::WorkArea& a) {
    DrawingValues v;
    v.H = half(a, "HTMIN", "HTMAX");
    v.W = half(a, "WDMIN", "WDMAX");
    v.D = half(a, "DPMIN", "DPMAX");
    double* letters[] = {&v.A, &v.B, &v.C, &v.E, &v.F, &v.G, &v.I, &v.J, &v.K};
    const char names[] = "ABCEFGIJK";
    for (int i = 0; i < 9; ++i) {
        const std::string l(1, names[i]);
        *letters[i] = half(a, l + "MIN", l + "MAX");
    }
    v.bladeWidth = a.fieldValue("BLADEWIDTH").num();
    return v;
}

DrawingElement drawingElement(const rt::WorkArea& a) {
    DrawingElement e;
    e.recno = a.recno();
    e.type = a.fieldValue("TYPE").str();
    e.fromRow = a.fieldValue("FROMROW").str();
    e.fromCol = a.fieldValue("FROMCOL").str();
    e.toRow = a.fieldValue("TOROW").str();
    e.toCol = a.fieldValue("TOCOL").str();
    e.fn = a.fieldValue("FN").str();
    e.condition = a.fieldValue("CONDITION").str();
    return e;
}

bool isElementType(std::string_view type) {
    const std::string t = ds::trimRight(type);
    for (std::string_view k : kElementTypes)
        if (t == k) return true;
    return false;
}

std::vector<DrawingFailure> checkElementTexts(const rt::Session& session, const rt::WorkArea& assembly,
                                              const rt::WorkArea& assdraw, const DrawingElement& e) {
    const AreaHost conditions(session, assembly), coordinates(session, assdraw);
    std::vector<DrawingFailure> out;
    auto compiles = [&](const rt::ExprHost& host, const char* field, const std::string& text,
                        const std::string& shown) {
        try {
            rt::Expression::compile(text, host, kNames);
            return true;
        } catch (const rt::DbError& err) {
            if (err.kind() != rt::ErrorKind::BadExpression) throw;
            const std::string reason = "does not compile: " + err.detail();
            std::string why = reason;
            if (err.position() >= 0) why += " at " + std::to_string(err.position());
            // The position counts in `text`; it names a place in what is shown only when the two are one.
            out.push_back(DrawingFailure{e.recno, field, shown, why, shown == text ? err.position() : -1, reason});
            return false;
        }
    };
    const std::string condition = trimmed(e.condition);
    if (!condition.empty()) compiles(conditions, "CONDITION", condition, condition);
    const std::pair<const char*, const std::string*> coordinateTexts[] = {
        {"FROMCOL", &e.fromCol}, {"FROMROW", &e.fromRow}, {"TOCOL", &e.toCol}, {"TOROW", &e.toRow}};
    for (const auto& [field, raw] : coordinateTexts) {
        const std::string text = trimmed(*raw);
        if (text.empty())
            out.push_back(DrawingFailure{e.recno, field, text, "there is no expression", -1, {}});
        else
            compiles(coordinates, field, text, text);
    }
    if (ds::trimRight(e.type) == "FUNCTION") {
        const std::string fn = trimmed(e.fn);
        const std::size_t open = fn.find('(');
        if (open == std::string::npos || open + 1 >= fn.size() || fn.back() != ')' ||
            ds::upper(trimmed(fn.substr(0, open))) != "BLADES") {
            out.push_back(DrawingFailure{e.recno, "FN", fn, "is not BLADES(pitch): the element draws nothing", -1, {}});
        } else {
            const std::string argument = trimmed(fn.substr(open + 1, fn.size() - open - 2));
            if (argument.empty())
                out.push_back(DrawingFailure{e.recno, "FN", fn, "there is no pitch", -1, {}});
            else
                compiles(coordinates, "FN", argument, fn);
        }
    }
    return out;
}

const std::vector<std::string>& drawingTypes() {
    static const std::vector<std::string> types = {"LINE",   "LINE2T", "LINE2B", "LINE2R", "LINE2L", "LINE2H",
                                                   "LINE2V", "ARROWL", "ARROWR", "ARROWD", "ARROWU", "FUNCTION"};
    return types;
}

std::span<const std::string> drawingNames() { return kNames; }

std::unique_ptr<rt::ExprHost> areaHost(const rt::Session& session, const rt::WorkArea& area) {
    return std::make_unique<AreaHost>(session, area);
}

std::optional<DrawingFailure> checkText(const std::string& field, const std::string& text,
                                        const DrawingValues& values, const DrawingHosts& hosts) {
    try {
        ElementDrawer(values, hosts).check(field, text);
    } catch (const ElementError& why) {
        return failureOf(0, why);
    }
    return std::nullopt;
}

std::optional<DrawingFailure> checkElement(const DrawingElement& e, const DrawingValues& values,
                                           const DrawingHosts& hosts) {
    const std::string type = ds::trimRight(e.type);
    const auto& types = drawingTypes();
    if (std::find(types.begin(), types.end(), type) == types.end())
        return DrawingFailure{e.recno, "TYPE", type, "not a kind of element", -1, "not a kind of element"};
    const std::pair<const char*, const std::string*> texts[] = {{"CONDITION", &e.condition}, {"FROMROW", &e.fromRow},
                                                                {"FROMCOL", &e.fromCol},     {"TOROW", &e.toRow},
                                                                {"TOCOL", &e.toCol},         {"FN", &e.fn}};
    for (const auto& [field, text] : texts) {
        if (std::string_view(field) == "FN" && type != "FUNCTION") continue;
        if (std::optional<DrawingFailure> f = checkText(field, *text, values, hosts)) {
            f->recno = e.recno;
            return f;
        }
    }
    return std::nullopt;
}

Drawing drawElements(const NextElement& next, const DrawingValues& values, const DrawingHosts& hosts) {
    Drawing d;
    const ElementDrawer drawer(values, hosts);
    DrawingElement e;
    while (next(e)) {
        const std::size_t first = d.segments.size();
        try {
            drawer.draw(e, d.segments);
        } catch (const ElementError& why) {
            d.failure = failureOf(e.recno, why);
            break;
        }
        d.elements.push_back(ElementSegments{e.recno, first, d.segments.size() - first});
    }
    return d;
}

Drawing drawElements(std::span<const DrawingElement> elements, const DrawingValues& values,
                     const DrawingHosts& hosts) {
    std::size_t i = 0;
    return drawElements(
        [&](DrawingElement& e) {
            if (i >= elements.size()) return false;
            e = elements[i++];
            return true;
        },
        values, hosts);
}

Drawing drawConfiguration(rt::Session& session, rt::WorkArea& assembly, rt::WorkArea& assdraw) {
    return drawConfiguration(session, assembly, assdraw, drawingValues(assembly));
}

Drawing drawConfiguration(rt::Session& session, rt::WorkArea& assembly, rt::WorkArea& assdraw,
                          const DrawingValues& values) {
    const AreaHost conditions(session, assembly), coordinates(session, assdraw);
    const Value code = assembly.fieldValue("CODE");
    const rt::RecordKept putBack(assdraw);

    const std::string wanted = ds::trimRight(code.str());
    bool first = true;
    const NextElement next = [&](DrawingElement& e) {
        if (first) {
            first = false;
            assdraw.seek(code, false);
        } else {
            assdraw.skip();
        }
        if (assdraw.eof() || ds::trimRight(assdraw.fieldValue("ASSCODE").str()) != wanted) return false;
        e = drawingElement(assdraw);
        return true;
    };
    return drawElements(next, values, DrawingHosts{conditions, coordinates});
}

}  // namespace mx::configurations
