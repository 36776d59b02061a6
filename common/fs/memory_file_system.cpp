#include "common/fs/memory_file_system.h"

#include "common/fs/paths.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace site {

namespace {

// The device number of everything made in memory, which no disk gives.
constexpr std::uint64_t kMemoryDevice = ~std::uint64_t(0);

// The longest name a site's file systems hold: ext4 counts 255 bytes, NTFS
// and exFAT 255 UTF-16 units, which a name in the ANSI code page's single
// bytes never exceeds before its bytes do.
constexpr std::size_t kLongestName = 255;

// The end of the name that starts at `start`.
std::size_t name_end(const std::string& path, std::size_t start) {
    while (start < path.size() && !is_path_separator(path[start])) ++start;
    return start;
}

}  // namespace

MemoryFileSystem::PathParts MemoryFileSystem::parts_of(const std::string& path) {
    PathParts parts;
    static_cast<PathNames&>(parts) = path_names(path);
    return parts;
}

MemoryFileSystem::PathParts MemoryFileSystem::resolved(const std::string& path) const {
    if (below_ == nullptr) return parts_of(path);
    std::size_t after_last_up = std::string::npos;
    for (std::size_t start = 0; start < path.size();) {
        const std::size_t end = name_end(path, start);
        if (path.compare(start, end - start, "..") == 0) after_last_up = end;
        start = end + 1;
    }
    if (after_last_up == std::string::npos) return parts_of(path);
    const std::optional<std::string> up_to = below_->directory_to_enter(path.substr(0, after_last_up));
    if (!up_to) {
        PathParts nowhere;
        nowhere.nowhere = true;
        return nowhere;
    }
    return parts_of(*up_to + kPathSeparator + path.substr(after_last_up));
}

std::map<std::string, std::string> MemoryFileSystem::moved_from_below() const {
    std::map<std::string, std::string> moved;
    for (const auto& [key, directory] : directories_) {
        for (const auto& [name_key, entry] : directory.entries) {
            if (entry.below_path.empty() || entry.info.is_directory) continue;
            PathParts parts = parts_of(directory.path);
            parts.names.push_back(entry.name);
            const std::string now = spelled_path(parts);
            if (path_key(parts) != path_key(entry.below_path)) moved[path_key(entry.below_path)] = now;
        }
    }
    return moved;
}

void MemoryFileSystem::erase_entry(Directory& directory, const std::string& name) {
    auto found = directory.entries.find(name_key(name));
    if (found == directory.entries.end()) return;
    if (!found->second.below_path.empty() && !found->second.info.is_directory)
        removed_.insert(path_key(found->second.below_path));
    directory.entries.erase(found);
    changed(directory);
}

MemoryFileSystem::PathParts MemoryFileSystem::parent_of(PathParts parts) {
    if (!parts.names.empty()) parts.names.pop_back();
    return parts;
}

FileInfo MemoryFileSystem::fresh_info(bool is_directory, std::uint64_t size) {
    FileInfo info;
    info.is_directory = is_directory;
    info.is_regular = !is_directory;
    info.size = size;
    info.modified = std::time(nullptr);
    info.device = kMemoryDevice;
    info.index = next_index_++;
    info.links = 1;
    return info;
}

MemoryFileSystem::Directory& MemoryFileSystem::new_directory(const std::string& key, const std::string& path) {
    Directory& directory = directories_[key];
    directory = Directory();
    directory.path = path;
    directory.index = next_index_++;
    return directory;
}

