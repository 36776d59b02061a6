// One run of a program at a time on a site.
//
// Each program holds an exclusive lock on its own lock file in the base
// directory for the whole of its run. The operating system lets go of the
// lock when the process ends, however it ends, so a killed run never blocks
// the next one.
#pragma once

#include <memory>
#include <string>

#include "common/base/disk_types.h"

namespace site {

class OsFile;

// How long a second run waits for the first to end before it gives up.
constexpr unsigned kRunLockWaitMilliseconds = 5000;

class RunLock {
public:
    enum class State { Held, Busy, Unusable, NoDirectory };

    // Takes the lock on the file at `path`, waiting up to `wait_ms` for
    // another process to let go of it.
    static RunLock acquire(const std::string& path, unsigned wait_ms);
    // What a lock file that could not be opened with `status` means: a
    // base path that names nothing, or that the file system cannot even
    // hold (exFAT refuses some names), is a missing base directory, which
    // the run goes on to report; anything else makes the lock unusable.
    static State state_when_unopened(FsStatus status);
    // A lock that no other process can see: for a run that changes nothing
    // on the disk.
    static RunLock private_to_process();

    RunLock(RunLock&&) noexcept;
    RunLock& operator=(RunLock&&) noexcept;
    ~RunLock();

    State state() const { return state_; }

private:
    RunLock(std::unique_ptr<OsFile> file, State state);

    std::unique_ptr<OsFile> file_;  // open while the lock is held
    State state_;
};

}  // namespace site
