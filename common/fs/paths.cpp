#include "common/fs/paths.h"

namespace site {

std::string join_path(std::string_view directory, std::string_view name) {
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    path.append(directory);
    path.push_back(kPathSeparator);
    path.append(name);
    return path;
}

std::string directory_or_current(const std::string& directory) { return directory.empty() ? "." : directory; }

SplitPath split_path(std::string_view path) {
    // Either separator on Windows, as the system takes them.
    const std::size_t root = root_of(path).length;
    size_t separator = path.size();
    while (separator > root && !is_path_separator(path[separator - 1])) --separator;
    if (separator == root) return {std::string(path.substr(0, root)), std::string(path.substr(root))};
    return {std::string(path.substr(0, separator - 1)), std::string(path.substr(separator))};
}

PathNames path_names(std::string_view path) {
    PathNames parts;
    const PathRoot root = root_of(path);
    parts.root = root.spelled;
    if (parts.root.size() == 2 && parts.root[1] == ':') parts.root += kPathSeparator;
    for (std::size_t start = root.length; start < path.size();) {
        std::size_t end = start;
        while (end < path.size() && !is_path_separator(path[end])) ++end;
        const std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!parts.names.empty()) parts.names.pop_back();
        } else if (!name.empty() && name != ".") {
            parts.names.emplace_back(name);
        }
        start = end + 1;
    }
    if (!parts.names.empty()) parts.names.back() = stored_name(parts.names.back());
    return parts;
}

std::string spelled_path(const PathNames& path) {
    std::string spelled = path.root;
    for (std::size_t i = 0; i < path.names.size(); ++i) {
        if (i > 0) spelled += kPathSeparator;
        spelled += path.names[i];
    }
    return spelled;
}

std::string path_key(const PathNames& path) {
    std::string key = name_key(path.root);
    for (std::size_t i = 0; i < path.names.size(); ++i) {
        if (i > 0) key += kPathSeparator;
        key += name_key(path.names[i]);
    }
    return key;
}

std::string normalized_path(std::string_view path) { return spelled_path(path_names(path)); }

std::string path_key(std::string_view path) { return path_key(path_names(path)); }

}  // namespace site