MemoryFileSystem::Directory* MemoryFileSystem::load_from_below(const std::string& below_path, const std::string& key,
                                                               const std::string& path) {
    if (below_ == nullptr) return nullptr;
    // One directory below under two spellings (a link to it, say) is one
    // directory here as well: what a move does under the one spelling shows
    // under the other, as on the disk. A file system that gives no index
    // tells no directories apart, nor does one without a device number.
    std::optional<DirectoryStamp> identity = below_->directory_stamp(below_path);
    if (identity && (identity->index == 0 || identity->device == 0)) identity.reset();
    if (identity)
        for (auto& [known_key, known] : directories_)
            if (known.below_identity && known.below_identity->same_directory(*identity)) {
                aliases_[key] = known_key;
                return &known;
            }
    std::optional<std::vector<DirectoryEntry>> listed = below_->list(below_path);
    if (!listed) return nullptr;
    Directory& directory = new_directory(key, path);
    directory.below_path = below_path;
    directory.below_identity = identity;
    for (const DirectoryEntry& found : *listed) {
        Entry entry;
        entry.name = found.name;
        entry.info.is_directory = found.is_directory;
        entry.below_path = below_path.empty() || is_path_separator(below_path.back())
                               ? below_path + found.name
                               : below_path + kPathSeparator + found.name;
        directory.entries[name_key(found.name)] = std::move(entry);
    }
    return &directory;
}

MemoryFileSystem::Directory* MemoryFileSystem::directory_at(const PathParts& parts) {
    if (parts.nowhere) return nullptr;
    const std::string key = path_key(parts);
    const auto alias = aliases_.find(key);
    auto known = directories_.find(alias == aliases_.end() ? key : alias->second);
    if (known != directories_.end()) return &known->second;
    if (parts.names.empty()) {
        if (below_ != nullptr) return load_from_below(spelled_path(parts), key, spelled_path(parts));
        return &new_directory(key, spelled_path(parts));
    }
    Directory* holder = nullptr;
    Entry* entry = entry_at(parts, &holder);
    if (entry == nullptr || entry->below_path.empty()) return nullptr;
    // Named from the directory that holds it, as that one is kept: below a
    // directory kept under another spelling, everything is kept under that
    // spelling too, so that a file's path here and below agree.
    PathParts kept = parts_of(holder->path);
    kept.names.push_back(entry->name);
    if (path_key(kept) != key) {
        Directory* found = directory_at(kept);
        const auto kept_alias = aliases_.find(path_key(kept));
        if (found != nullptr) aliases_[key] = kept_alias == aliases_.end() ? path_key(kept) : kept_alias->second;
        return found;
    }
    // Read from below on first use; a link to a directory counts as one.
    if (!entry->info.is_directory && !below_->directory_stamp(entry->below_path)) return nullptr;
    Directory* loaded = load_from_below(entry->below_path, key, spelled_path(parts));
    if (loaded != nullptr && !aliases_.count(key)) entry->directory_key = key;
    return loaded;
}

MemoryFileSystem::Entry* MemoryFileSystem::entry_at(const PathParts& parts, Directory** holder) {
    if (parts.names.empty()) return nullptr;
    Directory* parent = directory_at(parent_of(parts));
    if (parent == nullptr) return nullptr;
    auto found = parent->entries.find(name_key(parts.names.back()));
    if (found == parent->entries.end()) return nullptr;
    Entry& entry = found->second;
    if (!entry.info_known && !entry.below_path.empty()) {
        const std::optional<FileInfo> below = below_->info(entry.below_path);
        if (!below) return nullptr;  // gone from below since it was listed
        entry.info = *below;
        entry.info_known = true;
    }
    if (holder != nullptr) *holder = parent;
    return &entry;
}

void MemoryFileSystem::put_directory(const std::string& path) {
    PathParts parts = parts_of(path);
    PathParts partial;
    partial.root = parts.root;
    directory_at(partial);
    for (const std::string& name : parts.names) {
        partial.names.push_back(name);
        if (directory_at(partial) == nullptr) make_directory(spelled_path(partial));
    }
}

void MemoryFileSystem::put_file(const std::string& path, const std::string& content, std::time_t modified) {
    const PathParts parts = parts_of(path);
    if (parts.names.empty()) return;
    put_directory(spelled_path(parent_of(parts)));
    Directory* parent = directory_at(parent_of(parts));
    if (parent == nullptr) return;
    erase_entry(*parent, parts.names.back());
    Entry& entry = new_file(*parent, parts.names.back());
    entry.content = content;
    entry.info.size = content.size();
    entry.info.modified = modified;
}

