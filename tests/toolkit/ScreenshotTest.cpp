// Pictures of the toolkit's windows for a person to look at: the main
// window with its logo, the demo list and edit dialogs, the prompt and the
// choice box, and the whole screen after a refused key. Written only when MX_SCREENSHOT_DIR names a folder (run under
// xvfb-run with QT_QPA_PLATFORM=xcb for real window decorations' fonts).
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "DemoScreen.h"
#include "Fonts.h"

using namespace mx::tk;

namespace {

TEST(Screenshots, DemoWindows) {
    const char* out = std::getenv("MX_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "set MX_SCREENSHOT_DIR to write the pictures";
    test::UiReset reset;
    QTemporaryDir dir;
    mx::rt::Session session;
    std::vector<std::pair<std::string, std::string>> rows = {
        {"ALU40", "40MM ALUMINIUM SLIDING DOOR"}, {"ALU60", "60MM FRAME SUITE"}, {"AWN1", "AWNING WINDOW"},
        {"CAS2", "CASEMENT WINDOW"},              {"DH100", "DOUBLE HUNG 100"},  {"FIX", "FIXED LIGHT"}};
    for (int i = 0; i < 30; ++i) rows.push_back({"X" + std::to_string(100 + i), "FILLER ROW " + std::to_string(i)});
    mx::rt::WorkArea& parts = test::makeParts(session, dir.path(), rows);
    parts.createOrder(QDir(dir.path()).filePath("parts.ntx").toStdString(), "CODE");
    parts.goTop();
    test::DemoScreen demo(session, parts, "Setup Library Codes (LIB)");

    QString logo = QDir(dir.path()).filePath("logo.bmp");
    {
        QImage img(200, 90, QImage::Format_RGB32);
        img.fill(QColor(30, 80, 160));
        QPainter p(&img);
        p.setPen(Qt::white);
        p.setFont(Fonts::screen("Arial", 16, true));
        p.drawText(img.rect(), Qt::AlignCenter, "MITREX");
        p.end();
        img.save(logo, "BMP");
    }
    MainWindow main("Mitrex Development  by Tallowood Systems", Box{1, 1, 22, 75, Unit::Cell}, demo.menu());
    main.setLogo(logo);
    main.show();
    main.setStatus("Ready");
    QApplication::processEvents();
    main.grab().save(QString(out) + "/main.png");

    test::whenModal([&](QWidget* list) {
        list->grab().save(QString(out) + "/list.png");
        test::whenModal([&](QWidget* edit) {
            edit->grab().save(QString(out) + "/edit.png");
            // A key the quantity's picture refuses, as the whole screen shows it.
            if (auto* qty = edit->findChild<EditField*>("QTY")) {
                qty->setFocus();
                qty->selectAll();
                QTest::keyClicks(qty, "1234");
                QApplication::processEvents();
                QGuiApplication::primaryScreen()->grabWindow(0).save(QString(out) + "/refused.png");
            }
            static_cast<QDialog*>(edit)->reject();
        });
        qobject_cast<Dialog*>(list)->findChild<Button*>()->press();  // View/Update
        Ui::instance().setPrintDir(out);
        for (Button* b : list->findChildren<Button*>())
            if (b->text() == "Re&port") b->press();  // the browse's column report, as a PDF
        static_cast<QDialog*>(list)->reject();
    });
    demo.run();

    mx::rt::Value code = mx::rt::Value::character(std::string(8, ' '));
    QString lupa = QDir(dir.path()).filePath("lupa.bmp");
    QImage(20, 20, QImage::Format_RGB32).save(lupa, "BMP");
    test::whenModal([&](QWidget* w) {
        w->grab().save(QString(out) + "/prompt.png");
        static_cast<QDialog*>(w)->reject();
    });
    Ui::instance().prompt({"Search", "Library / Suite Code", lupa}, code);
    test::whenModal([&](QWidget* w) {
        w->grab().save(QString(out) + "/choice.png");
        static_cast<QDialog*>(w)->reject();
    });
    Ui::instance().choice("Search By:", {"&Name", "Nex&t SMITH"});
}

}  // namespace
