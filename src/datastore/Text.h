// Small text helpers shared by the data store services.
#pragma once

#include <string>
#include <string_view>

namespace mx::ds {

std::string upper(std::string_view s);
std::string trimRight(std::string_view s);
std::string allTrim(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace mx::ds
