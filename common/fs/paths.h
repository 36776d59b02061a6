// How this system spells paths: the separator, where a path starts from,
// how names in one directory are compared and stored, and joining and
// splitting. The rules that differ between Windows and POSIX are in
// paths_win32.cpp and paths_posix.cpp; every layer uses these, and no other
// code spells a path rule of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace site {

// The separator that joins directory and file names: '\' on Windows, '/'
// elsewhere.
extern const char kPathSeparator;

// Whether `path` starts from a root (on Windows: a drive or a share), so
// that no current directory changes what it names.
bool is_absolute_path(const std::string& path);

// The root that a path starts from: "/" on POSIX; on Windows "\" (the
// current drive's), a drive's "C:\" or "C:" (its current directory), a
// share's "\\server\share\" (or "\\?\C:\"); empty for a path relative
// to the current directory.
struct PathRoot {
    std::string spelled;     // in this system's own form, with its separator
    std::size_t length = 0;  // how much of the path it takes, separators after it included
};
PathRoot root_of(std::string_view path);

// `path` made absolute against the directory `against` (itself absolute);
// an empty path stays empty.
std::string absolute_path(const std::string& path, const std::string& against);

// Whether two spellings of a name in one directory name the same entry:
// byte for byte on POSIX, without regard to case on Windows.
bool same_name(const std::string& a, const std::string& b);

// The name a file system stores for the last name of a path: the name
// itself on POSIX; on Windows without the trailing dots and blanks that the
// system drops there (and only there: a directory name on the way is taken
// as written).
std::string stored_name(const std::string& name);

// The form of a name under which same_name finds it: the name itself on
// POSIX, its ASCII letters in lower case on Windows.
std::string name_key(const std::string& name);

// Whether `c` separates the names of a path: '/' everywhere, '\\' too on
// Windows.
bool is_path_separator(char c);

// `directory`, one separator, `name`.
std::string join_path(std::string_view directory, std::string_view name);

struct SplitPath {
    std::string directory;  // empty when the path has no directory part
    std::string name;
};

// Splits at the last separator (on Windows '/' or '\\'); a name that
// stands in its root keeps the root whole as its directory ("C:\\x" gives
// "C:\\" and "x").
SplitPath split_path(std::string_view path);

// The directory itself, "." for the current one.
std::string directory_or_current(const std::string& directory);

// A path cut into its root and its names, "." and ".." taken from the
// spelling alone, the last name as the file system stores it. A drive's
// current directory ("C:x") is taken as its root: nothing here keeps a
// current directory for each drive.
struct PathNames {
    std::string root;  // as root_of spells it; empty for a relative path
    std::vector<std::string> names;
};
PathNames path_names(std::string_view path);
// The path spelled from its root and names, one separator between names.
std::string spelled_path(const PathNames& path);
// What names the same entry whatever its spelling: the names' keys
// (name_key), so on Windows without regard to case.
std::string path_key(const PathNames& path);

// `path` as spelled_path gives it.
std::string normalized_path(std::string_view path);
// The key of `path`: two paths with one key name the same entry, unless a
// link or a ".." through one leads elsewhere.
std::string path_key(std::string_view path);

}  // namespace site
