// The Options and Extras dialogs (see OptionsExtras.h).
#include "OptionsExtras.h"

#include "CurrentConfiguration.h"
#include "Dialog.h"
#include "EditDialog.h"
#include "Guarded.h"
#include "Text.h"

namespace mx::configurations {

namespace {

using rt::Value;

std::string letter(char c) { return std::string(1, c); }

// Label rows 13 units apart; fields stand 2 units higher than their labels.
double labelRow(int k) { return 13.0 * k + 7; }
double fieldRow(int k) { return 13.0 * k + 5; }

// A field that shows a value and is not edited: not a stop of the Tab key,
// so the cursor starts in the first field the user edits.
void showOnly(tk::Dialog& dlg, const tk::Place& at, Value& value, const char* name) {
    dlg.addField(at, value, {.name = QString::fromUtf8(name), .readOnly = true})->setFocusPolicy(Qt::NoFocus);
}

// The letters of the extras the dialog shows; D and H are only carried.
constexpr const char kExtraLetters[] = "ABCEFGIJKL";

std::vector<std::string> buildOptionsFields() {
    std::vector<std::string> f;
    for (char c = 'A'; c <= 'J'; ++c) f.push_back("L" + letter(c));
    for (char c = 'A'; c <= 'J'; ++c) f.push_back("L" + letter(c) + "DESC");
    for (const char* dim : {"HT", "WD", "DP"})
        for (const char* part : {"MIN", "DEF", "MAX"}) f.push_back(std::string(dim) + part);
    for (const char* name : {"GLASSMIN", "MANPANEL", "STUDHT", "STUDWD", "LOCLABOUR"}) f.push_back(name);
    return f;
}

std::vector<std::string> buildExtrasFields() {
    std::vector<std::string> f = {"CODE",      "DESC",  "LIB",    "ASSEMCAT", "WSPEED",   "PRICE",   "COSTPRICE",
                                  "WRATED",    "STYPE", "STYPE2", "SECTION",  "SECTIONA", "SHOWER",  "ENFWIDTH"};
    for (const std::string& o : optionsFields()) f.push_back(o);
    // Every letter A to L: the shown ones and D and H, which are carried.
    for (char c = 'A'; c <= 'L'; ++c) {
        const std::string l = letter(c);
        f.push_back("INC" + l);
        if (c != 'D') f.push_back(l + "DESC");
        for (const char* part : {"MIN", "MAX", "DEF"}) f.push_back(l + part);
        f.push_back("C" + l + "DEF");
    }
    for (const char* name : {"WS", "FS", "SS", "INCR", "RDIM", "CB", "SGLAS", "GLASS", "LOUVRE", "BLADEWIDTH", "HEAD",
                             "SILL", "JAMB", "REVEAL", "PANELS"})
        f.push_back(name);
    for (const char* name : {"WSPEED2", "PRICE2", "COSTPRICE2", "DEMO", "NOTES", "SHOWCUT", "MAXPASCALS", "KIT"})
        f.push_back(name);
    return f;
}

// The reveal code beside "Include Reveals:": blank, A, B, C or X.
bool revealCodeAllowed(const Value& v) {
    const std::string c = ds::allTrim(v.str());
    return c.empty() || c == "A" || c == "B" || c == "C" || c == "X";
}

}  // namespace

const std::vector<std::string>& optionsFields() {
    static const std::vector<std::string> fields = buildOptionsFields();
    return fields;
}

const std::vector<std::string>& extrasFields() {
    static const std::vector<std::string> fields = buildExtrasFields();
    return fields;
}

void ASSOEDIT(ds::DataContext& ctx, const CurrentConfiguration& current, const ia::ScreenKeys& screen, tk::Browse* list) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = ctx.session.openArea("ASSEMBLY");
        Value code = assembly.fieldValue("CODE"), desc = assembly.fieldValue("DESC");  // shown only

