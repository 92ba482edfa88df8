// The data sheet read back from its PDF: the texts of the header and both
// blocks and their order, where the flags and numbers stand, the drawing's
// lines in the page's vector content, an element that cannot be drawn, the
// page settings, and every configuration of the demo data set.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <map>

#include "DataSet.h"
#include "DataSheet.h"
#include "Drawing.h"
#include "PdfContent.h"
#include "PdfText.h"
#include "ReportsHarness.h"

namespace mx::configurations::test {
namespace {

using mx::test::PdfWord;

const std::string kSheet = "Configuration Information Sheet.";

Row slider() {
    Row r = {{"CODE", C("RS450-SW2")}, {"DESC", C("SLIDING WINDOW 2 PANEL XO")}, {"ASSEMCAT", C("SLIDER")},
             {"LIB", C("RS450")},      {"WRATED", L(true)},   {"STYPE", C("STD")},
             {"STYPE2", C("DHL")},     {"SECTION", C("S1")},  {"SECTIONA", C("S2")},
             {"WS", L(true)},          {"FS", L(true)},       {"INCR", L(true)},
             {"SGLAS", L(true)},       {"BLADEWIDTH", N(102)}, {"SILL", N(110)},
             {"JAMB", N(100)},         {"REVEAL", N(19)},     {"HEAD", N(95)},
             {"HTMIN", N(300)},        {"HTMAX", N(1100)},    {"WDMIN", N(600)},
             {"WDMAX", N(1400)},       {"INCA", L(true)},     {"ADESC", C("SASH HEIGHT")},
             {"AMIN", N(5)},           {"AMAX", N(12345)},    {"ADEF", N(300)},
             {"BMIN", N(123456)},      {"BMAX", N(7)},        {"BDEF", N(45)},
             {"INCL", L(true)},        {"LA", L(true)},       {"LADESC", C("KEYED LOCK")},
             {"LJ", L(true)},          {"LJDESC", C("LAST OPTION")}};
    return r;
}

Row element(const char* code, const char* type, const char* x1, const char* y1, const char* x2, const char* y2,
            const char* fn = "", const char* condition = "") {
    return {{"ASSCODE", C(code)}, {"TYPE", C(type)}, {"FROMCOL", C(x1)}, {"FROMROW", C(y1)},
            {"TOCOL", C(x2)},     {"TOROW", C(y2)},  {"FN", C(fn)},      {"CONDITION", C(condition)}};
}

// The page's lines of text, top to bottom, each its words left to right
// joined by one blank.
QStringList textLines(const std::vector<PdfWord>& words) {
    std::vector<PdfWord> sorted = words;
    std::sort(sorted.begin(), sorted.end(), [](const PdfWord& a, const PdfWord& b) {
        if (std::abs(a.yMin - b.yMin) >= 1.0) return a.yMin < b.yMin;
        return a.xMin < b.xMin;
    });
    QStringList out;
    double top = -100;
    for (const PdfWord& w : sorted) {
        if (std::abs(w.yMin - top) >= 1.0) {
            out << w.text;
            top = w.yMin;
        } else {
            out.back() += QLatin1Char(' ') + w.text;
        }
    }
    return out;
}

const PdfWord& word(const std::vector<PdfWord>& words, const QString& text, int nth = 0) {
    for (const PdfWord& w : words)
        if (w.text == text && nth-- == 0) return w;
    static const PdfWord none{};
    ADD_FAILURE() << "no word " << text.toStdString();
    return none;
}

// The separate texts of a page, read back from the words' boxes: words of
// a line less than 1.6 blanks (of the sheet's 11-point font) apart belong to
// one text. Two texts closer than two blanks are reported through
// `tooClose`.
constexpr double kBlank = 11 * 0.2778;  // points

QStringList pageTexts(const std::vector<PdfWord>& words, QStringList* tooClose) {
    std::vector<PdfWord> sorted = words;
    std::sort(sorted.begin(), sorted.end(), [](const PdfWord& a, const PdfWord& b) {
        if (std::abs(a.yMin - b.yMin) >= 1.0) return a.yMin < b.yMin;
        return a.xMin < b.xMin;
    });
    QStringList out;
    const PdfWord* last = nullptr;
    for (const PdfWord& w : sorted) {
        const bool sameLine = last && std::abs(w.yMin - last->yMin) < 1.0;
        const double gap = sameLine ? w.xMin - last->xMax : 1e9;
        if (gap < 1.6 * kBlank) {
            out.back() += QLatin1Char(' ') + w.text;
        } else {
            if (sameLine && gap < 2 * kBlank - 0.3)
                *tooClose << QStringLiteral("%1 | %2 (%3 pt)").arg(out.back(), w.text).arg(gap, 0, 'f', 1);
            out << w.text;
        }
        last = &w;
    }
    return out;
}

// The captions the data sheet prints.
QStringList sheetCaptions() {
    QStringList c = {"Configuration Data Sheet For:", "Code:", "Description:", "Type:", "Suite:", "Wind Rated:",
                     "Structure Type:", "Section Type:", "Include W/S:", "Include Depth:", "Include F/S:",
                     "Include S/S:", "Include Reveals:", "Include C/Bars:", "Include S/Glass:",
                     "Include Louv Glass:", "Blade Height (mm):", "Sill Width (mm):", "Jamb Width (mm):",
                     "Reveal Width (mm):", "Head Width (mm):", "Dimensions:", "Minimum:", "Maximum:", "Default:",
                     "Options:", "Yes", "No"};
    for (QChar l : QStringLiteral("ABCEFGIJKL")) c << QStringLiteral("Include %1:").arg(l);
    for (QChar l : QStringLiteral("ABCDEFGHIJ")) c << QStringLiteral("Option %1:").arg(l);
    return c;
}

// Whether `part` is `whole` or a run of its words (a text wrapped in its
// column reads back in pieces).
bool wordsOf(const QString& part, const QString& whole) {
    const QString p = QLatin1Char(' ') + part + QLatin1Char(' '), w = QLatin1Char(' ') + whole.simplified() + QLatin1Char(' ');
    return w.contains(p) || (!part.contains(QLatin1Char(' ')) && whole.contains(part));
}

class DataSheetTest : public ::testing::Test {
protected:
    // Prints the data sheet of `code` as the configurations screen would.
    void print(const std::string& code) {
        ASSERT_EQ(h.run([&] {
            h.openAsScreen(code);
            assdrawBefore = h.session.openArea("ASSDRAW").recno();
            ASSPRINT(h.ctx, h.values);
            selectedAfter = h.session.selected() ? h.session.selected()->alias() : "";
            assdrawAfter = h.session.openArea("ASSDRAW").recno();
        }),
                  0)
            << h.joined();
    }

