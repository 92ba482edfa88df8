// The drawing of a configuration's data sheet, as arithmetic: from the
// configuration's dimension values and its drawing elements (`assdraw`) to
// the line segments of the schematic, in device units. No windows and no Qt:
// the painter (DataSheet.cpp) only draws the segments it is given.
//
// Device units: across from the left, down from the top of the page; the
// origin of the drawing is row 1200, column 250, and a drawing point (X, Y)
// lands at row 1200 - Y / s, column 250 + X / s with the scale s = H / 400,
// so Y grows upwards and a height of H spans 400 units. Dividing by zero
// gives 0, as everywhere in the system's arithmetic: with H = 0 every point
// lands on the origin.
//
// An element: a condition (empty: always drawn), four coordinate
// expressions and a type naming which lines to draw from them:
//
//   LINE            the line (X1, Y1)-(X2, Y2)
//   LINE2T / 2B     the line and its inner line T below / above it
//   LINE2R / 2L     the line and its inner line T left / right of it
//   LINE2H / 2V     two lines T/2 either side of the line, not the line
//   ARROWL / R      the line with an arrow head at X1 / X2 (L = X2 - X1)
//   ARROWD / U      the line with an arrow head at Y1 / Y2 (L = Y2 - Y1)
//   FUNCTION        `FN` = "BLADES(pitch)": louvre blades every pitch above
//                   Y1 up to Y2, from X1 + T to X2 - T/2
//
// Any other type, or a function other than BLADES, draws nothing.
//
// The expressions are the runtime's own (safe) expressions, with the names
// H, W, D, A, B, C, E, F, G, I, J, K (the dimension values), T (the member
// thickness, 30) and TBLADEWIDTH (the configuration's blade height). Bare
// field names in a condition are the configuration's fields; in a
// coordinate or a pitch, the element's.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ExprHost.h"

namespace mx::rt {
class Session;
class WorkArea;
}  // namespace mx::rt

namespace mx::configurations {

// The member thickness the expressions know as T.
inline constexpr double kMemberThickness = 30;
// Where the drawing stands on the page and how tall a height of H is drawn,
// in device units.
inline constexpr double kOriginRow = 1200;
inline constexpr double kOriginColumn = 250;
inline constexpr double kDrawnHeight = 400;
// More blades than this in one element are refused: no page shows them
// apart, and a pitch near 0 would otherwise ask for millions of lines.
inline constexpr double kMaxBlades = 10000;

// The values the expressions see by name.
struct DrawingValues {
    double H = 0, W = 0, D = 0, A = 0, B = 0, C = 0, E = 0, F = 0, G = 0, I = 0, J = 0, K = 0;
    double bladeWidth = 0;  // TBLADEWIDTH
};

// The values of the configuration `assembly` stands on: each dimension half
// the difference between its maximum and minimum (H from HTMIN/HTMAX, W
// from WDMIN/WDMAX, D from DPMIN/DPMAX, A ... K from AMIN/AMAX ...), and
// its BLADEWIDTH. Throws rt::DbError when a field is missing.
DrawingValues drawingValues(const rt::WorkArea& assembly);

// One drawing element as stored (texts untrimmed), and its record number
// for messages.
struct DrawingElement {
    std::uint32_t recno = 0;
    std::string type, fromRow, fromCol, toRow, toCol, fn, condition;
};

// The element `assdraw` stands on.
DrawingElement drawingElement(const rt::WorkArea& assdraw);

// A line in device units (x across, y down).
struct Segment {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const Segment&) const = default;
};

// Why an element could not be drawn: its record, the field whose text failed
// ("CONDITION", "FROMCOL", "FROMROW", "TOCOL", "TOROW" or "FN"), that text
// (trimmed) and the cause.
struct DrawingFailure {
    std::uint32_t recno = 0;
    std::string field;
    std::string text;
    std::string why;
};

struct Drawing {
    std::vector<Segment> segments;          // in the elements' order
    std::optional<DrawingFailure> failure;  // set: the drawing stopped at that element
};

// Where the expressions are compiled and evaluated: conditions against a
// host whose selected area is the configuration's table, coordinates and
// pitches against one whose selected area is the drawing elements' table.
struct DrawingHosts {
    const rt::ExprHost& conditions;
    const rt::ExprHost& coordinates;
};

// The next element into the argument; false when there are no more. The
// coordinates host sees the element's record while it is drawn.
using NextElement = std::function<bool(DrawingElement&)>;

// The segments of the elements, in order. An element whose condition is
// false is skipped. An element whose texts cannot be evaluated (a syntax
// error, an unknown name, a value of the wrong type, a coordinate that is
// no finite number, too many blades) ends the drawing: the segments drawn
// so far are kept and the failure says which element and why.
Drawing drawElements(const NextElement& next, const DrawingValues& values, const DrawingHosts& hosts);
Drawing drawElements(std::span<const DrawingElement> elements, const DrawingValues& values,
                     const DrawingHosts& hosts);

// Whether `type` (trailing blanks aside) is one of the element kinds above.
bool isElementType(std::string_view type);

// Each text of an element that can never draw, found without drawing it: a
// coordinate that is empty or does not compile, a condition that does not
// compile, and for a FUNCTION element an `FN` that is not BLADES(pitch) or
// whose pitch does not compile. Conditions compile against `assembly`,
// coordinates and the pitch against `assdraw`, as the drawing evaluates
// them; nothing is evaluated, so an element whose condition is false is
// looked at all the same. One failure per field, in the order the drawing
// reads them.
std::vector<DrawingFailure> checkElementTexts(const rt::Session& session, const rt::WorkArea& assembly,
                                              const rt::WorkArea& assdraw, const DrawingElement& element);

// The drawing of the configuration `assembly` stands on, over the open
// tables: its elements are sought by the configuration's CODE in
// `assdraw`'s controlling order (which must begin with ASSCODE) and read
// while ASSCODE equals it. `assdraw`'s record is put back afterwards; no
// table is written and the selected area is left as it was. Throws
// rt::DbError when a table fails (no controlling order included).
Drawing drawConfiguration(rt::Session& session, rt::WorkArea& assembly, rt::WorkArea& assdraw);

}  // namespace mx::configurations
