// The file system as the passes and the command interpreters see it.
//
// Every look at a file or directory and every change that a run makes goes
// through one FileSystem. The real one works on the disk through the
// platform layer (real_file_system.h) and moves files by the protocol of
// file_keeper.h; the one
// in memory (memory_file_system.h) serves the tests of the passes and the
// dry run, which sees the real site and keeps its changes to itself. So
// what the passes do is the same code whether it runs for real, in a test
// or in a dry run.
//
// Paths are whole: the passes and the interpreters hold their own current
// directory and never change the process's.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/base/disk_types.h"
#include "common/base/move_outcome.h"
#include "common/fs/run_lock.h"
#include "common/text/text_reader.h"

namespace site {

// A regular file read from its start, with what it was when read.
struct FileRead {
    FsStatus status = FsStatus::Failed;
    FileInfo info;      // the file read: a final link followed
    std::string bytes;  // at most the number of bytes asked for
};

class FileSystem {
public:
    static constexpr std::size_t kWholeFile = std::numeric_limits<std::size_t>::max();

    virtual ~FileSystem() = default;

    // What stands at `path`, a final link not followed; nothing when there
    // is no such entry.
    virtual std::optional<FileInfo> info(const std::string& path) = 0;
    // What a listing shows of the entry at `path`: what info gives, but
    // which file it is (device, index, names) may be left out.
    virtual std::optional<FileInfo> listed_info(const std::string& path) { return info(path); }
    // What `path` leads to, a final link followed, to tell whether it
    // changed; which file it is may be left out. Nothing when it leads
    // nowhere.
    virtual std::optional<FileInfo> target_info(const std::string& path) = 0;
    // The directory that `path` leads to (links followed) and when its
    // entries last changed; nothing when it is not a directory.
    virtual std::optional<DirectoryStamp> directory_stamp(const std::string& path) = 0;
    // The same, `earlier` being what it gave for `path` before: which
    // directory it is may be taken from `earlier` rather than asked again.
    virtual std::optional<DirectoryStamp> directory_stamp_again(const std::string& path,
                                                                const DirectoryStamp& earlier) {
        (void)earlier;
        return directory_stamp(path);
    }
    // The entries of a directory, in no particular order.
    virtual std::optional<std::vector<DirectoryEntry>> list(const std::string& directory) = 0;
    // The directory that `path` leads to, named as a process that entered
    // it would name its current directory, when it can be entered.
    virtual std::optional<std::string> directory_to_enter(const std::string& path) = 0;
    // Whether this run may add and remove entries in the directory at
    // `path`, found out without changing anything.
    virtual bool may_change_directory(const std::string& path) = 0;
    // Up to `limit` bytes of a regular file from its start. A directory,
    // FIFO or device is refused with NotRegular, without waiting on it.
    virtual FileRead read(const std::string& path, std::size_t limit = kWholeFile) = 0;

    // Whether both are regular files with the same bytes, compared in
    // chunks.
    virtual bool same_bytes(const std::string& a, const std::string& b) = 0;

    // Makes one directory whose parent exists; false when anything stands
    // at `path` or it cannot be made.
    virtual bool make_directory(const std::string& path) = 0;
    // Gives `path` the content whole, by name: what stood there before is
    // replaced, never written through, and a failure leaves nothing there.
    virtual FsStatus write_whole(const std::string& path, const std::string& content) = 0;
    // Moves one file to a whole path, never replacing another file.
    virtual MoveOutcome move(const std::string& from, const std::string& to) = 0;
    // Removes a file of the programs' own (never a data file).
    virtual void discard(const std::string& path) = 0;
    // Records each move that is not a single rename in `journal` from now
    // on, after finishing a move that an interrupted run left recorded
    // there; a record is acted on only when its ends lie in `areas`.
    virtual JournalRecovery keep_move_journal(const std::string& journal, const std::vector<MoveArea>& areas) = 0;
    // The run lock on the file at `path`, waited for up to `wait_ms`.
    virtual RunLock lock(const std::string& path, unsigned wait_ms) = 0;
};

// A directory: `path` leads to one that can be read.
bool is_directory(FileSystem& fs, const std::string& path);

// A text file read with the site's text rules; nothing when it cannot be
// read as a regular file.
std::optional<TextReader> read_text(FileSystem& fs, const std::string& path);

}  // namespace site
