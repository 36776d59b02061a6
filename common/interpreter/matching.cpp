#include "common/interpreter/matching.h"

#include "common/fs/file_system.h"
#include "common/fs/paths.h"

namespace site {

Matches entries_named_by(const Command& command, bool files_only, DirectoryCache& cache) {
    FileSystem& fs = cache.file_system();
    Matches matches;
    std::string pattern = "*";
    if (command.wildcard) {
        SplitPath split = split_path(command.source);
        matches.directory = split.directory;
        pattern = split.name;
    } else if (is_directory(fs, command.source)) {
        matches.directory = command.source;
    } else {
        if (fs.info(command.source)) {
            SplitPath split = split_path(command.source);
            matches.directory = split.directory;
            matches.names.push_back(split.name);
        }
        return matches;
    }
    std::optional<std::vector<std::string>> names = cache.matching_names(matches.directory, pattern, files_only);
    matches.readable = names.has_value();
    if (names) matches.names = std::move(*names);
    return matches;
}

}  // namespace site
