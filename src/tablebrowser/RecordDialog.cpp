// The record dialog (see RecordDialog.h).
#include "RecordDialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "Error.h"
#include "RecordLayout.h"
#include "RecordServices.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::tablebrowser {

namespace {

using rt::FieldType;

// The room a dialog may take on the screen it opens on.
QRect screenRoom() {
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect r = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return r.adjusted(20, 30, -20, -30);
}

bool nonBlankDateText(const QString& text) {
    for (QChar c : text)
        if (c.isDigit()) return true;
    return false;
}

}  // namespace

QString editTitle(const std::string& alias) { return QStringLiteral("Edit Record (") + tk::toQ(alias) + QStringLiteral(")"); }
QString viewTitle(const std::string& alias) { return QStringLiteral("View Record (") + tk::toQ(alias) + QStringLiteral(")"); }

ia::EditOutcome editRecord(ds::DataContext& ctx, rt::WorkArea& area, const ia::ScreenKeys& keys, tk::Browse* list,
                           bool readOnly) {
    // Keys and list come back in every case, a table failure included.
    struct Afterwards {
        const ia::ScreenKeys& keys;
        tk::Browse* list;
        ~Afterwards() {
            keys.bind();
            if (list) {
                try {
                    list->resync();
                } catch (...) {
                }
            }
        }
    } afterwards{keys, list};

    const std::vector<rt::FieldDef>& fields = area.table().fields();
    std::vector<std::string> names;
    for (const rt::FieldDef& f : fields) names.push_back(f.name);
    ia::WorkingValues values, original;
    values.copy(area, names);
    original.copy(area, names);
    const std::uint32_t recno = area.recno();

    // The page of controls, as large as the screen allows; the dialog around it.
    constexpr double kEdge = 6, kButtonRow = 24;
    const QRect room = screenRoom();
    const double roomWidth = room.width() / tk::Geometry::kLayoutScale - 2 * kEdge;
    const double roomHeight = room.height() / tk::Geometry::kLayoutScale - 2 * kEdge - kButtonRow;
    const RecordLayout layout = layoutRecord(fields, roomWidth, roomHeight);
    const bool scrollsDown = layout.pageHeight > roomHeight;
    const double bar = 10;  // room for a scroll bar
    const double viewWidth = std::min(roomWidth, layout.pageWidth + 4 + (scrollsDown ? bar : 0));
    const double viewHeight = std::min(roomHeight, layout.pageHeight + 4 + (layout.pageWidth > roomWidth ? bar : 0));
    const double dialogWidth = std::max(viewWidth + 2 * kEdge, 120.0) * tk::Geometry::kLayoutScale;
    const double dialogHeight = (viewHeight + 2 * kEdge + kButtonRow) * tk::Geometry::kLayoutScale;

    tk::Dialog dlg(readOnly ? viewTitle(area.alias()) : editTitle(area.alias()),
                   tk::Box{static_cast<double>(room.top()), static_cast<double>(room.left()),
                           room.top() + dialogHeight, room.left() + dialogWidth});
    dlg.setCentred(true);
    tk::Ui& ui = tk::Ui::instance();

    std::vector<tk::EditField*> edits(fields.size(), nullptr);
    std::vector<QWidget*> controls(fields.size(), nullptr);
    // Why the field's working value cannot be written; empty when it can.
    auto problem = [&](size_t i) -> std::string {
        const rt::FieldDef& f = fields[i];
        if (auto why = misfit(f, values[f.name])) return *why;
        if (f.type == FieldType::Date && edits[i] && nonBlankDateText(edits[i]->text()) && values[f.name].day() == 0)
            return f.name + " is a date: " + tk::fromQ(edits[i]->text()) + " is not one";
        return {};
    };

    dlg.beginScrolledPage({kEdge, kEdge, viewWidth, viewHeight}, layout.pageWidth, layout.pageHeight);
    for (const FieldPlace& p : layout.places) {
        const size_t i = static_cast<size_t>(p.field);
        const rt::FieldDef& f = fields[i];
        const QString name = tk::toQ(f.name);
        dlg.addText({p.row, p.labelCol, p.col - p.labelCol - 2, 12}, tk::toQ(fieldLabel(f)));
        if (f.type == FieldType::Memo) {
            controls[i] = dlg.addMemo({p.row, p.col, p.width, p.height}, values[f.name], name, readOnly);
            continue;
        }
        tk::FieldOptions options{.name = name, .picture = tk::toQ(fieldPicture(f)), .readOnly = readOnly};
        if (!readOnly && (f.type == FieldType::Numeric || f.type == FieldType::Date))
            options.valid = [&problem, &ui, i] {
                const std::string why = problem(i);
                if (why.empty()) return true;
                ui.alert(tk::toQ(why));
                return false;
            };
        edits[i] = dlg.addField({p.row, p.col, p.width, 12}, values[f.name], options);
        controls[i] = edits[i];
    }
    dlg.endScrolledPage();

    bool saved = false;
    auto save = [&] {
        if (!dlg.leaveFocusedField()) return;
        for (size_t i = 0; i < fields.size(); ++i) {
            const std::string why = problem(i);
            if (why.empty()) continue;
            ui.alert(tk::toQ(why));
            if (controls[i]) controls[i]->setFocus(Qt::OtherFocusReason);
            return;
        }
        saved = true;
        dlg.end();
    };
    const double buttons = viewHeight + 2 * kEdge + 4;
    if (!readOnly) dlg.addButton({buttons, kEdge, 45, 12}, QStringLiteral("&Save"), save);
    dlg.addButton({buttons, kEdge + (readOnly ? 0 : 50), 45, 12}, QStringLiteral("&Cancel"), [&dlg] { dlg.reject(); });
    keys.attachEdit(dlg, readOnly ? tk::KeyAction{} : tk::KeyAction(save));
    dlg.run();
    if (!saved || readOnly) return ia::EditOutcome::Cancelled;

    std::vector<std::string> changed;
    for (const std::string& n : names)
        if (!(values[n] == original[n])) changed.push_back(n);
    if (changed.empty()) return ia::EditOutcome::Saved;

    ctx.session.select(area);
    if (area.recno() != recno) area.goTo(recno);
    if (!ds::RECLOCK(ctx, 2)) {
        ui.alert(ia::kUnableToLock + QStringLiteral("\nRecord %1 of %2 is locked elsewhere.")
                                         .arg(recno)
                                         .arg(tk::toQ(area.alias())));
        return ia::EditOutcome::LockFailed;
    }
    // Under the lock, before anything is written: the record's entries must
    // be where its keys say, or the change would go to a damaged index.
    const std::vector<std::string> damage = area.checkCurrentKeys();
    if (!damage.empty()) {
        area.unlock();
        throw rt::DbError(rt::ErrorKind::Corrupt, area.alias(), damage.front());
    }
    try {
        values.store(area, changed);
        area.commit();
    } catch (...) {
        area.unlock();
        throw;
    }
    area.unlock();
    return ia::EditOutcome::Saved;
}

}  // namespace mx::tablebrowser
