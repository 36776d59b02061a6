// Which directory entries a command's source names, for both interpreters.
#pragma once

#include <string>
#include <vector>

#include "common/interpreter/command.h"
#include "common/interpreter/directory_cache.h"

namespace site {

struct Matches {
    std::string directory;           // where the names stand
    std::vector<std::string> names;  // in name order
    bool readable = true;            // false when the directory could not be read
};

// The entries that the command's source (a whole path) names: those that
// match its last component when it is a pattern, the contents of a
// directory, or the one entry it names. `files_only` leaves directories out
// of a pattern's matches.
Matches entries_named_by(const Command& command, bool files_only, DirectoryCache& cache);

}  // namespace site
