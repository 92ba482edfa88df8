// The browse over real tables: a million records opened and paged without
// loading them, scopes over an index, resynchronising after deletes, and the
// rows as the dump shows them.
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "Dialog.h"
#include "TestSupport.h"

using namespace mx::tk;
using mx::rt::Value;

namespace {

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

class BrowseTest : public ::testing::Test {
protected:
    test::UiReset reset;
    QTemporaryDir dir;
    mx::rt::Session session;
};

TEST_F(BrowseTest, MillionRecordTableOpensAndPagesWithoutLoadingIt) {
    constexpr std::uint32_t kRecords = 1000000;
    const std::string path = QDir(dir.path()).filePath("big.dbf").toStdString();
    {
        mx::rt::DbfTable::create(path, {mx::rt::charField("NAME", 10)});
        mx::rt::WorkArea& a = session.open(path, "BIG", mx::rt::OpenMode::Exclusive);
        char name[16];
        for (std::uint32_t i = 1; i <= kRecords; ++i) {
            a.append();
            std::snprintf(name, sizeof name, "N%09u", i);
            a.setFieldBytes(0, name);
        }
        session.close("BIG");
    }
    ASSERT_GT(QFileInfo(QString::fromStdString(path)).size(), 11LL * kRecords);

    mx::rt::WorkArea& area = session.open(path, "BIG", mx::rt::OpenMode::Shared);
    area.goTop();
    Dialog dlg("Big", Box{0, 0, 455, 700});
    Browse* browse = dlg.addBrowse({10, 10, 332.5, 167.5}, session, area, {{"Name", 120}, {"Rec", 80}},
                                   [&] { return std::vector<Value>{area.fieldValue(0), Value::numeric(area.recno(), 7)}; });
    dlg.show();
    QApplication::processEvents();
    dlg.grab();
    const int capacity = browse->window().capacity();
    ASSERT_GT(capacity, 10);
    EXPECT_EQ(browse->window().rows().front().cells.at(0), "N000000001");
    EXPECT_LE(browse->window().fetches(), capacity);  // opening read one window of rows
    const long before = residentKb();

    for (int i = 0; i < 1000; ++i) browse->pageDown();
    dlg.grab();  // paints the rows it holds
    EXPECT_EQ(area.recno(), static_cast<std::uint32_t>(1000 * capacity));  // first page down only reaches the window's foot
    browse->goBottom();
    EXPECT_EQ(area.recno(), kRecords);
    EXPECT_EQ(browse->window().rows().back().cells.at(0), "N001000000");
    EXPECT_GE(browse->verticalScrollBar()->value(), browse->verticalScrollBar()->maximum() - 1);
    browse->goTop();
    EXPECT_EQ(area.recno(), 1u);
    EXPECT_EQ(browse->verticalScrollBar()->value(), 0);

    // Rows read: a window's worth per page move, nothing like the table.
    EXPECT_LT(browse->window().fetches(), 1010L * capacity);
    EXPECT_EQ(browse->window().rows().size(), static_cast<size_t>(capacity));
    // Paging through the whole 11 MB table: holding what was read, or a row
    // object per record passed, would show here.
    dlg.grab();
    const long grownKb = residentKb() - before;
    RecordProperty("resident_growth_kb", static_cast<int>(grownKb));
    RecordProperty("rows_fetched", static_cast<int>(browse->window().fetches()));
    EXPECT_LT(grownKb, 1024) << "resident memory grew by " << grownKb << " kB";
}

TEST_F(BrowseTest, ScopeKeepsToTheOwnersRowsAndResyncFollowsDeletes) {
    session.settings().deletedHidden = true;
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(),
                                             {{"A1", "first"}, {"B2", "b two"}, {"C1", "c"}, {"B1", "b one"}, {"B3", "b three"}, {"A2", "second"}});
    area.createOrder(QDir(dir.path()).filePath("parts.ntx").toStdString(), "CODE");
    Dialog dlg("Scoped", Box{0, 0, 400, 600});
    Browse* browse = dlg.addBrowse({10, 10, 250, 150}, session, area, {{"Code", 60}, {"Desc", 120}, {"Qty", 50, Qt::AlignRight}},
                                   [&] { return std::vector<Value>{area.fieldValue("CODE"), area.fieldValue("DESC"), area.fieldValue("QTY")}; });
    browse->setScope("PARTS->CODE", Value::character("B"), Value::character("B"));
    area.goTop();  // outside the scope: the browse moves into it
    browse->resync();
    long current = -1, more = 0;
    auto rows = browse->rowsFromTop(500, &current, &more);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (QStringList{"B1", "b one", "    4"}));  // numbers as STR() writes them, right-aligned
    EXPECT_EQ(rows[2][0], "B3");
    EXPECT_EQ(current, 0);
    EXPECT_EQ(more, 0);

    browse->goBottom();
    EXPECT_EQ(area.fieldValue("CODE").str(), "B3    ");
    browse->lineDown();  // the scope's end
    EXPECT_EQ(area.fieldValue("CODE").str(), "B3    ");
    EXPECT_TRUE(browse->goRow(2));
    EXPECT_EQ(area.fieldValue("CODE").str(), "B2    ");
    EXPECT_FALSE(browse->goRow(4));

    // Delete the current row as a screen does, then resynchronise.
    EXPECT_TRUE(browse->goRow(2));
    area.deleteRecord();
    area.commit();
    browse->resync();
    EXPECT_EQ(area.fieldValue("CODE").str(), "B3    ");
    rows = browse->rowsFromTop(500, &current, &more);
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_EQ(current, 1);

    // An append inside the scope shows after a resync; one outside does not.
    area.append();
    area.setField("CODE", Value::character("B0"));
    area.append();
    area.setField("CODE", Value::character("Z9"));
    area.commit();
    browse->goTop();
    rows = browse->rowsFromTop(1, &current, &more);
    EXPECT_EQ(rows[0][0], "B0");
    EXPECT_EQ(more, 2);  // the rest of the scope, counted but not listed
    EXPECT_EQ(current, 0);

    // An empty scope: no rows, no current record.
    browse->setScope("PARTS->CODE", Value::character("X"), Value::character("X"));
    browse->goTop();
    EXPECT_TRUE(browse->window().empty());
    EXPECT_TRUE(area.eof());
}

