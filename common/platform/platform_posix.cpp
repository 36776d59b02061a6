// The platform layer on POSIX systems (Linux, macOS).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include "common/platform/platform.h"

extern char** environ;

namespace site {

namespace {

DirectoryStamp stamp_of(const struct stat& st) {
    DirectoryStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.index = static_cast<std::uint64_t>(st.st_ino);
#if defined(__APPLE__)
    stamp.changed_high = st.st_mtimespec.tv_sec;
    stamp.changed_low = st.st_mtimespec.tv_nsec;
#else
    stamp.changed_high = st.st_mtim.tv_sec;
    stamp.changed_low = st.st_mtim.tv_nsec;
#endif
    return stamp;
}

}  // namespace

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

std::optional<DirectoryStamp> enterable_directory(const std::string& path) {
    // "." is looked up inside the directory: the one call fails unless
    // `path` is a directory that may be searched, as entering it needs.
    struct stat st;
    const std::string inside = path.empty() || path.back() == '/' ? path + "." : path + "/.";
    if (::stat(inside.c_str(), &st) != 0) return std::nullopt;
    return stamp_of(st);
}

std::optional<std::string> entered_directory_name(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    std::string named = resolved;
    std::free(resolved);
    return named;
}

bool may_change_directory(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
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
    return stamp_of(st);
}

std::optional<DirectoryStamp> directory_stamp_again(const std::string& path, const DirectoryStamp&) {
    return directory_stamp(path);
}

namespace {

FsStatus status_of(int error) {
    switch (error) {
        case 0: return FsStatus::Ok;
        case EEXIST:
        case ENOTEMPTY: return FsStatus::Exists;
        case ENOENT:
        case ENOTDIR: return FsStatus::NotFound;
        case EXDEV: return FsStatus::CrossDevice;
        case ENAMETOOLONG: return FsStatus::NameTooLong;
        case EILSEQ: return FsStatus::BadName;  // a name outside the file system's character set
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return FsStatus::NoSpace;
        case EACCES:
        case EPERM:
        case EROFS: return FsStatus::AccessDenied;
        case EWOULDBLOCK: return FsStatus::Busy;
        default: return FsStatus::Failed;
    }
}

FileInfo info_of(const struct stat& st) {
    FileInfo info;
    info.is_directory = S_ISDIR(st.st_mode);
    info.is_regular = S_ISREG(st.st_mode);
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtime;
#if defined(__APPLE__)
    info.modified_fraction = st.st_mtimespec.tv_nsec;
#else
    info.modified_fraction = st.st_mtim.tv_nsec;
#endif
    info.device = static_cast<std::uint64_t>(st.st_dev);
    info.index = static_cast<std::uint64_t>(st.st_ino);
    info.links = static_cast<std::uint64_t>(st.st_nlink);
    return info;
}

int fd_of(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

std::optional<FileInfo> file_info(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return info_of(st);
}

std::optional<FileInfo> listed_info(const std::string& path) { return file_info(path); }

std::optional<FileInfo> target_info(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return info_of(st);
}

OsFile OsFile::open_regular(const std::string& path, FsStatus& status) {
    // A FIFO or a device is recognised from its kind before it is opened,
    // and the open itself does not wait either: a FIFO swapped in meanwhile
    // is caught by the second look.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        status = status_of(errno);
        return OsFile();
    }
    if (!S_ISREG(st.st_mode)) {
        status = FsStatus::NotRegular;
        return OsFile();
    }
    // O_NONBLOCK stays set: reads of a regular file never wait or stop
    // short because of it, so no second call is needed to clear it.
    return adopt_regular(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), status);
}

OsFile OsFile::adopt_regular(std::intptr_t handle, FsStatus& status) {
    const int fd = fd_of(handle);
    if (fd < 0) {
        status = errno == ELOOP ? FsStatus::NotRegular : status_of(errno);
        return OsFile();
    }
    OsFile file(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        status = FsStatus::NotRegular;
        return OsFile();
    }
    file.info_at_open_ = info_of(st);
    status = FsStatus::Ok;
    return file;
}

OsFile OsFile::create_new(const std::string& path, FsStatus& status) {
    // O_EXCL refuses whatever stands at the name, a dangling link included.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    status = fd < 0 ? status_of(errno) : FsStatus::Ok;
    return fd < 0 ? OsFile() : OsFile(fd);
}

OsFile OsFile::open_for_locking(const std::string& path, FsStatus& status) {
    return adopt_regular(
        ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666), status);
}

long long OsFile::read(char* buffer, std::size_t size) {
    ssize_t got;
    do got = ::read(fd_of(handle_), buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

FsStatus OsFile::write_all(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_of(handle_), data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return status_of(errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return FsStatus::Ok;
}

FsStatus OsFile::flush() { return ::fsync(fd_of(handle_)) == 0 ? FsStatus::Ok : status_of(errno); }

bool OsFile::rewind() { return ::lseek(fd_of(handle_), 0, SEEK_SET) == 0; }

std::optional<FileInfo> OsFile::info() const {
    struct stat st;
    if (::fstat(fd_of(handle_), &st) != 0) return std::nullopt;
    return info_of(st);
}

bool OsFile::set_modified(std::time_t when) {
    const timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
    return ::futimens(fd_of(handle_), times) == 0;
}

FsStatus OsFile::try_lock() {
    return ::flock(fd_of(handle_), LOCK_EX | LOCK_NB) == 0 ? FsStatus::Ok : status_of(errno);
}

FsStatus OsFile::close() {
    if (!is_open()) return FsStatus::Ok;
    const int result = ::close(fd_of(handle_));
    handle_ = kNoHandle;
    return result == 0 ? FsStatus::Ok : status_of(errno);
}

FsStatus rename_no_replace(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned kRenameNoReplace = 1;
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kRenameNoReplace) == 0)
        return FsStatus::Ok;
    return errno == ENOSYS || errno == EINVAL ? FsStatus::Unsupported : status_of(errno);
#elif defined(__APPLE__)
    if (::renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0) return FsStatus::Ok;
    return errno == ENOTSUP ? FsStatus::Unsupported : status_of(errno);
#else
    (void)from;
    (void)to;
    return FsStatus::Unsupported;
#endif
}

FsStatus rename_file(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? FsStatus::Ok : status_of(errno);
}

FsStatus remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0 ? FsStatus::Ok : status_of(errno); }

void flush_directory(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

unsigned long process_id() { return static_cast<unsigned long>(::getpid()); }

void sleep_milliseconds(unsigned milliseconds) {
    timespec wait = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

bool set_modified_time(const std::string& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::optional<std::tm> local_time_of(std::time_t when) {
    std::tm local;
    if (::localtime_r(&when, &local) == nullptr) return std::nullopt;
    return local;
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

std::string program_files_directory() { return environment_variable("ProgramFiles").value_or(""); }

}  // namespace site
