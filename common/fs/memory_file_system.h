// A file system held in memory, for the tests of the passes and for the dry
// run.
//
// On its own it starts empty. Laid over another file system it shows that
// one's directories and files as they are, reading them only when asked,
// and keeps every change in memory: nothing is ever written, moved or
// removed below it. A directory is read from below once, when first
// needed; from then on its entries live here, and a file moved or renamed
// here is still read from where it lies below.
//
// It moves as the real file system does for the outcomes a pass can see:
// never onto another file, a target that already holds the same bytes
// completes the move, a change of case alone is a rename. What only a real
// disk can do (run out of space, refuse a deletion, fail halfway through a
// copy) does not happen here.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/fs/file_system.h"
#include "common/fs/paths.h"

namespace site {

class MemoryFileSystem final : public FileSystem {
public:
    // Over `below`, which is only ever read; or empty when it is null.
    explicit MemoryFileSystem(FileSystem* below = nullptr) : below_(below) {}

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

    std::optional<FileInfo> info(const std::string& path) override;
    std::optional<FileInfo> target_info(const std::string& path) override;
    std::optional<DirectoryStamp> directory_stamp(const std::string& path) override;
    std::optional<std::vector<DirectoryEntry>> list(const std::string& directory) override;
    std::optional<std::string> directory_to_enter(const std::string& path) override;
    // A directory from below as that file system says; one made here, yes.
    bool may_change_directory(const std::string& path) override;
    FileRead read(const std::string& path, std::size_t limit = kWholeFile) override;
    bool same_bytes(const std::string& a, const std::string& b) override;
    bool make_directory(const std::string& path) override;
    FsStatus write_whole(const std::string& path, const std::string& content) override;
    MoveOutcome move(const std::string& from, const std::string& to) override;
    void discard(const std::string& path) override;
    JournalRecovery keep_move_journal(const std::string& journal, const std::vector<MoveArea>& areas) override;
    RunLock lock(const std::string& path, unsigned wait_ms) override;

private:
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
        std::string path;                // as first spelled
        std::string below_path;          // where it lies below; empty when made here
        std::optional<bool> may_change;  // asked below once, when first needed
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
    bool same_bytes(Entry& a, Entry& b);
    std::string bytes_of(const Entry& entry, std::size_t limit);
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
    std::uint64_t next_index_ = 1;
    std::set<std::string> removed_;
    bool times_frozen_ = false;
};

}  // namespace site
