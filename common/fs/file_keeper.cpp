#include "common/fs/file_keeper.h"

#include "common/fs/move_policy.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/base/ascii.h"
#include "common/fs/paths.h"
#include "common/platform/platform.h"
#include "common/text/name_rule.h"

namespace site {

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr int kOwnNameAttempts = 8;
// The first line of a move record, so that no other file is taken for one.
constexpr const char* kJournalHeader = "brasko move record 1";
constexpr const char* kCopySuffix = ".part";
constexpr const char* kAsideSuffix = ".aside";
constexpr const char* kNotARecordSuffix = ".not-a-record";

// The directory a path's last name stands in.
std::string directory_part(const std::string& path) { return directory_or_current(split_path(path).directory); }

// Reads until `size` bytes are in or the file ends; the count read.
long long read_fully(DiskFile& file, char* buffer, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const long long got = file.read(buffer + filled, size - filled);
        if (got < 0) return -1;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(filled);
}

// Both files from their start, byte for byte.
bool same_bytes(DiskFile& a, DiskFile& b) {
    if (!a.rewind() || !b.rewind()) return false;
    std::vector<char> chunk_a(kChunk), chunk_b(kChunk);
    for (;;) {
        const long long got_a = read_fully(a, chunk_a.data(), kChunk);
        const long long got_b = read_fully(b, chunk_b.data(), kChunk);
        if (got_a < 0 || got_b != got_a) return false;
        if (std::memcmp(chunk_a.data(), chunk_b.data(), static_cast<std::size_t>(got_a)) != 0) return false;
        if (got_a == 0) return true;
    }
}

bool is_digits(const std::string& text, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// The lines of a text that end with a line break.
std::vector<std::string> complete_lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Whether `name` has the form of a name the keeper makes beside `beside`
// with `suffix`: ".<beside>.<digits>-<digits><suffix>".
bool is_own_name_of(const std::string& name, const std::string& beside, const char* suffix) {
    const std::string start = "." + beside + ".";
    const std::size_t suffix_size = std::strlen(suffix);
    if (name.size() <= start.size() + suffix_size + 2 || name.compare(0, start.size(), start) != 0 ||
        name.compare(name.size() - suffix_size, suffix_size, suffix) != 0)
        return false;
    const std::size_t end = name.size() - suffix_size, dash = name.find('-', start.size());
    return dash < end && is_digits(name, start.size(), dash) && is_digits(name, dash + 1, end);
}

// Whether `name` has the form of a temporary the keeper makes beside any
// name, in any case: ".<name>.<digits>-<digits>.part" or "... .aside".
bool has_temporary_form(const std::string& name) {
    const std::string lower = lower_ascii(name);
    for (const char* suffix : {kCopySuffix, kAsideSuffix}) {
        const std::size_t suffix_size = std::strlen(suffix);
        if (lower.size() <= suffix_size || lower.compare(lower.size() - suffix_size, suffix_size, suffix) != 0)
            continue;
        const std::size_t end = lower.size() - suffix_size, dash = lower.rfind('-', end);
        const std::size_t dot = dash == std::string::npos ? std::string::npos : lower.rfind('.', dash);
        if (lower[0] == '.' && dot != std::string::npos && dot > 0 && is_digits(lower, dot + 1, dash) &&
            is_digits(lower, dash + 1, end))
            return true;
    }
    return false;
}

// Whether a record may name this move: both ends files of plain names,
// not one and the same spelling (a change of case alone is a move), and
// neither of the temporaries' form (no move of the programs starts or ends
// at one).
bool is_recordable_move(const std::string& from, const std::string& to) {
    const std::string from_name = split_path(from).name, to_name = split_path(to).name;
    return from != to && is_portable_name(from_name) && is_portable_name(to_name) && !has_temporary_form(from_name) &&
           !has_temporary_form(to_name);
}

// Whether `temporary` is a name the keeper makes with `suffix` beside the
// last name of `path`, in its directory.
bool is_temporary_of(const std::string& temporary, const std::string& path, const char* suffix) {
    const SplitPath temporary_parts = split_path(temporary), path_parts = split_path(path);
    return temporary_parts.directory == path_parts.directory &&
           is_own_name_of(temporary_parts.name, path_parts.name, suffix);
}

// Whether `path` names a file exactly as deep below one of `areas` as it
// says, compared as the file system compares names ("." and ".." taken
// from the spelling, so that the area's own spelling may hold them), each
// name below the area a name a file may have.
bool is_in_area(const std::string& path, const std::vector<MoveArea>& areas) {
    const PathNames file = path_names(path);
    for (const MoveArea& area : areas) {
        const PathNames directory = path_names(area.directory);
        const std::size_t depth = directory.names.size();
        if (area.directory.empty() || name_key(file.root) != name_key(directory.root) ||
            file.names.size() != depth + area.depth + 1)
            continue;
        bool inside = true;
        for (std::size_t i = 0; i < file.names.size() && inside; ++i)
            inside =
                i < depth ? name_key(file.names[i]) == name_key(directory.names[i]) : is_portable_name(file.names[i]);
        if (inside) return true;
    }
    return false;
}

}  // namespace

RecordFound classify_move_record(const std::string& text, const std::vector<MoveArea>& areas, RecordedMove& move) {
    const std::vector<std::string> lines = complete_lines(text);
    const std::string header = std::string(kJournalHeader) + "\n";
    const bool ours = header.compare(0, text.size(), text) == 0 || (!lines.empty() && lines[0] == kJournalHeader);
    if (!ours) return RecordFound::NotARecord;
    if (lines.size() < 4) return RecordFound::Cut;
    if (lines.size() > 4 || text.back() != '\n') return RecordFound::NotARecord;
    move.from = lines[1];
    move.to = lines[2];
    move.temporary = lines[3];
    if (!is_recordable_move(move.from, move.to)) return RecordFound::NotARecord;
    if (move.temporary.empty()) {
        move.step = RecordedMove::Step::Named;
    } else if (is_temporary_of(move.temporary, move.to, kCopySuffix)) {
        move.step = RecordedMove::Step::Copying;
    } else if (is_temporary_of(move.temporary, move.from, kAsideSuffix)) {
        move.step = RecordedMove::Step::Proving;
    } else {
        return RecordFound::NotARecord;
    }
    if (!is_in_area(move.from, areas) || !is_in_area(move.to, areas)) return RecordFound::OthersRecord;
    return RecordFound::Finished;
}

bool is_set_aside_record(const std::string& name) {
    const std::size_t suffix = std::strlen(kNotARecordSuffix);
    return name.size() > suffix && name.compare(name.size() - suffix, suffix, kNotARecordSuffix) == 0;
}

const char* const kWholeWriteSuffix = ".new";

bool is_own_temporary_name(const std::string& name) { return is_set_aside_record(name) || has_temporary_form(name); }

void FileKeeper::keep_journal(std::string journal, std::vector<MoveArea> areas) {
    journal_ = std::move(journal);
    areas_ = std::move(areas);
}

MoveOutcome FileKeeper::move(const std::string& from, const std::string& to) {
    // The rename is tried first: it never replaces anything, and it refuses
    // a target that stands there, the very file under a second name
    // included (the platform sees to that where the system would call such
    // a rename done). When it works nothing else needs asking. A name moved
    // onto itself is never handed to it.
    const FsStatus placed = from == to ? FsStatus::Exists : place(from, to);
    switch (placed) {
        case FsStatus::Ok: return MoveOutcome::Moved;
        case FsStatus::Exists: return settle_taken_target(from, to);
        case FsStatus::CrossDevice: {
            const std::optional<FileInfo> source = disk_.info(from);
            return source ? move_by_copy(from, to, *source) : MoveOutcome::SourceMissing;
        }
        default: return outcome_of(placed);
    }
}

MoveOutcome FileKeeper::settle_taken_target(const std::string& from, const std::string& to) {
    const std::optional<FileInfo> source = disk_.info(from);
    if (!source) return MoveOutcome::SourceMissing;
    if (const std::optional<FileInfo> target = disk_.info(to))
        return settle_existing_target(from, to, *source, *target);
    // Gone since the rename was refused: the rename is tried once more.
    const FsStatus placed = place(from, to);
    return placed == FsStatus::CrossDevice ? move_by_copy(from, to, *source) : outcome_of(placed);
}

MoveOutcome FileKeeper::settle_existing_target(const std::string& from, const std::string& to, const FileInfo& source,
                                               const FileInfo& target) {
    if (from == to) return settled_outcome(TargetFound::ItsOwnName, false);
    if (!hold_same_bytes(from, source, to, target)) return settled_outcome(TargetFound::AnotherFile, false);
    // The same bytes: a second copy, or this very entry under another
    // spelling. Where only the spelling of the name changes, that is the
    // rename to make.
    const bool renames = split_path(from).name != split_path(to).name;
    FsStatus status;
    switch (remove_proven_copy(to, from, renames ? to : from, status)) {
        case CopyRemoval::Removed: return settled_outcome(TargetFound::SecondCopy, renames);
        case CopyRemoval::OneEntry: return settled_outcome(TargetFound::ThisEntry, renames);
        case CopyRemoval::OneEntryAsItWas: return settled_outcome(TargetFound::ThisEntry, false);
        case CopyRemoval::Failed: break;
    }
    return outcome_of(status);
}

FileKeeper::CopyRemoval FileKeeper::remove_proven_copy(const std::string& keep, const std::string& drop,
                                                       const std::string& put_back_at, FsStatus& status) {
    std::string aside;
    status = FsStatus::Exists;
    for (int attempt = 0; attempt < kOwnNameAttempts && status == FsStatus::Exists; ++attempt) {
        aside = own_name_beside(drop, kAsideSuffix);
        status = record(drop, keep, aside);
        if (status == FsStatus::Ok) status = place(drop, aside);
    }
    if (status != FsStatus::Ok) {
        clear_record();
        return CopyRemoval::Failed;
    }
    if (same_content(keep, aside)) {
        status = disk_.remove(aside);
        if (status == FsStatus::Ok) {
            disk_.flush_directory(directory_part(drop));
            clear_record();
            return CopyRemoval::Removed;
        }
        put_back(aside, drop, drop);
        return CopyRemoval::Failed;
    }
    // The target left with the source's name: one entry, not two copies.
    switch (put_back(aside, put_back_at, drop)) {
        case PutBack::AtNewName: status = FsStatus::Ok; return CopyRemoval::OneEntry;
        case PutBack::AtOldName: status = FsStatus::Ok; return CopyRemoval::OneEntryAsItWas;
        case PutBack::NotYet: break;
    }
    status = FsStatus::Failed;
    return CopyRemoval::Failed;
}

FileKeeper::PutBack FileKeeper::put_back(const std::string& aside, const std::string& at, const std::string& own_name) {
    // The name the move was to give first, else the one the file had: an
    // aside name is never where the file is left. Each put-back is on the
    // disk before the record goes, or a power cut could bring the aside
    // name back with no record naming it.
    PutBack done = PutBack::NotYet;
    if (place(aside, at) == FsStatus::Ok)
        done = at == own_name ? PutBack::AtOldName : PutBack::AtNewName;
    else if (at != own_name && place(aside, own_name) == FsStatus::Ok)
        done = PutBack::AtOldName;
    if (done == PutBack::NotYet) {
        // The record stays for the next run, which puts the file back; no
        // other move may be recorded over it meanwhile.
        record_pending_ = true;
        return done;
    }
    disk_.flush_directory(directory_part(own_name));
    if (done == PutBack::AtNewName && directory_part(at) != directory_part(own_name))
        disk_.flush_directory(directory_part(at));
    clear_record();
    return done;
}

bool FileKeeper::hold_same_bytes(const std::string& a, const FileInfo& info_a, const std::string& b,
                                 const FileInfo& info_b) {
    return info_a.is_regular && info_b.is_regular && info_a.size == info_b.size && same_content(a, b);
}

bool FileKeeper::same_content(const std::string& a, const std::string& b) {
    FsStatus status;
    const DiskFilePtr file_a = disk_.open_regular(a, status);
    if (!file_a) return false;
    const DiskFilePtr file_b = disk_.open_regular(b, status);
    if (!file_b) return false;
    return file_a->info_at_open().size == file_b->info_at_open().size && same_bytes(*file_a, *file_b);
}

bool FileKeeper::remove_source(const std::string& from) {
    const FsStatus removed = disk_.remove(from);
    // A removal reported as failed may still have happened (a network file
    // system that lost its answer): only a source that is still there is.
    return removed == FsStatus::Ok || removed == FsStatus::NotFound || !disk_.info(from);
}

FsStatus FileKeeper::place(const std::string& from, const std::string& to) {
    const FsStatus renamed = disk_.rename_no_replace(from, to);
    if (renamed != FsStatus::Unsupported) return renamed;
    // A file system without a rename that refuses to replace: the name is
    // looked for, then the file renamed. Under the run lock no run of ours
    // makes that name in between, and the file has one name at every
    // moment (a second link would show it twice to the transfer tool).
    if (disk_.info(to)) return FsStatus::Exists;
    return disk_.rename_replacing(from, to);
}

MoveOutcome FileKeeper::move_by_copy(const std::string& from, const std::string& to, const FileInfo& source_entry) {
    FsStatus status;
    const DiskFilePtr source = disk_.open_regular(from, status);
    if (!source) return status == FsStatus::NotRegular ? MoveOutcome::AccessDenied : outcome_of(status);
    const std::optional<FileInfo> source_info = source->info();
    if (!source_info) return MoveOutcome::Failed;

    std::string temporary;
    DiskFilePtr copy;
    // A name of this form left by another process (or a user) is passed
    // over for the next one.
    for (int attempt = 0; attempt < kOwnNameAttempts && !copy; ++attempt) {
        temporary = own_name_beside(to, kCopySuffix);
        status = record(from, to, temporary);
        if (status != FsStatus::Ok) break;
        copy = disk_.create_new(temporary, status);
        if (status != FsStatus::Exists) break;
    }
    if (!copy) {
        clear_record();
        return status == FsStatus::Exists ? MoveOutcome::Failed : outcome_of(status);
    }
    MoveOutcome outcome = copy_verified(*source, *copy, *source_info);
    source->close();
    const FsStatus closed = copy->close();
    if (outcome == MoveOutcome::Moved && closed != FsStatus::Ok) outcome = outcome_of(closed);
    const FsStatus placed = outcome == MoveOutcome::Moved ? place(temporary, to) : FsStatus::Failed;
    if (outcome == MoveOutcome::Moved) outcome = outcome_of(placed);
    if (outcome != MoveOutcome::Moved) {
        disk_.remove(temporary);
        disk_.flush_directory(directory_part(to));
        clear_record();
        // A target that stood there already is settled as on one file
        // system: removed from the source's side only when proven a second
        // copy.
        if (placed != FsStatus::Exists) return outcome;
        const std::optional<FileInfo> target = disk_.info(to);
        return target ? settle_existing_target(from, to, source_entry, *target) : MoveOutcome::TargetExists;
    }
    disk_.flush_directory(directory_part(to));

    outcome = settle_source(from, to, source_entry);
    clear_record();
    return outcome;
}

MoveOutcome FileKeeper::settle_source(const std::string& from, const std::string& to, const FileInfo& copied) {
    const std::optional<FileInfo> now = disk_.info(from);
    if (now && !now->same_file(copied)) {
        // Another file took the source's name while it was copied: the copy
        // holds the one that was there, and both are kept.
        return MoveOutcome::SourceChanged;
    }
    if (now && (now->size != copied.size || now->modified != copied.modified)) {
        // Written to while it was copied: the copy is out of date.
        disk_.remove(to);
        disk_.flush_directory(directory_part(to));
        return MoveOutcome::CopyDiffers;
    }
    if (!remove_source(from)) {
        // The file stays where it was, in one place only.
        disk_.remove(to);
        disk_.flush_directory(directory_part(to));
        return MoveOutcome::SourceKept;
    }
    // On the disk before the record goes: after a power cut the record
    // must not be gone while the source is back.
    disk_.flush_directory(directory_part(from));
    return MoveOutcome::Moved;
}

MoveOutcome FileKeeper::copy_verified(DiskFile& source, DiskFile& copy, const FileInfo& source_info) {
    std::vector<char> chunk(kChunk);
    for (;;) {
        const long long got = source.read(chunk.data(), kChunk);
        if (got < 0) return MoveOutcome::AccessDenied;
        if (got == 0) break;
        const FsStatus written = disk_.write(copy, chunk.data(), static_cast<std::size_t>(got));
        if (written != FsStatus::Ok) return outcome_of(written);
    }
    copy.set_modified(source_info.modified);
    const FsStatus flushed = disk_.flush(copy);
    if (flushed != FsStatus::Ok) return outcome_of(flushed);
    return same_bytes(source, copy) ? MoveOutcome::Moved : MoveOutcome::CopyDiffers;
}

std::string FileKeeper::own_name_beside(const std::string& path, const char* suffix) {
    const SplitPath split = split_path(path);
    const std::string name =
        "." + split.name + "." + std::to_string(process_id()) + "-" + std::to_string(++own_names_) + suffix;
    return split.directory.empty() ? name : join_path(split.directory, name);
}

FsStatus FileKeeper::record(const std::string& from, const std::string& to, const std::string& temporary) {
    if (journal_.empty()) return FsStatus::Ok;
    if (record_pending_) return FsStatus::Failed;
    const std::string text = std::string(kJournalHeader) + "\n" + from + "\n" + to + "\n" + temporary + "\n";
    // Nothing is recorded that the next run would not act on: a move that
    // such a record would leave half done is not started.
    RecordedMove move;
    if (classify_move_record(text, areas_, move) != RecordFound::Finished) return FsStatus::Failed;
    disk_.remove(journal_);
    // Flushed, with its directory, before the move it covers starts: after
    // a power cut the next run still finds it.
    FsStatus status = write_new_file(journal_, text, true);
    if (status == FsStatus::Ok) {
        disk_.flush_directory(directory_part(journal_));
    } else {
        disk_.remove(journal_);
    }
    return status;
}

FsStatus FileKeeper::write_new_file(const std::string& path, const std::string& content, bool flushed) {
    FsStatus status;
    const DiskFilePtr file = disk_.create_new(path, status);
    if (!file) return status;
    status = disk_.write(*file, content.data(), content.size());
    if (status == FsStatus::Ok && flushed) status = disk_.flush(*file);
    const FsStatus closed = file->close();
    return status == FsStatus::Ok ? closed : status;
}

void FileKeeper::clear_record() {
    if (!journal_.empty() && !record_pending_) disk_.remove(journal_);
}

JournalRecovery FileKeeper::recover_recorded_move() {
    JournalRecovery recovery;
    if (journal_.empty()) return recovery;
    const std::optional<FileInfo> entry = disk_.info(journal_);
    if (!entry) return recovery;
    RecordedMove move;
    recovery.found = read_record(*entry, move);
    switch (recovery.found) {
        case RecordFound::Cut:
            // Cut while it was written: the move it was to cover had not
            // started, since a record is on the disk before its move begins.
            disk_.remove(journal_);
            break;
        case RecordFound::Finished:
            recovery.found = finish_recorded(move, recovery);
            if (recovery.found == RecordFound::Finished) clear_record();
            break;
        case RecordFound::NotARecord: set_journal_aside(recovery); break;
        default: break;
    }
    if (!recovery.usable()) journal_.clear();  // nothing is recorded over it
    return recovery;
}

RecordFound FileKeeper::read_record(const FileInfo& entry, RecordedMove& move) {
    if (!entry.is_regular || entry.size > kMoveRecordLimit) return RecordFound::NotARecord;
    FsStatus status;
    const DiskFilePtr file = disk_.open_regular(journal_, status);
    if (!file) {
        if (status == FsStatus::NotFound) return RecordFound::Nothing;
        // Most likely a record of ours that another account wrote: it is
        // neither set aside nor followed, and nothing moves until it can be
        // read.
        return status == FsStatus::NotRegular ? RecordFound::NotARecord : RecordFound::Unreadable;
    }
    // One byte more than a record may hold: a file that grew meanwhile is
    // not read whole either.
    std::string text(kMoveRecordLimit + 1, '\0');
    const long long got = read_fully(*file, &text[0], text.size());
    if (got < 0) return RecordFound::Unreadable;
    if (static_cast<std::size_t>(got) > kMoveRecordLimit) return RecordFound::NotARecord;
    text.resize(static_cast<std::size_t>(got));
    return classify_move_record(text, areas_, move);
}

RecordFound FileKeeper::finish_recorded(const RecordedMove& move, JournalRecovery& recovery) {
    if (move.step == RecordedMove::Step::Copying) {
        // Whole or not, the copy is made again. The record's form makes it
        // a name of its own: neither end can be of a temporary's form.
        disk_.remove(move.temporary);
        disk_.flush_directory(directory_part(move.temporary));
    }
    if (move.step == RecordedMove::Step::Proving && disk_.info(move.temporary)) return finish_proof(move, recovery);
    // The copy may have had its name while the source was still there:
    // one of the two goes, once it is shown to be a second copy. The
    // source, so that the file is where the move put it; the copy when the
    // source cannot go.
    const std::optional<FileInfo> source = disk_.info(move.from), target = disk_.info(move.to);
    if (!source || !target || !hold_same_bytes(move.from, *source, move.to, *target)) return RecordFound::Finished;
    FsStatus status;
    const CopyRemoval removed = remove_proven_copy(move.to, move.from, move.from, status);
    if (removed == CopyRemoval::Removed) recovery.completed = move.from;
    if (removed == CopyRemoval::Failed && !record_pending_) remove_proven_copy(move.from, move.to, move.to, status);
    return record_pending_ ? RecordFound::Unfinished : RecordFound::Finished;
}

RecordFound FileKeeper::finish_proof(const RecordedMove& move, JournalRecovery& recovery) {
    // Stopped while proving that the target is a second copy: the aside
    // name goes only when the target is another entry that still holds
    // the same bytes; otherwise the file gets a name of its own back.
    const std::optional<FileInfo> aside = disk_.info(move.temporary), target = disk_.info(move.to);
    if (!aside) return RecordFound::Finished;  // gone since it was looked at: nothing stands there to act on
    if (target && !aside->same_file(*target) && hold_same_bytes(move.to, *target, move.temporary, *aside)) {
        if (disk_.remove(move.temporary) == FsStatus::Ok) {
            disk_.flush_directory(directory_part(move.temporary));
            recovery.completed = move.from;
            return RecordFound::Finished;
        }
    }
    const std::string at = disk_.info(move.from) && !target ? move.to : move.from;
    return put_back(move.temporary, at, move.from) == PutBack::NotYet ? RecordFound::Unfinished : RecordFound::Finished;
}

void FileKeeper::set_journal_aside(JournalRecovery& recovery) {
    FsStatus status = FsStatus::Exists;
    std::string aside;
    for (int attempt = 0; attempt < kOwnNameAttempts && status == FsStatus::Exists; ++attempt) {
        aside = journal_ + "." + std::to_string(process_id()) + "-" + std::to_string(++own_names_) + kNotARecordSuffix;
        status = place(journal_, aside);
    }
    if (status == FsStatus::Ok) {
        disk_.flush_directory(directory_part(journal_));
        recovery.set_aside = aside;
    } else {
        // Nothing is recorded over a file that is not a record: the run
        // must not move without a record.
        recovery.found = RecordFound::CannotSetAside;
    }
}

FsStatus FileKeeper::write_whole(const std::string& path, const std::string& content) {
    const std::string temporary = path + kWholeWriteSuffix;
    disk_.remove(temporary);  // left by an interrupted run
    FsStatus status = write_new_file(temporary, content, false);
    if (status == FsStatus::Ok) {
        const FsStatus removed = disk_.remove(path);
        if (removed != FsStatus::NotFound) status = removed;
    }
    if (status == FsStatus::Ok) status = place(temporary, path);
    if (status != FsStatus::Ok) {
        disk_.remove(temporary);
        disk_.remove(path);
    }
    return status;
}

}  // namespace site
