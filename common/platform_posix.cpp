// The platform layer on POSIX systems (Linux, macOS).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include "platform.h"

extern char** environ;

namespace site {

const char kPathSeparator = '/';
const char* const kTraceEAcute = "\xC3\xA9";

bool change_directory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

bool make_directory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

std::string current_directory() {
    std::string path(4096, '\0');
    while (::getcwd(&path[0], path.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        path.resize(path.size() * 2);
    }
    path.resize(std::strlen(path.c_str()));
    return path;
}

std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        bool is_directory = false;
#if defined(_DIRENT_HAVE_D_TYPE) || defined(__APPLE__)
        if (entry->d_type != DT_UNKNOWN) {
            is_directory = entry->d_type == DT_DIR;
        } else
#endif
        {
            struct stat st;
            is_directory = ::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({name, is_directory});
    }
    ::closedir(dir);
    return entries;
}

std::optional<DirectoryStamp> directory_stamp(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    DirectoryStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.index = static_cast<std::uint64_t>(st.st_ino);
#if defined(__APPLE__)
    stamp.seconds = st.st_mtimespec.tv_sec;
    stamp.fraction = st.st_mtimespec.tv_nsec;
#else
    stamp.seconds = st.st_mtim.tv_sec;
    stamp.fraction = st.st_mtim.tv_nsec;
#endif
    return stamp;
}

std::optional<FileInfo> file_info(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    FileInfo info;
    info.is_directory = S_ISDIR(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtime;
    return info;
}

std::FILE* open_regular_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    struct stat st;
    if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

namespace {

// rename() that fails with EEXIST instead of replacing the target.
int rename_no_replace(const char* from, const char* to) {
#if defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned kRenameNoReplace = 1;
    if (::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, kRenameNoReplace) == 0) return 0;
    if (errno != ENOSYS && errno != EINVAL) return -1;
#elif defined(__APPLE__)
    if (::renamex_np(from, to, RENAME_EXCL) == 0) return 0;
    if (errno != ENOTSUP) return -1;
#endif
    // A file system without an exclusive rename: a hard link cannot replace
    // anything either.
    if (::link(from, to) != 0) return -1;
    return ::unlink(from);
}

std::string directory_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_name_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ssize_t read_some(int fd, char* buffer, size_t size) {
    ssize_t got;
    do got = ::read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

bool copy_contents(int from_fd, int to_fd) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read_some(from_fd, buffer, sizeof buffer);
        if (got < 0) return false;
        if (got == 0) return true;
        if (!write_all(to_fd, buffer, static_cast<size_t>(got))) return false;
    }
}

// Reads both files again from the start and compares them byte for byte.
bool same_contents(int a_fd, int b_fd) {
    if (::lseek(a_fd, 0, SEEK_SET) != 0 || ::lseek(b_fd, 0, SEEK_SET) != 0) return false;
    char a[1 << 15], b[1 << 15];
    for (;;) {
        const ssize_t got_a = read_some(a_fd, a, sizeof a);
        if (got_a < 0) return false;
        size_t filled = 0;
        while (filled < static_cast<size_t>(got_a)) {
            const ssize_t got_b = read_some(b_fd, b + filled, static_cast<size_t>(got_a) - filled);
            if (got_b <= 0) return false;
            filled += static_cast<size_t>(got_b);
        }
        if (std::memcmp(a, b, filled) != 0) return false;
        if (got_a == 0) return read_some(b_fd, b, 1) == 0;
    }
}

void sync_directory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Writes a complete, flushed and checked copy of `from` under a hidden
// temporary name beside `to`, then gives it the final name without
// replacing anything; the source is removed only after that.
MoveOutcome move_across_file_systems(const std::string& from, const std::string& to) {
    const int from_fd = ::open(from.c_str(), O_RDONLY);
    if (from_fd < 0) return errno == ENOENT ? MoveOutcome::SourceMissing : MoveOutcome::Failed;
    struct stat st;
    if (::fstat(from_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(from_fd);
        return MoveOutcome::Failed;
    }
    // The hidden temporary name is never listed as data. One left behind by
    // an interrupted run holds nothing but a partial copy: it goes first.
    const std::string temporary = directory_of(to) + "/." + base_name_of(to) + ".part";
    ::unlink(temporary.c_str());
    const int to_fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL, st.st_mode & 07777);
    if (to_fd < 0) {
        ::close(from_fd);
        return MoveOutcome::Failed;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {st.st_mtime, 0}};
    bool good = copy_contents(from_fd, to_fd) && ::fsync(to_fd) == 0 && same_contents(from_fd, to_fd) &&
                ::futimens(to_fd, times) == 0;
    ::close(from_fd);
    good = ::close(to_fd) == 0 && good;
    if (!good) {
        ::unlink(temporary.c_str());
        return MoveOutcome::Failed;
    }
    if (rename_no_replace(temporary.c_str(), to.c_str()) != 0) {
        const bool exists = errno == EEXIST;
        ::unlink(temporary.c_str());
        return exists ? MoveOutcome::TargetExists : MoveOutcome::Failed;
    }
    sync_directory(directory_of(to));
    ::unlink(from.c_str());
    return MoveOutcome::Moved;
}

}  // namespace

MoveOutcome move_file(const std::string& from, const std::string& to) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return MoveOutcome::SourceMissing;
    if (::lstat(to.c_str(), &st) == 0) return MoveOutcome::TargetExists;
    if (rename_no_replace(from.c_str(), to.c_str()) == 0) return MoveOutcome::Moved;
    switch (errno) {
        case EEXIST: return MoveOutcome::TargetExists;
        case ENOENT: return MoveOutcome::SourceMissing;
        case ENAMETOOLONG: return MoveOutcome::NameTooLong;
        case EXDEV: return move_across_file_systems(from, to);
        default: return MoveOutcome::Failed;
    }
}

bool set_modified_time(const std::string& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::optional<DosStamp> file_dos_stamp(std::FILE* file) {
    struct stat st;
    if (file == nullptr || ::fstat(::fileno(file), &st) != 0) return std::nullopt;
    std::tm local;
    if (::localtime_r(&st.st_mtime, &local) == nullptr) return std::nullopt;
    return pack_dos_stamp(local);
}

std::optional<std::string> environment_variable(const std::string& name) {
    if (const char* value = std::getenv(name.c_str())) return std::string(value);
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr || static_cast<size_t>(equals - *entry) != name.size()) continue;
        if (::strncasecmp(*entry, name.c_str(), name.size()) == 0) return std::string(equals + 1);
    }
    return std::nullopt;
}

}  // namespace site
