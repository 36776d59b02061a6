// What came of moving one file, and of finishing a move that an
// interrupted run left recorded.
#pragma once

#include <string>

namespace site {

enum class MoveOutcome {
    Moved,
    Completed,     // the target already held the file: an interrupted move, finished
    TargetExists,  // another file stands at the target; both kept
    SameFile,      // the target is this very entry under another spelling: kept as it was
    SourceMissing,
    SourceKept,         // copied, but the source could not be deleted: the copy went again
    SourceChanged,      // another file took the source's name during the copy: both kept
    CopyDiffers,        // the copy read back differs from the source: the copy went again
    NoTargetDirectory,  // the directory to move into is not there
    NameTooLong,
    BadName,  // the file system cannot hold the target's name
    NoSpace,
    AccessDenied,
    Failed,
};

// Where a program's moves start and end: the files `depth` folders below
// `directory` (the filer's archive files are two below the base directory,
// in <photometer>\<year> or wetsensor\<sub>; a sent or to-send file is
// right in its directory). A move record is acted on only when both its
// ends lie in such a place.
struct MoveArea {
    std::string directory;
    unsigned depth = 0;
};

// What a run found at the name of its move record, and what it did.
enum class RecordFound {
    Nothing,         // no record: no move was interrupted
    Cut,             // cut while it was written: its move had not started; removed
    Finished,        // an interrupted move finished or undone, the record removed
    NotARecord,      // not a record of this program's form: set aside, never read as one
    Unreadable,      // cannot be read by this run: left as it is, nothing moved until it can be
    OthersRecord,    // a sound record about directories that are not this site's: left for its run
    Unfinished,      // its move could not be finished or undone now: kept for the next run
    CannotSetAside,  // not a record, and it cannot be set aside: nothing moved until it is gone
};

struct JournalRecovery {
    RecordFound found = RecordFound::Nothing;
    std::string completed;  // the source of an interrupted move that was completed
    std::string set_aside;  // where a file that was not a record now is
    // Whether this run may go on moving: never while a record stands that
    // it could not act on, since its own record would take that name.
    bool usable() const {
        return found != RecordFound::Unreadable && found != RecordFound::OthersRecord &&
               found != RecordFound::Unfinished && found != RecordFound::CannotSetAside;
    }
};

}  // namespace site
