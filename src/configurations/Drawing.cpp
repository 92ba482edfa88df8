// The drawing arithmetic of the data sheet (see the header). Runtime headers
// only: the expressions go through the runtime's evaluator, nothing here
// knows of pages or windows.
#include "Drawing.h"

#include <array>
#include <cmath>
#include <string_view>

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
    std::string field;
    std::string text;
    std::string why;
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
            const std::size_t open = fn.find('(');
            if (open == std::string::npos || open + 1 >= fn.size()) return;
            if (ds::upper(trimmed(fn.substr(0, open))) != "BLADES") return;
            // The argument: after the "(", without the last character (the ")").
            const std::string argument = fn.substr(open + 1, fn.size() - open - 2);
            const double pitch = number("FN", argument, fn);
            const double blades = std::trunc(divide(y2 - y1, pitch));
            if (blades > kMaxBlades)
                throw ElementError{"FN", fn,
                                   "the pitch " + formatNumber(pitch) + " gives " + formatNumber(blades) +
                                       " blades; at most " + formatNumber(kMaxBlades) + " can be drawn"};
            for (int k = 1; k <= static_cast<int>(blades); ++k) line(x1 + T, y1 + k * pitch, x2 - T / 2, y1 + k * pitch);
        }
    }

private:
    static std::string formatNumber(double n) {
        std::string s = rt::strFunction(Value::numeric(n), 20, std::trunc(n) == n ? 0 : 2);
        return trimmed(s);
    }

    Value evaluate(const rt::ExprHost& host, const std::string& field, const std::string& text,
                   const std::string& shown = {}) const {
        try {
            return rt::Expression::compile(text, host, kNames).evaluate(host, values_);
        } catch (const rt::DbError& e) {
            if (e.kind() != rt::ErrorKind::BadExpression) throw;  // a table failure, not the element's
            std::string why = e.detail();
            if (e.position() >= 0) why += " at " + std::to_string(e.position());
            throw ElementError{field, shown.empty() ? text : shown, why};
        }
    }

    // A coordinate or the pitch: a finite number. `shown` is the whole text
    // when `text` is a part of it.
    double number(const std::string& field, const std::string& raw, const std::string& shown = {}) const {
        const std::string text = trimmed(raw);
        const std::string whole = shown.empty() ? text : shown;
        if (text.empty()) throw ElementError{field, whole, "there is no expression"};
        const Value v = evaluate(hosts_.coordinates, field, text, whole);
        if (!v.isNumeric()) throw ElementError{field, whole, std::string("gives ") + typeName(v) + ", not a number"};
        if (!std::isfinite(v.num())) throw ElementError{field, whole, "gives no finite number"};
        return v.num();
    }

    const DrawingHosts& hosts_;
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
            std::string why = "does not compile: " + err.detail();
            if (err.position() >= 0) why += " at " + std::to_string(err.position());
            out.push_back(DrawingFailure{e.recno, field, shown, why});
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
            out.push_back(DrawingFailure{e.recno, field, text, "there is no expression"});
        else
            compiles(coordinates, field, text, text);
    }
    if (ds::trimRight(e.type) == "FUNCTION") {
        const std::string fn = trimmed(e.fn);
        const std::size_t open = fn.find('(');
        if (open == std::string::npos || open + 1 >= fn.size() || fn.back() != ')' ||
            ds::upper(trimmed(fn.substr(0, open))) != "BLADES") {
            out.push_back(DrawingFailure{e.recno, "FN", fn, "is not BLADES(pitch): the element draws nothing"});
        } else {
            const std::string argument = trimmed(fn.substr(open + 1, fn.size() - open - 2));
            if (argument.empty())
                out.push_back(DrawingFailure{e.recno, "FN", fn, "there is no pitch"});
            else
                compiles(coordinates, "FN", argument, fn);
        }
    }
    return out;
}

Drawing drawElements(const NextElement& next, const DrawingValues& values, const DrawingHosts& hosts) {
    Drawing d;
    const ElementDrawer drawer(values, hosts);
    DrawingElement e;
    while (next(e)) {
        try {
            drawer.draw(e, d.segments);
        } catch (const ElementError& why) {
            d.failure = DrawingFailure{e.recno, why.field, why.text, why.why};
            break;
        }
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
    const AreaHost conditions(session, assembly), coordinates(session, assdraw);
    const DrawingValues values = drawingValues(assembly);
    const Value code = assembly.fieldValue("CODE");
    const std::uint32_t remembered = assdraw.recno();
    struct PutBack {
        rt::WorkArea& area;
        std::uint32_t recno;
        ~PutBack() {
            try {
                area.goTo(recno);
            } catch (const rt::DbError&) {
            }
        }
    } putBack{assdraw, remembered};

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
