// Helpers shared by the toolkit tests: scratch folders, small tables, a
// transcript that collects its lines, and the Ui wiring each test undoes.
#pragma once

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "AnswerSource.h"
#include "DbfTable.h"
#include "HotKeys.h"
#include "Session.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::tk::test {

// A transcript whose lines stay in memory.
struct CollectedTranscript {
    std::vector<std::string> lines;
    Transcript transcript{[this](const std::string& l) { lines.push_back(l); }};

    bool has(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }
    std::string joined() const {
        std::string all;
        for (const auto& l : lines) all += l + "\n";
        return all;
    }
};

// Undoes what a test wired into the program-wide Ui and hot keys.
struct UiReset {
    UiReset() { reset(); }
    ~UiReset() { reset(); }
    static void reset() {
        Ui::instance().reset();
        HotKeys::instance().clear();
    }
};

// A scripted run's answers without the driver: hands out the answers queued
// here and records every failure reported to it.
struct RecordedAnswers : AnswerSource {
    std::deque<Answer> queued;
    std::vector<std::pair<int, QString>> failures;

    std::optional<Answer> takeAnswer(const QString& box, std::initializer_list<Answer::Kind>) override {
        if (queued.empty()) {
            fail(NoAnswer, box);
            return std::nullopt;
        }
        Answer a = queued.front();
        queued.pop_front();
        return a;
    }
    void fail(int status, const QString& why) override { failures.emplace_back(status, why); }
    bool ending() const override { return false; }
    void modalEntered() override {}
};

// A table of (CODE C6, DESC C20, QTY N5) with the given rows, opened shared.
inline rt::WorkArea& makeParts(rt::Session& session, const QString& dir,
                               const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string path = QDir(dir).filePath("parts.dbf").toStdString();
    rt::DbfTable::create(path, {rt::charField("CODE", 6), rt::charField("DESC", 20), rt::numField("QTY", 5)});
    rt::WorkArea& area = session.open(path, "PARTS", rt::OpenMode::Exclusive);
    int n = 0;
    for (const auto& [code, desc] : rows) {
        area.append();
        area.setField("CODE", rt::Value::character(code));
        area.setField("DESC", rt::Value::character(desc));
        area.setField("QTY", rt::Value::numeric(++n, 5));
    }
    area.commit();
    area.goTop();
    return area;
}

// Runs `body` once the next modal dialog (or box) is up; the caller then
// opens it. Used where a test drives a dialog by hand rather than by script.
inline void whenModal(std::function<void(QWidget*)> body) {
    QTimer* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, body] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
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

}  // namespace mx::tk::test
