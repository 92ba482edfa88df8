// The drawing elements screen: the pane's fit, the checks of an element's
// texts (position and reason), and scripted sessions on the screen: the
// preview's segment count against the printed data sheet for every kind,
// the element dialog refusing what cannot be drawn, Add, Copy and Delete,
// and the dimension fields that change the drawing and not the data.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QWidget>

#include "ConfigurationHarness.h"
#include "DataSet.h"
#include "DataSheet.h"
#include "DrawingElements.h"
#include "DrawingFit.h"
#include "ExprTestHost.h"
#include "PdfContent.h"
#include "TableDefaults.h"
#include "Text.h"

namespace mx::configurations::test {
namespace {

using Lines = std::vector<std::string>;

// ---- the pane

TEST(DrawingFitTest, TheDrawingFillsThePaneInsideItsMarginCentredAtOneScale) {
    // 200 wide, 100 tall: in a 420 x 420 pane with margin 10 the width rules.
    const std::vector<Segment> s = {{100, 50, 300, 50}, {100, 150, 300, 150}};
    const PreviewFit f = fitSegments(s, 420, 420, 10);
    EXPECT_DOUBLE_EQ(f.scale, 2);
    EXPECT_DOUBLE_EQ(f.x(100), 10);
    EXPECT_DOUBLE_EQ(f.x(300), 410);
    EXPECT_DOUBLE_EQ(f.y(50), 110);  // centred down: (420 - 200) / 2
    EXPECT_DOUBLE_EQ(f.y(150), 310);
    // A tall drawing: the height rules.
    const PreviewFit tall = fitSegments(std::vector<Segment>{{0, 0, 0, 400}, {50, 0, 50, 400}}, 420, 210, 5);
    EXPECT_DOUBLE_EQ(tall.scale, 0.5);
    EXPECT_DOUBLE_EQ(tall.x(25), 210);
}

TEST(DrawingFitTest, DrawingsWithoutExtentAndPanesWithoutRoomStayFinite) {
    EXPECT_DOUBLE_EQ(fitSegments({}, 100, 60, 8).x(0), 50);
    const PreviewFit point = fitSegments(std::vector<Segment>{{7, 7, 7, 7}}, 100, 60, 8);
    EXPECT_DOUBLE_EQ(point.x(7), 50);
    EXPECT_DOUBLE_EQ(point.y(7), 30);
    const PreviewFit flat = fitSegments(std::vector<Segment>{{0, 5, 100, 5}}, 120, 60, 10);
    EXPECT_DOUBLE_EQ(flat.scale, 1);
    EXPECT_DOUBLE_EQ(flat.y(5), 30);
    const PreviewFit tiny = fitSegments(std::vector<Segment>{{0, 0, 10, 10}}, 10, 10, 8);
    EXPECT_DOUBLE_EQ(tiny.scale, 0);
}

TEST(DrawingFitTest, TheSegmentsOfAnElementAreFoundByItsRecord) {
    Drawing d;
    d.segments.resize(5);
    d.elements = {{3, 0, 2}, {9, 2, 3}};
    EXPECT_EQ(segmentsOf(d, 9).first, 2u);
    EXPECT_EQ(segmentsOf(d, 9).count, 3u);
    EXPECT_EQ(segmentsOf(d, 4).count, 0u) << "an element that drew nothing";
}

// ---- the checks

class ElementCheckTest : public ::testing::Test {
protected:
    std::optional<DrawingFailure> check(const std::string& field, const std::string& text) {
        DrawingValues v;
        v.H = 400;
        return checkText(field, text, v, DrawingHosts{host, host});
    }
    rt::testing::ExprTestHost host;  // PEOPLE is selected: ACTIVE is a logical field
};

TEST_F(ElementCheckTest, ATextThatCannotBeDrawnIsNamedWithItsPositionAndReason) {
    const auto unclosed = check("FROMROW", "(H/2");
    ASSERT_TRUE(unclosed);
    EXPECT_EQ(unclosed->field, "FROMROW");
    EXPECT_EQ(unclosed->text, "(H/2");
    EXPECT_GT(unclosed->position, 0);
    EXPECT_FALSE(unclosed->reason.empty());
    EXPECT_EQ(unclosed->reason.find(" at "), std::string::npos) << "the reason without the position";

    const auto unknown = check("TOCOL", "W+ZZ");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->position, 3) << unknown->why;