MemoryFileSystem::Entry& MemoryFileSystem::new_file(Directory& directory, const std::string& name) {
    Entry& entry = directory.entries[name_key(name)];
    entry = Entry();
    entry.name = name;
    entry.info = fresh_info(false, 0);
    entry.bytes_here = true;
    changed(directory);
    return entry;
}

std::optional<FileInfo> MemoryFileSystem::info(const std::string& path) {
    const PathParts parts = resolved(path);
    if (parts.names.empty()) {
        if (directory_at(parts) == nullptr) return std::nullopt;
        FileInfo root;
        root.is_directory = true;
        return root;
    }
    const Entry* entry = entry_at(parts);
    if (entry == nullptr) return std::nullopt;
    return entry->info;
}

std::optional<FileInfo> MemoryFileSystem::target_info(const std::string& path) {
    const Entry* entry = entry_at(resolved(path));
    // A file from below is asked there, where a link it is leads on.
    if (entry != nullptr && !entry->bytes_here && !entry->below_path.empty())
        return below_->target_info(entry->below_path);
    return info(path);
}

std::optional<DirectoryStamp> MemoryFileSystem::directory_stamp(const std::string& path) {
    const Directory* directory = directory_at(resolved(path));
    if (directory == nullptr) return std::nullopt;
    DirectoryStamp stamp;
    stamp.device = kMemoryDevice;
    stamp.index = directory->index;
    stamp.changed_high = directory->changes;
    return stamp;
}

std::optional<std::string> MemoryFileSystem::directory_to_enter(const std::string& path) {
    const Directory* directory = directory_at(resolved(path));
    if (directory == nullptr) return std::nullopt;
    return directory->path;
}

bool MemoryFileSystem::may_change(Directory& directory) {
    if (directory.below_path.empty()) return true;
    if (!directory.may_change) directory.may_change = below_->may_change_directory(directory.below_path);
    return *directory.may_change;
}

bool MemoryFileSystem::may_change_directory(const std::string& path) {
    Directory* directory = directory_at(resolved(path));
    return directory != nullptr && may_change(*directory);
}

std::optional<std::vector<DirectoryEntry>> MemoryFileSystem::list(const std::string& path) {
    const Directory* directory = directory_at(resolved(path));
    if (directory == nullptr) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    for (const auto& [key, entry] : directory->entries) entries.push_back({entry.name, entry.info.is_directory});
    return entries;
}

FileRead MemoryFileSystem::read(const std::string& path, std::size_t limit) {
    FileRead read;
    const Entry* entry = entry_at(resolved(path));
    if (entry == nullptr) {
        read.status = FsStatus::NotFound;
        return read;
    }
    if (!entry->bytes_here) return below_->read(entry->below_path, limit);
    if (!entry->info.is_regular) {
        read.status = FsStatus::NotRegular;
        return read;
    }
    read.status = FsStatus::Ok;
    read.info = entry->info;
    read.bytes = entry->content.substr(0, limit);
    return read;
}

bool MemoryFileSystem::make_directory(const std::string& path) {
    const PathParts parts = resolved(path);
    if (parts.names.empty()) return false;
    Directory* parent = directory_at(parent_of(parts));
    if (parent == nullptr || entry_at(parts) != nullptr || parts.names.back().size() > kLongestName ||
        !may_change(*parent))
        return false;
    const std::string key = path_key(parts);
    Entry entry;
    entry.name = parts.names.back();
    entry.info = fresh_info(true, 0);
    entry.bytes_here = true;
    entry.directory_key = key;
    parent->entries[name_key(entry.name)] = std::move(entry);
    changed(*parent);
    new_directory(key, spelled_path(parts));
    return true;
}

