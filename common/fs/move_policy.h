// What a move comes to, decided once for the real file system and the one
// in memory, so that the dry run foretells what the disk will do.
#pragma once

#include "common/base/disk_types.h"
#include "common/base/move_outcome.h"

namespace site {

// What already stands at a move's target, once that is proven.
enum class TargetFound {
    AnotherFile,  // other bytes: both are kept
    SecondCopy,   // a second entry with the same bytes: an interrupted move, finished
    ThisEntry,    // the file itself under another spelling of its name
    ItsOwnName,   // the file itself, named as the move names its source
};

// The outcome of a move onto a target that already stood there. `renames`:
// the move changes the file's last name (only its case, when the target
// is this very entry).
MoveOutcome settled_outcome(TargetFound found, bool renames);

// The outcome of a move that stopped at a file-system call with `status`.
MoveOutcome outcome_of(FsStatus status);

}  // namespace site