    const auto missing = check("FROMCOL", "H/");
    ASSERT_TRUE(missing);
    EXPECT_GE(missing->position, 2) << missing->why;

    const auto word = check("TOROW", "\"high\"");
    ASSERT_TRUE(word);
    EXPECT_EQ(word->reason, "gives text, not a number");
    EXPECT_TRUE(check("TOROW", "   "));
    EXPECT_FALSE(check("FROMROW", " H-T "));
    EXPECT_FALSE(check("FROMROW", "TBLADEWIDTH*2+A"));
}

TEST_F(ElementCheckTest, ConditionsAndFunctionsAreCheckedAsTheDrawingUsesThem) {
    EXPECT_FALSE(check("CONDITION", ""));
    EXPECT_FALSE(check("CONDITION", "ACTIVE .AND. H > 10"));
    ASSERT_TRUE(check("CONDITION", "H+1"));
    EXPECT_EQ(check("CONDITION", "H+1")->reason, "gives a number, not a logical value");

    EXPECT_FALSE(check("FN", "BLADES(30)"));
    EXPECT_FALSE(check("FN", ""));
    const auto unclosed = check("FN", "BLADES(30");
    ASSERT_TRUE(unclosed);
    EXPECT_EQ(unclosed->position, 10);
    // A fault inside the pitch is placed in the whole text.
    const auto pitch = check("FN", "BLADES(H/ZZ)");
    ASSERT_TRUE(pitch);
    EXPECT_EQ(pitch->text, "BLADES(H/ZZ)");
    EXPECT_EQ(pitch->position, 10) << pitch->why;
    ASSERT_TRUE(check("FN", "GRILLE(30)"));
    EXPECT_EQ(check("FN", "GRILLE(30)")->position, 1);
}

TEST_F(ElementCheckTest, AnElementIsCheckedWhateverItsConditionAndItsTypeMustBeAKind) {
    DrawingValues v;
    v.H = 400;
    DrawingElement e{7, "LINE", "0", "0", "H", "W", "", ".F."};
    EXPECT_FALSE(checkElement(e, v, DrawingHosts{host, host}));
    e.toCol = "W*";
    const auto hidden = checkElement(e, v, DrawingHosts{host, host});
    ASSERT_TRUE(hidden) << "a fault behind a false condition is still a fault";
    EXPECT_EQ(hidden->recno, 7u);
    EXPECT_EQ(hidden->field, "TOCOL");
    e.toCol = "W";
    e.fn = "NONSENSE(";  // not looked at for a line
    EXPECT_FALSE(checkElement(e, v, DrawingHosts{host, host}));
    e.type = "BOX";
    ASSERT_TRUE(checkElement(e, v, DrawingHosts{host, host}));
    EXPECT_EQ(checkElement(e, v, DrawingHosts{host, host})->field, "TYPE");
    for (const std::string& kind : drawingTypes()) {
        DrawingElement k{1, kind, "0", "0", "100", "100", kind == "FUNCTION" ? "BLADES(30)" : "", ""};
        EXPECT_FALSE(checkElement(k, v, DrawingHosts{host, host})) << kind;
    }
    EXPECT_EQ(drawingTypes().size(), 12u);
}

// ---- the screen

Row configuration(const char* code, const char* desc) {
    return {{"CODE", C(code)},     {"DESC", C(desc)},      {"HTMIN", N(200)}, {"HTMAX", N(1000)},
            {"WDMIN", N(400)},     {"WDMAX", N(1600)},     {"DPMIN", N(0)},   {"DPMAX", N(100)},
            {"BLADEWIDTH", N(100)}, {"LOUVRE", L(true)}};
}

Row element(const char* code, const char* type, const char* x1, const char* y1, const char* x2, const char* y2,
            const char* fn = "", const char* condition = "") {
    return {{"ASSCODE", C(code)}, {"TYPE", C(type)}, {"FROMCOL", C(x1)}, {"FROMROW", C(y1)},
            {"TOCOL", C(x2)},     {"TOROW", C(y2)},  {"FN", C(fn)},      {"CONDITION", C(condition)}};
}

class DrawingElementsTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("quotdata", {{{"TOP2", N(2)}, {"LMARGIN", N(2)}, {"WIDTH", N(80)}, {"PAGELEN", N(66)}}});
        h.links.dataSheet = [this] { ASSPRINT(h.ctx, sheetValues); };
    }
    void play(const std::string& script) { ASSERT_EQ(h.playAction(script), 0) << h.joined(); }
    // The PDF of the n-th printout.
    QString printed(int nth) const {
        for (const auto& l : h.lines)
            if (l.rfind("print ", 0) == 0 && nth-- == 0) {
                const auto parts = QString::fromStdString(l).split(' ');
                return QDir(QString::fromStdString(h.tmp.file("print"))).filePath(parts.at(parts.size() - 2));
            }
        return {};
    }
    // "N segments" of the n-th dump, as N.
    int segments(int n) const { return std::atoi(h.field(n, "PREVIEW").c_str()); }

    ConfigurationHarness h;
    tk::ReportValues sheetValues{QStringLiteral("Firm"), QStringLiteral("Package"), QStringLiteral("01/01/27"), true};
};

