// The record dialog (see RecordDialog.h).
#include "RecordDialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
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
                           bool readOnly, bool adding) {
    const std::vector<rt::FieldDef>& fields = area.table().fields();
    std::vector<std::string> names;
    for (const rt::FieldDef& f : fields) names.push_back(f.name);
    const std::uint32_t recno = area.recno();
    // A new record's form starts from the blank record at the end of file.
    if (adding) area.goTo(area.recordCount() + 1);
    ia::WorkingValues original;
    original.copy(area, names);

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

    ia::EditDialog edit(ctx, area, readOnly ? viewTitle(area.alias()) : editTitle(area.alias()),
                        tk::Box{static_cast<double>(room.top()), static_cast<double>(room.left()),
                                room.top() + dialogHeight, room.left() + dialogWidth});
    edit.copy(names);
    if (adding) {
        area.goTo(recno);  // the list stays where it was while the form stands
        edit.appendOnSave();
    }
    ia::WorkingValues& values = edit.values();
    tk::Dialog& dlg = edit.dialog();
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

    QScrollArea* page = dlg.beginScrolledPage({kEdge, kEdge, viewWidth, viewHeight}, layout.pageWidth, layout.pageHeight);
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

    // Save: every value must fit its field; then only the fields the user
    // changed are written, on the record the dialog was opened on.
    edit.setSaveCheck([&]() -> bool {
        if (readOnly || !dlg.leaveFocusedField()) return false;
        for (size_t i = 0; i < fields.size(); ++i) {
            const std::string why = problem(i);
            if (why.empty()) continue;
            ui.alert(tk::toQ(why));
            if (controls[i]) controls[i]->setFocus(Qt::OtherFocusReason);
            return false;
        }
        std::vector<std::string> changed;
        for (const std::string& n : names)
            if (!(values[n] == original[n])) changed.push_back(n);
        edit.writeOnly(std::move(changed));
        if (!adding && area.recno() != recno) area.goTo(recno);
        return true;
    });
    // Under the lock, before anything is written: the record's entries must
    // be where its keys say, or the change would go to a damaged index.
    edit.beforeWrite([&area] {
        const std::vector<std::string> damage = area.checkCurrentKeys();
        if (!damage.empty()) throw rt::DbError(rt::ErrorKind::Corrupt, area.alias(), damage.front());
    });
    edit.onLockFailure(ia::LockFailure::Quiet);

    const double buttons = viewHeight + 2 * kEdge + 4;
    if (readOnly)
        dlg.addButton({buttons, kEdge, 45, 12}, QStringLiteral("&Cancel"), [&dlg] { dlg.reject(); });
    else
        edit.addSaveCancel({buttons, kEdge, 45, 12}, {buttons, kEdge + 50, 45, 12});
    // Page Down and Page Up page through the form; the focus goes to the
    // first control of the page shown, so typing goes on there.
    auto pageBy = [page, &controls](int direction) {
        QScrollBar* bar = page->verticalScrollBar();
        bar->setValue(bar->value() + direction * bar->pageStep());
        for (QWidget* c : controls) {
            if (!c) continue;
            const QPoint at = c->mapTo(page->widget(), QPoint(0, 0));
            if (at.y() >= bar->value()) {
                c->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    };
    edit.setPageKeys([pageBy] { pageBy(1); }, [pageBy] { pageBy(-1); });
    QShortcut saveKey(QKeySequence(Qt::CTRL | Qt::Key_S), &dlg);
    if (!readOnly) QObject::connect(&saveKey, &QShortcut::activated, &dlg, [&edit] { edit.save(); });
    const ia::EditOutcome outcome = edit.run(keys, list);
    if (outcome == ia::EditOutcome::LockFailed && adding)
        ui.alert(ia::kUnableToAdd);
    else if (outcome == ia::EditOutcome::LockFailed)
        ui.alert(ia::kUnableToLock + QStringLiteral("\nRecord %1 of %2 is locked elsewhere.")
                                         .arg(recno)
                                         .arg(tk::toQ(area.alias())));
    return outcome;
}

}  // namespace mx::tablebrowser
