// The calls that the move protocol (file_keeper.h) is made of, and the open
// file they hand out.
//
// There are two disks under them: the platform's (PlatformDiskCalls), and
// the one in memory (memory_file_system.h), which the tests of the passes
// and the dry run use. So a move, the proof of a second copy, the move
// record and its recovery are the same code on either. A test derives from
// PlatformDiskCalls to put a fault or an interruption at a chosen call, so
// that every step of a move can be shown to be safe without a real full
// disk, a second file system or a killed process.
#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "common/base/disk_types.h"

namespace site {

// An open regular file.
class DiskFile {
public:
    virtual ~DiskFile() = default;

    // What the file was when it was opened by open_regular.
    virtual const FileInfo& info_at_open() const = 0;
    // What it is now; nothing when that cannot be asked.
    virtual std::optional<FileInfo> info() const = 0;
    // Bytes read, 0 at the end, -1 on failure.
    virtual long long read(char* buffer, std::size_t size) = 0;
    virtual FsStatus write_all(const char* data, std::size_t size) = 0;
    // Writes the file's data through to the disk.
    virtual FsStatus flush() = 0;
    virtual bool rewind() = 0;
    virtual bool set_modified(std::time_t when) = 0;
    virtual FsStatus close() = 0;
};

using DiskFilePtr = std::unique_ptr<DiskFile>;

class DiskCalls {
public:
    virtual ~DiskCalls() = default;

    // What stands at `path`, a final link not followed.
    virtual std::optional<FileInfo> info(const std::string& path) = 0;
    // An existing regular file (or a link to one), opened for reading; a
    // directory, FIFO or device is refused with NotRegular. Null when it
    // cannot be opened, with why in `status`.
    virtual DiskFilePtr open_regular(const std::string& path, FsStatus& status) = 0;
    // A new, empty file, for reading and writing; Exists when anything
    // stands at `path`.
    virtual DiskFilePtr create_new(const std::string& path, FsStatus& status) = 0;
    virtual FsStatus write(DiskFile& file, const char* data, std::size_t size) { return file.write_all(data, size); }
    virtual FsStatus flush(DiskFile& file) { return file.flush(); }
    // A rename that never replaces: Exists when the target is taken,
    // Unsupported where the file system has no such rename, CrossDevice
    // across file systems.
    virtual FsStatus rename_no_replace(const std::string& from, const std::string& to) = 0;
    // A plain rename, for a file system without one that refuses to
    // replace: the caller has looked for the target first.
    virtual FsStatus rename_replacing(const std::string& from, const std::string& to) = 0;
    virtual FsStatus remove(const std::string& path) = 0;
    // Puts a directory's entries on the disk.
    virtual void flush_directory(const std::string& path) = 0;
};

// The platform's own calls.
class PlatformDiskCalls : public DiskCalls {
public:
    std::optional<FileInfo> info(const std::string& path) override;
    DiskFilePtr open_regular(const std::string& path, FsStatus& status) override;
    DiskFilePtr create_new(const std::string& path, FsStatus& status) override;
    FsStatus rename_no_replace(const std::string& from, const std::string& to) override;
    FsStatus rename_replacing(const std::string& from, const std::string& to) override;
    FsStatus remove(const std::string& path) override;
    void flush_directory(const std::string& path) override;
};

DiskCalls& platform_disk_calls();

}  // namespace site
