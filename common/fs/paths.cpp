#include "common/fs/paths.h"

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
    size_t separator = path.size();
    while (separator > 0 && !is_path_separator(path[separator - 1])) --separator;
    if (separator-- == 0) return {std::string(), std::string(path)};
    return {std::string(path.substr(0, separator == 0 ? 1 : separator)), std::string(path.substr(separator + 1))};
}

}  // namespace site
