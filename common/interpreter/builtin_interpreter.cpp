#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include "common/base/ascii.h"
#include "common/fs/paths.h"
#include "common/interpreter/interpreter.h"
#include "common/interpreter/matching.h"
#include "common/text/name_rule.h"
#include "common/text/wildcard.h"

namespace site {

namespace {

// The Windows command interpreter's own messages.
constexpr const char* kFileNotFound = "File Not Found\n";
constexpr const char* kNoSuchFile = "The system cannot find the file specified.\n";
constexpr const char* kNoSuchPath = "The system cannot find the path specified.\n";
constexpr const char* kDuplicateName = "A duplicate file name exists, or the file\ncannot be found.\n";
constexpr const char* kAlreadyExists = "Cannot create a file when that file already exists.\n";
constexpr const char* kAccessDenied = "Access is denied.\n";
constexpr const char* kDiskFull = "There is not enough space on the disk.\n";
constexpr const char* kNameTooLong = "The filename or extension is too long.\n";
constexpr const char* kBadName = "The filename, directory name, or volume label syntax is incorrect.\n";
constexpr const char* kSyntaxError = "The syntax of the command is incorrect.\n";
// And this interpreter's own, where the Windows one has no words for what
// happened.
constexpr const char* kMoveCompleted = "The target already held this file: an interrupted move is completed.\n";
constexpr const char* kSourceKept =
    "The file was copied but cannot be deleted here: the copy is removed and the file stays where it was.\n";
constexpr const char* kSourceChanged =
    "Another file took this name while it was copied: both are kept, the copy in the archive and the new file here.\n";
constexpr const char* kCopyDiffers =
    "The copy read back differs from the file: the copy is removed and the file stays where it was.\n";
constexpr const char* kRecoveredMove = "An interrupted move is completed: ";
constexpr const char* kNotARecord = "The move record was not one of this program's and is set aside as ";
constexpr const char* kRecordUnusable =
    "A file that is not a move record of this program cannot be set aside: nothing is moved until it is gone: ";
constexpr const char* kRecordUnreadable = "The move record cannot be read: nothing is moved until it can be: ";
constexpr const char* kOthersRecord =
    "The move record names files outside this site's directories: it is left for the run it belongs to, and "
    "nothing is moved until it is gone: ";
constexpr const char* kRecordUnfinished =
    "An interrupted move cannot be finished yet: its record stays, and nothing is moved until it is finished: ";
constexpr const char* kSameFile = "The target is this very file under another name: it stays as it was.\n";

}  // namespace

const char* record_blocks_because(RecordFound found) {
    switch (found) {
        case RecordFound::Unreadable: return kRecordUnreadable;
        case RecordFound::OthersRecord: return kOthersRecord;
        case RecordFound::Unfinished: return kRecordUnfinished;
        case RecordFound::CannotSetAside: return kRecordUnusable;
        default: return nullptr;
    }
}

namespace {

// Why a move or rename did not happen, in the Windows interpreter's words;
// nothing when it did.
const char* refusal(MoveOutcome outcome, const char* target_exists) {
    switch (outcome) {
        case MoveOutcome::Moved: return "";
        case MoveOutcome::Completed: return kMoveCompleted;
        case MoveOutcome::TargetExists: return target_exists;
        case MoveOutcome::SameFile: return kSameFile;
        case MoveOutcome::SourceMissing: return kNoSuchFile;
        case MoveOutcome::SourceKept: return kSourceKept;
        case MoveOutcome::SourceChanged: return kSourceChanged;
        case MoveOutcome::CopyDiffers: return kCopyDiffers;
        case MoveOutcome::NoTargetDirectory: return kNoSuchPath;
        case MoveOutcome::NameTooLong: return kNameTooLong;
        case MoveOutcome::BadName: return kBadName;
        case MoveOutcome::NoSpace: return kDiskFull;
        case MoveOutcome::AccessDenied:
        case MoveOutcome::Failed: break;
    }
    return kAccessDenied;
}

// A console message as one line: its line breaks made blanks, the last one
// dropped.
std::string one_line(const char* message) {
    std::string line = message;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    for (char& c : line)
        if (c == '\n') c = ' ';
    return line;
}

bool is_done(MoveOutcome outcome) { return outcome == MoveOutcome::Moved || outcome == MoveOutcome::Completed; }

// Why a file could not be written.
const char* write_failure(FsStatus status) {
    switch (status) {
        case FsStatus::NotFound: return kNoSuchPath;
        case FsStatus::NoSpace: return kDiskFull;
        case FsStatus::NameTooLong: return kNameTooLong;
        case FsStatus::BadName: return kBadName;
        default: return kAccessDenied;
    }
}

std::string moved_count_line(int count) {
    char line[64];
    std::snprintf(line, sizeof line, "%9d file(s) moved.\n", count);
    return line;
}

std::string dir_line(Host& host, const std::string& name, const FileInfo& info) {
    char stamp[32] = "";
    if (const std::optional<std::tm> local = host.local_time_of(info.modified))
        std::strftime(stamp, sizeof stamp, "%d/%m/%Y  %H:%M", &*local);
    char line[96];
    if (info.is_directory)
        std::snprintf(line, sizeof line, "%-17s    <DIR>          ", stamp);
    else
        std::snprintf(line, sizeof line, "%-17s %17llu ", stamp, static_cast<unsigned long long>(info.size));
    return line + name + "\n";
}

}  // namespace

const std::string& CommandInterpreter::current_directory() {
    settle_return();
    return current_;
}

bool CommandInterpreter::enter(const std::string& path) {
    std::optional<std::string> entered = fs_.directory_to_enter(path);
    if (!entered) return false;
    current_ = std::move(*entered);
    entered_ = path;
    return true;
}

bool CommandInterpreter::change_directory(const std::string& path) {
    entered_.clear();
    if (returning_to_.empty() || path.empty()) return enter(whole(path));
    if (is_absolute_path(path)) {
        // Where the return would have led matters only when this fails.
        if (enter(path)) {
            returning_to_.clear();
            return true;
        }
        settle_return();
        return false;
    }
    // Entering the directory returned to and then `path` from it lands
    // where one look through both leads. When that look fails, the return
    // is made on its own, and `path` is looked for from wherever it led,
    // unless that is the very path just looked at.
    const std::string through = join_path(returning_to_, path);
    if (enter(through)) {
        returning_to_.clear();
        return true;
    }
    settle_return();
    const std::string from_there = whole(path);
    return from_there != through && enter(from_there);
}

void CommandInterpreter::return_to(const std::string& path) {
    const std::string target = whole(path);
    settle_return();
    entered_.clear();
    returning_to_ = target;
}

void CommandInterpreter::settle_return() {
    if (returning_to_.empty()) return;
    const std::string target = std::move(returning_to_);
    returning_to_.clear();
    enter(target);
}

std::string CommandInterpreter::whole(const std::string& path) {
    if (path.empty() || is_absolute_path(path)) return path;
    return join_path(current_directory(), path);
}

Command CommandInterpreter::with_whole_paths(Command command) {
    command.source = whole(command.source);
    if (command.kind != CommandKind::Rename) command.target = whole(command.target);
    return command;
}

CommandResult BuiltinInterpreter::run(const Command& given) {
    result_ = CommandResult();
    const Command command = with_whole_paths(given);
    entered_before_ = last_entered();
    // "dir" only reads: what was just entered stays so for the next command.
    if (command.kind != CommandKind::Dir) forget_entered();
    switch (command.kind) {
        case CommandKind::ListBare: list_bare(command); break;
        case CommandKind::Rename: rename(command); break;
        case CommandKind::Move: command.wildcard ? move_matching(command) : move_one(command); break;
        case CommandKind::Dir: dir(); break;
        case CommandKind::Echo: echo(command); break;
    }
    return std::move(result_);
}

JournalRecovery BuiltinInterpreter::keep_move_journal(const std::string& journal, const std::vector<MoveArea>& areas) {
    // Each directory as configured and as a run that enters it names it.
    std::vector<MoveArea> spellings;
    for (const MoveArea& area : areas) {
        spellings.push_back({whole(area.directory), area.depth});
        if (std::optional<std::string> entered = fs_.directory_to_enter(whole(area.directory)))
            spellings.push_back({std::move(*entered), area.depth});
    }
    const JournalRecovery recovery = fs_.keep_move_journal(whole(journal), spellings);
    if (!recovery.set_aside.empty()) console_ << "\n" << kNotARecord << recovery.set_aside << "\n";
    if (const char* blocked = record_blocks_because(recovery.found))
        console_ << "\n" << blocked << whole(journal) << "\n";
    if (!recovery.completed.empty()) console_ << "\n" << kRecoveredMove << recovery.completed << "\n";
    return recovery;
}

bool BuiltinInterpreter::write_whole(const std::string& path, const std::string& content) {
    const FsStatus status = fs_.write_whole(path, content);
    if (status != FsStatus::Ok) console_ << write_failure(status);
    return status == FsStatus::Ok;
}

void BuiltinInterpreter::list_bare(const Command& command) {
    // A listing goes to a file and is read once: it is not kept, so that
    // renames in a directory nobody looks at again cost no bookkeeping.
    DirectoryCache read_once(fs_, DirectoryCache::Keeping::nothing);
    const Matches matches = entries_named_by(command, false, read_once);
    if (!matches.readable && fs_.info(matches.directory)) {
        // A directory that is there but cannot be read: no listing at all,
        // rather than an empty one that reads as "nothing to do" or an old
        // one that names files no longer there.
        fs_.discard(command.target);
        console_ << kAccessDenied;
        return;
    }
    std::string listing;
    for (const std::string& name : matches.names) {
        // Only names that Windows could hold: no line break can split a
        // line, no 0x1A end the listing, no wildcard reach a pattern.
        if (is_portable_name(name) && !has_unspellable_character(name))
            listing += name + "\r\n";
        else
            leave_out(name);
    }
    if (!write_whole(command.target, listing)) return;
    if (listing.empty()) console_ << kFileNotFound;
}

void BuiltinInterpreter::leave_out(const std::string& name) {
    const bool unspellable = has_unspellable_character(name);
    const std::string said = unspellable ? kNotListedUnspellable + name : kNotListedNotAWindowsName + shown_name(name);
    console_ << said << "\n";
    const LeftOut why = unspellable                     ? LeftOut::Unspellable
                        : is_reserved_device_name(name) ? LeftOut::DeviceName
                                                        : LeftOut::NotAWindowsName;
    result_.left_out.push_back({name, why, said});
}

void BuiltinInterpreter::rename(const Command& command) {
    const std::string& new_name = command.target;
    if (new_name.empty() || new_name.find_first_of("/\\") != std::string::npos) {
        console_ << kSyntaxError;
        return;
    }
    const std::string new_path = join_path(split_path(command.source).directory, new_name);
    const MoveOutcome outcome = fs_.move(command.source, new_path);
    const char* said = refusal(outcome, kDuplicateName);
    console_ << said;
    result_.files.push_back({command.source, outcome, one_line(said)});
    if (is_done(outcome)) moved_one(command.source, new_path);
}

bool BuiltinInterpreter::report_move(const std::string& path, MoveOutcome outcome) {
    const char* said = refusal(outcome, kAlreadyExists);
    console_ << said;
    result_.files.push_back({path, outcome, one_line(said)});
    return is_done(outcome);
}

MoveOutcome BuiltinInterpreter::move_to_destination(const Command& command, std::string& destination) {
    destination = command.target;
    const std::string directory = split_path(destination).directory;
    if (just_entered(directory) && destination != directory) {
        // Into the directory just entered: the move is tried at once, since
        // it never replaces anything; only a target that is there is looked
        // at, to see whether it is a directory to move into.
        const MoveOutcome outcome = fs_.move(command.source, destination);
        if (outcome != MoveOutcome::TargetExists || !is_directory(fs_, destination)) return outcome;
        destination = join_path(destination, split_path(command.source).name);
        return fs_.move(command.source, destination);
    }
    // A missing source is said first, unless the target is a directory that
    // is there, where it is the move's own answer.
    if (is_directory_here(destination)) {
        destination = join_path(destination, split_path(command.source).name);
    } else if (!is_directory(fs_, directory)) {
        return fs_.info(command.source) ? MoveOutcome::NoTargetDirectory : MoveOutcome::SourceMissing;
    }
    return fs_.move(command.source, destination);
}

void BuiltinInterpreter::move_one(const Command& command) {
    std::string destination;
    const MoveOutcome outcome = move_to_destination(command, destination);
    if (outcome == MoveOutcome::NoTargetDirectory) {
        report_move(command.source, outcome);
        return;
    }
    const bool done = report_move(command.source, outcome);
    if (done) moved_one(command.source, destination);
    // A missing source is said without a count, whether it was looked for
    // first or the move found it missing.
    if (outcome != MoveOutcome::SourceMissing) console_ << moved_count_line(done ? 1 : 0);
}

void BuiltinInterpreter::move_matching(const Command& command) {
    const Matches matches = entries_named_by(command, true, cache_);
    if (matches.names.empty()) {
        console_ << kNoSuchFile;
        return;
    }
    // Several files go into a directory, never onto one file's name.
    if (!is_directory_here(command.target)) {
        console_ << kNoSuchPath;
        for (const std::string& name : matches.names)
            result_.files.push_back(
                {join_path(matches.directory, name), MoveOutcome::NoTargetDirectory, one_line(kNoSuchPath)});
        return;
    }
    std::vector<DirectoryCache::OwnMove> moved;
    for (const std::string& name : matches.names) {
        const std::string from = join_path(matches.directory, name);
        console_ << from << "\n";
        if (report_move(from, fs_.move(from, join_path(command.target, name)))) moved.push_back({name, name});
    }
    cache_.moved(matches.directory, command.target, moved);
    console_ << moved_count_line(static_cast<int>(moved.size()));
}

void BuiltinInterpreter::moved_one(const std::string& from, const std::string& to) {
    if (!cache_.follows_any()) return;
    const SplitPath source = split_path(from);
    const SplitPath target = split_path(to);
    cache_.moved(source.directory, target.directory, {{source.name, target.name}});
}

void BuiltinInterpreter::dir() {
    console_ << " Directory of " << current_directory() << "\n\n";
    unsigned long long files = 0, directories = 0, bytes = 0;
    if (CachedEntries* entries = cache_.entries(current_directory())) {
        for (auto& [name, entry] : *entries) {
            if (!entry.info) entry.info = fs_.listed_info(join_path(current_directory(), name));
            if (!entry.info) continue;
            if (entry.dir_line.empty()) entry.dir_line = dir_line(host_, name, *entry.info);
            console_ << entry.dir_line;
            if (entry.info->is_directory) {
                ++directories;
            } else {
                ++files;
                bytes += entry.info->size;
            }
        }
    }
    char totals[128];
    std::snprintf(totals, sizeof totals, "%16llu File(s) %14llu bytes\n%16llu Dir(s)\n", files, bytes, directories);
    console_ << totals;
}

void BuiltinInterpreter::echo(const Command& command) {
    const std::string text = expand_environment(host_, command.text);
    if (!command.target.empty()) {
        // As the Windows interpreter does, the blank before ">" is written too.
        write_whole(command.target, text + " \r\n");
        return;
    }
    if (lower_ascii(text) == "off") return;
    console_ << text << "\n";
}

}  // namespace site
