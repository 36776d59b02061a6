#include "file_keeper.h"

#include <cstring>
#include <vector>

#include "paths.h"

namespace site {

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr int kTemporaryAttempts = 8;
// The first line of a move record, so that no other file is taken for one.
constexpr const char* kJournalHeader = "brasko move record 1";

MoveOutcome outcome_of(FsStatus status) {
    switch (status) {
        case FsStatus::Ok: return MoveOutcome::Moved;
        case FsStatus::Exists: return MoveOutcome::TargetExists;
        case FsStatus::NotFound: return MoveOutcome::SourceMissing;
        case FsStatus::NameTooLong: return MoveOutcome::NameTooLong;
        case FsStatus::NoSpace: return MoveOutcome::NoSpace;
        case FsStatus::AccessDenied: return MoveOutcome::AccessDenied;
        default: return MoveOutcome::Failed;
    }
}

// The directory a path's last name stands in.
std::string directory_part(const std::string& path) { return directory_or_current(split_path(path).directory); }

// Reads until `size` bytes are in or the file ends; the count read.
long long read_fully(OsFile& file, char* buffer, std::size_t size) {
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
bool same_bytes(OsFile& a, OsFile& b) {
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

}  // namespace

DiskCalls& platform_disk_calls() {
    static DiskCalls platform;
    return platform;
}

MoveOutcome FileKeeper::move(const std::string& from, const std::string& to) {
    const std::optional<FileInfo> source = fs_.info(from);
    if (!source) return MoveOutcome::SourceMissing;
    if (const std::optional<FileInfo> target = fs_.info(to)) return settle_existing_target(from, to, *source, *target);
    const FsStatus renamed = fs_.rename_no_replace(from, to);
    switch (renamed) {
        case FsStatus::CrossDevice: return move_by_copy(from, to, *source);
        case FsStatus::Unsupported: return move_by_link(from, to);
        default: return outcome_of(renamed);
    }
}

MoveOutcome FileKeeper::settle_existing_target(const std::string& from, const std::string& to,
                                               const FileInfo& source, const FileInfo& target) {
    if (source.same_file(target) && same_entry(from, to)) {
        // One entry under two spellings: only a change of case (where names
        // ignore case) is a rename to make.
        if (from == to || split_path(from).name == split_path(to).name) return MoveOutcome::TargetExists;
        return outcome_of(fs_.rename_no_replace(from, to));
    }
    if (!is_remainder_of_move(from, to, source, target)) return MoveOutcome::TargetExists;
    const FsStatus removed = fs_.remove(from);
    return removed == FsStatus::Ok ? MoveOutcome::Completed : outcome_of(removed);
}

bool FileKeeper::is_remainder_of_move(const std::string& from, const std::string& to, const FileInfo& source,
                                      const FileInfo& target) {
    if (source.same_file(target)) return target.links > 1 && !same_entry(from, to);
    // The same file seen through two mounts can show two devices: the same
    // index is taken for the same file, never for a copy of it.
    if (source.index == target.index || same_entry(from, to)) return false;
    return source.is_regular && target.is_regular && source.size == target.size && same_content(from, to);
}

bool FileKeeper::same_entry(const std::string& a, const std::string& b) {
    const SplitPath split_a = split_path(a), split_b = split_path(b);
    if (!same_name(split_a.name, split_b.name)) return false;
    const std::optional<DirectoryStamp> dir_a = fs_.directory_stamp(directory_part(a));
    const std::optional<DirectoryStamp> dir_b = fs_.directory_stamp(directory_part(b));
    // When a directory cannot be looked at, take the entries for one: that
    // only ever refuses a move.
    return !dir_a || !dir_b || (dir_a->device == dir_b->device && dir_a->index == dir_b->index);
}

bool FileKeeper::same_content(const std::string& a, const std::string& b) {
    FsStatus status;
    OsFile file_a = fs_.open_regular(a, status);
    OsFile file_b = fs_.open_regular(b, status);
    return file_a.is_open() && file_b.is_open() && same_bytes(file_a, file_b);
}

MoveOutcome FileKeeper::move_by_link(const std::string& from, const std::string& to) {
    FsStatus status = record(from, to, "");
    if (status == FsStatus::Ok) status = fs_.link(from, to);
    if (status != FsStatus::Ok) {
        clear_record();
        return outcome_of(status);
    }
    if (!remove_source(from)) {
        fs_.remove(to);
        clear_record();
        return MoveOutcome::SourceKept;
    }
    clear_record();
    return MoveOutcome::Moved;
}

bool FileKeeper::remove_source(const std::string& from) {
    const FsStatus removed = fs_.remove(from);
    // A removal reported as failed may still have happened (a network file
    // system that lost its answer): only a source that is still there is.
    return removed == FsStatus::Ok || removed == FsStatus::NotFound || !fs_.info(from);
}

FsStatus FileKeeper::place(const std::string& from, const std::string& to) {
    const FsStatus renamed = fs_.rename_no_replace(from, to);
    if (renamed != FsStatus::Unsupported) return renamed;
    // A file system without an exclusive rename: a link never replaces
    // either; the journal covers a stop between the two steps.
    const FsStatus linked = fs_.link(from, to);
    if (linked == FsStatus::Ok) fs_.remove(from);
    return linked;
}

MoveOutcome FileKeeper::move_by_copy(const std::string& from, const std::string& to, const FileInfo& source_entry) {
    FsStatus status;
    OsFile source = fs_.open_regular(from, status);
    if (!source.is_open()) return status == FsStatus::NotRegular ? MoveOutcome::AccessDenied : outcome_of(status);
    const std::optional<FileInfo> source_info = source.info();
    if (!source_info) return MoveOutcome::Failed;

    std::string temporary;
    OsFile copy;
    // A name of this form left by another process (or a user) is passed
    // over for the next one.
    for (int attempt = 0; attempt < kTemporaryAttempts && !copy.is_open(); ++attempt) {
        temporary = temporary_beside(to);
        status = record(from, to, temporary);
        if (status != FsStatus::Ok) break;
        copy = fs_.create_new(temporary, status);
        if (status != FsStatus::Exists) break;
    }
    if (!copy.is_open()) {
        clear_record();
        return status == FsStatus::Exists ? MoveOutcome::Failed : outcome_of(status);
    }
    MoveOutcome outcome = copy_verified(source, copy, *source_info);
    source.close();
    const FsStatus closed = copy.close();
    if (outcome == MoveOutcome::Moved && closed != FsStatus::Ok) outcome = outcome_of(closed);
    if (outcome == MoveOutcome::Moved) outcome = outcome_of(place(temporary, to));
    if (outcome != MoveOutcome::Moved) {
        fs_.remove(temporary);
        clear_record();
        return outcome;
    }
    fs_.flush_directory(directory_part(to));

    outcome = settle_source(from, to, source_entry);
    clear_record();
    return outcome;
}

MoveOutcome FileKeeper::settle_source(const std::string& from, const std::string& to, const FileInfo& copied) {
    const std::optional<FileInfo> now = fs_.info(from);
    if (now && !now->same_file(copied)) {
        // Another file took the source's name while it was copied: the copy
        // holds the one that was there, and both are kept.
        return MoveOutcome::SourceChanged;
    }
    if (now && (now->size != copied.size || now->modified != copied.modified)) {
        // Written to while it was copied: the copy is out of date.
        fs_.remove(to);
        fs_.flush_directory(directory_part(to));
        return MoveOutcome::CopyDiffers;
    }
    if (!remove_source(from)) {
        // The file stays where it was, in one place only.
        fs_.remove(to);
        fs_.flush_directory(directory_part(to));
        return MoveOutcome::SourceKept;
    }
    return MoveOutcome::Moved;
}

MoveOutcome FileKeeper::copy_verified(OsFile& source, OsFile& copy, const FileInfo& source_info) {
    std::vector<char> chunk(kChunk);
    for (;;) {
        const long long got = source.read(chunk.data(), kChunk);
        if (got < 0) return MoveOutcome::AccessDenied;
        if (got == 0) break;
        const FsStatus written = fs_.write(copy, chunk.data(), static_cast<std::size_t>(got));
        if (written != FsStatus::Ok) return outcome_of(written);
    }
    copy.set_modified(source_info.modified);
    const FsStatus flushed = fs_.flush(copy);
    if (flushed != FsStatus::Ok) return outcome_of(flushed);
    return same_bytes(source, copy) ? MoveOutcome::Moved : MoveOutcome::CopyDiffers;
}

std::string FileKeeper::temporary_beside(const std::string& path) {
    const SplitPath split = split_path(path);
    const std::string name =
        "." + split.name + "." + std::to_string(process_id()) + "-" + std::to_string(++temporaries_) + ".part";
    return split.directory.empty() ? name : join_path(split.directory, name);
}

FsStatus FileKeeper::record(const std::string& from, const std::string& to, const std::string& temporary) {
    if (journal_.empty()) return FsStatus::Ok;
    fs_.remove(journal_);
    // Not flushed: the record guards against a killed process, whose
    // writes the system keeps, not against a power cut.
    const FsStatus status =
        write_new_file(journal_, std::string(kJournalHeader) + "\n" + from + "\n" + to + "\n" + temporary + "\n");
    if (status != FsStatus::Ok) fs_.remove(journal_);
    return status;
}

FsStatus FileKeeper::write_new_file(const std::string& path, const std::string& content) {
    FsStatus status;
    OsFile file = fs_.create_new(path, status);
    if (!file.is_open()) return status;
    status = fs_.write(file, content.data(), content.size());
    const FsStatus closed = file.close();
    return status == FsStatus::Ok ? closed : status;
}

void FileKeeper::clear_record() {
    if (!journal_.empty()) fs_.remove(journal_);
}

std::optional<std::string> FileKeeper::recover_recorded_move() {
    if (journal_.empty()) return std::nullopt;
    const std::optional<FileInfo> journal = fs_.info(journal_);
    if (!journal) return std::nullopt;
    const std::optional<std::string> text = journal->is_regular ? fs_.read_whole(journal_) : std::nullopt;
    std::vector<std::string> lines;
    for (size_t start = 0, end; text && (end = text->find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text->substr(start, end - start));
    const std::string header = std::string(kJournalHeader) + "\n";
    if (text && header.compare(0, text->size(), *text) == 0) {
        // Cut before its first line was whole: nothing was moved yet.
        fs_.remove(journal_);
        return std::nullopt;
    }
    if (lines.size() != 4 || lines[0] != kJournalHeader) {
        // Not a record of ours: left alone, and no move is recorded over it.
        journal_.clear();
        return std::nullopt;
    }
    const std::string &from = lines[1], &to = lines[2], &temporary = lines[3];
    if (is_temporary_of(temporary, to)) fs_.remove(temporary);
    std::optional<std::string> finished;
    const std::optional<FileInfo> source = fs_.info(from), target = fs_.info(to);
    if (source && target && is_remainder_of_move(from, to, *source, *target)) {
        if (remove_source(from)) {
            finished = from;
        } else if (!source->same_file(*target)) {
            fs_.remove(to);  // the source cannot go: the file stays in one place
        }
    }
    fs_.remove(journal_);
    return finished;
}

bool FileKeeper::is_temporary_of(const std::string& temporary, const std::string& to) const {
    const SplitPath place = split_path(to), copy = split_path(temporary);
    const std::string start = "." + place.name + ".";
    return copy.directory == place.directory && copy.name.size() > start.size() + 5 &&
           copy.name.compare(0, start.size(), start) == 0 &&
           copy.name.compare(copy.name.size() - 5, 5, ".part") == 0;
}

FsStatus FileKeeper::write_whole(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".new";
    fs_.remove(temporary);  // left by an interrupted run
    FsStatus status = write_new_file(temporary, content);
    if (status == FsStatus::Ok) {
        const FsStatus removed = fs_.remove(path);
        if (removed != FsStatus::NotFound) status = removed;
    }
    if (status == FsStatus::Ok) status = place(temporary, path);
    if (status != FsStatus::Ok) {
        fs_.remove(temporary);
        fs_.remove(path);
    }
    return status;
}

}  // namespace site
