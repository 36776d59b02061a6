// How files are moved and written, decided once for both programs and every
// platform, so that no data file is ever replaced, lost, or left truncated
// under its real name, whatever interrupts a run and whatever the file
// system says about which names are one file.
//
// A move within one file system is one rename that refuses to replace.
// Where the file system has no such rename (exFAT, FAT32, many FUSE and
// network file systems), the target is looked for and the file renamed when
// it is absent: under the site's run lock no run of ours can make that name
// in between, and at every moment the file has one name. Across file
// systems the file is copied under a temporary name that only this process
// uses, flushed to the disk, read back and compared, given its final name
// without replacing, and only then is the source deleted; a source that
// cannot be deleted keeps the file where it was and the copy goes again.
//
// A target that exists already and holds the same bytes may be a second
// copy (what an interrupted move leaves) or the very same entry seen under
// another spelling (a change of case, a directory reached twice, a file
// system that invents inode numbers). Equal bytes prove nothing, so the
// source name is first moved aside to a fresh name of the keeper's own;
// only when the target is still there with the same bytes is the aside name
// removed. When the target left with it, the two were one entry: the name is
// put back (at the target's spelling when the move changes only that), and
// nothing is removed.
//
// Every move that is not a single rename is recorded in a journal, flushed
// before the move starts. The next run reads it first and finishes or undoes
// that move, acting only on paths inside the site's own directories and on
// temporaries of the exact form the keeper makes. A file at the journal's
// name that is not a record is set aside under a new name, never deleted.
//
// The states of a recorded move; the record names the state by its
// temporary (".part" beside the target, ".aside" beside the source):
//
//                 record(from, to, .part)          place(.part, to)
//   (no record) ---------------------------> Copying -----------------> Named
//                                                                         |
//                         remove(from), flush            clear record     v
//                       <------------------------------------------- SourceGone
//
//                 record(from, to, .aside)         place(from, .aside)
//   (no record) ---------------------------> Proving -----------------> Aside
//        ^                                                                |
//        |   to still holds the bytes: remove(.aside), flush, clear       |
//        +----------------------------------------------------------------+
//        |   to left with it (one entry): put .aside back, flush, clear   |
//        +----------------------------------------------------------------+
//
// Recovery is one function of the recorded state and of what stands on the
// disk (finish_recorded). Before it removes or renames anything it checks
// that the record can be true: its three names are three entries whatever
// the file system's comparison of names, neither end has a temporary's
// form, the temporary stands beside the end its role names; and a put-back
// is on the disk before the record goes. A put-back that cannot be made
// keeps the record, and nothing else is recorded over it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/base/move_outcome.h"
#include "common/fs/disk_calls.h"

namespace site {

// A move that a record says was under way.
struct RecordedMove {
    // The step it had reached, by its temporary: a copy beside the target,
    // the source moved aside beside itself, or no temporary at all (a copy
    // that had its name, in the records of earlier versions).
    enum class Step { Copying, Proving, Named };
    Step step = Step::Named;
    std::string from, to, temporary;
};

// What the text of a file at a move record's name is: Finished for a sound
// record whose ends lie in `areas`, read into `move`; Cut, NotARecord or
// OthersRecord otherwise. The one reading of a record, for the runs, for
// the dry run, and for the keeper before it writes one.
RecordFound classify_move_record(const std::string& text, const std::vector<MoveArea>& areas, RecordedMove& move);

// A record is never larger than this; a larger file is not one.
constexpr std::size_t kMoveRecordLimit = 16384;

// Whether `name` has the form of a name the programs make for themselves
// beside a data file or a record (".<name>.<n>-<n>.part" or ".aside", in
// any case, or "<record>.<n>-<n>.not-a-record").
bool is_own_temporary_name(const std::string& name);
// Whether `name` is that of a file set aside as not a move record.
bool is_set_aside_record(const std::string& name);
// What a file written whole is named while it is written ("<name>.new").
extern const char* const kWholeWriteSuffix;

class FileKeeper {
public:
    explicit FileKeeper(DiskCalls& disk = platform_disk_calls()) : disk_(disk) {}

    // Records every move that is not a single rename in the file `journal`
    // while it runs. A recorded path is acted on only when it lies inside
    // one of `areas`.
    void keep_journal(std::string journal, std::vector<MoveArea> areas);

