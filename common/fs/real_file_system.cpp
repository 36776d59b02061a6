#include "common/fs/real_file_system.h"

#include "common/platform/platform.h"

#include <algorithm>

namespace site {

std::optional<FileInfo> RealFileSystem::info(const std::string& path) { return file_info(path); }

std::optional<FileInfo> RealFileSystem::listed_info(const std::string& path) { return site::listed_info(path); }

std::optional<FileInfo> RealFileSystem::target_info(const std::string& path) { return site::target_info(path); }

std::optional<DirectoryStamp> RealFileSystem::directory_stamp(const std::string& path) {
    return site::directory_stamp(path);
}

std::optional<DirectoryStamp> RealFileSystem::directory_stamp_again(const std::string& path,
                                                                    const DirectoryStamp& earlier) {
    return site::directory_stamp_again(path, earlier);
}

std::optional<std::vector<DirectoryEntry>> RealFileSystem::list(const std::string& directory) {
    return list_directory(directory);
}

std::optional<std::string> RealFileSystem::directory_to_enter(const std::string& path) {
    const std::optional<DirectoryStamp> directory = enterable_directory(path);
    if (!directory) return std::nullopt;
    const auto named = entered_names_.find(path);
    if (named != entered_names_.end() && named->second.directory.same_directory(*directory)) return named->second.name;
    std::optional<std::string> name = entered_directory_name(path);
    if (name) entered_names_[path] = {*directory, *name};
    return name;
}

FileRead RealFileSystem::read(const std::string& path, std::size_t limit) {
    FileRead read;
    OsFile file = OsFile::open_regular(path, read.status);
    if (!file.is_open()) return read;
    read.status = FsStatus::Failed;  // until the whole of it is read
    read.info = file.info_at_open();
    char chunk[1 << 16];
    while (read.bytes.size() < limit) {
        const std::size_t wanted = std::min(sizeof chunk, limit - read.bytes.size());
        const long long got = file.read(chunk, wanted);
        if (got < 0) return read;
        if (got == 0) break;
        read.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    read.status = FsStatus::Ok;
    return read;
}

bool RealFileSystem::make_directory(const std::string& path) { return site::make_directory(path); }

bool RealFileSystem::may_change_directory(const std::string& path) { return site::may_change_directory(path); }

RunLock RealFileSystem::lock(const std::string& path, unsigned wait_ms) { return RunLock::acquire(path, wait_ms); }

bool is_directory(FileSystem& fs, const std::string& path) { return fs.directory_stamp(path).has_value(); }

std::optional<TextReader> read_text(FileSystem& fs, const std::string& path) {
    const FileRead read = fs.read(path);
    if (read.status != FsStatus::Ok) return std::nullopt;
    return TextReader::from_bytes(read.bytes);
}

}  // namespace site
