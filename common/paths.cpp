#include "paths.h"

#include "platform.h"

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
    const size_t separator = path.find_last_of(kPathSeparator);
    if (separator == std::string_view::npos) return {std::string(), std::string(path)};
    return {std::string(path.substr(0, separator == 0 ? 1 : separator)), std::string(path.substr(separator + 1))};
}

}  // namespace site
