#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace platform {

// The user-interface thread's queue: work posted from any thread runs later
// on the thread that drives the queue, in the order it was posted. Timers
// fire on that thread too. A backend (the standalone EventLoop, a GUI
// toolkit's loop) implements it; the channels and tasks only see this.
class UiQueue {
public:
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;

    virtual ~UiQueue() = default;

    // Thread-safe. Tasks run one at a time on the user-interface thread.
    virtual void Post(Task task) = 0;

    // A periodic timer; the callback runs on the user-interface thread every
    // interval until it is stopped. Ids are never 0 and never reused.
    virtual TimerId StartTimer(std::chrono::milliseconds interval, Task onTick) = 0;
    // Stopping an unknown or stopped timer does nothing; a timer may be
    // stopped from its own callback.
    virtual void StopTimer(TimerId id) = 0;
};

// The queue that objects made without an explicit queue use (the program's
// one user-interface thread). Throws std::logic_error when none is installed.
UiQueue& MainQueue();

// Installs a queue as the main one for its lifetime and restores the
// previous one afterwards.
class MainQueueScope {
public:
    explicit MainQueueScope(UiQueue& queue);
    ~MainQueueScope();
    MainQueueScope(const MainQueueScope&) = delete;
    MainQueueScope& operator=(const MainQueueScope&) = delete;

private:
    UiQueue* Previous;
};

} // namespace platform
