#include "common/fs/move_policy.h"

namespace site {

MoveOutcome settled_outcome(TargetFound found, bool renames) {
    switch (found) {
        case TargetFound::AnotherFile:
        case TargetFound::ItsOwnName: return MoveOutcome::TargetExists;
        case TargetFound::SecondCopy: return MoveOutcome::Completed;
        case TargetFound::ThisEntry: return renames ? MoveOutcome::Moved : MoveOutcome::SameFile;
    }
    return MoveOutcome::Failed;
}

MoveOutcome outcome_of(FsStatus status) {
    switch (status) {
        case FsStatus::Ok: return MoveOutcome::Moved;
        case FsStatus::Exists: return MoveOutcome::TargetExists;
        case FsStatus::NotFound: return MoveOutcome::SourceMissing;
        case FsStatus::NameTooLong: return MoveOutcome::NameTooLong;
        case FsStatus::BadName: return MoveOutcome::BadName;
        case FsStatus::NoSpace: return MoveOutcome::NoSpace;
        case FsStatus::AccessDenied: return MoveOutcome::AccessDenied;
        default: return MoveOutcome::Failed;
    }
}

}  // namespace site
