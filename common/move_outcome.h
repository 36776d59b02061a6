// What came of moving one file.
#pragma once

namespace site {

enum class MoveOutcome {
    Moved,
    Completed,      // the target already held the file: an interrupted move, finished
    TargetExists,   // another file stands at the target; both kept
    SameFile,       // the target is this very entry under another spelling: kept as it was
    SourceMissing,
    SourceKept,     // copied, but the source could not be deleted: the copy went again
    SourceChanged,  // another file took the source's name during the copy: both kept
    CopyDiffers,    // the copy read back differs from the source: the copy went again
    NameTooLong,
    BadName,        // the file system cannot hold the target's name
    NoSpace,
    AccessDenied,
    Failed,
};

}  // namespace site
