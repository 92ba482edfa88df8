// File names as they come from data: directory prefixes written with "\"
// (possibly relative), names in any case. On a case-sensitive file system a
// data set copied from Windows has names in other cases than the data give,
// so names are resolved case-insensitively, component by component.
#pragma once

#include <string>
#include <string_view>

namespace mx::rt {

// Joins `dir` and `name` after turning every "\" into "/"; an absolute name
// ignores dir. Drive letters ("C:") are dropped.
std::string joinDataPath(std::string_view dir, std::string_view name);

// Returns the existing path that matches `path` case-insensitively, component
// by component; when nothing matches, `path` itself (so creating it uses the
// name as given). Exact matches win over case-insensitive ones.
std::string resolvePath(const std::string& path);

// Adds `ext` (".dbf") when the last component has no extension.
std::string withDefaultExtension(std::string path, std::string_view ext);

// Last component without directory and extension, upper-cased ("data/Lib.dbf" -> "LIB").
std::string baseNameUpper(std::string_view path);

}  // namespace mx::rt
