#include "Session.h"
#include "Ascii.h"

#include <cctype>
#include <ctime>

#include "Error.h"
#include "Path.h"

namespace mx::rt {

namespace {
std::string upper(std::string_view s) { return upperCase(s); }
}  // namespace

Session::Session() = default;

Session::~Session() {
    try {
        closeAll();
    } catch (...) {
    }
}

WorkArea& Session::open(const std::string& path, std::string alias, OpenMode mode, bool readOnly) {
    std::string real = resolvePath(withDefaultExtension(path, ".dbf"));
    alias = alias.empty() ? baseNameUpper(real) : upper(alias);
    if (area(alias)) throw DbError(ErrorKind::Usage, alias, "alias is already in use");
    auto table = DbfTable::open(real, mode, readOnly);
    int id = static_cast<int>(areas_.size());
    areas_.push_back(std::make_unique<WorkArea>(*this, id, alias, std::move(table)));
    selected_ = id;
    WorkArea& a = *areas_.back();
    a.goTop();
    return a;
}

WorkArea* Session::byId(int id) const {
    if (id < 0 || id >= static_cast<int>(areas_.size())) return nullptr;
    return areas_[static_cast<size_t>(id)].get();
}

WorkArea* Session::area(std::string_view alias) const {
    std::string a = upper(alias);
    for (const auto& p : areas_)
        if (p && p->alias() == a) return p.get();
    return nullptr;
}

WorkArea& Session::openArea(std::string_view alias) const {
    WorkArea* a = area(alias);
    if (!a) throw DbError(ErrorKind::Usage, upper(alias), "the table is not open");
    return *a;
}

WorkArea* Session::selected() const { return byId(selected_); }

WorkArea& Session::select(std::string_view alias) {
    WorkArea* a = area(alias);
    if (!a) throw DbError(ErrorKind::NotFound, std::string(alias), "alias does not exist");
    selected_ = a->id();
    return *a;
}

void Session::select(WorkArea& a) { selected_ = a.id(); }

void Session::selectById(int id) { selected_ = byId(id) ? id : -1; }

Expression Session::compileInArea(int areaId, const std::string& text) {
    const int before = selected_;
    selectById(areaId);
    try {
        Expression e = Expression::compile(text, *this);
        selectById(before);
        return e;
    } catch (...) {
        selectById(before);
        throw;
    }
}

void Session::close(std::string_view alias) {
    WorkArea* a = area(alias);
    if (!a) return;
    int id = a->id();
    std::unique_ptr<WorkArea> owned = std::move(areas_[static_cast<size_t>(id)]);
    if (selected_ == id) selected_ = -1;
    owned->close();
}

void Session::closeAll() {
    std::exception_ptr first;
    for (auto& p : areas_) {
        if (!p) continue;
        std::unique_ptr<WorkArea> owned = std::move(p);
        try {
            owned->close();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    selected_ = -1;
    if (first) std::rethrow_exception(first);
}

std::vector<WorkArea*> Session::areas() const {
    std::vector<WorkArea*> r;
    for (const auto& p : areas_)
        if (p) r.push_back(p.get());
    return r;
}

void Session::registerFunction(const std::string& name, AppFunction fn) { functions_[upper(name)] = std::move(fn); }

std::optional<FieldSlot> Session::findField(std::string_view alias, std::string_view name) const {
    WorkArea* a = alias.empty() || upper(alias) == "FIELD" ? selected() : area(alias);
    if (!a) return std::nullopt;
    int f = a->fieldIndex(name);
    if (f < 0) return std::nullopt;
    return FieldSlot{a->id(), f};
}

Value Session::fieldValue(FieldSlot slot) const {
    WorkArea* a = byId(slot.area);
    if (!a) throw DbError(ErrorKind::NotFound, "work area " + std::to_string(slot.area), "the table has been closed");
    return a->fieldValue(slot.field);
}

void Session::fieldValueInto(FieldSlot slot, Value& out) const {
    WorkArea* a = byId(slot.area);
    if (!a) throw DbError(ErrorKind::NotFound, "work area " + std::to_string(slot.area), "the table has been closed");
    a->fieldValueInto(slot.field, out);
}

AreaStatus Session::areaStatus(int id) const {
    AreaStatus s;
    WorkArea* a = byId(id);
    if (!a) return s;
    s.recno = a->recno();
    s.deleted = a->deleted();
    s.found = a->found();
    s.eof = a->eof();
    s.bof = a->bof();
    return s;
}

const AppFunction* Session::findFunction(std::string_view upperName) const {
    auto it = functions_.find(upperName);
    return it == functions_.end() ? nullptr : &it->second;
}

DayNumber Session::today() const {
    if (fixedToday_) return fixedToday_;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return dayFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

SelectionGuard::SelectionGuard(Session& s, bool keepRecord)
    : session_(s), area_(s.selectedArea()), keepRecord_(keepRecord) {
    if (keepRecord_ && s.selected()) recno_ = s.selected()->recno();
}

SelectionGuard::~SelectionGuard() {
    try {
        session_.selectById(area_);
        if (keepRecord_ && session_.selected()) session_.selected()->goTo(recno_);
    } catch (...) {
    }
}

}  // namespace mx::rt
