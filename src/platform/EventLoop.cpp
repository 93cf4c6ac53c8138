#include "platform/EventLoop.h"

#include <algorithm>
#include <utility>

namespace platform {

void EventLoop::Post(Task task) {
    {
        std::lock_guard lock(Mutex);
        Tasks.push_back(std::move(task));
    }
    Wake.notify_one();
}

UiQueue::TimerId EventLoop::StartTimer(std::chrono::milliseconds interval, Task onTick) {
    interval = std::max(interval, std::chrono::milliseconds(1));
    TimerId id;
    {
        std::lock_guard lock(Mutex);
        id = ++LastTimerId;
        Timers.emplace(id, TimerEntry{interval, Clock::now() + interval, std::move(onTick)});
    }
    Wake.notify_one();
    return id;
}

void EventLoop::StopTimer(TimerId id) {
    std::lock_guard lock(Mutex);
    Timers.erase(id);
}

void EventLoop::Run() {
    for (;;) {
        {
            std::lock_guard lock(Mutex);
            if (QuitRequested) {
                QuitRequested = false;
                return;
            }
        }
        DispatchOne(Clock::time_point::max());
    }
}

void EventLoop::Quit() {
    {
        std::lock_guard lock(Mutex);
        QuitRequested = true;
    }
    Wake.notify_one();
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return done();
        }
        DispatchOne(deadline);
    }
    return true;
}

void EventLoop::RunFor(std::chrono::milliseconds duration) {
    const Clock::time_point deadline = Clock::now() + duration;
    while (Clock::now() < deadline) {
        DispatchOne(deadline);
    }
}

int EventLoop::ProcessPending() {
    int ran = 0;
    while (DispatchOne(Clock::time_point::min())) {
        ++ran;
    }
    return ran;
}

bool EventLoop::DispatchOne(Clock::time_point deadline) {
    Task task;
    {
        std::unique_lock lock(Mutex);
        for (;;) {
            const Clock::time_point now = Clock::now();
            task = TakeReady(now);
            if (task || QuitRequested || now >= deadline) {
                break;
            }
            Clock::time_point until = deadline;
            for (const auto& [id, timer] : Timers) {
                until = std::min(until, timer.Due);
            }
            if (until == Clock::time_point::max()) {
                Wake.wait(lock);
            } else {
                Wake.wait_until(lock, until);
            }
        }
    }
    if (!task) {
        return false;
    }
    task();
    return true;
}

UiQueue::Task EventLoop::TakeReady(Clock::time_point now) {
    for (auto& [id, timer] : Timers) {
        if (timer.Due <= now) {
            timer.Due += timer.Interval;
            if (timer.Due <= now) {
                timer.Due = now + timer.Interval; // fell behind: no burst of catch-up ticks
            }
            return timer.OnTick;
        }
    }
    if (!Tasks.empty()) {
        Task task = std::move(Tasks.front());
        Tasks.pop_front();
        return task;
    }
    return {};
}

} // namespace platform
