#include "Path.h"
#include "Ascii.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <vector>

namespace mx::rt {

namespace {

bool exists(const std::string& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0;
}

}  // namespace

std::string joinDataPath(std::string_view dir, std::string_view name) {
    std::string n(name);
    for (char& c : n)
        if (c == '\\') c = '/';
    if (n.size() >= 2 && std::isalpha(static_cast<unsigned char>(n[0])) && n[1] == ':') n.erase(0, 2);
    if (!n.empty() && n[0] == '/') return n;
    std::string d(dir);
    for (char& c : d)
        if (c == '\\') c = '/';
    if (d.size() >= 2 && std::isalpha(static_cast<unsigned char>(d[0])) && d[1] == ':') d.erase(0, 2);
    if (d.empty()) return n;
    if (d.back() != '/') d += '/';
    return d + n;
}

std::string resolvePath(const std::string& path) {
    if (path.empty() || exists(path)) return path;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    std::string current = path[0] == '/' ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.empty()) continue;
        std::string candidate = current + part;
        if (part == "." || part == ".." || exists(candidate)) {
            current = candidate + (i + 1 < parts.size() ? "/" : "");
            continue;
        }
        std::string found;
        if (DIR* d = ::opendir(current.empty() ? "." : current.c_str())) {
            while (dirent* e = ::readdir(d)) {
                if (equalsNoCase(e->d_name, part)) {
                    found = e->d_name;
                    break;
                }
            }
            ::closedir(d);
        }
        if (found.empty()) return path;
        current += found + (i + 1 < parts.size() ? "/" : "");
    }
    return current;
}

std::string withDefaultExtension(std::string path, std::string_view ext) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) path += ext;
    return path;
}

std::string baseNameUpper(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    if (dot != std::string_view::npos) base = base.substr(0, dot);
    return upperCase(base);
}

}  // namespace mx::rt
