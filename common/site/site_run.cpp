#include "common/site/site_run.h"

#include "common/fs/paths.h"

namespace site {

namespace {

// Where a run's moves start and end, the only places its move record may
// name: the stamper renames in to-send; the filer moves from sent into the
// archive two folders below the base directory (never the base directory's
// own files: its locks, listings and records).
std::vector<MoveArea> moved_in(const PathConfig& paths, WorkDirectory work) {
    if (work == WorkDirectory::ToSend) return {{paths.to_send, 0}};
    return {{paths.sent, 0}, {paths.base, 2}};
}

// Locks the run of `program` on the site whose base directory is `base`.
// When another run holds the lock, or the lock file cannot be used, says so
// in the trace and returns nothing: the caller then ends without touching
// anything. A missing base directory is no reason to stop here: the run
// goes on and reports what it cannot do.
std::optional<RunLock> lock_site_run(FileSystem& fs, const std::string& base, const char* program, Trace& trace) {
    const std::string path = join_path(base, std::string(program) + ".lock");
    RunLock lock = fs.lock(path, kRunLockWaitMilliseconds);
    switch (lock.state()) {
        case RunLock::State::Held:
        case RunLock::State::NoDirectory: return lock;
        case RunLock::State::Busy:
            trace << "\nUne autre execution de " << program << " tient le verrou " << path << " : rien n est fait\n";
            return std::nullopt;
        case RunLock::State::Unusable: break;
    }
    trace << "\nVerrou " << path << " inutilisable : rien n est fait\n";
    return std::nullopt;
}

}  // namespace

std::optional<OpenSiteRun> open_site_run(const SiteRunKind& kind, Trace& trace, CommandInterpreter& interpreter,
                                         FileSystem& fs, RunObserver& observer) {
    const std::string start_directory = interpreter.current_directory();
    const PathConfig read = read_path_config(fs, start_directory, kind.defaults, trace);
    trace << "\npathbase-->" << read.base << "\npathenvoye-->" << read.sent << kind.after_paths;
    WorkingPaths found = working_paths(read, kind.work, start_directory);
    if (!found.paths) {
        trace << "\n" << empty_path_line(*found.empty) << "\n";
        return std::nullopt;
    }
    std::optional<PathConfig>& working = found.paths;
    std::optional<RunLock> lock = lock_site_run(fs, working->base, kind.program, trace);
    if (!lock) return std::nullopt;
    const JournalRecovery recovery =
        interpreter.keep_move_journal(join_path(working->base, kind.move_record), moved_in(*working, kind.work));
    observer.found_move_record(recovery.found);
    if (!recovery.usable()) return std::nullopt;
    return OpenSiteRun{std::move(*working), std::move(*lock)};
}

}  // namespace site
