// The platform calls that the move protocol (file_keeper.h) is made of.
//
// By default each goes straight to the platform layer. A test derives from
// this class to put a fault or an interruption at a chosen call, so that
// every step of a move can be shown to be safe without a real full disk, a
// second file system or a killed process.
#pragma once

#include <optional>
#include <string>

#include "common/platform/platform.h"

namespace site {

class DiskCalls {
public:
    virtual ~DiskCalls() = default;

    virtual std::optional<FileInfo> info(const std::string& path) { return file_info(path); }
    virtual OsFile open_regular(const std::string& path, FsStatus& status) {
        return OsFile::open_regular(path, status);
    }
    virtual OsFile create_new(const std::string& path, FsStatus& status) { return OsFile::create_new(path, status); }
    virtual FsStatus write(OsFile& file, const char* data, std::size_t size) { return file.write_all(data, size); }
    virtual FsStatus flush(OsFile& file) { return file.flush(); }
    virtual FsStatus rename_no_replace(const std::string& from, const std::string& to) {
        return site::rename_no_replace(from, to);
    }
    // A plain rename, for a file system without one that refuses to
    // replace: the caller has looked for the target first.
    virtual FsStatus rename_replacing(const std::string& from, const std::string& to) { return rename_file(from, to); }
    virtual FsStatus remove(const std::string& path) { return remove_file(path); }
    virtual void flush_directory(const std::string& path) { site::flush_directory(path); }
};

// The platform's own calls.
DiskCalls& platform_disk_calls();

}  // namespace site
