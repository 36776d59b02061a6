// Which directory entries a command's source names, for both interpreters.
#pragma once

#include <string>
#include <vector>

#include "command.h"
#include "directory_cache.h"

namespace site {

struct Matches {
    std::string directory;           // as written in the command ("" for the current one)
    std::vector<std::string> names;  // in name order
    bool readable = true;            // false when the directory could not be read
};

// The entries that the command's source names: those that match its last
// component when it is a pattern, the contents of a directory, or the one
// entry it names. `files_only` leaves directories out of a pattern's matches.
Matches entries_named_by(const Command& command, bool files_only, DirectoryCache& cache);

// `name` in `directory`, or alone when the directory is the current one.
std::string path_in(const std::string& directory, const std::string& name);

bool is_directory(const std::string& path);

// Name order without regard to case, as the site's disk lists names; names
// equal but for case keep a fixed order.
bool name_before(const std::string& a, const std::string& b);

}  // namespace site