    // Finishes or undoes the move that an interrupted run left recorded in
    // the journal, and removes its temporary.
    JournalRecovery recover_recorded_move();

    // Moves one file to a full path, never replacing another file.
    MoveOutcome move(const std::string& from, const std::string& to);

    // Writes `content` as a new file and then gives it the name `path`:
    // whatever stood there before (a link included) is replaced by a name,
    // never written through. When anything fails, no file is left at `path`,
    // so that nothing reads a cut or an old content there.
    FsStatus write_whole(const std::string& path, const std::string& content);

    // Removes a file of the program's own (never a data file).
    void discard(const std::string& path) { disk_.remove(path); }

    // Whether both are regular files with the same bytes, read in chunks.
    bool same_content(const std::string& a, const std::string& b);

private:
    // What came of removing a name shown to be a second copy. OneEntry:
    // the file had the new name; OneEntryAsItWas: it kept its own.
    enum class CopyRemoval { Removed, OneEntry, OneEntryAsItWas, Failed };
    enum class PutBack { AtNewName, AtOldName, NotYet };

    // Whether two entries are regular files of one size with the same bytes.
    bool hold_same_bytes(const std::string& a, const FileInfo& info_a, const std::string& b, const FileInfo& info_b);
    // A move whose rename found its target taken (or that names its own
    // source): what stands at each end is looked at, and settled below.
    MoveOutcome settle_taken_target(const std::string& from, const std::string& to);
    MoveOutcome settle_existing_target(const std::string& from, const std::string& to, const FileInfo& source,
                                       const FileInfo& target);
    // Removes the name `drop` when `keep` is proven to be a second copy of
    // it: `drop` is moved aside, `keep` looked at again, and the aside name
    // removed only when `keep` still holds the same bytes. Otherwise the two
    // were one entry and the file is given the name `put_back_at`.
    CopyRemoval remove_proven_copy(const std::string& keep, const std::string& drop, const std::string& put_back_at,
                                   FsStatus& status);
    MoveOutcome move_by_copy(const std::string& from, const std::string& to, const FileInfo& source_entry);
    // After a verified copy got its name: removes the source, or, when that
    // cannot be done or the source changed meanwhile, keeps the file in one
    // place.
    MoveOutcome settle_source(const std::string& from, const std::string& to, const FileInfo& copied);
    // Removes the source of a move; false when it is still there.
    bool remove_source(const std::string& from);
    // Gives a file a new name on the same file system without replacing.
    FsStatus place(const std::string& from, const std::string& to);
    // Copies, flushes and reads back; Moved when the copy is whole.
    MoveOutcome copy_verified(DiskFile& source, DiskFile& copy, const FileInfo& source_info);
    // A fresh name of the keeper's own beside `path`: ".<name>.<process>-<n><suffix>".
    std::string own_name_beside(const std::string& path, const char* suffix);

    // Gives the file at `aside` the name `at`, else `own_name`, flushed
    // before the record goes; NotYet keeps the record for the next run.
    PutBack put_back(const std::string& aside, const std::string& at, const std::string& own_name);

    // The journal's work.
    FsStatus record(const std::string& from, const std::string& to, const std::string& temporary);
    void clear_record();
    // What stands at the journal's name: Finished for a sound record of
    // this site, read into `move`.
    RecordFound read_record(const FileInfo& entry, RecordedMove& move);
    // Finishes or undoes a recorded move: Finished, or Unfinished when the
    // record must stay.
    RecordFound finish_recorded(const RecordedMove& move, JournalRecovery& recovery);
    RecordFound finish_proof(const RecordedMove& move, JournalRecovery& recovery);
    // Moves a file that is not a record out of the journal's way.
    void set_journal_aside(JournalRecovery& recovery);

    // Creates the file at `path` (nothing may stand there) with `content`.
    FsStatus write_new_file(const std::string& path, const std::string& content, bool flushed);

    DiskCalls& disk_;
    std::string journal_;
    std::vector<MoveArea> areas_;
    unsigned own_names_ = 0;
    bool record_pending_ = false;  // a record stands whose move could not be settled
};

}  // namespace site
