#include "platform/Timer.h"

#include <utility>

namespace platform {

Timer::Timer(UiQueue& queue, std::chrono::milliseconds interval, UiQueue::Task onTick, bool enabled)
    : Queue(queue), Period(interval), OnTick(std::move(onTick)) {
    if (enabled) {
        Start();
    }
}

Timer::~Timer() {
    Stop();
}

void Timer::Start() {
    if (Id == 0) {
        Id = Queue.StartTimer(Period, OnTick);
    }
}

void Timer::Stop() {
    if (Id != 0) {
        Queue.StopTimer(std::exchange(Id, 0));
    }
}

} // namespace platform
