// The record dialog's arithmetic: pictures by field type, numbers that do
// not fit their field, and the column layout that keeps a wide table on the
// screen.
#include <gtest/gtest.h>

#include "Catalogue.h"
#include "RecordLayout.h"

namespace mx::tablebrowser::test {
namespace {

using rt::Value;

TEST(RecordLayout, PicturesByTypeLeaveRoomToTypeANumberTooWide) {
    EXPECT_EQ(fieldPicture(rt::charField("DESC", 30)), "");
    EXPECT_EQ(fieldPicture(rt::numField("AMOUNT", 7, 2)), "999999.99");
    EXPECT_EQ(fieldPicture(rt::numField("SERIAL", 2)), "9999");
    EXPECT_EQ(fieldPicture(rt::numField("RATE", 1, 0)), "999");
    EXPECT_EQ(fieldPicture(rt::logField("TAG")), "Y");
    EXPECT_EQ(fieldPicture(rt::dateField("CHANGED")), "");
    EXPECT_EQ(fieldLabel(rt::numField("AMOUNT", 7, 2)), "AMOUNT  N 7.2");
    EXPECT_EQ(fieldLabel(rt::charField("CODE", 8)), "CODE  C 8");
    EXPECT_EQ(fieldLabel(rt::memoField("NOTE")), "NOTE  M");
}

TEST(RecordLayout, ANumberThatDoesNotFitItsFieldIsNamedWithTheFieldAndTheValue) {
    const rt::FieldDef amount = rt::numField("AMOUNT", 7, 2);
    struct Case {
        double value;
        bool fits;
    } cases[] = {{9999.99, true}, {-999.99, true}, {0, true},          {12345, false},
                 {-9999.99, false}, {9999.995, false},  // rounds to 10000.00
                 {9999.994, true}};
    for (const Case& c : cases) EXPECT_EQ(!misfit(amount, Value::numeric(c.value)), c.fits) << c.value;
    EXPECT_EQ(misfit(amount, Value::numeric(12345)).value_or(""), "AMOUNT is N 7.2: 12345.00 does not fit");
    EXPECT_EQ(misfit(rt::numField("SERIAL", 2), Value::numeric(100)).value_or(""), "SERIAL is N 2: 100 does not fit");
    EXPECT_FALSE(misfit(rt::charField("CODE", 2), Value::character("LONGER")));
}

TEST(RecordLayout, AWideTableFillsColumnsAcrossAndScrollsOnlyDownward) {
    const ds::TableDef* assembly = ds::findTableDef("assembly");
    ASSERT_NE(assembly, nullptr);
    ASSERT_GE(assembly->fields.size(), 100u);
    // About a 1280 x 1024 screen in layout units.
    const LayoutMetrics m;
    const RecordLayout layout = layoutRecord(assembly->fields, 620, 460, m);
    ASSERT_EQ(layout.places.size(), assembly->fields.size());
    EXPECT_GE(layout.columns, 2);
    EXPECT_LE(layout.pageWidth, 620) << "never wider than the screen";
    for (size_t i = 0; i < layout.places.size(); ++i) {
        const FieldPlace& p = layout.places[i];
        EXPECT_EQ(p.field, static_cast<int>(i));
        EXPECT_LE(p.col + p.width, layout.pageWidth - m.margin + 0.01) << i;
        EXPECT_LE(p.row + p.height, layout.pageHeight - m.margin + 0.01) << i;
        // Down a column, each line below the one before.
        if (i > 0 && layout.places[i - 1].col == p.col) {
            EXPECT_GE(p.row, layout.places[i - 1].row + m.lineHeight) << i;
        }
    }
    // Columns of about the same height.
    const RecordLayout few = layoutRecord(std::vector<rt::FieldDef>(assembly->fields.begin(), assembly->fields.begin() + 10),
                                          620, 460, m);
    EXPECT_EQ(few.columns, 1) << "ten fields fit one column";
    EXPECT_LE(few.pageHeight, 460);
}

TEST(RecordLayout, AMemoTakesSeveralLinesAndANarrowScreenOneColumn) {
    const std::vector<rt::FieldDef> fields{rt::numField("CUSTNO", 6), rt::memoField("NOTE"), rt::logField("DONE")};
    const LayoutMetrics m;
    const RecordLayout layout = layoutRecord(fields, 150, 40, m);
    EXPECT_EQ(layout.columns, 1);
    EXPECT_EQ(layout.places[1].height, m.controlHeight + (m.memoLines - 1) * m.lineHeight);
    EXPECT_EQ(layout.places[2].row, layout.places[1].row + m.memoLines * m.lineHeight);
    EXPECT_GT(layout.pageHeight, 40) << "the page scrolls";
}

}  // namespace
}  // namespace mx::tablebrowser::test
