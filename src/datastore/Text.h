// Small text helpers shared by the data store services.
#pragma once

#include <string>
#include <string_view>

namespace mx::ds {

std::string upper(std::string_view s);
std::string trimRight(std::string_view s);
std::string allTrim(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
// `n` with `decimals` decimals, right-aligned in at least `width` characters
// (printf's "%*.*f"): how the screens show a number in a list column.
std::string fixedText(double n, int width, int decimals);

}  // namespace mx::ds
