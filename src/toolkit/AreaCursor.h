// RowCursor over a work area: the rows are the area's visible records in its
// controlling order (deleted-hidden setting and filter applied by the area),
// optionally restricted to a scope: the records whose value of a key
// expression lies between a low and a high value. Moves go through the
// area's own goTop/goBottom/skip/seek, one record at a time, so nothing is
// ever loaded beyond the record the area reads.
//
// The scope assumes the controlling order sorts by the scope's key (as its
// leading part), as every list restricted to one owner's lines does: the
// ends of the scope are found by soft seeks, and a move stops at the first
// record outside it. Without a controlling order the ends are found by
// walking from the table's ends.
//
// Character scope values compare like keys: the key's first bytes against the
// whole low/high value, so "AB" as both ends takes every key starting "AB".
#pragma once

#include <optional>
#include <string>

#include "Expression.h"
#include "RowCursor.h"
#include "Session.h"
#include "Value.h"

namespace mx::tk {

class AreaCursor : public RowCursor {
public:
    AreaCursor(rt::Session& session, rt::WorkArea& area);

    rt::WorkArea& area() { return area_; }

    // Compiles the key expression with the area selected (so unaliased fields
    // are the area's). Throws rt::DbError(BadExpression).
    void setScope(const std::string& keyExpression, rt::Value low, rt::Value high);
    void clearScope();
    bool scoped() const { return scope_.has_value(); }
    // Whether the area's current record lies inside the scope (true without one).
    bool inScope();

    bool top() override;
    bool bottom() override;
    long skip(long n) override;
    std::uint32_t id() override;
    bool seek(std::uint32_t id) override;
    bool settle() override;
    double fraction() override;
    void goFraction(double f) override;

private:
    struct Scope {
        rt::Expression key;
        rt::Value low;
        rt::Value high;
    };
    int compareKey(const rt::Value& key, const rt::Value& bound) const;
    bool visibleHere();  // the current record is a row: visible to the area and in the scope
    bool toEof();        // no rows: leaves the area at EOF, returns false


    rt::Session& session_;
    rt::WorkArea& area_;
    std::optional<Scope> scope_;
    rt::Expression filter_;  // the area's filter, compiled here to test single records
    std::string filterText_;
};

}  // namespace mx::tk
