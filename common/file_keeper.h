// How files are moved and written, decided once for both programs and every
// platform, so that no data file is ever replaced, lost, or left truncated
// under its real name, whatever interrupts a run.
//
// A move within one file system is one rename that refuses to replace.
// Where the file system has no such rename, the file gets its new name as a
// second link and then loses the old one. Across file systems the file is
// copied under a temporary name that only this process uses, flushed to the
// disk, read back and compared, given its final name without replacing, and
// only then is the source deleted; a source that cannot be deleted keeps the
// file where it was and the copy goes again.
//
// A move that was interrupted leaves either a target that is the very same
// file as its source (two links) or one with the same bytes. Such a target
// is recognised as the remainder of that move and the move is completed by
// removing the source name. Any other target is refused, both files kept.
//
// Moves that are not a single rename can be recorded in a journal file while
// they run; the next run finishes or undoes the recorded move before it does
// anything else, wherever the file would now be sent, and removes the
// temporary copy.
#pragma once

#include <optional>
#include <string>

#include "disk_calls.h"
#include "move_outcome.h"

namespace site {


class FileKeeper {
public:
    explicit FileKeeper(DiskCalls& fs = platform_disk_calls()) : fs_(fs) {}

    // Records every move that is not a single rename in the file `journal`
    // while it runs.
    void keep_journal(std::string journal) { journal_ = std::move(journal); }

    // Finishes or undoes the move that an interrupted run left recorded in
    // the journal, and removes its temporary copy; returns the source of a
    // move that it finished.
    std::optional<std::string> recover_recorded_move();

    // Moves one file to a full path, never replacing another file.
    MoveOutcome move(const std::string& from, const std::string& to);

    // Writes `content` as a new file and then gives it the name `path`:
    // whatever stood there before (a link included) is replaced by a name,
    // never written through. When anything fails, no file is left at `path`,
    // so that nothing reads a cut or an old content there.
    FsStatus write_whole(const std::string& path, const std::string& content);

    // Removes a file of the program's own (never a data file).
    void discard(const std::string& path) { fs_.remove(path); }

private:
    // A target that already exists: the remainder of an interrupted move,
    // a change of case only, or another file.
    MoveOutcome settle_existing_target(const std::string& from, const std::string& to, const FileInfo& source,
                                       const FileInfo& target);
    bool is_remainder_of_move(const std::string& from, const std::string& to, const FileInfo& source,
                              const FileInfo& target);
    bool same_entry(const std::string& a, const std::string& b);
    bool same_content(const std::string& a, const std::string& b);
    MoveOutcome move_by_link(const std::string& from, const std::string& to);
    MoveOutcome move_by_copy(const std::string& from, const std::string& to, const FileInfo& source_entry);
    // After a verified copy got its name: removes the source, or, when that
    // cannot be done or the source changed meanwhile, keeps the file in one
    // place.
    MoveOutcome settle_source(const std::string& from, const std::string& to, const FileInfo& copied);
    // Removes the source of a move; false when it is still there.
    bool remove_source(const std::string& from);
    // Gives a file a new name in the same directory tree without replacing.
    FsStatus place(const std::string& from, const std::string& to);
    // Whether `temporary` has the form of a copy made for a move to `to`.
    bool is_temporary_of(const std::string& temporary, const std::string& to) const;
    // Copies, flushes and reads back; Moved when the copy is whole.
    MoveOutcome copy_verified(OsFile& source, OsFile& copy, const FileInfo& source_info);
    std::string temporary_beside(const std::string& path);

    FsStatus record(const std::string& from, const std::string& to, const std::string& temporary);
    // Creates the file at `path` (nothing may stand there) with `content`.
    FsStatus write_new_file(const std::string& path, const std::string& content);
    void clear_record();

    DiskCalls& fs_;
    std::string journal_;
    unsigned temporaries_ = 0;
};

}  // namespace site
