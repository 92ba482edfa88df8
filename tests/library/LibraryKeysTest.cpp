// The library screen under a person's key presses (no script): Enter and
// keypad Enter in the search prompt and in the Tag/Num prompt answer the
// prompt; the screen's own Enter (View/Update) does not fire beneath it.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "Browse.h"
#include "LibraryHarness.h"
#include "LibraryScreen.h"
#include "Opening.h"

namespace mx::lib::test {
namespace {

struct EnterKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Runs `body` on the next modal window titled `title`, active.
void whenModalTitled(const QString& title, std::function<void(QWidget*)> body) {
    QTimer* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, title, body] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w->windowTitle() != title) return;
        timer->stop();
        timer->deleteLater();
        if (!w->isActiveWindow()) {
            w->activateWindow();
            QApplication::setActiveWindow(w);
        }
        body(w);
    });
    timer->start();
}

// While it stands, closes every modal window titled `title` that opens and
// counts it: a dialog the keys should not have opened fails the test instead
// of waiting for a key press that never comes.
class Unwanted {
public:
    explicit Unwanted(QString title) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, title] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !w->isVisible() || w->windowTitle() != title) return;
            ++opened;
            w->close();
        });
        timer_.start();
    }
    int opened = 0;

private:
    QTimer timer_;
};

QWidget* focused(QWidget* window) { return window->focusWidget() ? window->focusWidget() : window; }

class LibraryKeysTest : public ::testing::TestWithParam<EnterKey> {
protected:
    void SetUp() override {
        h.append("lib", {{{"CODE", C("DUR")}, {"DESC", C("DURALITE")}, {"SERIAL", rt::Value::numeric(4)}},
                         {{"CODE", C("ALU")}, {"DESC", C("ALUMINIUM")}, {"SERIAL", rt::Value::numeric(2)}},
                         {{"CODE", C("CED")}, {"DESC", C("CEDAR")}, {"SERIAL", rt::Value::numeric(3)}},
                         {{"CODE", C("BRZ")}, {"DESC", C("BRONZE")}, {"SERIAL", rt::Value::numeric(1)}}});
        h.reindex();
        tk::Ui::instance().setTranscript(&h.transcript);
    }

    // Types `text` into the prompt titled `title`, then Enter.
    void answerPrompt(const QString& title, const char* text) {
        whenModalTitled(title, [this, title, text](QWidget* prompt) {
            QTest::keyClicks(focused(prompt), text);
            QTest::keyClick(focused(prompt), GetParam().key, GetParam().modifiers);
            if (prompt->isVisible()) {
                stuck.push_back(title.toStdString());
                prompt->close();
            }
        });
    }

    LibraryHarness h;
    std::vector<std::string> stuck;
};

TEST_P(LibraryKeysTest, EnterInTheSearchAndTagNumPromptsAnswersThePromptNotTheScreen) {
    std::string foundCode;
    Unwanted entryDialog(kLibEntryTitle);
    whenModalTitled(kLibTitle, [&](QWidget* screen) {
        auto* browse = screen->findChild<tk::Browse*>();
        auto reactivate = [&] {
            screen->activateWindow();
            QApplication::setActiveWindow(screen);
            browse->setFocus();
        };
        reactivate();
        answerPrompt("Search", "ce");
        QTest::keyClick(browse, Qt::Key_F2);
        foundCode = h.session.openArea("LIB").fieldValue("CODE").str();

        reactivate();
        answerPrompt("Library Code", "6");
        for (auto* b : screen->findChildren<QPushButton*>())
            if (b->text() == "Tag/&Num") QTest::mouseClick(b, Qt::LeftButton);

        reactivate();
        QTest::keyClick(browse, Qt::Key_Escape);
    });
    ASSERT_TRUE(LIB(h.ctx, 1));
    ds::CLOSDATA(h.ctx);

    EXPECT_TRUE(stuck.empty()) << "still open after Enter: " << stuck.front();
    EXPECT_TRUE(h.has("prompt \"Search\" \"Library / Suite Code\" ok \"CE\"")) << h.joined();
    EXPECT_EQ(foundCode.substr(0, 3), "CED");
    EXPECT_TRUE(h.has("prompt \"Library Code\" \"Enter Library Code:\" ok \"6\"")) << h.joined();
    EXPECT_EQ(entryDialog.opened, 0);
    EXPECT_FALSE(h.has(std::string("open \"") + kLibEntryTitle + "\"")) << h.joined();
    // 6 names serials 1 and 2: BRONZE and ALUMINIUM, in record order.
    EXPECT_EQ(h.column("lib", "TAG"), (std::vector<std::string>{"F", "T", "F", "T"}));
}

INSTANTIATE_TEST_SUITE_P(EnterAndKeypadEnter, LibraryKeysTest,
                         ::testing::Values(EnterKey{Qt::Key_Return, Qt::NoModifier},
                                           EnterKey{Qt::Key_Enter, Qt::KeypadModifier}),
                         [](const auto& info) { return info.param.key == Qt::Key_Return ? "Enter" : "KeypadEnter"; });

}  // namespace
}  // namespace mx::lib::test
