// Fonts, units, the main window's placement rules and where a dialog's
// bitmap is found.
#include <QFontInfo>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include "Dialog.h"
#include "Fonts.h"
#include "Geometry.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace mx::tk;

namespace {

TEST(Fonts, ArialResolvesToAMetricCompatibleFace) {
    QFont dialog = Fonts::dialog();
    EXPECT_EQ(dialog.pixelSize(), 12);
    EXPECT_TRUE(dialog.bold());
    EXPECT_EQ(Fonts::resolvedFamily(dialog), "Liberation Sans");
    EXPECT_EQ(Fonts::resolvedFamily(Fonts::printer("Arial", 11)), "Liberation Sans");
    QFont small = Fonts::screen("Arial", 8, false, true, true);
    EXPECT_TRUE(small.italic());
    EXPECT_TRUE(small.underline());
}

TEST(Geometry, BoxesAndPlacesInPixelsAndTextCells) {
    EXPECT_EQ(Geometry::box({1, 1, 22, 75, Unit::Cell}), QRect(8, 16, 592, 336));  // the main window
    EXPECT_EQ(Geometry::box({10, 100, 465, 800}), QRect(100, 10, 700, 455));
    // Layout units are two screen pixels: the list screens' buttons and browse fit their boxes.
    EXPECT_EQ(Geometry::place({212.5, 260, 45, 12}, Unit::Pixel), QRect(520, 425, 90, 24));
    EXPECT_EQ(Geometry::place({10, 10, 332.5, 167.5}, Unit::Pixel), QRect(20, 20, 665, 335));
    // In a text-cell dialog sizes are plain pixels: the login's two buttons,
    // 45 pixels wide at columns 1 and 8, stand side by side.
    EXPECT_EQ(Geometry::place({2, 10, 50, 12}, Unit::Cell), QRect(80, 32, 50, 12));
    EXPECT_LT(Geometry::place({5, 1, 45, 12}, Unit::Cell).right(), Geometry::place({5, 8, 45, 12}, Unit::Cell).left());
}

TEST(MainWindow, LogoStaysCentredAcrossAndOneThirdDown) {
    test::UiReset reset;
    QTemporaryDir dir;
    QString logo = QDir(dir.path()).filePath("logo.bmp");
    QImage(120, 60, QImage::Format_RGB32).save(logo, "BMP");
    int exits = 0;
    MainWindow w("Main", Box{1, 1, 22, 75, Unit::Cell},
                 {MenuItem{"&File", {}, {MenuItem{"Re&index", [] {}}, MenuItem::line(), MenuItem{"E&xit", [&] { ++exits; }}}},
                  MenuItem{"&Library", [&] { ++exits; }}});
    EXPECT_FALSE(w.setLogo(QDir(dir.path()).filePath("missing.bmp")));
    ASSERT_TRUE(w.setLogo(logo));
    w.show();
    for (QSize size : {QSize(592, 336), QSize(1000, 700), QSize(300, 200)}) {
        w.resize(size);
        QApplication::processEvents();
        QSize area = w.centralWidget()->size();
        EXPECT_EQ(w.logo()->pos(), QPoint((area.width() - 120) / 2, (area.height() - 60) / 3)) << size.width();
    }
    EXPECT_EQ(MainWindow::logoPosition({600, 300}, {100, 60}), QPoint(250, 80));
    ASSERT_NE(w.findMenuAction("File", "Exit"), nullptr);
    w.findMenuAction("File", "Exit")->trigger();
    w.findMenuAction("Library")->trigger();  // a top-level item acts from the bar
    EXPECT_EQ(exits, 2);
    EXPECT_EQ(w.findMenuAction("File", "Nothing"), nullptr);
    EXPECT_EQ(Ui::instance().mainWindow(), &w);
    EXPECT_EQ(Ui::instance().activeWindow(), &w) << "no dialog stands: boxes open over the main window";
    Ui::instance().status("Suites read");
    EXPECT_EQ(w.statusBar()->currentMessage(), QStringLiteral("Suites read"));
}

}  // namespace

TEST(Dialog, ABitmapMissingWhereItIsNamedComesFromTheProgramsBitmapFolder) {
    mx::tk::test::UiReset reset;
    QTemporaryDir data, own;
    QImage(32, 32, QImage::Format_RGB32).save(QDir(own.path()).filePath("lupa.bmp"), "BMP");
    Dialog dlg("Search", Box{10, 10, 130, 410});
    const QString named = QDir(data.path()).filePath("lupa.bmp");
    EXPECT_TRUE(dlg.addBitmap({5, 5, 20, 20}, named)->pixmap().isNull()) << "no folder of its own: nothing shown";
    Ui::instance().setBitmapFolder(own.path());
    EXPECT_EQ(dlg.addBitmap({5, 5, 20, 20}, named)->pixmap().width(), 32);
    EXPECT_EQ(dlg.addBitmap({5, 5, 20, 20}, "lupa.bmp")->pixmap().width(), 32);
    EXPECT_TRUE(dlg.addBitmap({5, 5, 20, 20}, "nosuch.bmp")->pixmap().isNull());
}
