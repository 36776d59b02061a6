// One run of a program at a time on a site.
//
// Each program holds an exclusive lock on its own lock file in the base
// directory for the whole of its run. The operating system lets go of the
// lock when the process ends, however it ends, so a killed run never blocks
// the next one.
#pragma once

#include <optional>
#include <string>

#include "platform.h"
#include "trace.h"

namespace site {

class FileSystem;

// How long a second run waits for the first to end before it gives up.
constexpr unsigned kRunLockWaitMilliseconds = 5000;

class RunLock {
public:
    enum class State { Held, Busy, Unusable, NoDirectory };

    // Takes the lock on the file at `path`, waiting up to `wait_ms` for
    // another process to let go of it.
    static RunLock acquire(const std::string& path, unsigned wait_ms);
    // A lock that no other process can see: for a run that changes nothing
    // on the disk.
    static RunLock private_to_process() { return RunLock(OsFile(), State::Held); }

    State state() const { return state_; }

private:
    RunLock(OsFile file, State state) : file_(std::move(file)), state_(state) {}

    OsFile file_;
    State state_;
};

// Locks the run of `program` on the site whose base directory is `base`.
// When another run holds the lock, or the lock file cannot be used, says so
// in the trace and returns nothing: the caller then ends without touching
// anything. A missing base directory is no reason to stop here: the run
// goes on and reports what it cannot do.
std::optional<RunLock> lock_site_run(FileSystem& fs, const std::string& base, const char* program, Trace& trace);

}  // namespace site
