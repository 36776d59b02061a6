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

// What a run found in its move record and did about it.
struct JournalRecovery {
    std::string completed;  // the source of an interrupted move that was finished
    std::string set_aside;  // where a file that was not a record now is
    bool usable = true;     // false: a file that is not a record could not be set aside
};

}  // namespace site