TEST_F(DrawingElementsTest, ThePreviewCountsTheSegmentsTheDataSheetDrawsForEveryKind) {
    // One configuration for each kind, in code order K01 ... K12; one more
    // whose only element's condition is false, and one of blades.
    std::vector<Row> configurations, elements;
    const auto& kinds = drawingTypes();
    std::vector<std::string> codes;
    for (std::size_t i = 0; i < kinds.size(); ++i) codes.push_back("K" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1));
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        configurations.push_back(configuration(codes[i].c_str(), kinds[i].c_str()));
        elements.push_back(element(codes[i].c_str(), kinds[i].c_str(), "0", "T", "W", "H-T",
                                   kinds[i] == "FUNCTION" ? "BLADES(TBLADEWIDTH)" : ""));
    }
    configurations.push_back(configuration("K13", "HIDDEN"));
    elements.push_back(element("K13", "LINE", "0", "0", "W", "H", "", "!LOUVRE"));
    configurations.push_back(configuration("K14", "BLADES"));
    elements.push_back(element("K14", "FUNCTION", "0", "0", "W", "100", "BLADES(30)"));
    h.append("assembly", configurations);
    h.append("assdraw", elements);

    std::string script;
    for (int i = 1; i <= 14; ++i)
        script += "row " + std::to_string(i) + "\npress Drawing\ndump\npress Print\npress Exit\n";
    play(script + "press Exit\n");

    // H = (1000 - 200) / 2 = 400, T = 30: a height of 340 holds three blades of 100.
    const std::vector<int> expected = {1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 0, 3};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(segments(i), expected[i]) << "configuration " << i + 1 << "\n" << h.joined();
        const std::vector<int> lines = mx::test::pdfLinesPerPage(printed(i));
        ASSERT_EQ(lines.size(), 1u) << i;
        EXPECT_EQ(lines[0] - 1, segments(i)) << "the sheet's lines but its rule, configuration " << i + 1;
    }
    EXPECT_EQ(h.field(12, "PREVIEW"), "0 segments");
    EXPECT_EQ(h.field(0, "PREVIEW"), "1 segment");
    EXPECT_TRUE(h.has("open \"Drawing Elements for : LINE - (ASSDRAW)\"")) << h.joined();
}

TEST_F(DrawingElementsTest, TheListMarksWhatCannotBeDrawnAndSaysHowMany) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW")});
    h.append("assdraw", {element("AW1", "LINE", "0", "0", "W", "0"), element("AW1", "BOX", "0", "0", "W", "0"),
                         element("AW1", "LINE", "0", "(H", "W", "0"), element("OTHER", "LINE", "0", "0", "W", "0")});
    play("press Drawing\ndump\npress Exit\npress Exit\n");
    EXPECT_EQ(h.rows(0), (Lines{"row* 1 \"\" \"LINE\" \"0\" \"0\" \"0\" \"W\" \"\" \"\"",
                                "row 2 \"!\" \"BOX\" \"0\" \"0\" \"0\" \"W\" \"\" \"\"",
                                "row 3 \"!\" \"LINE\" \"(H\" \"0\" \"0\" \"W\" \"\" \"\""}))
        << h.joined();
    EXPECT_EQ(h.field(0, "ELEMENTS"), "3 elements, 2 cannot be drawn (marked !)");
    EXPECT_EQ(h.field(0, "PREVIEW"), "1 segment") << "the drawing stops at the element it cannot draw";
    EXPECT_EQ(h.field(0, "H"), "400.00");
}

