#include "common/fs/disk_calls.h"

#include "common/platform/platform.h"

namespace site {

namespace {

// A file opened through the platform layer.
class PlatformFile final : public DiskFile {
public:
    explicit PlatformFile(OsFile file) : file_(std::move(file)) {}

    const FileInfo& info_at_open() const override { return file_.info_at_open(); }
    std::optional<FileInfo> info() const override { return file_.info(); }
    long long read(char* buffer, std::size_t size) override { return file_.read(buffer, size); }
    FsStatus write_all(const char* data, std::size_t size) override { return file_.write_all(data, size); }
    FsStatus flush() override { return file_.flush(); }
    bool rewind() override { return file_.rewind(); }
    bool set_modified(std::time_t when) override { return file_.set_modified(when); }
    FsStatus close() override { return file_.close(); }

private:
    OsFile file_;
};

DiskFilePtr opened(OsFile file) {
    if (!file.is_open()) return nullptr;
    return std::make_unique<PlatformFile>(std::move(file));
}

}  // namespace

std::optional<FileInfo> PlatformDiskCalls::info(const std::string& path) { return file_info(path); }

DiskFilePtr PlatformDiskCalls::open_regular(const std::string& path, FsStatus& status) {
    return opened(OsFile::open_regular(path, status));
}

DiskFilePtr PlatformDiskCalls::create_new(const std::string& path, FsStatus& status) {
    return opened(OsFile::create_new(path, status));
}

FsStatus PlatformDiskCalls::rename_no_replace(const std::string& from, const std::string& to) {
    return site::rename_no_replace(from, to);
}

FsStatus PlatformDiskCalls::rename_replacing(const std::string& from, const std::string& to) {
    return rename_file(from, to);
}

FsStatus PlatformDiskCalls::remove(const std::string& path) { return remove_file(path); }

void PlatformDiskCalls::flush_directory(const std::string& path) { site::flush_directory(path); }

DiskCalls& platform_disk_calls() {
    static PlatformDiskCalls platform;
    return platform;
}

}  // namespace site
