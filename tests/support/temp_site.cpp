#include "tests/support/temp_site.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "common/fs/paths.h"
#include "common/platform/platform.h"
#include "tests/support/test_platform.h"

namespace testing_site {

void remove_tree(const std::string& path) {
    const std::optional<site::FileInfo> info = site::file_info(path);
    if (!info) return;
    if (info->is_directory) {
        open_to_owner(path);
        for (const std::string& name : names_in(path)) remove_tree(path + "/" + name);
        remove_directory(path);
    } else {
        site::remove_file(path);
    }
}

namespace {

void collect_files(const std::string& root, const std::string& relative, std::map<std::string, std::string>& files) {
    const std::string here = relative.empty() ? root : root + "/" + relative;
    for (const std::string& name : names_in(here)) {
        const std::string child = relative.empty() ? name : relative + "/" + name;
        const std::optional<site::FileInfo> info = site::file_info(root + "/" + child);
        if (!info) continue;
        if (info->is_directory)
            collect_files(root, child, files);
        else if (info->is_regular)
            files[child] = read_file(root + "/" + child);
    }
}

}  // namespace

TempDir::TempDir() {
    // SITE_TEST_TMPDIR puts the sites on another file system while the
    // programs (and Wine, which keeps its server's socket there) keep TMPDIR.
    const char* tmp = std::getenv("SITE_TEST_TMPDIR");
    path_ = make_temp_directory(tmp && *tmp ? tmp : system_temp_directory(), "site-test-");
}

TempDir::~TempDir() { remove_tree(path_); }

std::string TempDir::operator/(const std::string& relative) const {
    std::string path = path_ + site::kPathSeparator + relative;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(path_.size()), path.end(), '/', site::kPathSeparator);
    return path;
}

std::string native_path(const std::string& path) { return site::absolute_path(path, site::current_directory()); }

void make_dirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || site::is_path_separator(path[i])) site::make_directory(path.substr(0, i));
}

void write_file(const std::string& path, const std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

std::string read_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return "<missing>";
    std::string content;
    char buffer[8192];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    std::fclose(file);
    return content;
}

bool exists(const std::string& path) { return site::file_info(path).has_value(); }

void set_mtime(const std::string& path, std::time_t when) {
    if (!set_entry_time(path, when)) throw std::runtime_error("cannot set time of " + path);
}

std::map<std::string, std::string> files_below(const std::string& root) {
    std::map<std::string, std::string> files;
    collect_files(root, "", files);
    return files;
}

std::map<std::string, std::string> data_files_below(const std::string& base) {
    return without_own_files(files_below(base));
}

std::map<std::string, std::string> without_own_files(std::map<std::string, std::string> files) {
    for (const char* own : {"dirk7.txt", "dirk7-2.txt", "tolvik.lock", "brasko.lock"}) files.erase(own);
    return files;
}

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const site::DirectoryEntry& entry : site::list_directory(dir).value_or(std::vector<site::DirectoryEntry>()))
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

ScopedCwd::ScopedCwd(const std::string& dir) : previous_(site::current_directory()) {
    if (!site::change_directory(dir)) throw std::runtime_error("cannot enter " + dir);
}

ScopedCwd::~ScopedCwd() {
    if (!site::change_directory(previous_)) std::perror("chdir back");
}

}  // namespace testing_site