TEST_F(DrawingElementsTest, TheDialogRefusesToSaveWhatCannotBeDrawnAndWritesNothing) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW")});
    h.append("assdraw", {element("AW1", "LINE", "0", "0", "W", "0"), element("AW1", "LINE2V", "W/2", "0", "W/2", "H")});
    const std::string before = h.recordBytes("assdraw", 1);
    play("press Drawing\npress View/Update\n"
         "set FROMROW \"(H/2\"\ndump\npress Save\n"
         "set FROMROW \"H+ZZ\"\nkey PageDown\n"
         "set FROMROW \"H/\"\npress Save\n"
         "set FROMROW H\nset TYPE ARROWR\ndump\npress Cancel\npress Exit\npress Exit\n");
    EXPECT_EQ(h.recordBytes("assdraw", 1), before) << "nothing written";
    EXPECT_TRUE(h.has("open \"Drawing Element (ASSDRAW)\"")) << h.joined();
    // Each refusal names the field, the text and the position.
    EXPECT_TRUE(h.has("invalid FROMROW \"(H/2\"")) << h.joined();
    EXPECT_TRUE(h.has("invalid FROMROW \"H+ZZ\""));
    EXPECT_TRUE(h.has("invalid FROMROW \"H/\""));
    EXPECT_TRUE(h.hasPrefix("alert \"The element cannot be saved.\\nFROMROW \\\"H+ZZ\\\": at position 3: ")) << h.joined();
    EXPECT_TRUE(h.hasPrefix("alert \"The element cannot be saved.\\nFROMROW \\\"(H/2\\\": at position "));
    // The preview follows what is typed: the line cannot be drawn, the
    // other element can; then an arrow of three lines.
    EXPECT_EQ(h.field(0, "PREVIEW"), "0 segments");
    EXPECT_EQ(h.field(1, "PREVIEW"), "5 segments");
}

TEST_F(DrawingElementsTest, SaveWritesTheChangedFieldsAndAddCancelledLeavesNoElement) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW")});
    h.append("assdraw", {element("AW1", "LINE", "0", "0", "W", "0", "", "LOUVRE")});
    play("press Drawing\nkey Enter\nset TOROW H\nset CONDITION \".T.\"\npress Save\n"
         "press Add\ndump\npress Cancel\n"
         "key Insert\nset TYPE FUNCTION\nset FROMROW 0\nset FROMCOL 0\nset TOROW H\nset TOCOL W\nset FN BLADES(40)\n"
         "key PageDown\ndump\npress Exit\npress Exit\n");
    const auto one = h.recordFields("assdraw", 1);
    EXPECT_EQ(ds::trimRight(one.at("TOROW")), "H");
    EXPECT_EQ(ds::trimRight(one.at("CONDITION")), ".T.");
    EXPECT_EQ(ds::trimRight(one.at("FROMCOL")), "0");
    // The cancelled Add is gone; the saved one carries the configuration's code.
    EXPECT_EQ(h.live("assdraw", "TYPE"), (Lines{"LINE", "FUNCTION"}));
    EXPECT_EQ(h.live("assdraw", "ASSCODE"), (Lines{"AW1", "AW1"}));
    EXPECT_EQ(h.field(0, "TYPE"), "LINE") << "a new element starts as a line";
    EXPECT_EQ(h.field(0, "FROMROW"), "");
    // 1 line + 10 blades of 40 below 400.
    EXPECT_EQ(h.rows(1).size(), 2u) << h.joined();
    EXPECT_EQ(h.field(1, "PREVIEW"), "11 segments");
}

