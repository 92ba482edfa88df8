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
        edit.onLockFailure(ia::LockFailure::Quiet);
        tk::Dialog& dlg = edit.dialog();
        auto number = [&](int k, double col, const char* caption, const char* field, double width = 30) {
            dlg.addText({labelRow(k), col}, QString::fromUtf8(caption));
            dlg.addField({fieldRow(k), col + 45, width, 12}, edit[field],
                         {.name = QString::fromUtf8(field), .picture = "999999"});
        };
        dlg.addText({labelRow(0), 10}, QStringLiteral("Code:"));
        showOnly(dlg, {fieldRow(0), 55, 80, 12}, code, "CODE");
        dlg.addText({labelRow(1), 10}, QStringLiteral("Description:"));
        showOnly(dlg, {fieldRow(1), 55, 150, 12}, desc, "DESC");
        // The size ranges, each row followed by its option on the right, so
        // that the tab order runs along the rows.
        auto option = [&](int k, char c) {
            const std::string flag = "L" + letter(c), caption = flag + "DESC";
            dlg.addText({labelRow(k), 182}, QStringLiteral("Option %1:").arg(QChar(c)));
            dlg.addField({fieldRow(k), 222, 12, 12}, edit[flag], {.name = QString::fromStdString(flag), .picture = "Y"});
            dlg.addField({fieldRow(k), 237, 90, 12}, edit[caption],
                         {.name = QString::fromStdString(caption), .picture = "@X"});
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
        dlg.addText({labelRow(8), 10}, QStringLiteral("Glass Min:"));
        dlg.addField({fieldRow(8), 55, 20, 12}, edit["GLASSMIN"], {.name = "GLASSMIN", .picture = "999"});
        option(8, 'G');
        dlg.addText({labelRow(9), 10}, QStringLiteral("Man. Panel:"));
        dlg.addField({fieldRow(9), 55, 12, 12}, edit["MANPANEL"], {.name = "MANPANEL", .picture = "Y"});
        option(9, 'H');
        dlg.addText({labelRow(10), 10}, QStringLiteral("Stud Openings:"));
        dlg.addText({labelRow(10), 65}, QStringLiteral("Height:"));
        dlg.addField({fieldRow(10), 92, 25, 12}, edit["STUDHT"], {.name = "STUDHT", .picture = "9999"});
        dlg.addText({labelRow(10), 125}, QStringLiteral("Width:"));
        dlg.addField({fieldRow(10), 150, 25, 12}, edit["STUDWD"], {.name = "STUDWD", .picture = "9999"});
        option(10, 'I');
        dlg.addText({labelRow(11), 10}, QStringLiteral("Lock Labour:"));
        dlg.addField({fieldRow(11), 55, 12, 12}, edit["LOCLABOUR"], {.name = "LOCLABOUR", .picture = "Y"});
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
        edit.onLockFailure(ia::LockFailure::Quiet);
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
            dlg.addText({labelRow(k), 10}, QString::fromUtf8(caption));
            return dlg.addField({fieldRow(k), 70, 12, 12}, edit[field], {.name = QString::fromUtf8(field), .picture = "Y"});
        };
        // The column headings over minimum, maximum and default.
        constexpr double minCol = 238, maxCol = 268, defCol = 298;
        dlg.addText({labelRow(3), minCol}, QStringLiteral("Min:"));
        dlg.addText({labelRow(3), maxCol}, QStringLiteral("Max:"));
        dlg.addText({labelRow(3), defCol}, QStringLiteral("Def:"));
        auto extra = [&](int k, char c) {
            const std::string l = letter(c);
            dlg.addText({labelRow(k), 108}, QStringLiteral("Include %1:").arg(QChar(c)));
            dlg.addField({fieldRow(k), 150, 12, 12}, edit["INC" + l], {.name = QString::fromStdString("INC" + l), .picture = "Y"});
            dlg.addField({fieldRow(k), 165, 70, 12}, edit[l + "DESC"], {.name = QString::fromStdString(l + "DESC"), .picture = "@X"});
            const double cols[] = {minCol, maxCol, defCol};
            const char* parts[] = {"MIN", "MAX", "DEF"};
            for (int i = 0; i < 3; ++i)
                dlg.addField({fieldRow(k), cols[i], 28, 12}, edit[l + parts[i]],
                             {.name = QString::fromStdString(l + parts[i]), .picture = "999999"});
        };
        // Left column from the fourth row; the extras from the fifth, so that
        // the tab order runs along the rows.
        const char* left[][2] = {{"Include W/S:", "WS"},     {"Include Depth:", "LD"},  {"Include F/S:", "FS"},
                                 {"Include S/S:", "SS"},     {"Include Reveals:", "INCR"}, {"Colonial Bars:", "CB"},
                                 {"Safety Glass:", "SGLAS"}, {"Include Glass:", "GLASS"}, {"Louvred Glass:", "LOUVRE"}};
        auto leftItem = [&](int i) {
            const int k = 3 + i;
            if (i == 9) {
                dlg.addText({labelRow(k), 10}, QStringLiteral("Blade Height:"));
                dlg.addField({fieldRow(k), 70, 20, 12}, edit["BLADEWIDTH"], {.name = "BLADEWIDTH", .picture = "999"});
                return;
            }
            include(k, left[i][0], left[i][1]);
            if (i == 4) {
                Value& rdim = edit["RDIM"];
                dlg.addField({fieldRow(k), 85, 12, 12}, rdim,
                             {.name = "RDIM", .picture = "!", .valid = [&rdim] { return revealCodeAllowed(rdim); }});
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
            dlg.addText({labelRow(k), col}, QString::fromUtf8(caption));
            dlg.addField({fieldRow(k), col + 28, 20, 12}, edit[field], {.name = QString::fromUtf8(field), .picture = "999"});
        };
        dlg.addText({labelRow(15), 10}, QStringLiteral("Frame Thicknesses:"));
        thickness(16, 10, "Head:", "HEAD");
        thickness(16, 70, "Jamb:", "JAMB");
        thickness(17, 10, "Sill:", "SILL");
        thickness(17, 70, "Reveal:", "REVEAL");
        dlg.addText({labelRow(16), 150}, QStringLiteral("Panels:"));
        dlg.addField({fieldRow(16), 180, 12, 12}, edit["PANELS"], {.name = "PANELS", .picture = "9"});
        dlg.addText({labelRow(17), 150}, QStringLiteral("(Wardrobes Only)"));
        edit.addSaveCancel({250, 10, 45, 12}, {250, 60, 45, 12});
        edit.run(screen, list);
    });
}

}  // namespace mx::configurations
