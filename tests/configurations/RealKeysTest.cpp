// The configuration dialogs under a person's key presses rather than a
// script's commands: Enter in an edit field moves on to the next field and
// does not save, Page Down saves, Alt+Z reaches the description change that
// has no place among the visible buttons, and an adjustment beyond the limit
// keeps the cursor until it is corrected.
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "ConfigurationHarness.h"
#include "Dialog.h"
#include "FormulaLines.h"

namespace mx::configurations::test {
namespace {

void activate(QWidget* w) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
}

// Runs `body` on the next modal window (other than `above`, the one open
// now) once it is shown and active.
void whenModal(std::function<void(QWidget*)> body, QWidget* above = nullptr) {
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, body, above] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == above) return;
        timer->stop();
        timer->deleteLater();
        activate(w);
        body(w);
    });
    timer->start();
}

QString focusedName(QWidget* w) { return w->focusWidget() ? w->focusWidget()->objectName() : QString(); }

void typeInto(QWidget* dialog, const QString& text) {
    QWidget* field = dialog->focusWidget();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

class RealKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("RS500")}, {"MAXADJUST", N(3)}}});
        h.append("assembly", {{{"CODE", C("AW1")}, {"DESC", C("AWNING")}, {"LIB", C("RS500")}},
                              {{"CODE", C("FX2")}, {"DESC", C("FIXED")}, {"LIB", C("RS500")}}});
        h.append("stock", {{{"CODE", C("HEAD")}, {"DESC", C("AWNING HEAD")}}});
        h.append("assline", {{{"ASSCODE", C("AW1")}, {"STKCODE", C("HEAD")}, {"TYPE", C("L")}}});
        h.reindex();
    }
    ConfigurationHarness h;
};

TEST_F(RealKeysTest, EnterMovesOnPageDownSavesAndAltZChangesTheDescription) {
    QString afterEnter, afterPrompt;
    bool stillOpen = false, promptDone = false;
    whenModal([&](QWidget* list) {
        QTest::keyClick(list->focusWidget(), Qt::Key_Down);  // the browse: FX2
        whenModal([&](QWidget* edit) {
            QTest::keyClick(edit->focusWidget(), Qt::Key_Tab);  // Code -> Description
            typeInto(edit, QStringLiteral("fixed twin"));
            QTest::keyClick(edit->focusWidget(), Qt::Key_Return);
            afterEnter = focusedName(edit);
            stillOpen = edit->isVisible();
            QTest::keyClicks(edit->focusWidget(), QStringLiteral("fixed"));  // the type
            QTest::keyClick(edit->focusWidget(), Qt::Key_PageDown);
        });
        QTest::keyClick(list->focusWidget(), Qt::Key_Return);  // View/Update
        activate(list);
        whenModal([&](QWidget* prompt) {
            afterPrompt = prompt->windowTitle();
            typeInto(prompt, QStringLiteral("fixed light twin"));
            QTest::keyClick(prompt->focusWidget(), Qt::Key_Return);  // the prompt's OK
            promptDone = true;
        }, list);
        // A button's key clicks it a moment later, as a person sees it go down and up.
        QTest::keyClick(list->focusWidget(), Qt::Key_Z, Qt::AltModifier);
        for (int i = 0; i < 1000 && !promptDone; ++i) QTest::qWait(5);
        activate(list);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    ASSERT_TRUE(ASSEMBLY(h.ctx));
    ds::CLOSDATA(h.ctx);
    EXPECT_EQ(afterEnter, QStringLiteral("ASSEMCAT")) << "Enter moved to the next field";
    EXPECT_TRUE(stillOpen) << "and did not save";
    EXPECT_EQ(afterPrompt, QStringLiteral("Description Change"));
    EXPECT_EQ(h.column("assembly", "ASSEMCAT"), (std::vector<std::string>{"", "FIXED"})) << "Page Down saved";
    EXPECT_EQ(h.column("assembly", "DESC"), (std::vector<std::string>{"AWNING", "FIXED LIGHT TWIN"}));
}

TEST_F(RealKeysTest, AnAdjustmentBeyondTheLimitKeepsTheCursorUntilCorrected) {
    QString alert, focusAfterAlert;
    whenModal([&](QWidget* lines) {
        whenModal([&](QWidget* edit) {
            auto* adjust = edit->findChild<QLineEdit*>(QStringLiteral("ADJUST"));
            adjust->setFocus(Qt::TabFocusReason);
            typeInto(edit, QStringLiteral("-4"));
            whenModal([&](QWidget* box) {
                alert = static_cast<QMessageBox*>(box)->text();
                static_cast<QMessageBox*>(box)->accept();
            });
            QTest::keyClick(adjust, Qt::Key_Tab);
            QApplication::processEvents();
            activate(edit);
            QApplication::processEvents();
            focusAfterAlert = focusedName(edit);
            typeInto(edit, QStringLiteral("-3"));
            QTest::keyClick(edit->focusWidget(), Qt::Key_Tab);
            QTest::keyClick(edit->focusWidget(), Qt::Key_PageDown);
        });
        QTest::keyClick(lines->focusWidget(), Qt::Key_Return);
        activate(lines);
        QTest::keyClick(lines, Qt::Key_Escape);
    });
    // The Formulae screen over AW1, with the tables the Configurations screen opens.
    ASSERT_TRUE(ds::OPNALIAS(h.ctx, "assline") && ds::OPNALIAS(h.ctx, "asspanel") && ds::OPNALIAS(h.ctx, "assembly"));
    ASSLINE(h.ctx);
    ds::CLOSDATA(h.ctx);
    EXPECT_EQ(alert, QStringLiteral("Invalid Adjustment, Must be between -3mm and 3mm."));
    EXPECT_EQ(focusAfterAlert, QStringLiteral("ADJUST"));
    EXPECT_EQ(h.numbers("assline", "ADJUST")[0], -3);
}

}  // namespace
}  // namespace mx::configurations::test