TEST_F(BrowseTest, KeysMoveTheHighlightAndEveryMoveRunsTheChangeAction) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 1; i <= 60; ++i) rows.push_back({"P" + std::to_string(i), "part"});
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), rows);
    Dialog dlg("Keys", Box{0, 0, 400, 600});
    Browse* browse = dlg.addBrowse({10, 10, 250, 100}, session, area, {{"Code", 60}},
                                   [&] { return std::vector<Value>{area.fieldValue("CODE")}; });
    int changes = 0, doubles = 0;
    browse->onChange([&] { ++changes; });
    browse->onDoubleClick([&] { ++doubles; });
    dlg.show();
    QApplication::processEvents();
    QTest::keyClick(browse, Qt::Key_Down);
    QTest::keyClick(browse, Qt::Key_Down);
    EXPECT_EQ(area.recno(), 3u);
    QTest::keyClick(browse, Qt::Key_End);
    EXPECT_EQ(area.recno(), 60u);
    QTest::keyClick(browse, Qt::Key_Home);
    EXPECT_EQ(area.recno(), 1u);
    QTest::keyClick(browse, Qt::Key_PageDown);
    EXPECT_EQ(area.recno(), static_cast<std::uint32_t>(browse->window().capacity()));
    EXPECT_EQ(changes, 5);
    // A click on the third visible row, then a double click there.
    QPoint third(20, browse->headerHeight() + browse->rowHeight() * 2 + 3);
    QTest::mouseClick(browse->viewport(), Qt::LeftButton, {}, third);
    EXPECT_EQ(area.recno(), static_cast<std::uint32_t>(browse->window().rows()[2].id));
    QTest::mouseDClick(browse->viewport(), Qt::LeftButton, {}, third);
    EXPECT_EQ(doubles, 1);
    // Screens change the current record and refresh: the new text shows.
    area.setField("DESC", Value::character("changed"));
    area.commit();
    EXPECT_EQ(Browse::cellText(Value::date(mx::rt::dayFromYmd(2024, 1, 31)), Ui::instance().dateStyle()), "31/01/24");
}

}  // namespace

