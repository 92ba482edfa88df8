// The main frame window (see the header).
#include "MainWindow.h"

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>

#include "Fonts.h"
#include "ScriptParser.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk {

MainWindow::MainWindow(const QString& title, const Box& box, const std::vector<MenuItem>& menu, QWidget* parent)
    : QMainWindow(parent) {
    setWindowTitle(title);
    setProperty(Ui::kToolkitWindow, true);
    setGeometry(Geometry::box(box));
    auto* central = new QWidget(this);
    central->setAutoFillBackground(true);
    setCentralWidget(central);
    statusBar()->setSizeGripEnabled(true);

    for (const MenuItem& item : menu) {
        if (item.separator) continue;
        if (item.items.empty()) {
            auto action = item.action;
            menuBar()->addAction(item.caption, this, [action] {
                if (action) Ui::instance().invoke(action);
            });
        } else {
            addItems(menuBar()->addMenu(item.caption), item.items);
        }
    }
    Ui::instance().setMainWindow(this);
}

// Ui keeps the window twice: as MainWindow for those above it that ask for
// one, and as the QMainWindow it uses itself, so that Ui.cpp needs no
// MainWindow.h. The conversion is made here, where MainWindow is known.
void Ui::setMainWindow(MainWindow* window) {
    mainWindow_ = window;
    mainFrame_ = window;
}

MainWindow::~MainWindow() {
    if (Ui::instance().mainWindow() == this) Ui::instance().setMainWindow(nullptr);
}

void MainWindow::addItems(QMenu* menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (!item.items.empty()) {
            addItems(menu->addMenu(item.caption), item.items);
        } else {
            auto action = item.action;
            menu->addAction(item.caption, this, [action] {
                if (action) Ui::instance().invoke(action);
            });
        }
    }
}

bool MainWindow::setLogo(const QString& file) {
    QPixmap pix;
    if (!QFile::exists(file) || !pix.load(file)) return false;
    if (!logo_) logo_ = new QLabel(centralWidget());
    logo_->setPixmap(pix);
    logo_->resize(pix.size());
    placeLogo();
    logo_->show();
    return true;
}

void MainWindow::setStatus(const QString& text) { statusBar()->showMessage(text); }

QPoint MainWindow::logoPosition(const QSize& area, const QSize& bitmap) {
    return QPoint((area.width() - bitmap.width()) / 2, (area.height() - bitmap.height()) / 3);
}

void MainWindow::placeLogo() {
    if (logo_) logo_->move(logoPosition(centralWidget()->size(), logo_->size()));
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    placeLogo();
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    placeLogo();
    if (!announced_) {
        announced_ = true;
        if (auto* t = Ui::instance().transcript()) t->window(windowTitle());
    }
}

QAction* MainWindow::findMenuAction(const QString& top, const QString& item) const {
    auto plain = [](const QString& caption) { return fromUtf8(ScriptParser::plainCaption(toUtf8(caption))); };
    for (QAction* a : menuBar()->actions()) {
        if (a->isSeparator() || plain(a->text()) != top) continue;
        if (item.isEmpty()) return a;
        if (!a->menu()) return nullptr;
        for (QAction* sub : a->menu()->actions())
            if (!sub->isSeparator() && plain(sub->text()) == item) return sub;
        return nullptr;
    }
    return nullptr;
}

}  // namespace mx::tk
