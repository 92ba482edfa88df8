// The program's main frame window: its title, the pull-down menu built from
// a list of items, the status bar, and an optional background bitmap kept
// centred across and one third down whenever the window is resized.
// Closing it ends the program (the shell decides what that means).
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <functional>
#include <vector>

#include "Geometry.h"

namespace mx::tk {

// A menu entry: a caption with an "&" hot letter and an action, a pull-down
// of further items, or a separator.
struct MenuItem {
    QString caption{};
    std::function<void()> action{};
    std::vector<MenuItem> items{};
    bool separator = false;

    static MenuItem line() { return MenuItem{{}, {}, {}, true}; }
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `box` in text cells or pixels; the menu's top-level items become the
    // menu bar (an item without sub-items acts directly from the bar).
    MainWindow(const QString& title, const Box& box, const std::vector<MenuItem>& menu, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Places the bitmap at its natural size; false (and no bitmap) when the
    // file is missing or unreadable.
    bool setLogo(const QString& file);
    QLabel* logo() const { return logo_; }
    void setStatus(const QString& text);

    // The action of a top-level item, or of an item of its pull-down, named
    // as scripts name captions; nullptr when there is none.
    QAction* findMenuAction(const QString& top, const QString& item = {}) const;

    // Where a bitmap goes in an area: centred across, one third of the spare
    // height down.
    static QPoint logoPosition(const QSize& area, const QSize& bitmap);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void placeLogo();
    void addItems(QMenu* menu, const std::vector<MenuItem>& items);

    QLabel* logo_ = nullptr;
    bool announced_ = false;
};

}  // namespace mx::tk
