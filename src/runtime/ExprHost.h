// What an expression sees of the world: the fields of the open work areas,
// the state of an area (RECNO(), EOF() ...), the settings and the functions the
// program registered. The Session implements it; tests may supply their own.
// Nothing here can reach files, processes or the environment, so an
// expression held in data can only compute a value.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Settings.h"
#include "Value.h"

namespace mx::rt {

// A field of a work area, resolved when the expression is compiled.
struct FieldSlot {
    int area = -1;   // host-defined area number
    int field = -1;  // 0-based field index in that area's table
};

struct AreaStatus {
    long recno = 0;
    bool deleted = false;
    bool found = false;
    bool eof = false;
    bool bof = false;
};

class ExprHost;

// A function the program adds to the language, e.g. for index keys.
struct AppFunction {
    int minArgs = 0;
    int maxArgs = 0;
    std::function<Value(const ExprHost& host, std::span<const Value> args)> call;
};

class ExprHost {
public:
    virtual ~ExprHost() = default;

    // The area that unaliased names and RECNO()/EOF()/... refer to, fixed
    // when an expression is compiled. -1 when no area is selected.
    virtual int selectedArea() const = 0;
    // Resolves `alias->name` (alias empty: the selected area) case-insensitively.
    // nullopt when there is no such area or field.
    virtual std::optional<FieldSlot> findField(std::string_view alias, std::string_view name) const = 0;
    // The field's value in the area's current record (blank at end of file).
    // Throws DbError(NotFound) when the area has been closed since.
    virtual Value fieldValue(FieldSlot slot) const = 0;
    // The same into `out`, which hosts may fill in place (keeping its buffer).
    virtual void fieldValueInto(FieldSlot slot, Value& out) const { out = fieldValue(slot); }
    virtual AreaStatus areaStatus(int area) const = 0;
    virtual const Settings& settings() const = 0;
    // A function registered by the program (name upper-cased), or nullptr.
    virtual const AppFunction* findFunction(std::string_view upperName) const = 0;
    // Today's date, for DATE(); hosts may fix it for tests.
    virtual DayNumber today() const = 0;
};

}  // namespace mx::rt
