#pragma once

#include "platform/UiQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace platform {

// A standalone UiQueue: the thread that calls one of the Run functions is the
// user-interface thread. Used by the command-line tool and by the tests,
// which pump it with RunUntil instead of sleeping.
class EventLoop final : public UiQueue {
public:
    using Clock = std::chrono::steady_clock;

    EventLoop() = default;
    ~EventLoop() override = default;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    void Post(Task task) override;
    TimerId StartTimer(std::chrono::milliseconds interval, Task onTick) override;
    void StopTimer(TimerId id) override;

    // Runs posted tasks and timers until Quit is called (from any thread).
    void Run();
    void Quit();

    // Runs until the predicate holds (checked before waiting and after every
    // task or timer) or the time limit has passed; returns the predicate's
    // last value. The bounded way for a test to wait for an event.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

    // Runs everything that arrives within the given time.
    void RunFor(std::chrono::milliseconds duration);

    // Runs what is ready now without waiting; returns how many items ran.
    int ProcessPending();

private:
    struct TimerEntry {
        std::chrono::milliseconds Interval;
        Clock::time_point Due;
        Task OnTick;
    };

    // Waits until something is ready, Quit is called or the deadline passes,
    // then runs at most one item. Returns whether one ran.
    bool DispatchOne(Clock::time_point deadline);
    // With the lock held: the callback of the first due timer (re-armed), or
    // the oldest posted task, or nothing.
    Task TakeReady(Clock::time_point now);

    std::mutex Mutex;
    std::condition_variable Wake;
    std::deque<Task> Tasks;
    std::map<TimerId, TimerEntry> Timers;
    TimerId LastTimerId = 0;
    bool QuitRequested = false;
};

} // namespace platform
