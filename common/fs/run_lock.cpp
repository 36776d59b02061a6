#include "common/fs/run_lock.h"

#include "common/platform/platform.h"

namespace site {

namespace {

constexpr unsigned kPollMilliseconds = 100;

}  // namespace

RunLock::RunLock(std::unique_ptr<OsFile> file, State state) : file_(std::move(file)), state_(state) {}
RunLock::RunLock(RunLock&&) noexcept = default;
RunLock& RunLock::operator=(RunLock&&) noexcept = default;
RunLock::~RunLock() = default;

RunLock::State RunLock::state_when_unopened(FsStatus status) {
    return status == FsStatus::NotFound || status == FsStatus::BadName ? State::NoDirectory : State::Unusable;
}

RunLock RunLock::private_to_process() { return RunLock(nullptr, State::Held); }

RunLock RunLock::acquire(const std::string& path, unsigned wait_ms) {
    FsStatus status;
    OsFile file = OsFile::open_for_locking(path, status);
    if (!file.is_open()) return RunLock(nullptr, state_when_unopened(status));
    for (unsigned waited = 0;; waited += kPollMilliseconds) {
        status = file.try_lock();
        if (status == FsStatus::Ok) return RunLock(std::make_unique<OsFile>(std::move(file)), State::Held);
        if (status != FsStatus::Busy) return RunLock(nullptr, State::Unusable);
        if (waited >= wait_ms) return RunLock(nullptr, State::Busy);
        sleep_milliseconds(kPollMilliseconds);
    }
}

}  // namespace site
