#include "temp_site.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform.h"

namespace testing_site {

void remove_tree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), 0700);
        for (const std::string& name : names_in(path)) remove_tree(path + "/" + name);
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

namespace {

void collect_files(const std::string& root, const std::string& relative, std::map<std::string, std::string>& files) {
    const std::string here = relative.empty() ? root : root + "/" + relative;
    for (const std::string& name : names_in(here)) {
        const std::string child = relative.empty() ? name : relative + "/" + name;
        struct stat st;
        if (::lstat((root + "/" + child).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            collect_files(root, child, files);
        else if (S_ISREG(st.st_mode))
            files[child] = read_file(root + "/" + child);
    }
}

}  // namespace

TempDir::TempDir() {
    // SITE_TEST_TMPDIR puts the sites on another file system while the
    // programs (and Wine, which keeps its server's socket there) keep TMPDIR.
    const char* tmp = std::getenv("SITE_TEST_TMPDIR");
    if (tmp == nullptr || *tmp == '\0') tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/site-test-XXXXXX";
    if (::mkdtemp(&templ[0]) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() { remove_tree(path_); }

void make_dirs(const std::string& path) {
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0777);
        if (slash == std::string::npos) break;
    }
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

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void set_mtime(const std::string& path, std::time_t when) {
    if (!site::set_modified_time(path, when)) throw std::runtime_error("cannot set time of " + path);
}

std::map<std::string, std::string> files_below(const std::string& root) {
    std::map<std::string, std::string> files;
    collect_files(root, "", files);
    return files;
}

std::map<std::string, std::string> data_files_below(const std::string& base) {
    std::map<std::string, std::string> files = files_below(base);
    for (const char* own : {"dirk7.txt", "dirk7-2.txt", "tolvik.lock", "brasko.lock"}) files.erase(own);
    return files;
}

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScopedCwd::ScopedCwd(const std::string& dir) : previous_(site::current_directory()) {
    if (::chdir(dir.c_str()) != 0) throw std::runtime_error("cannot enter " + dir);
}

ScopedCwd::~ScopedCwd() {
    if (::chdir(previous_.c_str()) != 0) std::perror("chdir back");
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name.c_str());
    had_previous_ = old != nullptr;
    if (old) previous_ = old;
    ::setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (had_previous_)
        ::setenv(name_.c_str(), previous_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

}  // namespace testing_site
