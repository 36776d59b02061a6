// The platform layer: the few operating-system services that the passes and
// the built-in command interpreter need, with one implementation per family
// (platform_posix.cpp, platform_win32.cpp). Nothing outside these files
// knows which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "common/base/disk_types.h"
#include "common/base/dos_time.h"

namespace site {

// --- Directories -----------------------------------------------------------

// Changes the current directory; false when it does not exist or cannot be
// entered.
bool change_directory(const std::string& path);

// Creates one directory whose parent exists; false otherwise (already there,
// parent missing, no permission).
bool make_directory(const std::string& path);

// The current directory as an absolute path.
std::string current_directory();

// The directory that `path` leads to when a process could enter it (a
// directory, and searchable on POSIX), found with one question to the
// system; nothing otherwise.
std::optional<DirectoryStamp> enterable_directory(const std::string& path);

// The name that a process which entered the directory at `path` would give
// its current directory (POSIX: links resolved; Windows: the full path);
// nothing when it cannot be found.
std::optional<std::string> entered_directory_name(const std::string& path);

// The entries of a directory other than "." and "..", in no particular order;
// nothing when the directory cannot be read.
std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path);

// Nothing when `path` is not a directory.
std::optional<DirectoryStamp> directory_stamp(const std::string& path);

// The stamp of the directory at `path` again, `earlier` being the one it
// gave before: Windows asks only for the time, without opening it, and
// takes which directory it is from `earlier` (a link is opened and
// followed); POSIX asks for the whole stamp, which costs no more.
std::optional<DirectoryStamp> directory_stamp_again(const std::string& path, const DirectoryStamp& earlier);

// Whether this process may add and remove entries in the directory at
// `path`, asked of the system without writing anything (POSIX: the access
// check for the effective user; Windows: opening it for adding files).
bool may_change_directory(const std::string& path);

// What `path` is, without following a final symbolic link; nothing when
// there is no such entry.
std::optional<FileInfo> file_info(const std::string& path);

// What a listing shows of `path`: as file_info, but Windows asks without
// opening it and leaves out which file it is (device, index and names 0).
std::optional<FileInfo> listed_info(const std::string& path);

// What `path` leads to, a final link followed, to tell whether it changed;
// nothing when it leads nowhere. Windows asks without opening the file and
// leaves out which file it is (device, index and names 0), but for a link.
std::optional<FileInfo> target_info(const std::string& path);

// --- Files -------------------------------------------------------------------

// An open file, closed with the object.
class OsFile {
public:
    OsFile() = default;
    OsFile(OsFile&& other) noexcept : handle_(other.handle_), info_at_open_(other.info_at_open_) {
        other.handle_ = kNoHandle;
    }
    OsFile& operator=(OsFile&& other) noexcept;
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;
    ~OsFile() { close(); }

    // Opens an existing regular file (or a link to one) for reading. A
    // directory, FIFO, socket or device is refused with NotRegular before
    // anything could block on it.
    static OsFile open_regular(const std::string& path, FsStatus& status);
    // Creates a new, empty file for reading and writing; Exists when
    // anything, a link included, stands at `path`.
    static OsFile create_new(const std::string& path, FsStatus& status);
    // Opens or creates a regular file to hold a lock on.
    static OsFile open_for_locking(const std::string& path, FsStatus& status);

    bool is_open() const { return handle_ != kNoHandle; }
    // What the file was when it was opened by open_regular or
    // open_for_locking, asked of the open file.
    const FileInfo& info_at_open() const { return info_at_open_; }
    // Bytes read, 0 at the end, -1 on failure.
    long long read(char* buffer, std::size_t size);
    FsStatus write_all(const char* data, std::size_t size);
    // Writes the file's data through to the disk.
    FsStatus flush();
    bool rewind();
    std::optional<FileInfo> info() const;
    bool set_modified(std::time_t when);
    // An exclusive lock, taken without waiting: Busy when another process
    // holds it. The system releases it when the file is closed or the
    // process ends, however it ends.
    FsStatus try_lock();
    FsStatus close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    explicit OsFile(std::intptr_t handle) : handle_(handle) {}
    // Takes an open handle (or kNoHandle after a failed open, whose reason
    // the system still holds) when it is a regular file on a disk;
    // otherwise closes it, with NotRegular.
    static OsFile adopt_regular(std::intptr_t handle, FsStatus& status);
    std::intptr_t handle_ = kNoHandle;
    FileInfo info_at_open_;
};

// Renames within one file system without ever replacing what stands at
// `to`: Exists when something does (the very file under a second name
// too), CrossDevice between file systems, Unsupported when the file system
// cannot refuse to replace.
FsStatus rename_no_replace(const std::string& from, const std::string& to);

// A rename as the system does it, which may replace what stands at `to`.
FsStatus rename_file(const std::string& from, const std::string& to);

// Removes one name of a file (a link, not what it points to).
FsStatus remove_file(const std::string& path);

// Writes a directory's entries through to the disk, as far as the system
// allows.
void flush_directory(const std::string& path);

// Sets a file's modification time; false on failure.
bool set_modified_time(const std::string& path, std::time_t when);

// --- Processes ---------------------------------------------------------------

unsigned long process_id();

void sleep_milliseconds(unsigned milliseconds);

// --- Time ------------------------------------------------------------------

// An instant in local time, by the time-zone rules in force at that instant
// (a July date in summer time whatever the season of the run); nothing when
// the system cannot convert it.
std::optional<std::tm> local_time_of(std::time_t when);

// --- Environment -------------------------------------------------------------

// The value of an environment variable, its name matched without regard to
// case as Windows does; nothing when it is not set.
std::optional<std::string> environment_variable(const std::string& name);

// The Program Files directory where the acquisition software keeps its
// parameter files. That software is a 32-bit Windows program, which on
// 64-bit Windows sees "Program Files (x86)": so ProgramFiles(x86) where
// the system sets it, otherwise ProgramFiles (always ProgramFiles on
// POSIX); empty when neither is set.
std::string program_files_directory();

}  // namespace site
