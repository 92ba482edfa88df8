// A small screen built the way the real screens are: a list dialog with a
// browse over the parts table, an edit dialog with every kind of control,
// and buttons that show every kind of box. The scripted-session tests and
// the screenshots drive it.
#pragma once

#include <QDir>
#include <stdexcept>

#include "Dialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

namespace mx::tk::test {

class DemoScreen {
public:
    DemoScreen(rt::Session& session, rt::WorkArea& parts, QString printTitle = "Parts List")
        : session_(session), parts_(parts), printTitle_(std::move(printTitle)) {}

    std::vector<MenuItem> menu() {
        return {MenuItem{"&File", {}, {MenuItem{"&Throw", [] { throw std::runtime_error("the disk is on fire"); }}, MenuItem::line(),
                                        MenuItem{"E&xit", [] {
                                            if (MainWindow* main = Ui::instance().mainWindow()) main->close();
                                        }}}},
                MenuItem{"&Demo", {}, {MenuItem{"&Parts", [this] { run(); }}}},
                MenuItem{"&Colours", [] { Ui::instance().chooseColour(); }}};
    }

    // The list screen.
    void run() {
        Ui& ui = Ui::instance();
        Dialog dlg(printTitle_, Box{10, 100, 465, 800});
        Browse* browse = dlg.addBrowse({10, 10, 332.5, 167.5}, session_, parts_,
                                       {{"Code", 80}, {"Description", 180}, {"Qty", 50, Qt::AlignRight}, {"Act", 40}},
                                       [this] {
                                           return std::vector<rt::Value>{parts_.fieldValue("CODE"), parts_.fieldValue("DESC"),
                                                                         parts_.fieldValue("QTY"),
                                                                         rt::Value::character(flags_[parts_.recno()] ? "*" : " ")};
                                       });
        auto view = [this, browse] { edit(browse); };
        browse->onDoubleClick(view);
        KeyMap keys{{HotKeys::Enter, view}, {HotKeys::Insert, {}}, {HotKeys::F2, [this, browse] { search(browse); }},
                    {HotKeys::PageDown, {}}};
        screenKeys_ = keys;
        dlg.setKeys(keys, {{HotKeys::Enter, {}}, {HotKeys::F2, {}}, {HotKeys::PageDown, {}}});
        dlg.addButton({182.5, 10, 45, 12}, "View/&Update", view);
        dlg.addButton({182.5, 60, 45, 12}, "&Delete", [this, browse] {
            if (!Ui::instance().noYes("Delete This Entry?")) return;
            parts_.deleteRecord();
            parts_.commit();
            parts_.skip(1);
            if (parts_.eof()) parts_.goBottom();
            browse->resync();
        });
        dlg.addButton({182.5, 110, 45, 12}, "&Search", [this, browse] { search(browse); });
        dlg.addButton({182.5, 160, 45, 12}, "&Choose", [] { Ui::instance().choice("Search By:", {"&Name", "Nex&t ABC"}); });
        dlg.addButton({182.5, 210, 45, 12}, "Re&port", [this, browse] { browse->print(printTitle_); });
        dlg.addButton({182.5, 260, 45, 12}, "E&xit", [&dlg] { dlg.end(); });
        dlg.addButton({197.5, 10, 45, 12}, "&Boxes", [&ui] {
            ui.info("Saved.");
            ui.alert("No Match Found");
            ui.stop("Disk full");
            ui.timed("Unable to add record.", 1.5);
            ui.waitBox("Mitrex", "Rebuilding Index Files. Please Wait.", [] {});
        });
        dlg.addButton({197.5, 60, 45, 12}, "Cli&p", [&ui] { ui.setClipboard("0F-3"); });
        dlg.addButton({197.5, 110, 45, 12}, "&Run", [&ui] {
            ui.runProgram("/bin/sh", {"-c", "exit 3"});
            ui.runProgram(QDir::tempPath() + "/no-such-dir/browse.pif");
        });
        dlg.addButton({197.5, 160, 45, 12}, "&Tag", [this, browse] {
            flags_[parts_.recno()] = !flags_[parts_.recno()];
            browse->refresh();
        });
        dlg.run();
    }

    void search(Browse* browse) {
        rt::Value text = rt::Value::character(std::string(6, ' '));
        PromptOptions options{"Search", "Part Code", QDir::tempPath() + "/lupa.bmp"};
        if (!Ui::instance().prompt(options, text)) return;
        if (!parts_.seek(rt::Value::character(std::string(text.str().substr(0, text.str().find_last_not_of(' ') + 1))))) {
            Ui::instance().alert("No Match Found");
            parts_.goTop();
        }
        browse->resync();
    }

    // The edit dialog: every kind of control over working copies.
    void edit(Browse* browse) {
        rt::Value code = parts_.fieldValue("CODE"), desc = parts_.fieldValue("DESC"), qty = parts_.fieldValue("QTY");
        rt::Value active = rt::Value::logical(flags_[parts_.recno()]);
        rt::Value kind = rt::Value::character("  ");
        rt::Value note = rt::Value::character("first line\r\nsecond line");
        int group = 1;
        Dialog dlg("Part Details", Box{50, 50, 280, 720});
        auto save = [&] {
            parts_.setField("CODE", code);
            parts_.setField("DESC", desc);
            parts_.setField("QTY", qty);
            parts_.commit();
            flags_[parts_.recno()] = active.boolean();
            dlg.end();
        };
        dlg.setKeys({{HotKeys::Enter, {}}, {HotKeys::Space, {}}, {HotKeys::Insert, {}}, {HotKeys::Delete, {}},
                     {HotKeys::F2, {}}, {HotKeys::PageDown, save}},
                    screenKeys_);
        dlg.addText({7, 10}, "Code:");
        dlg.addField({5, 55, 80, 12}, code, {.name = "CODE", .picture = "@!"});
        dlg.addText({20, 10}, "Description:");
        dlg.addField({18, 55, 150, 12}, desc, {.name = "DESC", .picture = "@X"});
        dlg.addText({33, 10}, "Quantity:");
        dlg.addField({31, 55, 30, 12}, qty, {.name = "QTY", .picture = "999", .valid = [&] {
                                                if (qty.num() <= 500) return true;
                                                Ui::instance().alert("Quantity too large");
                                                return false;
                                            }});
        dlg.addText({46, 10}, "Active:");
        dlg.addCheckBox({44, 55, 12, 12}, active, "", "ACTIVE");
        dlg.addText({59, 10}, "Fin. Type:");
        dlg.addCombo({57, 55, 24, 12}, kind, {"  ", "AP", "PP"}, "FINTYPE");
        dlg.addRadio({5, 230}, group, {"&Extrusion", "&Hardware", "&Glass"}, "KIND");
        dlg.addText({72, 10}, "Notes:");
        dlg.addMemo({70, 55, 150, 25}, note, "NOTE");
        dlg.addButton({100, 10, 45, 12}, "&Save", save);
        dlg.addButton({100, 60, 45, 12}, "&Cancel", [&dlg] { dlg.reject(); });
        dlg.run();
        lastKind = kind.str();
        lastGroup = group;
        lastNote = note.str();
        browse->refresh();
    }

    std::string lastKind, lastNote;
    int lastGroup = 0;

private:
    rt::Session& session_;
    rt::WorkArea& parts_;
    QString printTitle_;
    KeyMap screenKeys_;
    std::map<std::uint32_t, bool> flags_;
};

}  // namespace mx::tk::test
