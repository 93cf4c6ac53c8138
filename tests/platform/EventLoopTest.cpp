#include "platform/EventLoop.h"

#include "platform/Timer.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Generous: a wait that normally takes milliseconds must not fail on a
// slow machine.
constexpr auto Patience = 10s;

TEST(EventLoop, PostsFromManyThreadsArriveInEachThreadsOrderOnTheLoopThread) {
    platform::EventLoop loop;
    constexpr int Threads = 4;
    constexpr int PerThread = 200;
    std::vector<std::vector<int>> seen(Threads);
    bool offThread = false;
    const auto uiThread = std::this_thread::get_id();
    std::vector<std::thread> posters;
    for (int t = 0; t < Threads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < PerThread; ++i) {
                loop.Post([&, t, i] {
                    offThread |= std::this_thread::get_id() != uiThread;
                    seen[t].push_back(i);
                });
            }
        });
    }
    const auto total = [&] {
        std::size_t n = 0;
        for (const auto& s : seen) {
            n += s.size();
        }
        return n;
    };
    EXPECT_TRUE(loop.RunUntil([&] { return total() == Threads * PerThread; }, Patience));
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_FALSE(offThread);
    for (const auto& s : seen) {
        for (int i = 0; i < static_cast<int>(s.size()); ++i) {
            ASSERT_EQ(s[i], i);
        }
    }
}

TEST(EventLoop, RunUntilGivesUpAtItsLimit) {
    platform::EventLoop loop;
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 20ms));
    bool ran = false;
    loop.Post([&] { ran = true; });
    EXPECT_TRUE(loop.RunUntil([&] { return ran; }, Patience));
}

TEST(EventLoop, TimerRepeatsUntilStoppedFromItsOwnCallback) {
    platform::EventLoop loop;
    int ticks = 0;
    platform::UiQueue::TimerId id = 0;
    id = loop.StartTimer(5ms, [&] {
        if (++ticks == 3) {
            loop.StopTimer(id);
        }
    });
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(loop.RunUntil([&] { return ticks == 3; }, Patience));
    loop.RunFor(30ms);
    EXPECT_EQ(ticks, 3);
}

TEST(EventLoop, TimerObjectStopsWhenDestroyedAndCanRestart) {
    platform::EventLoop loop;
    int ticks = 0;
    {
        platform::Timer timer(loop, 5ms, [&] { ++ticks; });
        EXPECT_TRUE(timer.Enabled());
        EXPECT_TRUE(loop.RunUntil([&] { return ticks >= 2; }, Patience));
        timer.Stop();
        const int stoppedAt = ticks;
        loop.RunFor(20ms);
        EXPECT_EQ(ticks, stoppedAt);
        timer.Start();
        EXPECT_TRUE(loop.RunUntil([&] { return ticks > stoppedAt; }, Patience));
    }
    const int destroyedAt = ticks;
    loop.RunFor(20ms);
    EXPECT_EQ(ticks, destroyedAt);
}

TEST(EventLoop, QuitFromAnotherThreadEndsRun) {
    platform::EventLoop loop;
    std::atomic<bool> ran{false};
    std::thread other([&] {
        loop.Post([&] { ran = true; });
        loop.Quit();
    });
    loop.Run();
    other.join();
    loop.ProcessPending();
    EXPECT_TRUE(ran);
}

TEST(EventLoop, MainQueueScopeInstallsAndRestores) {
    EXPECT_THROW(platform::MainQueue(), std::logic_error);
    platform::EventLoop outer;
    {
        platform::MainQueueScope installOuter(outer);
        EXPECT_EQ(&platform::MainQueue(), &outer);
        platform::EventLoop inner;
        {
            platform::MainQueueScope installInner(inner);
            EXPECT_EQ(&platform::MainQueue(), &inner);
        }
        EXPECT_EQ(&platform::MainQueue(), &outer);
    }
    EXPECT_THROW(platform::MainQueue(), std::logic_error);
}

} // namespace