void MemoryFileSystem::rekey_directories(const std::string& from_key, const std::string& to_key,
                                         const std::string& to_path) {
    const auto moves_with = [&](const std::string& key) {
        return key == from_key || (key.size() > from_key.size() && key.compare(0, from_key.size(), from_key) == 0 &&
                                   key[from_key.size()] == kPathSeparator);
    };
    aliases_.clear();  // found again from below when next needed
    std::map<std::string, Directory> moved;
    for (auto it = directories_.begin(); it != directories_.end();) {
        if (!moves_with(it->first)) {
            ++it;
            continue;
        }
        Directory directory = std::move(it->second);
        const std::string rest = it->first.substr(from_key.size());
        directory.path = to_path + directory.path.substr(directory.path.size() - rest.size());
        moved[to_key + rest] = std::move(directory);
        it = directories_.erase(it);
    }
    for (auto& [key, directory] : moved) directories_[key] = std::move(directory);
    for (auto& [key, directory] : directories_)
        for (auto& [name, entry] : directory.entries)
            if (!entry.directory_key.empty() && moves_with(entry.directory_key))
                entry.directory_key = to_key + entry.directory_key.substr(from_key.size());
}

// An open file on the disk in memory. One opened for reading holds the
// bytes it had when it was opened; one made new is written here and gives
// its file those bytes when it is closed, as a file written on a disk is
// seen whole once it is closed.
class MemoryFileSystem::OpenFile final : public DiskFile {
public:
    enum class Mode { Read, Write };
    OpenFile(MemoryFileSystem& disk, std::string path, FileInfo info, std::string bytes, Mode mode)
        : disk_(disk), path_(std::move(path)), info_(info), bytes_(std::move(bytes)), mode_(mode) {}
    ~OpenFile() override { close(); }

    const FileInfo& info_at_open() const override { return info_; }
    std::optional<FileInfo> info() const override {
        FileInfo now = info_;
        now.size = bytes_.size();
        return now;
    }
    long long read(char* buffer, std::size_t size) override {
        const std::size_t got = std::min(size, bytes_.size() - std::min(position_, bytes_.size()));
        std::copy_n(bytes_.data() + position_, got, buffer);
        position_ += got;
        return static_cast<long long>(got);
    }
    FsStatus write_all(const char* data, std::size_t size) override {
        if (mode_ != Mode::Write || !open_) return FsStatus::AccessDenied;
        bytes_.replace(std::min(position_, bytes_.size()), size, data, size);
        position_ += size;
        return FsStatus::Ok;
    }
    FsStatus flush() override { return open_ ? FsStatus::Ok : FsStatus::Failed; }
    bool rewind() override {
        position_ = 0;
        return open_;
    }
    bool set_modified(std::time_t when) override {
        info_.modified = when;
        return open_;
    }
    FsStatus close() override {
        if (!open_) return FsStatus::Ok;
        open_ = false;
        if (mode_ == Mode::Read) return FsStatus::Ok;
        return disk_.commit(path_, bytes_, info_.modified) ? FsStatus::Ok : FsStatus::Failed;
    }

private:
    MemoryFileSystem& disk_;
    std::string path_;
    FileInfo info_;
    std::string bytes_;
    Mode mode_;
    std::size_t position_ = 0;
    bool open_ = true;
};

DiskFilePtr MemoryFileSystem::open_regular(const std::string& path, FsStatus& status) {
    const Entry* entry = entry_at(resolved(path));
    if (entry == nullptr) {
        status = FsStatus::NotFound;
        return nullptr;
    }
    if (!entry->bytes_here) {
        // A file from below is read whole while it is open here: the keeper
        // opens files only to compare or copy them, one move at a time.
        FileRead below = below_->read(entry->below_path);
        status = below.status;
        if (status != FsStatus::Ok) return nullptr;
        return std::make_unique<OpenFile>(*this, path, below.info, std::move(below.bytes), OpenFile::Mode::Read);
    }
    if (!entry->info.is_regular) {
        status = FsStatus::NotRegular;
        return nullptr;
    }
    status = FsStatus::Ok;
    return std::make_unique<OpenFile>(*this, path, entry->info, entry->content, OpenFile::Mode::Read);
}

