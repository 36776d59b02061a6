// Joining and splitting paths with the platform's separator.
#pragma once

#include <string>
#include <string_view>

namespace site {

// `directory`, one separator, `name`.
std::string join_path(std::string_view directory, std::string_view name);

struct SplitPath {
    std::string directory;  // empty when the path has no directory part
    std::string name;
};

// Splits at the last separator (on Windows '/' or '\\').
SplitPath split_path(std::string_view path);

// The directory itself, "." for the current one.
std::string directory_or_current(const std::string& directory);

}  // namespace site
