#pragma once

#include <chrono>

namespace platform {

// A cancellation that blocking waits can watch: a worker polls Fd() next to
// the descriptor it waits on, or pauses with SleepFor. Cancel is
// thread-safe and sticky until Reset.
class CancelToken {
public:
    CancelToken(); // throws os_error when the wake-up descriptor cannot be made
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void Cancel();
    void Reset();
    bool IsCancelled() const;

    // Readable while cancelled.
    int Fd() const { return EventFd; }

    // Sleeps for the duration unless cancelled first; returns false when
    // cancelled (at once, if it already was).
    bool SleepFor(std::chrono::milliseconds duration) const;

private:
    int EventFd;
};

} // namespace platform
