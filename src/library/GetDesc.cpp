#include "GetDesc.h"

#include "Opening.h"
#include "Text.h"

namespace mx::lib {

std::string GETDESC(ds::DataContext& ctx, const rt::Value& key, const std::string& table) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard selection(s);
    std::string desc;
    try {
        if (!ds::OPNALIAS(ctx, table, false, true)) return desc;
        rt::WorkArea* area = s.selected();
        if (area && area->orderCount() > 0 && area->fieldIndex("DESC") >= 0) {
            area->setOrder(1);
            if (area->seek(key, false)) desc = ds::trimRight(area->fieldValue("DESC").str());
        }
        if (area) s.close(area->alias());
    } catch (...) {
        // A damaged table or a key of the wrong type: an empty text, the table closed.
        try {
            if (rt::WorkArea* area = s.area(table)) s.close(area->alias());
        } catch (...) {
        }
        desc.clear();
    }
    return desc;
}

}  // namespace mx::lib
