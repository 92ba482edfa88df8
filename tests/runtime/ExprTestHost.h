// An in-memory ExprHost for the expression tests, benchmark and fuzz target:
// two work areas with a handful of typed fields and one current record each,
// so expressions can be exercised without the table code.
//
//   area 0, alias PEOPLE: NAME C20, CODE N4, AMOUNT N(9,2), ACTIVE L, BORN D
//   area 1, alias OTHER:  CODE C10
#pragma once

#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ExprHost.h"
#include "Value.h"

namespace mx::rt::testing {

class ExprTestHost : public ExprHost {
public:
    struct Field {
        std::string name;
        char type;  // C N L D
        int width;
        int decimals;
    };
    struct Area {
        std::string alias;
        std::vector<Field> fields;
        std::vector<Value> record;  // current record, one value per field
        AreaStatus status;
    };

    ExprTestHost() {
        areas.push_back({"PEOPLE",
                         {{"NAME", 'C', 20, 0},
                          {"CODE", 'N', 4, 0},
                          {"AMOUNT", 'N', 9, 2},
                          {"ACTIVE", 'L', 1, 0},
                          {"BORN", 'D', 8, 0}},
                         {},
                         {}});
        areas.push_back({"OTHER", {{"CODE", 'C', 10, 0}}, {}, {}});
        for (int a = 0; a < static_cast<int>(areas.size()); ++a) blankRecord(a);
        today_ = dayFromYmd(2024, 2, 29);
    }

    // Every field of the area blank: blanks, zero, .F., empty date.
    void blankRecord(int area) {
        Area& a = areas[static_cast<std::size_t>(area)];
        a.record.clear();
        for (const Field& f : a.fields) {
            switch (f.type) {
                case 'C': a.record.push_back(Value::character(std::string(static_cast<std::size_t>(f.width), ' '))); break;
                case 'N': a.record.push_back(Value::numeric(0.0, f.width, f.decimals)); break;
                case 'L': a.record.push_back(Value::logical(false)); break;
                default: a.record.push_back(Value::date(0)); break;
            }
        }
    }

    // Stores a value the way a table would: strings padded or cut to the
    // field width, numbers carrying the field's width and decimals.
    void set(int area, std::string_view name, Value v) {
        Area& a = areas[static_cast<std::size_t>(area)];
        for (std::size_t i = 0; i < a.fields.size(); ++i) {
            if (!same(a.fields[i].name, name)) continue;
            const Field& f = a.fields[i];
            if (f.type == 'C') v.str().resize(static_cast<std::size_t>(f.width), ' ');
            if (f.type == 'N') v.setNumericFormat(f.width, f.decimals);
            a.record[i] = std::move(v);
            return;
        }
    }

    void addFunction(std::string upperName, AppFunction fn) { functions_[std::move(upperName)] = std::move(fn); }

    int selected = 0;
    Settings settingsValue;
    std::vector<Area> areas;

    int selectedArea() const override { return selected; }

    std::optional<FieldSlot> findField(std::string_view alias, std::string_view name) const override {
        int area = selected;
        if (!alias.empty()) {
            area = -1;
            for (std::size_t i = 0; i < areas.size(); ++i)
                if (same(areas[i].alias, alias)) area = static_cast<int>(i);
        }
        if (area < 0 || area >= static_cast<int>(areas.size())) return std::nullopt;
        const Area& a = areas[static_cast<std::size_t>(area)];
        for (std::size_t i = 0; i < a.fields.size(); ++i)
            if (same(a.fields[i].name, name)) return FieldSlot{area, static_cast<int>(i)};
        return std::nullopt;
    }

    Value fieldValue(FieldSlot slot) const override {
        return areas[static_cast<std::size_t>(slot.area)].record[static_cast<std::size_t>(slot.field)];
    }

    AreaStatus areaStatus(int area) const override { return areas[static_cast<std::size_t>(area)].status; }

    const Settings& settings() const override { return settingsValue; }

    const AppFunction* findFunction(std::string_view upperName) const override {
        auto it = functions_.find(std::string(upperName));
        return it == functions_.end() ? nullptr : &it->second;
    }

    DayNumber today() const override { return today_; }

private:
    static bool same(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }

    std::map<std::string, AppFunction> functions_;
    DayNumber today_ = 0;
};

}  // namespace mx::rt::testing
