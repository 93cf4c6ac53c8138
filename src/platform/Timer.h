#pragma once

#include "platform/UiQueue.h"

#include <chrono>

namespace platform {

// Owns one periodic timer of a UiQueue: stops it when destroyed. Made and
// used on the user-interface thread.
class Timer {
public:
    Timer(UiQueue& queue, std::chrono::milliseconds interval, UiQueue::Task onTick,
          bool enabled = true);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void Start();
    void Stop();
    bool Enabled() const { return Id != 0; }
    std::chrono::milliseconds Interval() const { return Period; }

private:
    UiQueue& Queue;
    std::chrono::milliseconds Period;
    UiQueue::Task OnTick;
    UiQueue::TimerId Id = 0;
};

} // namespace platform
