// Paths on POSIX systems: from "/", names compared byte for byte.
#include "common/fs/paths.h"

namespace site {

const char kPathSeparator = '/';

bool is_absolute_path(const std::string& path) { return !path.empty() && path[0] == '/'; }

PathRoot root_of(std::string_view path) {
    std::size_t length = 0;
    while (length < path.size() && path[length] == '/') ++length;
    return length == 0 ? PathRoot() : PathRoot{"/", length};
}

std::string absolute_path(const std::string& path, const std::string& against) {
    if (path.empty() || is_absolute_path(path)) return path;
    return against + "/" + path;
}

bool same_name(const std::string& a, const std::string& b) { return a == b; }

std::string stored_name(const std::string& name) { return name; }

std::string name_key(const std::string& name) { return name; }

bool is_path_separator(char c) { return c == '/'; }

}  // namespace site