        ia::EditDialog edit(ctx, assembly, current.title("Options for "), tk::Box{60, 30, 530, 700});
        edit.copy(optionsFields());
        tk::Dialog& dlg = edit.dialog();
        auto number = [&](int k, double col, const char* caption, const char* field) {
            edit.addRow(k, col, QString::fromUtf8(caption), {{field, col + 45, 30, QStringLiteral("999999")}});
        };
        dlg.addText({labelRow(0), 10}, QStringLiteral("Code:"));
        showOnly(dlg, {fieldRow(0), 55, 80, 12}, code, "CODE");
        dlg.addText({labelRow(1), 10}, QStringLiteral("Description:"));
        showOnly(dlg, {fieldRow(1), 55, 150, 12}, desc, "DESC");
        // The size ranges, each row followed by its option on the right, so
        // that the tab order runs along the rows.
        auto option = [&](int k, char c) {
            const std::string flag = "L" + letter(c), caption = flag + "DESC";
            edit.addRow(k, 182, QStringLiteral("Option %1:").arg(QChar(c)),
                        {{flag.c_str(), 222, 12, QStringLiteral("Y")}, {caption.c_str(), 237, 90, QStringLiteral("@X")}});
        };
        number(2, 10, "Height Min:", "HTMIN");
        number(2, 95, "Height Def:", "HTDEF");
        option(2, 'A');
        number(3, 10, "Height Max:", "HTMAX");
        option(3, 'B');
        number(4, 10, "Width Min:", "WDMIN");
        number(4, 95, "Width Def:", "WDDEF");
        option(4, 'C');
        number(5, 10, "Width Max:", "WDMAX");
        option(5, 'D');
        number(6, 10, "Depth Min:", "DPMIN");
        number(6, 95, "Depth Def:", "DPDEF");
        option(6, 'E');
        number(7, 10, "Depth Max:", "DPMAX");
        option(7, 'F');
        edit.addRow(8, 10, QStringLiteral("Glass Min:"), {{"GLASSMIN", 55, 20, QStringLiteral("999")}});
        option(8, 'G');
        edit.addRow(9, 10, QStringLiteral("Man. Panel:"), {{"MANPANEL", 55, 12, QStringLiteral("Y")}});
        option(9, 'H');
        dlg.addText({labelRow(10), 10}, QStringLiteral("Stud Openings:"));
        edit.addRow(10, 65, QStringLiteral("Height:"), {{"STUDHT", 92, 25, QStringLiteral("9999")}});
        edit.addRow(10, 125, QStringLiteral("Width:"), {{"STUDWD", 150, 25, QStringLiteral("9999")}});
        option(10, 'I');
        edit.addRow(11, 10, QStringLiteral("Lock Labour:"), {{"LOCLABOUR", 55, 12, QStringLiteral("Y")}});
        option(11, 'J');
        edit.addSaveCancel({175, 10, 45, 12}, {175, 60, 45, 12});
        edit.run(screen, list);
    });
}

