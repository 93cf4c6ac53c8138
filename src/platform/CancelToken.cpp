#include "platform/CancelToken.h"

#include "platform/OsError.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace {

// Waits for the descriptor to become readable; false when the time ran out.
bool WaitReadable(int fd, int timeoutMs) {
    pollfd item{fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&item, 1, timeoutMs);
        if (ready >= 0) {
            return ready > 0;
        }
        if (errno != EINTR) {
            RaiseLastOsError();
        }
    }
}

} // namespace

CancelToken::CancelToken() : EventFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (EventFd < 0) {
        RaiseLastOsError();
    }
}

CancelToken::~CancelToken() {
    ::close(EventFd);
}

void CancelToken::Cancel() {
    const std::uint64_t one = 1;
    // The counter only grows; a full counter is still readable, so a failed
    // write (EAGAIN) changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(EventFd, &one, sizeof one);
}

void CancelToken::Reset() {
    std::uint64_t value;
    [[maybe_unused]] const ssize_t read = ::read(EventFd, &value, sizeof value);
}

bool CancelToken::IsCancelled() const {
    return WaitReadable(EventFd, 0);
}

bool CancelToken::SleepFor(std::chrono::milliseconds duration) const {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (WaitReadable(EventFd, static_cast<int>(std::max<long long>(left.count(), 0)))) {
            return false;
        }
        if (left.count() <= 0 || std::chrono::steady_clock::now() >= deadline) {
            return true;
        }
    }
}

} // namespace platform
