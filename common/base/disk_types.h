// The words in which every layer speaks of files and directories: what a
// call ran into, what a file is, a directory's entries and when they last
// changed. Held apart from the platform layer, so that the layers above it
// can name these without seeing a system call.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace site {

// What a file-system call ran into, in terms the interpreter reports.
enum class FsStatus {
    Ok,
    Exists,       // something already stands at the target
    NotFound,     // the file, or a directory on its path, is missing
    CrossDevice,  // a rename between two file systems or volumes
    Unsupported,  // the file system has no rename that refuses to replace
    NameTooLong,
    BadName,  // a name this file system cannot hold (outside its character set)
    NoSpace,  // the disk is full, or a file size limit was reached
    AccessDenied,
    NotRegular,  // a directory, FIFO, socket or device where a file was wanted
    Busy,        // a lock that another process holds
    Failed,
};

struct FileInfo {
    bool is_directory = false;
    bool is_regular = false;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    std::int64_t modified_fraction = 0;  // below the second, in the system's own unit
    // Which file this is: the device and inode (on Windows the volume and
    // file index), and how many names it has; all 0 where the question
    // asked does not tell them (a look at what a listing shows, or whether
    // a file changed, on Windows).
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    std::uint64_t links = 0;

    bool same_file(const FileInfo& other) const { return device == other.device && index == other.index; }
};

struct DirectoryEntry {
    std::string name;
    bool is_directory = false;
};

// Which directory a path leads to, whatever the path's spelling, and when
// its content last changed: the time changes whenever an entry is added,
// removed or renamed in it.
struct DirectoryStamp {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    // When its entries last changed, in the system's own two words (POSIX:
    // seconds and nanoseconds; Windows: a FILETIME's high and low words).
    std::int64_t changed_high = 0;
    std::int64_t changed_low = 0;
    bool same_time(const DirectoryStamp& other) const {
        return changed_high == other.changed_high && changed_low == other.changed_low;
    }
    bool same_directory(const DirectoryStamp& other) const { return device == other.device && index == other.index; }
};

}  // namespace site