void ASSDEDIT(ds::DataContext& ctx, const CurrentConfiguration& current, const ia::ScreenKeys& screen, tk::Browse* list) {
    ia::guarded(ctx, [&] {
        rt::WorkArea& assembly = ctx.session.openArea("ASSEMBLY");

        ia::EditDialog edit(ctx, assembly, current.title("Extras for "), tk::Box{60, 30, 600, 690});
        edit.copy(extrasFields());
        edit.writeAllExcept({"SECTION", "SECTIONA"});
        tk::Dialog& dlg = edit.dialog();
        // Shown, not edited: copies of their own, so nothing typed could reach them.
        Value code = edit["CODE"], desc = edit["DESC"], type = edit["ASSEMCAT"];
        dlg.addText({labelRow(0), 10}, QStringLiteral("Code:"));
        showOnly(dlg, {fieldRow(0), 55, 80, 12}, code, "CODE");
        dlg.addText({labelRow(1), 10}, QStringLiteral("Description:"));
        showOnly(dlg, {fieldRow(1), 55, 150, 12}, desc, "DESC");
        dlg.addText({labelRow(2), 10}, QStringLiteral("Type:"));
        showOnly(dlg, {fieldRow(2), 55, 50, 12}, type, "ASSEMCAT");

        auto include = [&](int k, const char* caption, const char* field) {
            edit.addRow(k, 10, QString::fromUtf8(caption), {{field, 70, 12, QStringLiteral("Y")}});
        };
        // The column headings over minimum, maximum and default.
        constexpr double minCol = 238, maxCol = 268, defCol = 298;
        dlg.addText({labelRow(3), minCol}, QStringLiteral("Min:"));
        dlg.addText({labelRow(3), maxCol}, QStringLiteral("Max:"));
        dlg.addText({labelRow(3), defCol}, QStringLiteral("Def:"));
        auto extra = [&](int k, char c) {
            const std::string l = letter(c), inc = "INC" + l, desc = l + "DESC", min = l + "MIN", max = l + "MAX",
                              def = l + "DEF";
            const QString number = QStringLiteral("999999");
            edit.addRow(k, 108, QStringLiteral("Include %1:").arg(QChar(c)),
                        {{inc.c_str(), 150, 12, QStringLiteral("Y")},
                         {desc.c_str(), 165, 70, QStringLiteral("@X")},
                         {min.c_str(), minCol, 28, number},
                         {max.c_str(), maxCol, 28, number},
                         {def.c_str(), defCol, 28, number}});
        };
        // Left column from the fourth row; the extras from the fifth, so that
        // the tab order runs along the rows.
        const char* left[][2] = {{"Include W/S:", "WS"},     {"Include Depth:", "LD"},  {"Include F/S:", "FS"},
                                 {"Include S/S:", "SS"},     {"Include Reveals:", "INCR"}, {"Colonial Bars:", "CB"},
                                 {"Safety Glass:", "SGLAS"}, {"Include Glass:", "GLASS"}, {"Louvred Glass:", "LOUVRE"}};
        auto leftItem = [&](int i) {
            const int k = 3 + i;
            if (i == 9) return edit.addRow(k, 10, QStringLiteral("Blade Height:"), {{"BLADEWIDTH", 70, 20, QStringLiteral("999")}});
            include(k, left[i][0], left[i][1]);
            if (i == 4) {
                Value& rdim = edit["RDIM"];
                edit.addRow(k, 0, {}, {{"RDIM", 85, 12, QStringLiteral("!"), [&rdim] { return revealCodeAllowed(rdim); }}});
            }
        };
        leftItem(0);
        for (int i = 0; i < 10; ++i) {
            if (i < 9) leftItem(i + 1);
            extra(4 + i, kExtraLetters[i]);
        }
        // Frame thicknesses: head and sill in the first column, jamb and
        // reveal in the second; the wardrobe panels to the right.
        auto thickness = [&](int k, double col, const char* caption, const char* field) {
            edit.addRow(k, col, QString::fromUtf8(caption), {{field, col + 28, 20, QStringLiteral("999")}});
        };
        dlg.addText({labelRow(15), 10}, QStringLiteral("Frame Thicknesses:"));
        thickness(16, 10, "Head:", "HEAD");
        thickness(16, 70, "Jamb:", "JAMB");
        thickness(17, 10, "Sill:", "SILL");
        thickness(17, 70, "Reveal:", "REVEAL");
        edit.addRow(16, 150, QStringLiteral("Panels:"), {{"PANELS", 180, 12, QStringLiteral("9")}});
        dlg.addText({labelRow(17), 150}, QStringLiteral("(Wardrobes Only)"));
        edit.addSaveCancel({250, 10, 45, 12}, {250, 60, 45, 12});
        edit.run(screen, list);
    });
}

}  // namespace mx::configurations