TEST_F(DrawingElementsTest, SaveKeepsWhatAnotherWorkstationChangedInTheFieldsLeftAlone) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW")});
    h.append("assdraw", {element("AW1", "LINE", "0", "0", "W", "0")});
    // While the dialog stands another workstation gives the element a condition.
    h.onLine = [&](const std::string& line) {
        if (line != "dump \"Drawing Element (ASSDRAW)\"") return;
        rt::Session other;
        ds::applyTableAccessDefaults(other);
        ds::DataContext ctx{other, h.sink, h.sleeper, h.tmp.path()};
        ASSERT_TRUE(ds::OPNALIAS(ctx, "assdraw", false, true));
        rt::WorkArea& a = other.openArea("ASSDRAW");
        a.goTo(1);
        ASSERT_TRUE(a.lock());
        a.setField("CONDITION", C("LOUVRE"));
        a.unlock();
        other.closeAll();
    };
    play("press Drawing\nkey Enter\ndump\nset TOROW H\npress Save\npress Exit\npress Exit\n");
    const auto fields = h.recordFields("assdraw", 1);
    EXPECT_EQ(ds::trimRight(fields.at("TOROW")), "H");
    EXPECT_EQ(ds::trimRight(fields.at("CONDITION")), "LOUVRE");
}

TEST_F(DrawingElementsTest, CopyAppendsTheElementAndDeleteRemovesTheOneUnderTheCursor) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW"), configuration("FX2", "FIXED")});
    h.append("assdraw", {element("AW1", "LINE", "0", "0", "W", "0"), element("AW1", "ARROWU", "W+60", "0", "W+60", "H"),
                         element("FX2", "LINE", "0", "0", "W", "H")});
    play("press Drawing\nrow 2\npress Copy\ndump\n"
         "row 1\nanswer no\npress Delete\nanswer yes\nkey Delete\ndump\npress Exit\npress Exit\n");
    EXPECT_EQ(h.rows(0).size(), 3u) << h.joined();
    EXPECT_EQ(h.rows(0).back(), "row* 3 \"\" \"ARROWU\" \"0\" \"W+60\" \"H\" \"W+60\" \"\" \"\"");
    EXPECT_EQ(h.field(0, "PREVIEW"), "7 segments");
    EXPECT_TRUE(h.has("yesno \"Delete This Element?\" no")) << h.joined();
    EXPECT_EQ(h.live("assdraw", "TYPE"), (Lines{"ARROWU", "LINE", "ARROWU"}));
    EXPECT_EQ(h.live("assdraw", "ASSCODE"), (Lines{"AW1", "FX2", "AW1"}));
    EXPECT_EQ(h.rows(1).size(), 2u);
    EXPECT_EQ(h.field(1, "PREVIEW"), "6 segments");
}

TEST_F(DrawingElementsTest, AnotherWorkstationsNewElementIsListedAndDrawnAfterTheNextMove) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW")});
    h.append("assdraw", {element("AW1", "LINE", "0", "0", "W", "0")});
    // At the first dump another workstation adds an arrow to AW1.
    bool added = false;
    h.onLine = [&](const std::string& line) {
        if (added || line.rfind("dump ", 0) != 0) return;
        added = true;
        rt::Session other;
        ds::applyTableAccessDefaults(other);
        ds::DataContext ctx{other, h.sink, h.sleeper, h.tmp.path()};
        ASSERT_TRUE(ds::OPNALIAS(ctx, "assdraw", false, true));
        rt::WorkArea& a = other.openArea("ASSDRAW");
        ASSERT_TRUE(a.append());
        for (const auto& [field, value] : element("AW1", "ARROWR", "0", "H/2", "W", "H/2")) a.setField(field, value);
        a.unlock();
        other.closeAll();
    };
    play("press Drawing\ndump\nkey Down\ndump\npress Exit\npress Exit\n");
    EXPECT_EQ(h.field(0, "PREVIEW"), "1 segment");
    EXPECT_EQ(h.rows(1).size(), 2u) << h.joined();
    EXPECT_EQ(h.field(1, "PREVIEW"), "4 segments");
    EXPECT_EQ(h.field(1, "ELEMENTS"), "2 elements");
}

