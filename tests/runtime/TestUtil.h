// Helpers shared by the runtime tests: scratch folders, golden file paths,
// whole-file reads and copies.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mx::test {

inline std::string goldenPath(const std::string& name) { return std::string(MX_GOLDEN_DIR) + "/" + name; }

inline std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system temp folder, removed with its contents at the end.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "mxtest-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        path_ = ::mkdtemp(buf.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Copies a golden file in under a new name (writable).
    std::string copyGolden(const std::string& name, const std::string& as = "") const {
        std::string dst = file(as.empty() ? name : as);
        writeFileBytes(dst, readFileBytes(goldenPath(name)));
        return dst;
    }

private:
    std::string path_;
};

}  // namespace mx::test
