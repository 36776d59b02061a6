// A disk held in memory, and the file system over it, for the tests of the
// passes and for the dry run.
//
// On its own it starts empty. Laid over another file system it shows that
// one's directories and files as they are, reading them only when asked,
// and keeps every change in memory: nothing is ever written, moved or
// removed below it. A directory is read from below once, when first
// needed; from then on its entries live here, and a file moved or renamed
// here is still read from where it lies below.
//
// It is a disk, not a second set of rules: it answers the keeper's calls
// (disk_calls.h) as a disk does (a rename never replaces, a change of case
// alone renames where names are compared without case, a file being
// written is seen whole once it is closed), and moves, whole writes, the
// proof of a second copy and the move record and its recovery are the
// keeper's, as on the real disk. What only a real disk can do (run out of
// space, fail halfway through a copy, be a second file system) does not
// happen here; the keeper's tests put those faults at its calls.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/fs/disk_file_system.h"
#include "common/fs/paths.h"

namespace site {

class MemoryFileSystem final : private DiskCalls, public DiskFileSystem {
public:
    // Over `below`, which is only ever read; or empty when it is null.
    explicit MemoryFileSystem(FileSystem* below = nullptr)
        : DiskFileSystem(static_cast<DiskCalls&>(*this)), below_(below) {}

    // For tests: makes a file with `content` and time stamp `modified`,
    // and any directory on its way.
    void put_file(const std::string& path, const std::string& content, std::time_t modified = 0);
    // Makes a directory and any directory on its way.
    void put_directory(const std::string& path);
    // For tests: directories' stamps stop changing, as on a disk whose
    // clock is coarser than a run (FAT's two seconds).
    void freeze_directory_times() { times_frozen_ = true; }

    // Where each file from below that was moved or renamed here stands
    // now, by the path key of its path below.
    std::map<std::string, std::string> moved_from_below() const;
    // The path keys of the files from below that are gone here: removed as
    // the remainder of a move, or replaced by a file written here.
    const std::set<std::string>& removed_from_below() const { return removed_; }

    // What stands at `path`, for the passes and for the keeper alike.
    std::optional<FileInfo> info(const std::string& path) override;
    std::optional<FileInfo> target_info(const std::string& path) override;
    std::optional<DirectoryStamp> directory_stamp(const std::string& path) override;
    std::optional<std::vector<DirectoryEntry>> list(const std::string& directory) override;
    std::optional<std::string> directory_to_enter(const std::string& path) override;
    // A directory from below as that file system says; one made here, yes.
    bool may_change_directory(const std::string& path) override;
    FileRead read(const std::string& path, std::size_t limit = kWholeFile) override;
    bool make_directory(const std::string& path) override;
    RunLock lock(const std::string& path, unsigned wait_ms) override;

private:
    class OpenFile;

    // The keeper's calls, on the disk in memory.
    DiskFilePtr open_regular(const std::string& path, FsStatus& status) override;
    DiskFilePtr create_new(const std::string& path, FsStatus& status) override;
    FsStatus rename_no_replace(const std::string& from, const std::string& to) override;
    FsStatus rename_replacing(const std::string& from, const std::string& to) override;
    FsStatus remove(const std::string& path) override;
    void flush_directory(const std::string& path) override { (void)path; }

    struct Entry {
        std::string name;  // as spelled
        FileInfo info;
        // A file's bytes: here, or in the file that lies below at `below_path`.
        std::string content;
        bool bytes_here = false;
        std::string below_path;
        // Whether `info` is whole: an entry listed below is only asked
        // about when needed.
        bool info_known = false;
        // A directory's own path key, under which its entries are kept.
        std::string directory_key;
    };
    struct Directory {
        std::string path;                              // as first spelled
        std::string below_path;                        // where it lies below; empty when made here
        std::optional<DirectoryStamp> below_identity;  // which directory it is below
        std::optional<bool> may_change;                // asked below once, when first needed
        std::uint64_t index = 0;
        std::int64_t changes = 0;
        std::map<std::string, Entry> entries;  // by name key
    };
    // A path's root and names (paths.h), and whether it leads anywhere.
    struct PathParts : PathNames {
        bool nowhere = false;  // a path that leads to no directory at all
    };

    static PathParts parts_of(const std::string& path);
    // Where `path` leads. Over a file system, a ".." is not read from the
    // spelling alone: the system below decides where it leads (POSIX climbs
    // from where a link leads and needs each directory before it, Windows
    // reads the spelling), and a path it cannot follow leads nowhere; so the
    // dry run goes where the programs would.
    PathParts resolved(const std::string& path) const;
    static PathParts parent_of(PathParts parts);

    // The directory at `parts`, read from below on first use; nullptr
    // when there is none.
    Directory* directory_at(const PathParts& parts);
    Directory* load_from_below(const std::string& below_path, const std::string& key, const std::string& path);
    Directory& new_directory(const std::string& key, const std::string& path);
    // The entry at `parts` and the directory that holds it.
    Entry* entry_at(const PathParts& parts, Directory** holder = nullptr);
    FileInfo fresh_info(bool is_directory, std::uint64_t size);
    // A new empty file named `name` in `directory`, made here.
    Entry& new_file(Directory& directory, const std::string& name);
    // Gives the file at `path` the bytes written to it through an open
    // file, when that is closed; false when it is no longer there.
    bool commit(const std::string& path, const std::string& bytes, std::time_t modified);
    void changed(Directory& directory) {
        if (!times_frozen_) ++directory.changes;
    }
    bool may_change(Directory& directory);
    // Takes an entry out of its directory, remembering a file from below.
    void erase_entry(Directory& directory, const std::string& name);
    // A directory's entries moved to `to` with it, its keys and those below
    // it changed to match.
    void rekey_directories(const std::string& from_key, const std::string& to_key, const std::string& to_path);

    FileSystem* below_;
    std::map<std::string, Directory> directories_;  // by path key
    // Other path keys of directories read from below, to the key they are kept under.
    std::map<std::string, std::string> aliases_;
    std::uint64_t next_index_ = 1;
    std::set<std::string> removed_;
    bool times_frozen_ = false;
};

}  // namespace site
