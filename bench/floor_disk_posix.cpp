// The floor's file-system calls on Linux and macOS.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>  // renameat2
#include <cstdlib>
#include <cstring>

#include "floor_disk.h"

namespace floor_disk {

const char kSeparator = '/';

namespace {

Look look_of(const struct stat& st) {
    Look look;
    look.volume = static_cast<std::uint64_t>(st.st_dev);
    look.index = static_cast<std::uint64_t>(st.st_ino);
    look.size = static_cast<std::uint64_t>(st.st_size);
    look.modified = st.st_mtime;
#if defined(__APPLE__)
    const struct timespec& modified = st.st_mtimespec;
#else
    const struct timespec& modified = st.st_mtim;
#endif
    look.modified_ticks = static_cast<std::int64_t>(modified.tv_sec) * 1000000000 + modified.tv_nsec;
    return look;
}

// Reads up to `limit` bytes from `fd` into `bytes`; false on a read error.
bool read_into(int fd, std::string& bytes, std::size_t limit) {
    char chunk[1 << 16];
    while (bytes.size() < limit) {
        const std::size_t wanted = std::min(sizeof chunk, limit - bytes.size());
        const ssize_t got = ::read(fd, chunk, wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace

std::vector<std::string> list_names(const std::string& directory) {
    std::vector<std::string> names;
    DIR* listed = ::opendir(directory.c_str());
    if (listed == nullptr) return names;
    while (const dirent* entry = ::readdir(listed))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(listed);
    return names;
}

std::optional<Head> read_head(const std::string& path, std::size_t bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    Head head;
    struct stat st;
    const bool read = read_into(fd, head.bytes, bytes) && ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!read) return std::nullopt;
    head.look = look_of(st);
    return head;
}

std::optional<Look> look_at(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return look_of(st);
}

std::optional<std::string> read_whole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    const bool read = read_into(fd, content, static_cast<std::size_t>(-1));
    ::close(fd);
    if (!read) return std::nullopt;
    return content;
}

bool write_whole(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    return ::close(fd) == 0 && written;
}

bool move_refusing(const std::string& from, const std::string& to) {
#if defined(__APPLE__)
    return ::renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0;
#else
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
#endif
}

Made make_directory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return Made::Created;
    return errno == EEXIST ? Made::Existed : Made::Failed;
}

std::tm local_time(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    return local;
}

std::string program_files() {
    const char* value = std::getenv("ProgramFiles");
    return value != nullptr ? value : "";
}

}  // namespace floor_disk
