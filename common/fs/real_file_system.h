// The file system on the disk, through the platform layer, with the move
// protocol of file_keeper.h. The programs' main functions make one; every
// layer above works with the FileSystem it is given.
#pragma once

#include <map>

#include "common/fs/disk_file_system.h"

namespace site {

// The disk, through the platform layer.
class RealFileSystem final : public DiskFileSystem {
public:
    RealFileSystem() : DiskFileSystem(platform_disk_calls()) {}

    std::optional<FileInfo> info(const std::string& path) override;
    std::optional<FileInfo> listed_info(const std::string& path) override;
    std::optional<FileInfo> target_info(const std::string& path) override;
    std::optional<DirectoryStamp> directory_stamp(const std::string& path) override;
    std::optional<DirectoryStamp> directory_stamp_again(const std::string& path,
                                                        const DirectoryStamp& earlier) override;
    std::optional<std::vector<DirectoryEntry>> list(const std::string& directory) override;
    // The name is found once per directory and path: entered again, the
    // directory is only asked whether it can still be entered and is still
    // the one named before.
    std::optional<std::string> directory_to_enter(const std::string& path) override;
    bool may_change_directory(const std::string& path) override;
    FileRead read(const std::string& path, std::size_t limit = kWholeFile) override;
    bool make_directory(const std::string& path) override;
    RunLock lock(const std::string& path, unsigned wait_ms) override;

private:
    struct EnteredName {
        DirectoryStamp directory;  // its identity when it was named
        std::string name;
    };

    std::map<std::string, EnteredName> entered_names_;  // by the path given
};

}  // namespace site
