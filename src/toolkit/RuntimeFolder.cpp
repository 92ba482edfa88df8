// The private runtime folder (see the header).
#include "RuntimeFolder.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace mx::tk {

RuntimeFolder::RuntimeFolder() {
    const char* set = std::getenv("XDG_RUNTIME_DIR");
    if (set && *set) return;
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "mxdev-runtime-XXXXXX").string();
    if (ec) return;
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) return;  // mkdtemp makes it 0700, as Qt asks
    made_ = buf.data();
    ::setenv("XDG_RUNTIME_DIR", made_.c_str(), 1);
}

RuntimeFolder::~RuntimeFolder() {
    if (made_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(made_, ec);
    ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace mx::tk
