// What the interpreters know of the directories they work in.
//
// A filing run matches a pattern against the sent directory once per listed
// photometer file, and lists a wet-sensor directory once per wet-sensor
// file. Reading those directories afresh each time makes a run's cost grow
// with the square of the backlog; this cache reads each directory once and
// keeps it up to date with the interpreter's own moves. Any other change
// to a directory changes its stamp, and the next look reads it again.
// Looked at again under the same spelling, a directory is asked only for
// its time where asking which directory it is would cost more (Windows):
// there, another directory put in its place is only seen if its time
// differs, as it does unless it was copied with its time.
//
// A directory is restamped once after each command's own moves, so a
// change made by another program while one command moves files there (or
// within the same tick of the file system's clock as one of ours) can go
// unseen until the next change. That only decides which files a pattern
// picks up in this run (a file missed stays for the next run) and what
// "dir" shows: every move still checks the file system itself, so no file
// is ever replaced or lost through it.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/base/disk_types.h"

namespace site {
class FileSystem;
}

namespace site {

struct NameOrder {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct CachedEntry {
    bool is_directory = false;
    // As a listing shows it, filled when first asked for (only "dir" needs
    // it).
    std::optional<FileInfo> info;
    std::string dir_line;
};

using CachedEntries = std::map<std::string, CachedEntry, NameOrder>;

class DirectoryCache {
public:
    // Whether the listings read are kept. Without, matching_names reads the
    // directory, matches and sorts its names and keeps nothing, for a
    // directory listed once and not looked at again; entries() and moved()
    // are for a cache that keeps them.
    enum class Keeping { listings, nothing };

    explicit DirectoryCache(FileSystem& fs, Keeping keeping = Keeping::listings) : fs_(fs), keeping_(keeping) {}

    // The entries of `directory` in name order, kept; nothing when it
    // cannot be read.
    CachedEntries* entries(const std::string& directory);

    // The names in `directory` that match the wildcard `pattern` (directories
    // left out when `files_only`), in name order; nothing when the
    // directory cannot be read.
    std::optional<std::vector<std::string>> matching_names(const std::string& directory, const std::string& pattern,
                                                           bool files_only);

    // The file system the directories are read from.
    FileSystem& file_system() { return fs_; }

    // Whether it follows any directory through this process's moves: a
    // run that only lists (the stamper's) has nothing to record.
    bool follows_any() const { return !read_as_.empty(); }

    // A name this process moved, as it was and as it is.
    struct OwnMove {
        std::string from_name;
        std::string to_name;
    };
    // Records this process's own moves from one directory to another (the
    // same one for a rename), once all of them are made: each directory is
    // restamped once, and only one that was read, under this spelling or
    // another with the same path key (under a spelling with another key, a
    // short name, another drive letter or a link on the way, it is read
    // again at its next look that finds its time changed).
    void moved(const std::string& from_directory, const std::string& to_directory, const std::vector<OwnMove>& moves);

private:
    struct Listing {
        DirectoryStamp stamp;
        CachedEntries entries;
    };

    using Identity = std::pair<std::uint64_t, std::uint64_t>;
    static Identity identity_of(const DirectoryStamp& stamp) { return {stamp.device, stamp.index}; }
    // The cached listing of `directory`, restamped after this process's own
    // change; nullptr when it is not cached.
    Listing* restamped(const std::string& directory);
    void added(Listing& listing, const std::string& directory, const std::string& name);
    // matching_names for a cache that keeps nothing.
    std::optional<std::vector<std::string>> matching_names_read_once(const std::string& directory,
                                                                     const std::string& pattern, bool files_only);

    FileSystem& fs_;
    Keeping keeping_;
    std::map<Identity, Listing> listings_;
    // The stamp of `directory`: asked whole the first time it is looked at
    // under this spelling; after that, which directory it is may be taken
    // from the stamp it had then (FileSystem::directory_stamp_again).
    std::optional<DirectoryStamp> look(const std::string& directory);
    // The path key of `directory`, worked out once per spelling.
    const std::string& key_of(const std::string& directory);

    std::set<std::string> read_as_;                           // the path keys of the directories read
    std::unordered_map<std::string, std::string> keys_;       // path keys by spelling
    std::unordered_map<std::string, DirectoryStamp> stamps_;  // the last stamp by spelling
};

}  // namespace site
