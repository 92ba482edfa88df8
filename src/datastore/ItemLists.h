// The item lists of component categories: `ITEMLISTCATEGORY` maps a
// `stockcat` code to the item list its category belongs to, and
// `ITEMLISTORDER` maps an item list to its one-digit sort key. The screens
// do not call them; expressions held in data do, chiefly the index keys of
// `indexdef`, which can so order stock items by item list.
#pragma once

#include <string>
#include <string_view>

#include "DataContext.h"

namespace mx::ds {

// The sort digit of an item list, compared after trimming trailing blanks
// and case-sensitively: "FRAME" "1", "SASH" "2", "METAL" "3", "OTHER" "4",
// "SCREENS" "5", "GLASS" "6", "REVEALS" "7", "PARTS" "8", anything else "0".
std::string ITEMLISTORDER(std::string_view itemList);

// The `ITEMLIST` of the `stockcat` record whose code is `category` when
// there is one and its item list is not empty, else `category` itself.
// Opens `stockcat` shared with its indexes (`OPNALIAS`, with its message on
// failure) only when it is not open yet, and leaves it open; seeks in its
// active order; selects the previous work area again.
std::string ITEMLISTCATEGORY(DataContext& ctx, const std::string& category);

// Makes both available by name to expressions evaluated in ctx.session
// (index keys, filters). The functions keep a reference to ctx.
void registerItemListFunctions(DataContext& ctx);

}  // namespace mx::ds
