// The configuration list (see the header).
#include "ConfigurationReports.h"

#include <string>

#include "AreaCursor.h"
#include "ColumnReport.h"
#include "Dialog.h"
#include "Error.h"
#include "Expression.h"
#include "Lookup.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::configurations {

namespace {

using rt::Value;

const QString kNotBoth = QStringLiteral("You must Nominate a Group OR Suite Code (Not Both).");

bool blank(const Value& v) { return ds::trimRight(v.str()).empty(); }

// `bytes` as a literal of the expression language, whatever it holds: in the
// first of the three string delimiters it does not contain, or else spelt
// out with CHR(). The configuration list's filter compares a field with
// what the user typed, which must never be read as part of the expression.
std::string literal(const std::string& bytes) {
    for (auto [open, close] : {std::pair{'"', '"'}, std::pair{'\'', '\''}, std::pair{'[', ']'}})
        if (bytes.find(close) == std::string::npos) return open + bytes + close;
    std::string out;
    for (unsigned char c : bytes) out += (out.empty() ? "" : "+") + std::string("CHR(") + std::to_string(c) + ")";
    return out;
}

// Puts a work area's filter and record back when it ends.
class AreaRestore {
public:
    explicit AreaRestore(rt::WorkArea& area) : area_(area), filter_(area.filterText()), recno_(area.recno()) {}
    ~AreaRestore() {
        try {
            if (area_.filterText() != filter_) area_.setFilter(filter_);
            area_.goTo(recno_);
        } catch (const rt::DbError&) {
        }
    }
    AreaRestore(const AreaRestore&) = delete;
    AreaRestore& operator=(const AreaRestore&) = delete;

private:
    rt::WorkArea& area_;
    std::string filter_;
    std::uint32_t recno_;
};

// The dialog "Limit Report To:". False when it was cancelled; the buffers
// keep what was typed either way.
bool limitReportTo(ds::DataContext& ctx, Value& grouping, Value& suite) {
    bool saved = false;
    tk::Dialog dlg(QStringLiteral("Limit Report To:"), tk::Box{80, 30, 340, 440});
    auto lookup = [&ctx, &dlg](Value& v, const char* table, const char* key, const char* desc) {
        if (!blank(v))
            ia::LOOKUPW(ctx, v,
                        {.table = table,
                         .keyField = key,
                         .keyTitle = QStringLiteral("Code"),
                         .order = "1",
                         .secondField = desc,
                         .secondTitle = QStringLiteral("Description")});
        dlg.refresh();
        return true;
    };
    dlg.addText({33, 10}, QStringLiteral("Grouping: "));
    dlg.addField({31, 50, 45, 12}, grouping, {.name = QStringLiteral("GROUPING"), .picture = QStringLiteral("@!"), .valid = [&] {
                                                  return lookup(grouping, "assemcat", "assemcat->Code", "assemcat->Desc");
                                              }});
    dlg.addText({46, 10}, QStringLiteral("Or     "));
    dlg.addText({59, 10}, QStringLiteral("Suite:"));
    dlg.addField({57, 50, 45, 12}, suite, {.name = QStringLiteral("SUITE"), .picture = QStringLiteral("@!"), .valid = [&] {
                                               return lookup(suite, "lib", "lib->Code", "lib->Desc");
                                           }});
    dlg.addButton({115, 10, 45, 12}, QStringLiteral("&Save"), [&] {
        saved = true;
        dlg.end();
    });
    dlg.addButton({115, 60, 45, 12}, QStringLiteral("&Cancel"), [&dlg] { dlg.end(); });
    dlg.run();
    return saved;
}

QString trimmedText(const rt::WorkArea& a, const char* field) { return tk::toQ(ds::trimRight(a.fieldValue(field).str())); }

}  // namespace

void REP(ds::DataContext& ctx, const tk::ReportValues& values, const ia::ScreenKeys* screen) {
    rt::Session& s = ctx.session;
    tk::Ui& ui = tk::Ui::instance();
    struct BindBack {
        const ia::ScreenKeys* keys;
        ~BindBack() {
            if (keys) keys->bind();
        }
    } bindBack{screen};
    rt::SelectionGuard selection(s);
    try {
        rt::WorkArea& assembly = s.openArea("ASSEMBLY");
        AreaRestore restore(assembly);

        Value grouping = Value::character(std::string(8, ' '));
        Value suite = Value::character(std::string(10, ' '));
        for (;;) {
            if (!limitReportTo(ctx, grouping, suite)) return;
            if (blank(grouping) || blank(suite)) break;
            ui.alert(kNotBoth);
        }

        s.select(assembly);
        QString second;
        if (!blank(suite)) {
            assembly.setFilter("LIB == " + literal(suite.str()));
            second = QStringLiteral("For Suite Code ") + tk::toQ(ds::trimRight(suite.str()));
        } else if (!blank(grouping)) {
            assembly.setFilter("ASSEMCAT == " + literal(grouping.str()));
            second = QStringLiteral("For Configuration Grouping Code ") + tk::toQ(ds::trimRight(grouping.str()));
        } else {
            assembly.setFilter("");
        }
        assembly.goTop();

        const bool preview = ui.noYes(QStringLiteral("Preview Report on Screen"));
        tk::ColumnReport report(QStringLiteral("Configuration List"), preview);
        report.addHeaderLine([second] { return second; });
        report.addHeaderLine([&report] { return QStringLiteral("Page: ") + QString::number(report.page()); });
        report.addFooterLine([values] { return values.package1 + QStringLiteral("  -  ") + values.date; });
        report.addFooterLine([] { return QString(); });
        const auto width = [&assembly](const char* field) {
            const int i = assembly.fieldIndex(field);
            return i < 0 ? 0 : static_cast<int>(assembly.field(i).length);
        };
        for (const auto& [header, field] : {std::pair{"Code", "CODE"}, std::pair{"Description", "DESC"},
                                            std::pair{"Suite", "LIB"}, std::pair{"Type", "ASSEMCAT"}})
            report.addColumn(QString::fromLatin1(header), width(field),
                             [&assembly, field] { return trimmedText(assembly, field); });
        report.addColumn(QStringLiteral("W/R"), 3, [&assembly] {
            const Value v = assembly.fieldValue("WRATED");
            return v.isLogical() && v.boolean() ? QStringLiteral("Y") : QStringLiteral(" ");
        });
        tk::AreaCursor rows(s, assembly);
        rows.top();
        report.run(rows);
    } catch (const rt::DbError& e) {
        ui.alert(QStringLiteral("Unable to print the configuration list. ") + tk::toQ(e.what()));
    }
}

}  // namespace mx::configurations
