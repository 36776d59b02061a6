#include "run_lock.h"

#include "file_system.h"
#include "paths.h"

namespace site {

namespace {

constexpr unsigned kPollMilliseconds = 100;

}  // namespace

RunLock RunLock::acquire(const std::string& path, unsigned wait_ms) {
    FsStatus status;
    OsFile file = OsFile::open_for_locking(path, status);
    // A base path that names nothing, or that the file system cannot even
    // hold, is a missing base directory: the run goes on and says what it
    // cannot do there.
    const bool no_directory = status == FsStatus::NotFound || status == FsStatus::BadName;
    if (!file.is_open()) return RunLock(OsFile(), no_directory ? State::NoDirectory : State::Unusable);
    for (unsigned waited = 0;; waited += kPollMilliseconds) {
        status = file.try_lock();
        if (status == FsStatus::Ok) return RunLock(std::move(file), State::Held);
        if (status != FsStatus::Busy) return RunLock(OsFile(), State::Unusable);
        if (waited >= wait_ms) return RunLock(OsFile(), State::Busy);
        sleep_milliseconds(kPollMilliseconds);
    }
}

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

}  // namespace site
