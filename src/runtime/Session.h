// The session: the open work areas by alias, the selected one, the settings
// and the functions the program adds to the expression language. One object,
// passed explicitly to whoever needs it; it is also the world expressions
// evaluate against (ExprHost).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "AreaHost.h"
#include "File.h"
#include "Settings.h"
#include "WorkArea.h"

namespace mx::rt {

class Session : public AreaHost {
public:
    Session();
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Settings& settings() { return settings_; }
    const Settings& settings() const override { return settings_; }

    // Opens a table under an alias (default: the file's base name, upper case)
    // and selects it. Throws DbError: Busy when another process holds the file
    // in a conflicting mode, NotFound, Corrupt, Usage when the alias is in use.
    WorkArea& open(const std::string& path, std::string alias = {}, OpenMode mode = OpenMode::Shared,
                   bool readOnly = false);
    // nullptr when no area has that alias (case-insensitive).
    WorkArea* area(std::string_view alias) const;
    // The area of an alias that must be open; throws Usage when it is not.
    WorkArea& openArea(std::string_view alias) const;
    WorkArea* selected() const;
    // Selects by alias; throws NotFound when there is none.
    WorkArea& select(std::string_view alias);
    void select(WorkArea& area);
    void close(std::string_view alias);
    void closeAll();
    std::vector<WorkArea*> areas() const;

    // Functions that index keys and other expressions held in data may call.
    void registerFunction(const std::string& name, AppFunction fn);
    // Fixes today's date (tests); 0 returns to the system clock.
    void setToday(DayNumber day) { fixedToday_ = day; }

    // ExprHost
    int selectedArea() const override { return selected_; }
    std::optional<FieldSlot> findField(std::string_view alias, std::string_view name) const override;
    Value fieldValue(FieldSlot slot) const override;
    void fieldValueInto(FieldSlot slot, Value& out) const override;
    AreaStatus areaStatus(int area) const override;
    const AppFunction* findFunction(std::string_view upperName) const override;
    DayNumber today() const override;

    // AreaHost
    Expression compileInArea(int areaId, const std::string& text) override;

    // Work-area id of an area (for selection guards); -1 when none selected.
    void selectById(int id);

private:
    WorkArea* byId(int id) const;

    Settings settings_;
    std::vector<std::unique_ptr<WorkArea>> areas_;  // index = area id; closed areas leave nullptr
    int selected_ = -1;
    std::map<std::string, AppFunction, std::less<>> functions_;
    DayNumber fixedToday_ = 0;
};

// Remembers the selected area (and optionally its record) and restores them
// when it ends, whatever happened in between.
class SelectionGuard {
public:
    explicit SelectionGuard(Session& s, bool keepRecord = false);
    ~SelectionGuard();
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;

private:
    Session& session_;
    int area_;
    std::uint32_t recno_ = 0;
    bool keepRecord_;
};

}  // namespace mx::rt
