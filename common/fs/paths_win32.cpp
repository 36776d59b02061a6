// Paths on Windows: drives and shares, either separator, names compared
// without regard to case and stored without trailing dots and blanks.
#include <windows.h>

#include <string>

#include "common/base/ascii.h"
#include "common/fs/paths.h"
#include "common/text/name_rule.h"

namespace site {

const char kPathSeparator = '\\';

// A path from the root of a drive, of the current drive, or of a share
// stands alone.
bool is_absolute_path(const std::string& path) {
    return !path.empty() && (is_path_separator(path[0]) || (path.size() > 1 && path[1] == ':'));
}

namespace {

// The end of the name that starts at `start`.
std::size_t name_end(std::string_view path, std::size_t start) {
    while (start < path.size() && !is_path_separator(path[start])) ++start;
    return start;
}

std::size_t after_separators(std::string_view path, std::size_t at) {
    while (at < path.size() && is_path_separator(path[at])) ++at;
    return at;
}

}  // namespace

PathRoot root_of(std::string_view path) {
    if (path.size() > 2 && is_path_separator(path[0]) && is_path_separator(path[1])) {
        const std::size_t server_end = name_end(path, 2);
        const std::size_t share_end = server_end < path.size() ? name_end(path, server_end + 1) : server_end;
        std::string spelled = "\\\\" + std::string(path.substr(2, server_end - 2)) + "\\";
        if (server_end < path.size()) spelled += std::string(path.substr(server_end + 1, share_end - server_end - 1));
        return {spelled + "\\", after_separators(path, share_end)};
    }
    if (path.size() >= 2 && path[1] == ':') {
        const std::size_t length = after_separators(path, 2);
        return {std::string(path.substr(0, 2)) + (length > 2 ? "\\" : ""), length};
    }
    if (!path.empty() && is_path_separator(path[0])) return {"\\", after_separators(path, 0)};
    return PathRoot();
}

std::string absolute_path(const std::string& path, const std::string& against) {
    if (path.empty()) return path;
    const std::string whole = is_absolute_path(path) ? path : against + "\\" + path;
    char buffer[MAX_PATH * 4];
    const DWORD length = ::GetFullPathNameA(whole.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

bool same_name(const std::string& a, const std::string& b) {
    return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string stored_name(const std::string& name) {
    const std::string stored = without_trailing_dots_and_spaces(name);
    return stored.empty() ? name : stored;  // "." and ".." keep their meaning
}

std::string name_key(const std::string& name) { return lower_ascii(name); }

bool is_path_separator(char c) { return c == '\\' || c == '/'; }

}  // namespace site
