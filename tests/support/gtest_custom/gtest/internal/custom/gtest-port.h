// GoogleTest's place for a build's own settings, taken where the standard
// library has no std::mutex (MinGW-w64's win32 thread model, with which the
// Windows programs build): GoogleTest 1.12's Notification needs one. This
// Notification waits on an atomic flag instead. Only GoogleTest's own
// thread tests wait on it; the project's tests start no threads.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_ = true; }
    void WaitForNotification() {
        while (!notified_) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
