#include "matching.h"

#include "paths.h"
#include "platform.h"
#include "wildcard.h"

namespace site {

bool name_before(const std::string& a, const std::string& b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const char x = lower_ascii(a[i]), y = lower_ascii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool is_directory(const std::string& path) {
    // A link to a directory is followed, as the configured and archive
    // directories may be reached through one.
    return directory_stamp(path).has_value();
}

std::string path_in(const std::string& directory, const std::string& name) {
    return directory.empty() ? name : join_path(directory, name);
}

Matches entries_named_by(const Command& command, bool files_only, DirectoryCache& cache) {
    Matches matches;
    std::string pattern = "*";
    if (command.wildcard) {
        SplitPath split = split_path(command.source);
        matches.directory = split.directory;
        pattern = split.name;
    } else if (is_directory(command.source)) {
        matches.directory = command.source;
    } else {
        if (file_info(command.source)) {
            SplitPath split = split_path(command.source);
            matches.directory = split.directory;
            matches.names.push_back(split.name);
        }
        return matches;
    }
    std::optional<std::vector<std::string>> names =
        cache.matching_names(directory_or_current(matches.directory), pattern, files_only);
    matches.readable = names.has_value();
    if (names) matches.names = std::move(*names);
    return matches;
}

}  // namespace site
