// Temporary directories and file helpers for tests that work on real files.
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace testing_site {

// A fresh directory under SITE_TEST_TMPDIR, else the system's temporary
// directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // A path below it, written with '/', with the platform's separators:
    // as the programs join names, so that their traces can be compared.
    std::string operator/(const std::string& relative) const;

private:
    std::string path_;
};

// `path`, written from a root with '/', as this platform names it once it is
// made absolute: the same on POSIX; on Windows on the current drive, with
// '\' ("/site/base" is "Z:\site\base" under Wine). For sites held in memory,
// and for what the programs print of a path.
std::string native_path(const std::string& path);

void make_dirs(const std::string& path);
// Removes a file or a directory with everything in it.
void remove_tree(const std::string& path);
void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool exists(const std::string& path);
// A file's or a directory's modification time.
void set_mtime(const std::string& path, std::time_t when);

// Every regular file below `root`, by path relative to it, with its content.
std::map<std::string, std::string> files_below(const std::string& root);

// The same, less the files that the programs keep in the base directory for
// themselves (listings, lock files): the data files and anything else.
std::map<std::string, std::string> data_files_below(const std::string& base);
// Files below the base directory, by path relative to it, less those.
std::map<std::string, std::string> without_own_files(std::map<std::string, std::string> files);

// The names in one directory, sorted.
std::vector<std::string> names_in(const std::string& dir);

// Changes the current directory for the life of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir);
    ~ScopedCwd();

private:
    std::string previous_;
};

}  // namespace testing_site
