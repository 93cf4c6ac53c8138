#pragma once

#include "channels/SocketNotifier.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// The user-interface thread of the socket event tests: work posted from
// any thread runs, in order, on the test's own thread when it pumps.

namespace nettest {

class TestUiQueue {
public:
    channels::UiPoster Poster() {
        return [this](std::function<void()> work) {
            {
                std::lock_guard lock(mutex_);
                work_.push_back(std::move(work));
            }
            ready_.notify_one();
        };
    }

    // Runs posted work until `done` holds or `timeoutMs` passes; true if done.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex_);
                if (!ready_.wait_until(lock, deadline, [this] { return !work_.empty(); }))
                    return done();
                work = std::move(work_.front());
                work_.pop_front();
            }
            work();
        }
        return true;
    }

    // Runs whatever arrives within `ms`, for checking that nothing more comes.
    void RunFor(int ms) {
        RunUntil([] { return false; }, ms);
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return work_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> work_;
};

} // namespace nettest
