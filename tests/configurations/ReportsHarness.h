// The printouts' tests: the screen harness with the page settings of the
// data sheet, the configuration tables opened as the configurations screen
// opens them, the printed values, and the PDFs the print lines name.
#pragma once

#include <QDir>
#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "DrawnReport.h"
#include "Opening.h"
#include "ScreenHarness.h"

namespace mx::configurations::test {

using mx::test::C;
using mx::test::L;
using mx::test::N;
using mx::test::Row;

class ReportsHarness : public mx::test::ScreenHarness {
public:
    ReportsHarness() { append("quotdata", {{{"TOP2", N(2)}, {"LMARGIN", N(2)}, {"WIDTH", N(80)}, {"PAGELEN", N(66)}}}); }

    // Replaces the page settings (before the run).
    void pageSettings(double top, double margin, double width, double length) {
        rt::Session s;
        rt::WorkArea& a = s.open(tmp.file("quotdata.dbf"), "", rt::OpenMode::Exclusive);
        a.goTo(1);
        a.setField("TOP2", N(top));
        a.setField("LMARGIN", N(margin));
        a.setField("WIDTH", N(width));
        a.setField("PAGELEN", N(length));
        s.closeAll();
    }

    // Every table and index file of the data set with its bytes, to show
    // that printing wrote nothing.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
            if (e.is_regular_file()) out[e.path().filename().string()] = mx::test::readFileBytes(e.path().string());
        return out;
    }

    // Opens `assline`, `assdraw`, `asspanel` and `assembly` as the
    // configurations screen does and puts `assembly` on `code`.
    void openAsScreen(const std::string& code) {
        for (const char* table : {"assline", "assdraw", "asspanel", "assembly"})
            if (!ds::OPNALIAS(ctx, table)) throw std::runtime_error(std::string("cannot open ") + table);
        session.openArea("ASSEMBLY").seek(rt::Value::character(code), false);
    }

    // Rebuilds the indexes, then plays `script` with `body` as the menu's action.
    int run(std::function<void()> body, const std::string& script = "") {
        action = [this, body = std::move(body)] {
            body();
            ds::CLOSDATA(ctx);
        };
        return playAction(script);
    }

    // The PDF of the n-th print line (0-based) whose job is `name`; empty when none.
    QString printed(const std::string& name, int nth = 0) const {
        for (const auto& l : lines)
            if (l.rfind("print \"" + name + "\"", 0) == 0 && nth-- == 0) {
                const auto parts = QString::fromStdString(l).split(' ');
                return QDir(QString::fromStdString(tmp.file("print"))).filePath(parts.at(parts.size() - 2));
            }
        return {};
    }

    tk::ReportValues values{QStringLiteral("Banksia Frames"), QStringLiteral("Mitrex Development from Tallowood Systems"),
                            QStringLiteral("08/12/26"), true};
};

}  // namespace mx::configurations::test
