// What the two handlers of the filing pass share: entering or creating the
// archive directories, and the names they may take.
#pragma once

#include <string>
#include <string_view>

#include "trace.h"

namespace site {

// At most the first `count` characters of the text after the last '_' of
// `name`; nothing when there is no '_'.
std::string after_last_underscore(std::string_view name, size_t count);

// Whether a name taken from a listed file name may be used as a directory
// under the archive: not empty, not "." or "..", and without a separator or
// a drive colon, so that it can never lead out of the archive tree.
bool is_safe_directory_name(std::string_view name);

// Creates `name` in the current directory and enters it, with the trace
// "Directory created\n", or prints `failure` when it cannot be created.
void create_and_enter(const std::string& name, const char* failure, Trace& trace);

// Enters `name`; when it is missing, says so and creates it as above.
void enter_or_create(const std::string& name, const std::string& shown_name, const char* failure, Trace& trace);

}  // namespace site
