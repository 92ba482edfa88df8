#include "ItemLists.h"

#include <array>
#include <span>
#include <utility>

#include "Error.h"
#include "Opening.h"
#include "Text.h"

namespace mx::ds {

using rt::Value;

std::string ITEMLISTORDER(std::string_view itemList) {
    static constexpr std::array<std::pair<std::string_view, const char*>, 8> kDigits = {{
        {"FRAME", "1"}, {"SASH", "2"}, {"METAL", "3"}, {"OTHER", "4"},
        {"SCREENS", "5"}, {"GLASS", "6"}, {"REVEALS", "7"}, {"PARTS", "8"},
    }};
    const std::string list = trimRight(itemList);
    for (const auto& [name, digit] : kDigits)
        if (list == name) return digit;
    return "0";
}

std::string ITEMLISTCATEGORY(DataContext& ctx, const std::string& category) {
    rt::Session& s = ctx.session;
    rt::SelectionGuard guard(s);
    rt::WorkArea* cat = s.area("STOCKCAT");
    if (!cat) {
        if (!OPNALIAS(ctx, "stockcat", false, true)) return category;
        cat = s.area("STOCKCAT");
    }
    if (!cat || cat->order() == 0) return category;  // no order to seek in
    if (!cat->seek(Value::character(category), false)) return category;
    // A seek matches keys that begin with the text sought: make sure the
    // record found is that very category.
    if (trimRight(cat->fieldValue("CODE").str()) != trimRight(category)) return category;
    const Value list = cat->fieldValue("ITEMLIST");
    if (!list.isCharacter() || trimRight(list.str()).empty()) return category;
    return list.str();
}

void registerItemListFunctions(DataContext& ctx) {
    auto characterArgument = [](const char* function, std::span<const Value> args) -> const std::string& {
        if (args.empty() || !args[0].isCharacter())
            throw rt::DbError(rt::ErrorKind::BadExpression, function, "the argument must be a character value");
        return args[0].str();
    };
    ctx.session.registerFunction(
        "ITEMLISTCATEGORY", rt::AppFunction{1, 1, [&ctx, characterArgument](const rt::ExprHost&, std::span<const Value> args) {
                                                return Value::character(
                                                    ITEMLISTCATEGORY(ctx, characterArgument("ITEMLISTCATEGORY", args)));
                                            }});
    ctx.session.registerFunction(
        "ITEMLISTORDER", rt::AppFunction{1, 1, [characterArgument](const rt::ExprHost&, std::span<const Value> args) {
                                             return Value::character(
                                                 ITEMLISTORDER(characterArgument("ITEMLISTORDER", args)));
                                         }});
}

}  // namespace mx::ds
