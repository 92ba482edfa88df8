// The drawing arithmetic without any window: the lines of each element type
// for given points, the scale, the blades, conditions, what draws nothing,
// and the element that cannot be evaluated. Then the same over the tables,
// as the data sheet reads them.
#include <gtest/gtest.h>

#include "Drawing.h"
#include "ExprTestHost.h"
#include "Opening.h"
#include "ScreenHarness.h"

namespace mx::configurations::test {
namespace {

using mx::test::C;
using mx::test::L;
using mx::test::N;
using rt::Value;

// H = 400 makes the scale 1: a point (X, Y) is at column 250 + X, row 1200 - Y.
DrawingValues unitScale() {
    DrawingValues v;
    v.H = 400;
    v.W = 200;
    return v;
}

Segment at(double xa, double ya, double xb, double yb) { return {250 + xa, 1200 - ya, 250 + xb, 1200 - yb}; }

DrawingElement element(std::string type, std::string x1, std::string y1, std::string x2, std::string y2,
                       std::string fn = {}, std::string condition = {}) {
    static std::uint32_t recno = 0;
    DrawingElement e;
    e.recno = ++recno;
    e.type = std::move(type);
    e.fromCol = std::move(x1);
    e.fromRow = std::move(y1);
    e.toCol = std::move(x2);
    e.toRow = std::move(y2);
    e.fn = std::move(fn);
    e.condition = std::move(condition);
    return e;
}

class DrawingTest : public ::testing::Test {
protected:
    Drawing draw(const std::vector<DrawingElement>& elements, const DrawingValues& values = unitScale()) {
        return drawElements(elements, values, DrawingHosts{host, host});
    }
    rt::testing::ExprTestHost host;  // PEOPLE is selected: ACTIVE is a logical field
};

TEST_F(DrawingTest, EachElementTypeDrawsItsLines) {
    struct Case {
        const char* type;
        double x1, y1, x2, y2;
        std::vector<Segment> expected;
    };
    const std::vector<Case> cases = {
        {"LINE", 10, 20, 110, 60, {at(10, 20, 110, 60)}},
        {"LINE2T", 0, 100, 200, 100, {at(0, 100, 200, 100), at(30, 70, 170, 70)}},
        {"LINE2B", 0, 0, 200, 0, {at(0, 0, 200, 0), at(30, 30, 170, 30)}},
        {"LINE2R", 200, 0, 200, 100, {at(200, 0, 200, 100), at(170, 30, 170, 70)}},
        {"LINE2L", 0, 0, 0, 100, {at(0, 0, 0, 100), at(30, 30, 30, 70)}},
        {"LINE2H", 0, 50, 200, 50, {at(0, 35, 200, 35), at(0, 65, 200, 65)}},
        {"LINE2V", 100, 0, 100, 100, {at(85, 0, 85, 100), at(115, 0, 115, 100)}},
        {"ARROWL", 0, 50, 80, 50, {at(0, 50, 80, 50), at(20, 40, 0, 50), at(20, 60, 0, 50)}},
        {"ARROWR", 0, 50, 80, 50, {at(0, 50, 80, 50), at(60, 40, 80, 50), at(60, 60, 80, 50)}},
        {"ARROWD", 50, 0, 50, 80, {at(50, 0, 50, 80), at(40, 20, 50, 0), at(60, 20, 50, 0)}},
        {"ARROWU", 50, 0, 50, 80, {at(50, 0, 50, 80), at(40, 60, 50, 80), at(60, 60, 50, 80)}},
    };
    for (const Case& c : cases) {
        // Types are compared after trimming trailing blanks, as the field pads them.
        const Drawing d = draw({element(std::string(c.type) + "  ", std::to_string(c.x1), std::to_string(c.y1),
                                        std::to_string(c.x2), std::to_string(c.y2))});
        EXPECT_FALSE(d.failure) << c.type;
        ASSERT_EQ(d.segments.size(), c.expected.size()) << c.type;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_NEAR(d.segments[i].x1, c.expected[i].x1, 1e-9) << c.type << " line " << i;
            EXPECT_NEAR(d.segments[i].y1, c.expected[i].y1, 1e-9) << c.type << " line " << i;
            EXPECT_NEAR(d.segments[i].x2, c.expected[i].x2, 1e-9) << c.type << " line " << i;
            EXPECT_NEAR(d.segments[i].y2, c.expected[i].y2, 1e-9) << c.type << " line " << i;
        }
    }
}

TEST_F(DrawingTest, TheNamesHoldTheirValuesAndTheHeightSetsTheScale) {
    DrawingValues v;
    v.H = 800;  // scale 2: a height of 800 spans 400 device units
    v.W = 2, v.D = 4, v.A = 8, v.B = 16, v.C = 32, v.E = 64, v.F = 128, v.G = 256, v.I = 512, v.J = 1024,
    v.K = 2048, v.bladeWidth = 4096;
    const Drawing d = draw({element("LINE", "W+D+A+B+C+E+F+G+I+J+K+TBLADEWIDTH", "T", "0", "H")}, v);
    ASSERT_FALSE(d.failure) << d.failure->why;
    ASSERT_EQ(d.segments.size(), 1u);
    EXPECT_DOUBLE_EQ(d.segments[0].x1, 250 + 8190.0 / 2);
    EXPECT_DOUBLE_EQ(d.segments[0].y1, 1200 - 30.0 / 2);  // T is the member thickness, 30
    EXPECT_DOUBLE_EQ(d.segments[0].x2, 250);
    EXPECT_DOUBLE_EQ(d.segments[0].y2, 800);  // the full height 400 units above the origin
}

TEST_F(DrawingTest, BladesEveryPitchAboveTheBottomUpToTheTop) {
    DrawingValues v = unitScale();
    v.bladeWidth = 42;
    // Height 100, pitch 30: three blades at 30, 60 and 90, from X1 + T to X2 - T/2.
    for (const char* fn : {"BLADES(30)", "  blades(TBLADEWIDTH-12)  ", "Blades (30)"}) {
        const Drawing d = draw({element("FUNCTION", "0", "0", "200", "100", fn)}, v);
        ASSERT_FALSE(d.failure) << fn;
        EXPECT_EQ(d.segments, (std::vector<Segment>{at(30, 30, 185, 30), at(30, 60, 185, 60), at(30, 90, 185, 90)}))
            << fn;
    }
    // A pitch of 0 (the division gives 0) or below draws none, and so does a
    // pitch above the height.
    for (const char* fn : {"BLADES(0)", "BLADES(-30)", "BLADES(101)", "BLADES(W-W)"})
        EXPECT_TRUE(draw({element("FUNCTION", "0", "0", "200", "100", fn)}, v).segments.empty()) << fn;
}

TEST_F(DrawingTest, WithNoHeightEveryPointLandsOnTheOrigin) {
    DrawingValues v = unitScale();
    v.H = 0;  // HTMAX equal to HTMIN: scale 0, every division by it gives 0
    const Drawing d = draw({element("LINE2T", "0", "H", "W", "H"), element("ARROWU", "W/2", "10", "W/2", "300")}, v);
    ASSERT_EQ(d.segments.size(), 5u);
    for (const Segment& s : d.segments) EXPECT_EQ(s, (Segment{250, 1200, 250, 1200}));
    // An expression's own division by zero gives 0 as well.
    const Drawing zero = draw({element("LINE", "W/0", "H/(W-W)", "100", "0")});
    ASSERT_FALSE(zero.failure);
    EXPECT_EQ(zero.segments, (std::vector<Segment>{at(0, 0, 100, 0)}));
}

TEST_F(DrawingTest, ConditionsSkipAndUnknownKindsDrawNothingWhileTheLoopGoesOn) {
    host.set(0, "ACTIVE", Value::logical(false));
    const Drawing d = draw({
        element("LINE", "0", "0", "10", "0", "", "ACTIVE"),          // false: skipped
        element("LINE", "0", "1", "10", "1", "", "   "),             // empty: drawn
        element("LINE", "0", "2", "10", "2", "", ".NOT. ACTIVE"),    // true: drawn
        element("CIRCLE", "0", "3", "10", "3"),                      // no such type
        element("line", "0", "4", "10", "4"),                        // types are case-sensitive
        element("FUNCTION", "0", "0", "10", "100", "PANES(3)"),      // no such function
        element("FUNCTION", "0", "0", "10", "100", "BLADES"),        // no argument
        element("LINE", "0", "5", "10", "5", "", "W > 100 .AND. H > 100"),
    });
    ASSERT_FALSE(d.failure);
    EXPECT_EQ(d.segments, (std::vector<Segment>{at(0, 1, 10, 1), at(0, 2, 10, 2), at(0, 5, 10, 5)}));
}

TEST_F(DrawingTest, AnElementThatCannotBeEvaluatedEndsTheDrawingAndSaysWhy) {
    struct Case {
        DrawingElement bad;
        const char* field;
        const char* text;
        const char* why;  // a part of the cause
    };
    const std::vector<Case> cases = {
        {element("LINE", "0", "0", "10", "H/2+"), "TOROW", "H/2+", "at 5"},
        {element("LINE", "0", "Z", "10", "0"), "FROMROW", "Z", "unknown name Z"},
        {element("LINE", "'A'", "0", "10", "0"), "FROMCOL", "'A'", "gives text, not a number"},
        {element("LINE", "0", "0", "", "0"), "TOCOL", "", "no expression"},
        {element("LINE", "0", "0", "10", "0", "", "W"), "CONDITION", "W", "not a logical value"},
        {element("LINE", "0", "0", "10", "0", "", "ACTIVE .AND."), "CONDITION", "ACTIVE .AND.", "at"},
        {element("LINE", "0", "0", "10^400", "0"), "TOCOL", "10^400", "no finite number"},
        {element("FUNCTION", "0", "0", "10", "100", "BLADES(1/)"), "FN", "BLADES(1/)", "at"},
        {element("FUNCTION", "0", "0", "10", "100", "BLADES(1/1024)"), "FN", "BLADES(1/1024)", "102400 blades"},
        {element("CIRCLE", "0", "0", "10", "?"), "TOROW", "?", "at 1"},  // evaluated before the type is looked at
    };
    for (const Case& c : cases) {
        const Drawing d = draw({element("LINE", "0", "0", "10", "0"), c.bad, element("LINE", "0", "9", "10", "9")});
        ASSERT_TRUE(d.failure) << c.text;
        EXPECT_EQ(d.failure->recno, c.bad.recno);
        EXPECT_EQ(d.failure->field, c.field);
        EXPECT_EQ(d.failure->text, c.text);
        EXPECT_NE(d.failure->why.find(c.why), std::string::npos) << c.text << ": " << d.failure->why;
        EXPECT_EQ(d.segments, (std::vector<Segment>{at(0, 0, 10, 0)})) << "what came before stays; nothing after";
    }
}

// Over the tables: the configuration's own elements only, in the controlling
// order of `assdraw`, conditions reading the configuration's fields and the
// coordinates the element's, and `assdraw` put back where it was.
TEST(DrawingOverTables, TheConfigurationsElementsWithItsFieldsAndNothingElse) {
    mx::test::ScreenHarness h;
    h.append("assembly", {{{"CODE", C("AB")}, {"HTMIN", N(100)}, {"HTMAX", N(900)}, {"WDMIN", N(0)}, {"WDMAX", N(800)},
                           {"LOUVRE", L(true)}, {"BLADEWIDTH", N(100)}},
                          {{"CODE", C("ABC")}, {"HTMAX", N(800)}}});
    h.append("assdraw", {{{"ASSCODE", C("ABC")}, {"TYPE", C("LINE")}, {"FROMCOL", C("0")}, {"FROMROW", C("0")},
                          {"TOCOL", C("1")}, {"TOROW", C("1")}},
                         {{"ASSCODE", C("AB")}, {"TYPE", C("LINE")}, {"FROMCOL", C("0")}, {"FROMROW", C("0")},
                          {"TOCOL", C("W")}, {"TOROW", C("H")}, {"CONDITION", C("LOUVRE .AND. assembly->HTMAX > 800")}},
                         {{"ASSCODE", C("AB")}, {"TYPE", C("LINE")}, {"FROMCOL", C("0")}, {"FROMROW", C("0")},
                          {"TOCOL", C("1")}, {"TOROW", C("1")}, {"CONDITION", C(".NOT. LOUVRE")}},
                         {{"ASSCODE", C("AB")}, {"TYPE", C("FUNCTION")}, {"FROMCOL", C("0")}, {"FROMROW", C("0")},
                          {"TOCOL", C("W")}, {"TOROW", C("H")}, {"FN", C("BLADES(TBLADEWIDTH*2)")}},
                         // Bare names in a coordinate are the element's own fields.
                         {{"ASSCODE", C("AB")}, {"TYPE", C("LINE")}, {"FROMCOL", C("VAL(TYPE)")},
                          {"FROMROW", C("LEN(TRIM(ASSCODE))")}, {"TOCOL", C("0")}, {"TOROW", C("0")}},
                         {{"ASSCODE", C("AB")}, {"TYPE", C("LINE")}, {"FROMCOL", C("0")}, {"FROMROW", C("0")},
                          {"TOCOL", C("5")}, {"TOROW", C("5")}}});
    h.reindex();
    // The deleted element is hidden.
    {
        rt::Session s;
        rt::WorkArea& a = s.open(h.tmp.file("assdraw.dbf"), "", rt::OpenMode::Exclusive);
        a.goTo(6);
        a.deleteRecord();
        s.closeAll();
    }
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "assdraw"));
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "assembly"));
    rt::WorkArea& assembly = h.session.openArea("ASSEMBLY");
    rt::WorkArea& assdraw = h.session.openArea("ASSDRAW");
    assdraw.goTo(3);
    ASSERT_TRUE(assembly.seek(Value::character("AB"), false));

    const Drawing d = drawConfiguration(h.session, assembly, assdraw);
    ASSERT_FALSE(d.failure) << d.failure->field << ": " << d.failure->why;
    // H = 400 and W = 400: scale 1. The blades: pitch 200 over the height 400.
    EXPECT_EQ(d.segments, (std::vector<Segment>{at(0, 0, 400, 400), at(30, 200, 385, 200), at(30, 400, 385, 400),
                                                at(0, 2, 0, 0)}));
    EXPECT_EQ(assdraw.recno(), 3u);
    EXPECT_EQ(h.session.selected(), &assembly);
}

}  // namespace
}  // namespace mx::configurations::test
