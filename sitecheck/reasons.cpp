#include "sitecheck/reasons.h"

#include "common/fs/paths.h"

namespace site {

const char* const kUnspellableName = "unspellable-name";
const char* const kDeviceName = "device-name";
const char* const kProgramStopped = "program-stopped";
const char* const kSentHoldsName = "sent-holds-name";
const char* const kTransferFails = "transfer-fails";
const char* const kAlreadyArchived = "already-archived";
const char* const kNotTaken = "not-taken";
const char* const kOwnTemporary = "own-temporary";
const char* const kRecordSetAside = "record-set-aside";
const char* const kMoveRecordBlocks = "move-record-blocks";

const char* record_code(RecordFound found) {
    switch (found) {
        case RecordFound::Nothing: return "none";
        case RecordFound::Cut: return "cut";
        case RecordFound::Finished: return "interrupted-move";
        case RecordFound::NotARecord: return "not-a-record";
        case RecordFound::Unreadable: return "unreadable";
        case RecordFound::OthersRecord: return "another-sites";
        case RecordFound::Unfinished: return "unfinished";
        case RecordFound::CannotSetAside: return "cannot-set-aside";
    }
    return "unknown";
}

const char* refusal_code(Refusal refusal) {
    switch (refusal) {
        case Refusal::Unreadable: return "unreadable";
        case Refusal::NeitherK7NorK8: return "neither-k7-nor-k8";
        case Refusal::K7TooShort: return "k7-too-short";
        case Refusal::NoPhotometerNumber: return "no-photometer-number";
        case Refusal::DateUnreadable: return "date-unreadable";
        case Refusal::NewNameRefused: return "new-name-refused";
        case Refusal::NoP: return "no-p";
        case Refusal::DirectoryRefused: return "directory-refused";
        case Refusal::PatternMissesFile: return "pattern-misses-file";
        case Refusal::CannotMakeDirectory: return "cannot-make-directory";
        case Refusal::OwnTemporaryName: return kOwnTemporary;
        case Refusal::ListedNameTooLong: return "listed-name-too-long";
    }
    return "unknown";
}

const char* move_code(MoveOutcome outcome) {
    switch (outcome) {
        case MoveOutcome::Moved: return "moved";
        case MoveOutcome::Completed: return "completed";
        case MoveOutcome::TargetExists: return "target-exists";
        case MoveOutcome::SameFile: return "same-file";
        case MoveOutcome::SourceMissing: return "source-missing";
        case MoveOutcome::SourceKept: return "source-kept";
        case MoveOutcome::SourceChanged: return "source-changed";
        case MoveOutcome::CopyDiffers: return "copy-differs";
        case MoveOutcome::NoTargetDirectory: return "no-target-directory";
        case MoveOutcome::NameTooLong: return "name-too-long";
        case MoveOutcome::BadName: return "bad-name";
        case MoveOutcome::NoSpace: return "no-space";
        case MoveOutcome::AccessDenied: return "access-denied";
        case MoveOutcome::Failed: return "failed";
    }
    return "unknown";
}

bool is_collision(const StayReason& reason) {
    return reason.code == move_code(MoveOutcome::TargetExists) || reason.code == kSentHoldsName;
}

const char* left_out_code(LeftOut why) {
    switch (why) {
        case LeftOut::Unspellable: return kUnspellableName;
        case LeftOut::DeviceName: return kDeviceName;
        case LeftOut::NotAWindowsName: return "not-a-windows-name";
    }
    return "unknown";
}

void ReasonsHeard::refused(const std::string& name, Refusal refusal, const std::string& text) {
    // A name too long for the listing is known by its first part only (an
    // empty one would name every file).
    if (refusal == Refusal::ListedNameTooLong) {
        if (!name.empty()) cut_names_.push_back({name, {refusal_code(refusal), program_, text}});
    } else {
        refusals_[name].push_back({refusal_code(refusal), program_, text});
    }
}

void ReasonsHeard::note(const std::string& key, const FileOutcome& file) {
    if (file.outcome == MoveOutcome::Moved || file.outcome == MoveOutcome::Completed)
        last_outcome_.erase(key);
    else
        last_outcome_[key] = {move_code(file.outcome), program_, file.said};
}

void ReasonsHeard::ran(const std::string& name, const CommandResult& result) {
    for (const ListedOut& out : result.left_out)
        refusals_[out.name].push_back({left_out_code(out.why), program_, out.said});
    for (const FileOutcome& file : result.files) note(name_key(split_path(file.path).name), file);
    // A command for one file speaks of the listed name too: the filer moves
    // "<name less its last 4 characters>.raw" for a listed wet-sensor name.
    // (A listing is run for no listed name.)
    if (result.files.size() == 1 && !name.empty()) note(name_key(name), result.files.front());
}

std::vector<StayReason> ReasonsHeard::of(const std::string& name) const {
    std::vector<StayReason> reasons;
    if (const char* blocked = record_blocks_because(record_)) {
        std::string text = blocked;
        text.resize(text.rfind(": "));  // its record's path followed
        reasons.push_back({kMoveRecordBlocks, program_, text});
    }
    if (const auto found = refusals_.find(name); found != refusals_.end())
        reasons.insert(reasons.end(), found->second.begin(), found->second.end());
    for (const auto& [first_part, reason] : cut_names_)
        if (name.compare(0, first_part.size(), first_part) == 0) reasons.push_back(reason);
    if (const auto found = last_outcome_.find(name_key(name)); found != last_outcome_.end())
        reasons.push_back(found->second);
    return reasons;
}

}  // namespace site
