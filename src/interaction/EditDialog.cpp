// The edit pattern (see EditDialog.h).
#include "EditDialog.h"

#include <algorithm>
#include <stdexcept>

#include "Error.h"
#include "Guarded.h"
#include "PictureFormat.h"
#include "RecordServices.h"
#include "Text.h"
#include "TextCodec.h"
#include "Ui.h"

namespace mx::ia {

void WorkingValues::copy(const rt::WorkArea& area, const std::vector<std::string>& fields) {
    for (const std::string& name : fields) {
        const int i = area.fieldIndex(name);
        if (i < 0) throw rt::DbError(rt::ErrorKind::NotFound, area.alias(), "no field " + name);
        const std::string key = ds::upper(name);
        if (values_.find(key) == values_.end()) order_.push_back(key);
        values_[key] = area.fieldValue(i);
        copied_[key] = {values_[key], std::string(area.fieldBytes(i))};
    }
}

rt::Value& WorkingValues::operator[](std::string_view field) {
    auto it = values_.find(ds::upper(field));
    if (it == values_.end()) throw std::out_of_range("no working value for " + std::string(field));
    return it->second;
}

const rt::Value& WorkingValues::operator[](std::string_view field) const {
    auto it = values_.find(ds::upper(field));
    if (it == values_.end()) throw std::out_of_range("no working value for " + std::string(field));
    return it->second;
}

bool WorkingValues::has(std::string_view field) const { return values_.find(ds::upper(field)) != values_.end(); }

void WorkingValues::store(rt::WorkArea& area, const std::vector<std::string>& fields) const {
    for (const std::string& name : fields) {
        const rt::Value& v = (*this)[name];
        const int i = area.fieldIndex(name);
        auto was = copied_.find(ds::upper(name));
        if (i >= 0 && was != copied_.end() && area.field(i).type != rt::FieldType::Memo && v.type() == was->second.first.type() &&
            v == was->second.first)
            area.setFieldBytes(i, was->second.second);
        else
            area.setField(name, v);
    }
}

bool WorkingValues::changedHere(std::string_view field) const {
    const rt::Value& v = (*this)[field];
    auto was = copied_.find(ds::upper(field));
    if (was == copied_.end()) return true;
    return !(v.type() == was->second.first.type() && v == was->second.first);
}

bool WorkingValues::changedElsewhere(const rt::WorkArea& area, std::string_view field) const {
    const int i = area.fieldIndex(field);
    auto was = copied_.find(ds::upper(field));
    if (i < 0 || was == copied_.end()) return false;
    if (area.field(i).type == rt::FieldType::Memo) return area.fieldValue(i).str() != was->second.first.str();
    return area.fieldBytes(i) != was->second.second;
}

void WorkingValues::rebase(std::string_view field, const rt::Value& now, std::string bytes, bool adopt) {
    const std::string key = ds::upper(field);
    auto was = copied_.find(key);
    if (was == copied_.end()) return;
    was->second = {now, std::move(bytes)};
    if (adopt) values_[key] = now;
}

EditDialog::EditDialog(ds::DataContext& ctx, rt::WorkArea& area, const QString& title, const tk::Box& box)
    : ctx_(ctx), area_(area), dialog_(title, box) {}

void EditDialog::writeAllExcept(const std::vector<std::string>& fields) {
    std::vector<std::string> out;
    for (const std::string& f : values_.fields()) {
        const bool left = std::any_of(fields.begin(), fields.end(),
                                      [&f](const std::string& x) { return ds::equalsNoCase(x, f); });
        if (!left) out.push_back(f);
    }
    writeOnly(std::move(out));
}

void EditDialog::setCaption(std::string_view field, const QString& caption) { captions_[ds::upper(field)] = caption; }

QString EditDialog::caption(std::string_view field) const {
    auto it = captions_.find(ds::upper(field));
    if (it != captions_.end() && !it->second.trimmed().isEmpty()) return it->second;
    return tk::toQ(ds::upper(field));
}

void EditDialog::addRow(double k, double captionCol, const QString& caption, const std::vector<FormField>& fields) {
    if (!caption.isEmpty()) dialog_.addText({13.0 * k + 7, captionCol}, caption);
    for (const FormField& f : fields) {
        if (!caption.isEmpty()) setCaption(f.field, caption);
        dialog_.addField({13.0 * k + 5, f.col, f.width, 12}, values_[f.field],
                         {.name = QString::fromUtf8(f.field), .picture = f.picture, .valid = f.valid, .readOnly = f.readOnly});
    }
}

void EditDialog::addSaveCancel(const tk::Place& save, const tk::Place& cancel) {
    dialog_.addButton(save, QStringLiteral("&Save"), [this] { this->save(); });
    dialog_.addButton(cancel, QStringLiteral("&Cancel"), [this] { dialog_.reject(); });
}

void EditDialog::save() {
    if (saveCheck_ && !saveCheck_()) return;
    // Table work in a button's callback: a failure is kept and thrown again
    // from run, after the dialog has closed.
    try {
        for (;;) {
            std::vector<Theirs> theirs;
            outcome_ = write(theirs);
            if (theirs.empty()) break;
            // A field changed both here and elsewhere: asked with no lock held.
            const bool yours = tk::Ui::instance().yesNo(conflictText(theirs));
            for (Theirs& t : theirs) values_.rebase(t.field, t.now, std::move(t.bytes), !yours || !t.conflict);
            if (!yours) {
                // Nothing written; the form shows what the file holds now in
                // the fields changed elsewhere, and Save can be pressed again.
                dialog_.refresh();
                return;
            }
            // Yes: this user's values over what was seen; changed again
            // meanwhile, it is asked again.
        }
    } catch (...) {
        failure_ = std::current_exception();
    }
    saved_ = true;
    dialog_.end();
}

EditOutcome EditDialog::write(std::vector<Theirs>& theirs) {
    const std::vector<std::string>& writes = writesSet_ ? writes_ : values_.fields();
    if (appending_) {
        ctx_.session.select(area_);
        if (!ds::ADDREC(ctx_, 2)) return EditOutcome::LockFailed;
        storeLocked(writes);
        return EditOutcome::Saved;
    }
    std::vector<std::string> mine;
    for (const std::string& f : writes)
        if (values_.changedHere(f)) mine.push_back(f);
    if (mine.empty()) return EditOutcome::Saved;
    ctx_.session.select(area_);
    // The lock reads the record again: what other workstations wrote is in
    // the buffer compared below.
    if (!ds::RECLOCK(ctx_, 2)) return EditOutcome::LockFailed;
    bool conflict = false;
    try {
        for (const std::string& f : values_.fields()) {
            if (!values_.changedElsewhere(area_, f)) continue;
            const int i = area_.fieldIndex(f);
            rt::Value now = area_.fieldValue(i);
            const bool mineToo = std::find(mine.begin(), mine.end(), f) != mine.end();
            const rt::Value& working = values_[f];
            const bool differs = !(working.type() == now.type() && working == now);
            const bool clash = mineToo && differs;
            conflict = conflict || clash;
            const bool memo = area_.field(i).type == rt::FieldType::Memo;
            theirs.push_back({f, std::move(now), memo ? std::string() : std::string(area_.fieldBytes(i)), clash});
        }
    } catch (...) {
        area_.unlock();
        throw;
    }
    if (conflict) {
        area_.unlock();
        return EditOutcome::Saved;  // not yet: the caller asks
    }
    theirs.clear();
    storeLocked(mine);
    return EditOutcome::Saved;
}

void EditDialog::storeLocked(const std::vector<std::string>& fields) {
    try {
        if (beforeWrite_) beforeWrite_();
        values_.store(area_, fields);
        area_.commit();
    } catch (...) {
        area_.unlock();
        throw;
    }
    area_.unlock();
}

QString EditDialog::conflictText(const std::vector<Theirs>& theirs) const {
    QString text = QStringLiteral("Changed on another workstation while you edited:");
    for (const Theirs& t : theirs) {
        if (!t.conflict) continue;
        std::string shown;
        if (t.now.isCharacter()) {
            shown = t.now.str().substr(0, t.now.str().find('\n'));
            if (!shown.empty() && shown.back() == '\r') shown.pop_back();
            shown = ds::trimRight(shown);
        } else {
            shown = ds::allTrim(tk::PictureFormat({}, t.now, tk::Ui::instance().dateStyle()).display(t.now));
        }
        QString name = caption(t.field).trimmed();
        if (!name.endsWith(QLatin1Char(':'))) name += QLatin1Char(':');
        text += QLatin1Char('\n') + name + QLatin1Char(' ') + tk::toQ(shown);
    }
    return text + QStringLiteral("\nSave yours over them?");
}

EditOutcome EditDialog::run(const ScreenKeys& screen, tk::Browse* list) {
    // Keys and list come back in every case, a table failure included.
    struct Afterwards {
        const ScreenKeys& screen;
        tk::Browse* list;
        ~Afterwards() {
            screen.bind();
            if (list) {
                try {
                    list->resync();
                } catch (...) {
                }
            }
        }
    } afterwards{screen, list};

    saved_ = false;
    outcome_ = EditOutcome::Cancelled;
    failure_ = nullptr;
    if (pageDown_ || pageUp_) {
        tk::KeyMap keys = editDialogKeys({});
        for (auto& [vk, action] : keys)
            if (vk == tk::HotKeys::PageDown) action = pageDown_;
        keys.emplace_back(tk::HotKeys::PageUp, pageUp_);
        dialog_.setKeys(std::move(keys), screen.keys());
    } else {
        screen.attachEdit(dialog_, [this] { save(); });
    }
    dialog_.run();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    if (!saved_) return EditOutcome::Cancelled;
    if (outcome_ == EditOutcome::LockFailed && lockFailure_ == LockFailure::Alert)
        tk::Ui::instance().alert(appending_ ? kUnableToAdd : kUnableToLock);
    return outcome_;
}

bool appendRecord(ds::DataContext& ctx, rt::WorkArea& area,
                  const std::vector<std::pair<std::string, rt::Value>>& keyFields, bool alert) {
    ctx.session.select(area);
    if (!ds::ADDREC(ctx, 2)) {
        if (alert) tk::Ui::instance().alert(kUnableToAdd);
        return false;
    }
    if (!ds::RECLOCK(ctx, 2)) {
        if (alert) tk::Ui::instance().alert(kUnableToLock);
        return false;
    }
    for (const auto& [field, value] : keyFields) area.setField(field, value);
    area.unlock();
    return true;
}

bool discardAdded(ds::DataContext& ctx, rt::WorkArea& area, std::uint32_t recno) {
    ctx.session.select(area);
    if (area.recno() != recno) area.goTo(recno);
    if (area.eof() || area.recno() != recno || !ds::RECLOCK(ctx, 2)) {
        tk::Ui::instance().alert(kUnableToLock);
        return false;
    }
    try {
        area.deleteRecord();
        area.commit();
    } catch (...) {
        area.unlock();
        throw;
    }
    area.unlock();
    return true;
}

void openEdit(ds::DataContext& ctx, tk::Browse& list, const ScreenKeys& screen, bool adding,
              const std::function<bool()>& append, const std::function<EditOutcome()>& show) {
    bool shown = false;
    guarded(ctx, [&] {
        rt::WorkArea& area = list.area();
        ctx.session.select(area);
        if (adding && !append()) return;
        if (area.eof()) return;
        const std::uint32_t added = adding ? area.recno() : 0;
        const EditOutcome outcome = show();
        shown = true;
        if (added != 0 && outcome == EditOutcome::Cancelled) {
            // Cancel, Escape or the close box after an Add: the appended
            // record goes again; the list settles on the next record still there.
            discardAdded(ctx, area, added);
            list.resync();
        }
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

}  // namespace mx::ia
