#include "matching.h"

#include <algorithm>

#include "paths.h"
#include "platform.h"
#include "wildcard.h"

namespace site {

namespace {


}  // namespace

bool name_before(const std::string& a, const std::string& b) {
    const auto lower_less = [](char x, char y) { return lower_ascii(x) < lower_ascii(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower_less)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower_less)) return false;
    return a < b;
}

bool is_directory(const std::string& path) {
    const std::optional<FileInfo> info = file_info(path);
    return info && info->is_directory;
}

std::string directory_or_current(const std::string& directory) { return directory.empty() ? "." : directory; }

std::string path_in(const std::string& directory, const std::string& name) {
    return directory.empty() ? name : join_path(directory, name);
}

Matches entries_named_by(const Command& command, bool files_only) {
    Matches matches;
    std::string pattern;
    if (command.wildcard) {
        SplitPath split = split_path(command.source);
        matches.directory = split.directory;
        pattern = split.name;
    } else if (is_directory(command.source)) {
        matches.directory = command.source;
        pattern = "*";
    } else {
        if (file_info(command.source)) {
            SplitPath split = split_path(command.source);
            matches.directory = split.directory;
            matches.names.push_back(split.name);
        }
        return matches;
    }
    if (auto entries = list_directory(directory_or_current(matches.directory))) {
        for (const DirectoryEntry& entry : *entries)
            if (!(files_only && entry.is_directory) && wildcard_match(pattern, entry.name))
                matches.names.push_back(entry.name);
    }
    std::sort(matches.names.begin(), matches.names.end(), name_before);
    return matches;
}

}  // namespace site
