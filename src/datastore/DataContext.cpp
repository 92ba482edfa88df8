#include "DataContext.h"

#include <sys/stat.h>

#include <filesystem>

#include "Path.h"

namespace mx::ds {

std::string dataFile(const DataContext& ctx, std::string_view name) {
    return rt::resolvePath(rt::joinDataPath(ctx.dataDir, name));
}

std::string newDataFile(const DataContext& ctx, std::string_view name) {
    const std::string joined = rt::joinDataPath(ctx.dataDir, name);
    const std::string existing = rt::resolvePath(joined);
    if (existing != joined) return existing;
    const size_t slash = joined.find_last_of('/');
    if (slash == std::string::npos) return joined;
    const std::string folder = slash == 0 ? "/" : rt::resolvePath(joined.substr(0, slash));
    return (folder == "/" ? "" : folder) + "/" + joined.substr(slash + 1);
}

bool dataFileExists(const DataContext& ctx, std::string_view name) {
    struct stat st {};
    return ::stat(dataFile(ctx, name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string dataSetFolder(const DataContext& ctx) {
    std::error_code ec;
    std::filesystem::path folder =
        ctx.dataDir.empty() ? std::filesystem::current_path(ec) : std::filesystem::absolute(ctx.dataDir, ec);
    std::string text = folder.lexically_normal().string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text.empty() ? ctx.dataDir : text;
}

}  // namespace mx::ds
