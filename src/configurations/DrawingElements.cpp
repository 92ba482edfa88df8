// The Drawing Elements screen, the element dialog and the copy (see
// DrawingElements.h).
#include "DrawingElements.h"

#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <map>

#include "CurrentConfiguration.h"
#include "Dialog.h"
#include "DrawingPreview.h"
#include "EditDialog.h"
#include "Error.h"
#include "Geometry.h"
#include "Guarded.h"
#include "LineScreen.h"
#include "ListScreen.h"
#include "Opening.h"
#include "RecordServices.h"
#include "Text.h"
#include "TextCodec.h"
#include "Transcript.h"
#include "Ui.h"

namespace mx::configurations {

namespace {

using rt::Value;

// The fields an element dialog copies and a copy duplicates.
const std::vector<std::string> kElementFields = {"TYPE", "FROMROW", "FROMCOL", "TOROW", "TOCOL", "FN", "CONDITION"};

// The dialog's texts: field and caption, in tab order.
struct TextField {
    const char* field;
    const char* caption;
};
constexpr TextField kTextFields[] = {{"FROMROW", "From Row:"}, {"FROMCOL", "From Col:"}, {"TOROW", "To Row:"},
                                     {"TOCOL", "To Col:"},     {"FN", "Function:"},      {"CONDITION", "Condition:"}};

// Keystrokes are drawn once they pause this long (milliseconds).
constexpr int kTypingPause = 50;

// The record of an area put back on every way out.
struct RecordBack {
    rt::WorkArea& area;
    std::uint32_t recno;
    explicit RecordBack(rt::WorkArea& a) : area(a), recno(a.recno()) {}
    ~RecordBack() {
        try {
            area.goTo(recno);
        } catch (const rt::DbError&) {
        }
    }
};

DrawingElement typedElement(const ia::WorkingValues& v, std::uint32_t recno) {
    DrawingElement e;
    e.recno = recno;
    e.type = v["TYPE"].str();
    e.fromRow = v["FROMROW"].str();
    e.fromCol = v["FROMCOL"].str();
    e.toRow = v["TOROW"].str();
    e.toCol = v["TOCOL"].str();
    e.fn = v["FN"].str();
    e.condition = v["CONDITION"].str();
    return e;
}

// A read-only field the script's dump shows, not a stop of the Tab key.
tk::EditField* shownField(tk::Dialog& dlg, const tk::Place& at, Value& value, const char* name) {
    tk::EditField* f = dlg.addField(at, value, {.name = QString::fromUtf8(name), .readOnly = true});
    f->setFocusPolicy(Qt::NoFocus);
    return f;
}

DrawingPreview* addPreview(tk::Dialog& dlg, const tk::Place& at) {
    auto* p = new DrawingPreview(&dlg);
    p->setGeometry(tk::Geometry::place(at, dlg.unit()));
    return p;
}

QLabel* faultLabel(tk::Dialog& dlg, const tk::Place& at) {
    QLabel* l = dlg.addText(at, {});
    l->setStyleSheet(QStringLiteral("color: #c00000"));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// Where the fault is and why, for the place under its field.
QString faultReason(const DrawingFailure& f) {
    const QString reason = tk::toQ(f.reason.empty() ? f.why : f.reason);
    if (f.position < 0) return reason;
    return QStringLiteral("at position %1: %2").arg(f.position).arg(reason);
}

// Where the drawing stopped, if it did; `self` is the element a dialog edits.
QString drawingStop(const Drawing& d, std::uint32_t self = 0) {
    if (!d.failure) return {};
    const QString where = d.failure->recno == self ? QStringLiteral("this element")
                                                   : QStringLiteral("assdraw record %1").arg(d.failure->recno);
    return QStringLiteral("The drawing stops at %1: %2").arg(where, faultText(*d.failure));
}

}  // namespace

std::vector<DrawingElement> readElements(rt::WorkArea& assdraw, const Value& code) {
    RecordBack back(assdraw);
    std::vector<DrawingElement> out;
    const std::string wanted = ds::trimRight(code.str());
    for (assdraw.seek(code, false); !assdraw.eof(); assdraw.skip()) {
        if (ds::trimRight(assdraw.fieldValue("ASSCODE").str()) != wanted) break;
        out.push_back(drawingElement(assdraw));
    }
    return out;
}

Drawing drawOver(rt::WorkArea& assdraw, std::span<const DrawingElement> elements, const DrawingValues& values,
                 const DrawingHosts& hosts, const DrawingElement* typed) {
    RecordBack back(assdraw);
    std::size_t i = 0;
    bool typedDrawn = typed == nullptr;
    return drawElements(
        [&](DrawingElement& e) {
            if (i < elements.size()) {
                const DrawingElement& stored = elements[i++];
                if (stored.recno > 0) assdraw.goTo(stored.recno);
                if (typed && stored.recno == typed->recno) {
                    e = *typed;
                    typedDrawn = true;
                } else {
                    e = stored;
                }
                return true;
            }
            if (typedDrawn) return false;
            typedDrawn = true;
            e = *typed;
            return true;
        },
        values, hosts);
}

QString segmentCount(std::size_t n) {
    return n == 1 ? QStringLiteral("1 segment") : QStringLiteral("%1 segments").arg(n);
}

QString faultText(const DrawingFailure& f) {
    return QStringLiteral("%1 \"%2\": %3").arg(tk::toQ(f.field), tk::toQ(f.text), faultReason(f));
}

// ---- the model

DrawingModel::DrawingModel(rt::Session& session, rt::WorkArea& assembly, rt::WorkArea& assdraw)
    : session_(session),
      assembly_(assembly),
      assdraw_(assdraw),
      code_(assembly.fieldValue("CODE")),
      sheet_(drawingValues(assembly)),
      h_(sheet_.H),
      w_(sheet_.W),
      d_(sheet_.D),
      conditions_(areaHost(session, assembly)),
      coordinates_(areaHost(session, assdraw)) {}

DrawingValues DrawingModel::values() const {
    DrawingValues v = sheet_;
    v.H = h_;
    v.W = w_;
    v.D = d_;
    return v;
}

void DrawingModel::setDimensions(double h, double w, double d) {
    h_ = h;
    w_ = w;
    d_ = d;
}

void DrawingModel::reload() {
    recordsSeen_ = assdraw_.recordCount();
    elements_ = readElements(assdraw_, code_);
    redraw();
    // What makes a text fail (syntax, names, types) does not hang on the
    // dimension values: the faults are counted when the elements are read.
    const DrawingValues v = values();
    RecordBack back(assdraw_);
    faults_ = 0;
    for (const DrawingElement& e : elements_) {
        assdraw_.goTo(e.recno);
        if (checkElement(e, v, hosts())) ++faults_;
    }
}

void DrawingModel::redraw() { drawing_ = drawOver(assdraw_, elements_, values(), hosts()); }

bool DrawingModel::stale() const { return assdraw_.recordCount() != recordsSeen_; }

// ---- the copy

bool ASSDCOPY(ds::DataContext& ctx, tk::Browse& list) {
    bool copied = false;
    ia::guarded(ctx, [&] {
        const auto current = CurrentConfiguration::read(ctx);
        rt::WorkArea& assdraw = list.area();
        if (!current || assdraw.eof()) return;
        std::vector<std::pair<std::string, Value>> fields;
        for (const std::string& f : kElementFields) fields.emplace_back(f, assdraw.fieldValue(f));
        copied = appendLine(ctx, assdraw, *current, fields);
    });
    list.resync();
    return copied;
}

// ---- the element dialog

void ASSDUPD(ds::DataContext& ctx, tk::Browse& list, const ia::ScreenKeys& screen, DrawingModel& model, bool adding) {
    bool shown = false;
    std::uint32_t added = 0;
    ia::guarded(ctx, [&] {
        const auto current = CurrentConfiguration::read(ctx);
        if (!current) return;
        rt::WorkArea& assdraw = list.area();
        ctx.session.select(assdraw);
        if (adding) {
            if (!appendLine(ctx, assdraw, *current, {{"TYPE", Value::character("LINE")}})) return;
            added = assdraw.recno();
            list.resync();
        }
        if (assdraw.eof()) return;
        const std::uint32_t recno = assdraw.recno();
        const std::vector<DrawingElement> elements = readElements(assdraw, current->code);

        ia::EditDialog edit(ctx, assdraw, QString::fromUtf8(kElementTitle), tk::Box{60, 40, 480, 980});
        edit.copy(kElementFields);
        std::map<std::string, Value> copied;
        for (const std::string& f : kElementFields) copied[f] = edit[f];
        tk::Dialog& dlg = edit.dialog();

        constexpr double col = 55, width = 185;
        auto rowAt = [](int k) { return 5.0 + 22 * k; };
        dlg.addText({rowAt(0) + 2, 10}, QStringLiteral("Type:"));
        QStringList types;
        for (const std::string& t : drawingTypes()) types << tk::toQ(t);
        tk::ComboBox* type = dlg.addCombo({rowAt(0), col, 70, 12}, edit["TYPE"], types, QStringLiteral("TYPE"));
        std::map<std::string, QLabel*> faults;
        std::map<std::string, tk::EditField*> controls;
        faults["TYPE"] = faultLabel(dlg, {rowAt(0) + 13, col, width, 8});

        QTimer typing;
        typing.setSingleShot(true);
        typing.setInterval(kTypingPause);
        DrawingPreview* preview = addPreview(dlg, {5, 250, 210, 150});
        preview->setHighlight(recno);
        Value previewText = Value::character("");
        tk::EditField* previewField = nullptr;
        QLabel* stop = nullptr;

        // The texts checked and the drawing redrawn with the element as typed.
        auto update = [&] {
            const DrawingValues values = model.values();
            const DrawingElement typed = typedElement(edit.values(), recno);
            try {
                const std::string kind = ds::trimRight(typed.type);
                const auto& kinds = drawingTypes();
                faults["TYPE"]->setText(std::find(kinds.begin(), kinds.end(), kind) == kinds.end()
                                            ? QStringLiteral("not a kind of element")
                                            : QString());
                for (const TextField& t : kTextFields) {
                    std::optional<DrawingFailure> f;
                    if (std::string_view(t.field) != "FN" || kind == "FUNCTION")
                        f = checkText(t.field, edit[t.field].str(), values, model.hosts());
                    faults[t.field]->setText(f ? faultReason(*f) : QString());
                }
                const Drawing drawing = drawOver(assdraw, elements, values, model.hosts(), &typed);
                previewText = Value::character(tk::fromQ(segmentCount(drawing.segments.size())));
                stop->setText(drawingStop(drawing, recno));
                preview->setDrawing(drawing);
            } catch (const rt::DbError& e) {
                stop->setText(tk::toQ(e.what()));
            }
            if (previewField) previewField->load();
        };

        for (int k = 0; k < 6; ++k) {
            const TextField& t = kTextFields[k];
            dlg.addText({rowAt(k + 1) + 2, 10}, QString::fromUtf8(t.caption));
            tk::EditField* f = dlg.addField({rowAt(k + 1), col, width, 12}, edit[t.field],
                                            {.name = QString::fromUtf8(t.field), .valid = [&update, &typing] {
                                                 typing.stop();
                                                 update();
                                                 return true;
                                             }});
            QObject::connect(f, &QLineEdit::textEdited, &typing, qOverload<>(&QTimer::start));
            controls[t.field] = f;
            faults[t.field] = faultLabel(dlg, {rowAt(k + 1) + 13, col, width, 8});
        }
        QObject::connect(&typing, &QTimer::timeout, &dlg, update);
        QObject::connect(type, &QComboBox::activated, &dlg, update);
        dlg.addText({162, 250}, QStringLiteral("Preview:"));
        previewField = shownField(dlg, {160, 285, 80, 12}, previewText, "PREVIEW");
        stop = faultLabel(dlg, {175, 250, 210, 24});
        update();

        tk::Ui& ui = tk::Ui::instance();
        edit.setSaveCheck([&] {
            const DrawingElement typed = typedElement(edit.values(), recno);
            std::optional<DrawingFailure> f;
            try {
                f = checkElement(typed, model.values(), model.hosts());
            } catch (const rt::DbError& e) {
                ui.alert(QStringLiteral("The element cannot be saved. %1").arg(tk::toQ(e.what())));
                return false;
            }
            if (f) {
                if (tk::Transcript* t = ui.transcript()) t->invalid(tk::toQ(f->field), tk::toQ(f->text));
                ui.alert(QStringLiteral("The element cannot be saved.\n%1").arg(faultText(*f)));
                auto control = controls.find(f->field);
                if (control != controls.end()) control->second->setFocus(Qt::OtherFocusReason);
                else type->setFocus(Qt::OtherFocusReason);
                return false;
            }
            // Only what this dialog changed is written: a field another
            // workstation changed meanwhile and this one left keeps its value.
            std::vector<std::string> changed;
            for (const std::string& name : kElementFields)
                if (!(edit[name] == copied[name])) changed.push_back(name);
            edit.writeOnly(changed);
            return true;
        });
        edit.addSaveCancel({rowAt(7) + 5, 10, 45, 12}, {rowAt(7) + 5, 60, 45, 12});
        shown = true;
        const ia::EditOutcome outcome = edit.run(screen, &list);
        // A cancelled Add leaves no blank element behind.
        if (added != 0 && outcome != ia::EditOutcome::Saved) {
            ctx.session.select(assdraw);
            assdraw.goTo(added);
            if (ds::RECLOCK(ctx, 2)) {
                assdraw.deleteRecord();
                assdraw.commit();
                assdraw.unlock();
            }
            assdraw.skip(-1);
            const std::string code = ds::trimRight(current->code.str());
            if (assdraw.bof() || assdraw.eof() || ds::trimRight(assdraw.fieldValue("ASSCODE").str()) != code)
                assdraw.seek(current->code, false);
            list.resync();
        }
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

// ---- the screen

void ASSDRAW(ds::DataContext& ctx, const std::function<void()>& dataSheet) {
    if (const auto current = CurrentConfiguration::read(ctx)) ASSDRAW(ctx, *current, dataSheet);
}

void ASSDRAW(ds::DataContext& ctx, const CurrentConfiguration& configuration, const std::function<void()>& dataSheet) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    if (!s.area("ASSDRAW") && !ds::OPNALIAS(ctx, "assdraw", false, true)) return;
    rt::WorkArea& assembly = s.openArea("ASSEMBLY");
    rt::WorkArea& assdraw = s.openArea("ASSDRAW");
    ia::RestrictionKept restriction(assdraw);
    s.select(assdraw);
    if (!assdraw.filterText().empty()) assdraw.setFilter("");
    if (assdraw.order() != 1) assdraw.setOrder(1);
    assdraw.seek(configuration.code, false);
    DrawingModel model(s, assembly, assdraw);

    const QString title =
        QString::fromUtf8(kDrawingTitlePrefix) + tk::toQ(configuration.desc) + QString::fromUtf8(kDrawingTitleSuffix);
    ia::ListScreen screen(ctx, title, tk::Box{40, 10, 480, 990});
    tk::Dialog& dlg = screen.dialog();

    DrawingPreview* preview = nullptr;
    tk::EditField *previewField = nullptr, *elementsField = nullptr;
    QLabel* stop = nullptr;
    Value previewText = Value::character(""), elementsText = Value::character("");
    auto show = [&] {
        if (!preview) return;
        const Drawing& d = model.drawing();
        preview->setDrawing(d);
        preview->setHighlight(assdraw.eof() ? 0 : assdraw.recno());
        previewText = Value::character(tk::fromQ(segmentCount(d.segments.size())));
        const std::size_t n = model.elements().size();
        QString elements = n == 1 ? QStringLiteral("1 element") : QStringLiteral("%1 elements").arg(n);
        if (model.faults() > 0)
            elements += QStringLiteral(", %1 cannot be drawn (marked !)").arg(model.faults());
        elementsText = Value::character(tk::fromQ(elements));
        stop->setText(drawingStop(d));
        previewField->load();
        elementsField->load();
    };
    auto reload = [&] {
        ia::guarded(ctx, [&] { model.reload(); });
        show();
    };
    auto redraw = [&] {
        ia::guarded(ctx, [&] { model.redraw(); });
        show();
    };

    screen.setActions({.viewUpdate = screen.onList([&](tk::Browse& l) {
                           ASSDUPD(ctx, l, screen.keys(), model, false);
                           reload();
                       }),
                       .add = screen.onList([&](tk::Browse& l) {
                           ASSDUPD(ctx, l, screen.keys(), model, true);
                           reload();
                       }),
                       .remove = screen.onList([&](tk::Browse& l) {
                           deleteOwnedLine(ctx, l, configuration, QString::fromUtf8(kDeleteElementQuestion));
                           screen.restore();
                           reload();
                       }),
                       .search = {}});

    tk::Browse& list = screen.addList({10, 10, 300, 165}, assdraw,
                                      {{QStringLiteral("!"), 16}, {QStringLiteral("Type"), 74},
                                       {QStringLiteral("From Row"), 67}, {QStringLiteral("From Col"), 67},
                                       {QStringLiteral("To Row"), 67}, {QStringLiteral("To Col"), 67},
                                       {QStringLiteral("Function"), 100}, {QStringLiteral("Condition"), 100}},
                                      [&assdraw, &model] {
                                          const DrawingElement e = drawingElement(assdraw);
                                          bool fault = true;
                                          try {
                                              fault = checkElement(e, model.values(), model.hosts()).has_value();
                                          } catch (const rt::DbError&) {
                                          }
                                          return std::vector<Value>{Value::character(fault ? "!" : " "),
                                                                    assdraw.fieldValue("TYPE"),
                                                                    assdraw.fieldValue("FROMROW"),
                                                                    assdraw.fieldValue("FROMCOL"),
                                                                    assdraw.fieldValue("TOROW"),
                                                                    assdraw.fieldValue("TOCOL"),
                                                                    assdraw.fieldValue("FN"),
                                                                    assdraw.fieldValue("CONDITION")};
                                      });
    list.setScope("assdraw->Asscode", configuration.code, configuration.code);
    // Another workstation's new element is drawn after the next move.
    list.onChange([&] {
        if (!preview) return;
        bool stale = false;
        ia::guarded(ctx, [&] { stale = model.stale(); });
        if (stale) reload();
        preview->setHighlight(assdraw.eof() ? 0 : assdraw.recno());
    });

    // The preview and its dimension values, beside the list.
    preview = addPreview(dlg, {10, 320, 160, 135});
    const DrawingValues sheet = model.sheetValues();
    Value h = Value::numeric(sheet.H, 8, 2), w = Value::numeric(sheet.W, 8, 2), d = Value::numeric(sheet.D, 8, 2);
    QTimer typing;
    typing.setSingleShot(true);
    typing.setInterval(kTypingPause);
    auto dimensions = [&] {
        typing.stop();
        model.setDimensions(h.num(), w.num(), d.num());
        redraw();
    };
    QObject::connect(&typing, &QTimer::timeout, &dlg, dimensions);
    const std::pair<const char*, Value*> letters[] = {{"H", &h}, {"W", &w}, {"D", &d}};
    double col = 320;
    for (const auto& [name, value] : letters) {
        dlg.addText({152, col}, QString::fromUtf8(name) + QLatin1Char(':'));
        tk::EditField* f = dlg.addField({150, col + 10, 40, 12}, *value,
                                        {.name = QString::fromUtf8(name), .picture = QStringLiteral("99999.99"),
                                         .valid = [&dimensions] {
                                             dimensions();
                                             return true;
                                         }});
        QObject::connect(f, &QLineEdit::textEdited, &typing, qOverload<>(&QTimer::start));
        col += 55;
    }
    dlg.addText({167, 320}, QStringLiteral("Preview:"));
    previewField = shownField(dlg, {165, 355, 125, 12}, previewText, "PREVIEW");
    stop = faultLabel(dlg, {180, 320, 160, 28});
    elementsField = shownField(dlg, {196, 10, 300, 12}, elementsText, "ELEMENTS");

    tk::Ui& ui = tk::Ui::instance();
    screen.addButtons(180, 10,
                      {{QStringLiteral("&Add"), screen.actions().add},
                       {QStringLiteral("View/&Update"), screen.actions().viewUpdate},
                       {QStringLiteral("&Delete"), screen.actions().remove},
                       {QStringLiteral("Cop&y"),
                        [&] {
                            ASSDCOPY(ctx, list);
                            screen.restore();
                            reload();
                        }},
                       {QStringLiteral("&Print"),
                        [&] {
                            if (!dataSheet) {
                                ui.info(QStringLiteral("The data sheet is not available yet in this version of the program."));
                                return;
                            }
                            // The sheet prints the configuration whose elements are
                            // shown; the list's order and element come back afterwards.
                            const std::uint32_t recno = assdraw.recno();
                            ia::guarded(ctx, [&] {
                                s.select(assembly);
                                dataSheet();
                            });
                            ia::guarded(ctx, [&] {
                                s.select(assdraw);
                                if (assdraw.order() != 1) assdraw.setOrder(1);
                                assdraw.goTo(recno);
                            });
                            screen.restore();
                            reload();
                        }},
                       {QStringLiteral("E&xit"), [&screen] { screen.dialog().end(); }}});
    reload();
    screen.run();
}

}  // namespace mx::configurations