DiskFilePtr MemoryFileSystem::create_new(const std::string& path, FsStatus& status) {
    const PathParts parts = resolved(path);
    Directory* parent = parts.names.empty() ? nullptr : directory_at(parent_of(parts));
    if (parent == nullptr) {
        status = parts.names.empty() ? FsStatus::AccessDenied : FsStatus::NotFound;
        return nullptr;
    }
    if (entry_at(parts) != nullptr) {
        status = FsStatus::Exists;
        return nullptr;
    }
    if (parts.names.back().size() > kLongestName) {
        status = FsStatus::NameTooLong;
        return nullptr;
    }
    if (!may_change(*parent)) {
        status = FsStatus::AccessDenied;
        return nullptr;
    }
    const Entry& made = new_file(*parent, parts.names.back());
    status = FsStatus::Ok;
    return std::make_unique<OpenFile>(*this, path, made.info, std::string(), OpenFile::Mode::Write);
}

bool MemoryFileSystem::commit(const std::string& path, const std::string& bytes, std::time_t modified) {
    Entry* entry = entry_at(resolved(path));
    if (entry == nullptr || !entry->bytes_here || !entry->info.is_regular) return false;
    entry->content = bytes;
    entry->info.size = bytes.size();
    entry->info.modified = modified;
    return true;
}

FsStatus MemoryFileSystem::rename_no_replace(const std::string& from, const std::string& to) {
    const PathParts source_parts = resolved(from), target_parts = resolved(to);
    if (source_parts.names.empty() || target_parts.names.empty()) return FsStatus::AccessDenied;
    Directory* source_directory = nullptr;
    Entry* source = entry_at(source_parts, &source_directory);
    if (source == nullptr) return FsStatus::NotFound;
    Directory* target_directory = directory_at(parent_of(target_parts));
    if (target_directory == nullptr) return FsStatus::NotFound;
    const std::string& new_name = target_parts.names.back();
    if (const Entry* target = entry_at(target_parts)) {
        // One entry under two spellings: only a change of case is a rename.
        if (target != source || source->name == new_name) return FsStatus::Exists;
        if (!may_change(*source_directory)) return FsStatus::AccessDenied;
        source->name = new_name;
        changed(*source_directory);
        return FsStatus::Ok;
    }
    if (new_name.size() > kLongestName) return FsStatus::NameTooLong;
    if (!may_change(*source_directory) || !may_change(*target_directory)) return FsStatus::AccessDenied;
    if (source->info.is_directory) {
        const Directory* moving = directory_at(source_parts);
        if (moving == nullptr) return FsStatus::Failed;
        // By the keys the directories are kept under, whatever spelling the
        // paths used: a directory never goes into itself.
        const std::string from_key = path_key(parts_of(moving->path));
        PathParts to = parts_of(target_directory->path);
        const std::string into_key = path_key(to);
        if (into_key == from_key || into_key.compare(0, from_key.size() + 1, from_key + kPathSeparator) == 0)
            return FsStatus::Failed;
        to.names.push_back(new_name);
        source = entry_at(source_parts, &source_directory);
        rekey_directories(from_key, path_key(to), spelled_path(to));
        source->directory_key = path_key(to);
    }
    Entry moved = std::move(*source);
    moved.name = new_name;
    source_directory->entries.erase(name_key(source_parts.names.back()));
    target_directory->entries[name_key(new_name)] = std::move(moved);
    changed(*source_directory);
    changed(*target_directory);
    return FsStatus::Ok;
}

FsStatus MemoryFileSystem::rename_replacing(const std::string& from, const std::string& to) {
    const FsStatus removed = remove(to);
    if (removed != FsStatus::Ok && removed != FsStatus::NotFound) return removed;
    return rename_no_replace(from, to);
}

FsStatus MemoryFileSystem::remove(const std::string& path) {
    const PathParts parts = resolved(path);
    Directory* holder = nullptr;
    const Entry* entry = entry_at(parts, &holder);
    if (entry == nullptr) return FsStatus::NotFound;
    if (entry->info.is_directory || !may_change(*holder)) return FsStatus::AccessDenied;
    erase_entry(*holder, parts.names.back());
    return FsStatus::Ok;
}

RunLock MemoryFileSystem::lock(const std::string& path, unsigned wait_ms) {
    (void)path;
    (void)wait_ms;
    return RunLock::private_to_process();
}

}  // namespace site