TEST_F(DrawingElementsTest, TheDimensionFieldsChangeTheDrawingAndNotTheData) {
    h.append("assembly", {configuration("AW1", "AWNING WINDOW")});
    h.append("assdraw", {element("AW1", "FUNCTION", "0", "0", "W", "H", "BLADES(100)")});
    h.reindex();
    const auto before = h.recordBytes("assembly", 1) + h.recordBytes("assdraw", 1);
    ASSERT_EQ(h.play("menu Run\npress Drawing\ndump\nset H 1000\ndump\nset H 50\nset W 0\ndump\n"
                     "press View/Update\ndump\npress Cancel\npress Exit\npress Exit\n"),
              0)
        << h.joined();
    EXPECT_EQ(h.field(0, "PREVIEW"), "4 segments");
    EXPECT_EQ(h.field(1, "PREVIEW"), "10 segments");
    EXPECT_EQ(h.field(2, "PREVIEW"), "0 segments");
    EXPECT_EQ(h.field(3, "PREVIEW"), "0 segments") << "the dialog draws at the screen's values";
    EXPECT_EQ(h.recordBytes("assembly", 1) + h.recordBytes("assdraw", 1), before);
}

// Every configuration of the demo data set, and one of them with 500
// elements more: the screen's preview counts the segments its data sheet
// draws, every element can be drawn, and the element dialog shows the same
// count. With MX_SCREENSHOT_DIR set, each dump saves the window it dumps
// (run under xvfb-run with QT_QPA_PLATFORM=xcb for the fonts a user sees).
TEST(DemoDrawings, EveryConfigurationsPreviewIsItsDataSheetsDrawing) {
    ConfigurationHarness h;
    ds::createDataSet(h.tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
    const std::vector<std::string> codes = h.column("assembly", "CODE");
    ASSERT_GE(codes.size(), 10u);
    std::vector<Row> many;
    for (int i = 0; i < 500; ++i) {
        const std::string k = std::to_string(i % 50 + 1);
        many.push_back(element(codes[0].c_str(), i % 10 == 9 ? "FUNCTION" : (i % 2 ? "LINE2V" : "ARROWU"),
                               ("T+W/" + k).c_str(), ("H*" + k + "/60").c_str(), ("W-T-W/(" + k + "+1)").c_str(),
                               ("H-T-H*" + k + "/120").c_str(), i % 10 == 9 ? "BLADES(TBLADEWIDTH-12)" : ""));
    }
    h.append("assdraw", many);
    h.reindex();

    // The segments each configuration's data sheet draws, in code order.
    std::vector<std::size_t> expected;
    {
        ds::DataContext& ctx = h.ctx;
        for (const char* table : {"assline", "assdraw", "asspanel", "assembly"}) ASSERT_TRUE(ds::OPNALIAS(ctx, table));
        rt::WorkArea& assembly = h.session.openArea("ASSEMBLY");
        for (assembly.goTop(); !assembly.eof(); assembly.skip()) {
            const Drawing d = drawConfiguration(h.session, assembly, h.session.openArea("ASSDRAW"));
            EXPECT_FALSE(d.failure) << assembly.fieldValue("CODE").str();
            expected.push_back(d.segments.size());
        }
        h.session.closeAll();
    }
    const char* out = std::getenv("MX_SCREENSHOT_DIR");
    int n = 0;
    h.onLine = [&](const std::string& line) {
        if (!out || line.rfind("dump ", 0) != 0) return;
        QWidget* w = tk::Ui::instance().activeWindow();
        if (!w) return;
        QString name = w->windowTitle();
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
        w->grab().save(QDir(QString::fromUtf8(out)).filePath(QStringLiteral("drawing-%1-%2.png").arg(++n, 2, 10, QChar('0')).arg(name)));
    };
    std::string script = "menu Run\n";
    for (std::size_t i = 1; i <= expected.size(); ++i)
        script += "row " + std::to_string(i) + "\npress Drawing\nrow 2\ndump\nkey Enter\ndump\npress Cancel\npress Exit\n";
    ASSERT_EQ(h.play(script + "press Exit\n"), 0) << h.joined();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(std::to_string(i + 1));
        const std::string count = std::to_string(expected[i]) + (expected[i] == 1 ? " segment" : " segments");
        EXPECT_EQ(h.field(static_cast<int>(2 * i), "PREVIEW"), count);
        EXPECT_EQ(h.field(static_cast<int>(2 * i + 1), "PREVIEW"), count) << "the dialog, the element unchanged";
        EXPECT_EQ(h.field(static_cast<int>(2 * i), "ELEMENTS").find("cannot"), std::string::npos);
    }
}

}  // namespace
}  // namespace mx::configurations::test
