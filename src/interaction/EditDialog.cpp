// The edit pattern (see EditDialog.h).
#include "EditDialog.h"

#include <algorithm>
#include <stdexcept>

#include "Error.h"
#include "Guarded.h"
#include "RecordServices.h"
#include "Text.h"
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

void EditDialog::addRow(double k, double captionCol, const QString& caption, const std::vector<FormField>& fields) {
    if (!caption.isEmpty()) dialog_.addText({13.0 * k + 7, captionCol}, caption);
    for (const FormField& f : fields)
        dialog_.addField({13.0 * k + 5, f.col, f.width, 12}, values_[f.field],
                         {.name = QString::fromUtf8(f.field), .picture = f.picture, .valid = f.valid, .readOnly = f.readOnly});
}

void EditDialog::addSaveCancel(const tk::Place& save, const tk::Place& cancel) {
    dialog_.addButton(save, QStringLiteral("&Save"), [this] { this->save(); });
    dialog_.addButton(cancel, QStringLiteral("&Cancel"), [this] { dialog_.reject(); });
}

void EditDialog::save() {
    if (saveCheck_ && !saveCheck_()) return;
    saved_ = true;
    dialog_.end();
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
    if (!saved_) return EditOutcome::Cancelled;

    const std::vector<std::string>& writes = writesSet_ ? writes_ : values_.fields();
    if (writes.empty() && !appending_) return EditOutcome::Saved;
    ctx_.session.select(area_);
    if (appending_) {
        if (!ds::ADDREC(ctx_, 2)) {
            if (lockFailure_ == LockFailure::Alert) tk::Ui::instance().alert(kUnableToAdd);
            return EditOutcome::LockFailed;
        }
    } else if (!ds::RECLOCK(ctx_, 2)) {
        if (lockFailure_ == LockFailure::Alert) tk::Ui::instance().alert(kUnableToLock);
        return EditOutcome::LockFailed;
    }
    try {
        if (beforeWrite_) beforeWrite_();
        values_.store(area_, writes);
        area_.commit();
    } catch (...) {
        area_.unlock();
        throw;
    }
    area_.unlock();
    return EditOutcome::Saved;
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

void openEdit(ds::DataContext& ctx, tk::Browse& list, const ScreenKeys& screen, bool adding,
              const std::function<bool()>& append, const std::function<void()>& show) {
    bool shown = false;
    guarded(ctx, [&] {
        rt::WorkArea& area = list.area();
        ctx.session.select(area);
        if (adding && !append()) return;
        if (area.eof()) return;
        show();
        shown = true;
    });
    if (!shown) {
        screen.bind();
        list.resync();
    }
}

}  // namespace mx::ia