    ReportsHarness h;
    std::string selectedAfter;
    std::uint32_t assdrawBefore = 0, assdrawAfter = 0;
};

TEST_F(DataSheetTest, AConfigurationWithoutElementsPrintsTheHeaderAndBothBlocksInOrder) {
    h.append("assembly", {slider()});
    h.reindex();
    const auto before = h.files();
    print("RS450-SW2");
    EXPECT_TRUE(h.has("print \"Configuration Information Sheet.\" preview 001-Configuration_Information_Sheet..pdf pages=1"))
        << h.joined();
    const QString file = h.printed(kSheet);
    EXPECT_EQ(mx::test::pdfLinesPerPage(file), std::vector<int>{1}) << "the header's rule and no drawing";

    const QStringList expected = {
        "Mitrex Development from Tallowood Systems Banksia Frames 08/12/26",
        "Configuration Data Sheet For: SLIDING WINDOW 2 PANEL XO",
        "Code: RS450-SW2",
        "Description: SLIDING WINDOW 2 PANEL XO",
        "Type: SLIDER",
        "Suite: RS450 Dimensions:",
        "Wind Rated: Yes Minimum: Maximum: Default:",
        "Structure Type: STD / DHL Include A: Yes SASH HEIGHT 5 12345 300",
        "Section Type: S1/S2 Include B: No 123456 7 45",
        "Include W/S: Yes Include C: No 0 0 0",
        "Include Depth: No Include E: No 0 0 0",
        "Include F/S: Yes Include F: No 0 0 0",
        "Include S/S: No Include G: No 0 0 0",
        "Include Reveals: Yes Include I: No 0 0 0",
        "Include C/Bars: No Include J: No 0 0 0",
        "Include S/Glass: Yes Include K: No 0 0 0",
        "Include Louv Glass: No Include L: Yes 0 0 0",
        "Blade Height (mm): 102",
        "Sill Width (mm): 110 Options:",
        "Jamb Width (mm): 100 Option A: Yes KEYED LOCK",
        "Reveal Width (mm): 19 Option B: No",
        "Head Width (mm): 95 Option C: No",
        "Option D: No",
        "Option E: No",
        "Option F: No",
        "Option G: No",
        "Option H: No",
        "Option I: No",
        "Option J: Yes LAST OPTION",
    };
    EXPECT_EQ(textLines(mx::test::pdfWords(file)), expected) << mx::test::pdfText(file).toStdString();

    EXPECT_EQ(selectedAfter, "ASSEMBLY");
    EXPECT_EQ(h.files(), before) << "printing writes no table";
}

TEST_F(DataSheetTest, FlagsAndNumbersStandInTheirColumnsTheNumbersFlushRight) {
    h.append("assembly", {slider()});
    h.reindex();
    print("RS450-SW2");
    const std::vector<PdfWord> w = mx::test::pdfWords(h.printed(kSheet));
    // Word boxes are the glyphs' own, so edges of aligned texts differ by a
    // glyph's side bearing; a digit is 6 points wide.
    constexpr double kGlyphs = 1.5;
    // Six-wide numbers: the right edges agree whatever the digits, and six
    // digits fill the column from its start, where its heading starts.
    const double minimum = word(w, "Minimum:").xMin, maximum = word(w, "Maximum:").xMin;
    EXPECT_NEAR(word(w, "123456").xMin, minimum, kGlyphs);
    EXPECT_NEAR(word(w, "5").xMax, word(w, "123456").xMax, kGlyphs);
    EXPECT_NEAR(word(w, "12345").xMax, word(w, "7").xMax, kGlyphs);
    EXPECT_GT(word(w, "12345").xMin, maximum + kGlyphs) << "five digits start a digit in";
    EXPECT_NEAR(word(w, "300").xMax, word(w, "45").xMax, kGlyphs);
    // Three-wide numbers of the left block likewise.
    EXPECT_NEAR(word(w, "19").xMax, word(w, "100").xMax, kGlyphs);
    EXPECT_NEAR(word(w, "95").xMax, word(w, "110").xMax, kGlyphs);
    // The flags of the dimension letters and of the options share a column.
    std::vector<double> flags;
    for (const PdfWord& x : w)
        if ((x.text == "Yes" || x.text == "No") && x.xMin > word(w, "Dimensions:").xMin) flags.push_back(x.xMin);
    ASSERT_EQ(flags.size(), 20u);  // ten letters, ten options
    for (double x : flags) EXPECT_NEAR(x, flags.front(), kGlyphs);
}

TEST_F(DataSheetTest, TheDrawingsLinesAreOnThePage) {
    h.append("assembly", {slider()});
    h.append("assdraw", {element("RS450-SW2", "LINE2B", "0", "0", "W", "0"),           // 2
                         element("RS450-SW2", "LINE2T", "0", "H", "W", "H"),           // 2
                         element("RS450-SW2", "LINE2L", "0", "0", "0", "H"),           // 2
                         element("RS450-SW2", "LINE2R", "W", "0", "W", "H"),           // 2
                         element("RS450-SW2", "ARROWR", "W/8", "H/2", "3*W/8", "H/2"),  // 3
                         element("RS450-SW2", "LINE", "0", "0", "W", "H", "", "LOUVRE"),  // not drawn
                         element("RS450-SW2", "SPIRAL", "0", "0", "W", "H"),            // nothing
                         // Blades of pitch 90 over 400 - 60: three.
                         element("RS450-SW2", "FUNCTION", "0", "T", "W", "H-T", "BLADES(TBLADEWIDTH-12)", "WRATED"),
                         element("OTHER", "LINE", "0", "0", "W", "H")});
    h.reindex();
    print("RS450-SW2");
    EXPECT_EQ(mx::test::pdfLinesPerPage(h.printed(kSheet)), std::vector<int>{1 + 11 + 3});
    EXPECT_EQ(assdrawAfter, assdrawBefore) << "assdraw is put back";
    EXPECT_TRUE(h.sink.alerts().empty());
}

TEST_F(DataSheetTest, AnElementThatCannotBeDrawnEndsThePrintoutAndIsNamed) {
    h.append("assembly", {slider()});
    h.append("assdraw", {element("RS450-SW2", "LINE2B", "0", "0", "W", "0"),
                         element("RS450-SW2", "LINE", "0", "0", "W", "H/2+"),
                         element("RS450-SW2", "LINE2T", "0", "H", "W", "H")});
    h.reindex();
    print("RS450-SW2");
    const auto alert = std::find_if(h.lines.begin(), h.lines.end(), [](const std::string& l) { return l.rfind("alert ", 0) == 0; });
    ASSERT_NE(alert, h.lines.end()) << h.joined();
    EXPECT_EQ(alert->rfind("alert \"Unable to draw configuration RS450-SW2.\\nDrawing element: assdraw record 2, "
                           "TOROW \\\"H/2+\\\".\\nCause: ",
                           0),
              0u)
        << *alert;
    EXPECT_NE(alert->find(" at 5"), std::string::npos) << *alert;
    // What was drawn is delivered: the header and the first element, no blocks.
    const QString file = h.printed(kSheet);
    EXPECT_EQ(mx::test::pdfLinesPerPage(file), std::vector<int>{1 + 2});
    const QString text = mx::test::pdfText(file);
    EXPECT_TRUE(text.contains("Configuration Data Sheet For:"));
    EXPECT_FALSE(text.contains("Code:")) << text.toStdString();
    EXPECT_EQ(selectedAfter, "ASSEMBLY");
}

TEST_F(DataSheetTest, PageSettingsWithoutAWidthPrintNothingAndSaySo) {
    h.append("assembly", {slider()});
    h.pageSettings(2, 4, 0, 66);
    h.reindex();
    print("RS450-SW2");
    EXPECT_TRUE(h.has("alert \"Unable to print the data sheet: the page settings in quotdata give no page width or no "
                      "page length.\""))
        << h.joined();
    EXPECT_FALSE(h.hasPrefix("print ")) << h.joined();
}

// Long texts on a narrow grid: a text that would start inside the one
// before it on its row starts after it, so nothing prints over anything.
TEST_F(DataSheetTest, NoTextPrintsOverAnother) {
    Row r = slider();
    for (auto& [field, value] : r)
        if (field == "LIB") value = C("WWWWWWWWWW");
    r.push_back({"BDESC", C("WWWWWWWWWWWWWWWWWWWW")});
    r.push_back({"LOUVRE", L(true)});
    h.append("assembly", {r});
    h.pageSettings(2, 4, 90, 66);
    h.reindex();
    print("RS450-SW2");
    const std::vector<PdfWord> words = mx::test::pdfWords(h.printed(kSheet));
    ASSERT_GT(words.size(), 100u);
    for (const PdfWord& a : words) {
        for (const PdfWord& b : mx::test::wordsBeside(words, a)) {
            if (&a != &b && a.xMin < b.xMin) {
                EXPECT_LT(a.xMax, b.xMin + 0.01) << a.text.toStdString() << " | " << b.text.toStdString();
            }
        }
    }
    // The right block moved past the long suite code as a whole, its
    // captions still in one column.
    EXPECT_NEAR(word(words, "Options:").xMin, word(words, "Dimensions:").xMin, 0.5);
    EXPECT_GT(word(words, "Dimensions:").xMin, word(words, "WWWWWWWWWW").xMax + 2 * 11 * 0.2778 - 0.3);
}

// A value too wide for its column pushes the rest of its row right; where
// the row would then leave the page the value wraps at its blanks inside its
// column, and the rows below move down. An empty second section prints no
// "/".
TEST_F(DataSheetTest, AValueThatWouldLeaveThePageWrapsInItsColumnAndTheRowsBelowMoveDown) {
    Row r = slider();
    for (auto& [field, value] : r) {
        if (field == "STYPE") value = C("WWWWW");
        if (field == "STYPE2") value = C("MMMMM");
        if (field == "ADESC") value = C("WIDE TRANSOM HEIGHTS");
        if (field == "SECTIONA") value = C("");
    }
    h.append("assembly", {r});
    h.pageSettings(2, 5, 80, 66);
    h.reindex();
    print("RS450-SW2");
    const QString file = h.printed(kSheet);
    const std::vector<PdfWord> w = mx::test::pdfWords(file);
    const QStringList lines = textLines(w);
    EXPECT_TRUE(lines.contains("Section Type: S1 Include B: No 123456 7 45")) << lines.join('\n').toStdString();
    // The structure type in pieces, one under the other at the column's
    // start, left of the dimension's caption.
    const PdfWord& first = word(w, "WWWWW");
    const PdfWord& last = word(w, "MMMMM");
    EXPECT_GT(last.yMin, first.yMin + 5) << "wrapped onto the rows below\n" << lines.join('\n').toStdString();
    EXPECT_NEAR(last.xMin, first.xMin, 0.5);
    EXPECT_NEAR(word(w, "A:").yMin, first.yMin, 1.0) << "the row's own texts stay on it";
    for (const PdfWord& x : mx::test::wordsBeside(w, word(w, "A:")))
        if (x.text == "Include") { EXPECT_LT(last.xMax, x.xMin); }
    const double page = mx::test::pdfPageSize(file).width();
    for (const PdfWord& x : w) EXPECT_LT(x.xMax, page - 18) << x.text.toStdString() << " leaves the page";
    EXPECT_TRUE(lines.contains("Mitrex Development from Tallowood Systems Banksia Frames 08/12/26"))
        << "the date pulled back onto the page, on its row";
    // The rows below the wrapped one moved down, both blocks alike.
    EXPECT_GT(word(w, "B:").yMin, last.yMin + 5);
    EXPECT_NEAR(word(w, "Section").yMin, word(w, "B:").yMin, 1.0);
}

// Every configuration of the demo data set at the page widths in use: no two
// separate texts of a row closer than two blanks, each text read back whole
// as it was printed (a caption, a field's text or a number), none off the page.
TEST(DemoDataSheets, AtEveryPageWidthTheTextsOfARowStandTwoBlanksApart) {
    ReportsHarness h;
    ds::createDataSet(h.tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
    const std::vector<std::string> codes = h.column("assembly", "CODE");
    ASSERT_GE(codes.size(), 10u);
    std::map<std::string, std::vector<std::string>> fields;
    for (const char* f : {"CODE", "DESC", "ASSEMCAT", "LIB", "STYPE", "STYPE2", "SECTION", "SECTIONA", "ADESC", "BDESC",
                          "CDESC", "EDESC", "FDESC", "GDESC", "IDESC", "JDESC", "KDESC", "LDESC", "LADESC", "LBDESC",
                          "LCDESC", "LDDESC", "LEDESC", "LFDESC", "LGDESC", "LHDESC", "LIDESC", "LJDESC"})
        fields[f] = h.column("assembly", f);
    const QStringList captions = sheetCaptions();
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+$"));
    for (const auto& [width, margin] : {std::pair{80, 2}, std::pair{90, 4}, std::pair{100, 2}, std::pair{80, 5}, std::pair{100, 0}}) {
        SCOPED_TRACE("WIDTH " + std::to_string(width) + " LMARGIN " + std::to_string(margin));
        h.lines.clear();
        h.pageSettings(2, margin, width, 66);
        ASSERT_EQ(h.run([&] {
            for (const std::string& code : codes) {
                h.openAsScreen(code);
                ASSPRINT(h.ctx, h.values);
            }
        }),
                  0)
            << h.joined();
        for (size_t i = 0; i < codes.size(); ++i) {
            SCOPED_TRACE(codes[i]);
            const QString file = h.printed(kSheet, static_cast<int>(i));
            const std::vector<PdfWord> words = mx::test::pdfWords(file);
            QStringList tooClose;
            const QStringList texts = pageTexts(words, &tooClose);
            EXPECT_TRUE(tooClose.empty()) << tooClose.join('\n').toStdString();
            QStringList printed = captions;
            printed << h.values.package1 << h.values.company << h.values.date;
            for (const auto& [f, values] : fields) printed << QString::fromStdString(values[i]);
            const QString s2 = QString::fromStdString(fields["STYPE2"][i]);
            printed << QString::fromStdString(fields["STYPE"][i]) + (s2.isEmpty() ? QString() : " / " + s2);
            const QString sa = QString::fromStdString(fields["SECTIONA"][i]);
            printed << QString::fromStdString(fields["SECTION"][i]) + (sa.isEmpty() ? QString() : "/" + sa);
            for (const QString& t : texts) {
                if (number.match(t).hasMatch()) continue;
                EXPECT_TRUE(std::any_of(printed.begin(), printed.end(), [&](const QString& p) { return !p.isEmpty() && wordsOf(t, p); }))
                    << "\"" << t.toStdString() << "\" is no text the sheet printed: two ran together";
            }
            const double page = mx::test::pdfPageSize(file).width();
            for (const PdfWord& w : words) EXPECT_LT(w.xMax, page) << w.text.toStdString();
        }
    }
}

// Every configuration of the demo data set: its drawing lies in the space
// between the header and the left block, inside the page, and the PDF has
// exactly its lines and the header's rule.
TEST(DemoDataSheets, EveryDrawingStandsBetweenTheHeaderAndTheBlocks) {
    ReportsHarness h;
    ds::createDataSet(h.tmp.path(), std::string(MX_SOURCE_DIR) + "/data/demo");
    std::vector<std::string> codes = h.column("assembly", "CODE");
    ASSERT_GE(codes.size(), 10u);
    const std::vector<double> page = {h.numbers("quotdata", "TOP2")[0], h.numbers("quotdata", "PAGELEN")[0]};
    std::vector<size_t> segments;
    ASSERT_EQ(h.run([&] {
        for (const std::string& code : codes) {
            h.openAsScreen(code);
            rt::WorkArea& assembly = h.session.openArea("ASSEMBLY");
            const Drawing d = drawConfiguration(h.session, assembly, h.session.openArea("ASSDRAW"));
            EXPECT_FALSE(d.failure) << code;
            segments.push_back(d.segments.size());
            // Device units of 300 dpi on A4 at 600 dpi, from the same corner as the rows.
            const double rowUnit = (7016.0 - 300) / page[1];
            for (const Segment& s : d.segments) {
                for (double y : {s.y1, s.y2}) {
                    EXPECT_GT(y * 2, (page[0] + 8) * rowUnit) << code << " below the header";
                    EXPECT_LT(y * 2, (page[0] + 23) * rowUnit) << code << " above the left block";
                }
                for (double x : {s.x1, s.x2}) EXPECT_TRUE(x > 0 && x * 2 < 4961 - 300) << code << " inside the page";
            }
            ASSPRINT(h.ctx, h.values);
        }
    }),
              0)
        << h.joined();
    EXPECT_TRUE(h.sink.alerts().empty());
    for (size_t i = 0; i < codes.size(); ++i) {
        SCOPED_TRACE(codes[i]);
        const QString file = h.printed(kSheet, static_cast<int>(i));
        EXPECT_EQ(mx::test::pdfLinesPerPage(file), std::vector<int>{1 + static_cast<int>(segments[i])});
        EXPECT_TRUE(mx::test::pdfText(file).simplified().contains(QString::fromStdString("Code: " + codes[i])));
    }
}

}  // namespace
}  // namespace mx::configurations::test