namespace {

TEST(BrowseColumns, TheLastColumnTakesTheSpareWidthAndACutCellShowsItsWholeTextAsATooltip) {
    test::UiReset reset;
    QTemporaryDir dir;
    mx::rt::Session session;
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), {{"A1", "ALUMINIUM SLIDER"}, {"B2", "SASH"}});
    Dialog dlg("Columns", Box{0, 0, 400, 600});
    Browse* browse = dlg.addBrowse({10, 10, 250, 120}, session, area, {{"Code", 60}, {"Desc", 70}, {"Name", 80}},
                                   [&] { return std::vector<Value>{area.fieldValue("CODE"), area.fieldValue("DESC"),
                                                                   area.fieldValue("DESC")}; });
    dlg.show();
    QApplication::processEvents();
    const int viewport = browse->viewport()->width();
    ASSERT_GT(viewport, 60 + 70 + 80);
    EXPECT_EQ(browse->columnWidth(0), 60);
    EXPECT_EQ(browse->columnWidth(1), 70) << "the given widths stay";
    EXPECT_EQ(browse->columnWidth(2), viewport - 130) << "the last column reaches the right edge";

    const int firstRow = browse->headerHeight() + browse->rowHeight() / 2;
    const int secondRow = firstRow + browse->rowHeight();
    EXPECT_EQ(browse->toolTipAt({60 + 35, firstRow}), "ALUMINIUM SLIDER") << "cut in its 70 pixels";
    EXPECT_EQ(browse->toolTipAt({60 + 35, secondRow}), "") << "fits: no tooltip";
    EXPECT_EQ(browse->toolTipAt({130 + 40, firstRow}), "") << "the last column has the room now";
    EXPECT_EQ(browse->toolTipAt({30, firstRow}), "");
    EXPECT_EQ(browse->toolTipAt({60 + 35, 2}), "") << "the header";
    EXPECT_EQ(browse->toolTipAt({60 + 35, secondRow + 3 * browse->rowHeight()}), "") << "below the rows";

    // Narrower than its own width the last column keeps it (and scrolls).
    browse->resize(200, browse->height());
    QApplication::processEvents();
    EXPECT_EQ(browse->columnWidth(2), 80);
}

// A column of numbers lends the width it does not need to the cut text
// beside it, and its numbers stand right without the blanks STR() gives
// them; a column of codes that are all digits stays a text column.
TEST(BrowseColumns, NumbersStandRightAndACutTextBesideThemTakesTheirSpareWidth) {
    test::UiReset reset;
    QTemporaryDir dir;
    mx::rt::Session session;
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), {{"A1", "ALUMINIUM SLIDER"}, {"B2", "SASH"}});
    Dialog dlg("Columns", Box{0, 0, 400, 600});
    Browse* browse = dlg.addBrowse({10, 10, 250, 120}, session, area,
                                   {{"Desc", 70}, {"No", 200}, {"Code", 40}, {"Name", 60}},
                                   [&] { return std::vector<Value>{area.fieldValue("DESC"), Value::numeric(5),
                                                                   Value::character("0042"), area.fieldValue("DESC")}; });
    dlg.show();
    QApplication::processEvents();
    const QFontMetrics fm = browse->fontMetrics();
    const int desc = browse->columnWidth(0), no = browse->columnWidth(1);
    EXPECT_EQ(desc + no, 270) << "width moves between the two, the total stays";
    EXPECT_GE(desc, fm.horizontalAdvance("ALUMINIUM SLIDER") + 8) << "the description reads whole";
    EXPECT_GE(no, fm.horizontalAdvance("No") + 8);
    EXPECT_EQ(browse->columnWidth(2), 40) << "codes of digits lend nothing";
    EXPECT_EQ(browse->toolTipAt({desc / 2, browse->headerHeight() + browse->rowHeight() / 2}), "");

    // The number's ink on the second row (the first is highlighted): at the
    // right of its column.
    const QImage shot = browse->viewport()->grab().toImage();
    const int y0 = browse->headerHeight() + browse->rowHeight() + 1, y1 = y0 + browse->rowHeight() - 2;
    int left = -1, right = -1;
    for (int x = desc; x < desc + no - 1; ++x)
        for (int y = y0; y < y1; ++y)
            if (qGray(shot.pixel(x, y)) < 128) {
                if (left < 0) left = x;
                right = x;
            }
    ASSERT_GE(left, 0) << "the number is drawn";
    EXPECT_GT(left, desc + no - 4 - fm.horizontalAdvance("5") - 4) << "flush right, no blanks before it";
    EXPECT_LE(right, desc + no - 1);
}

TEST(BrowseColumns, AColumnNarrowerThanItsHeaderIsWidenedSoTheHeaderReadsWhole) {
    test::UiReset reset;
    QTemporaryDir dir;
    mx::rt::Session session;
    mx::rt::WorkArea& area = test::makeParts(session, dir.path(), {{"A1", "ALUMINIUM SLIDER"}});
    Dialog dlg("Columns", Box{0, 0, 400, 600});
    Browse* browse = dlg.addBrowse({10, 10, 250, 120}, session, area,
                                   {{"Code", 60}, {"W/R", 5}, {"Description", 70}},
                                   [&] { return std::vector<Value>{area.fieldValue("CODE"), Value::character("Y"),
                                                                   area.fieldValue("DESC")}; });
    dlg.show();
    QApplication::processEvents();
    EXPECT_GT(browse->columnWidth(1), browse->fontMetrics().horizontalAdvance("W/R") + 8);
    EXPECT_EQ(browse->columnWidth(0), 60) << "a column wider than its header keeps its width";
}

}  // namespace
