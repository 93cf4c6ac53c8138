#include "platform/CancelToken.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(CancelToken, SleepRunsOutWhenNotCancelled) {
    platform::CancelToken token;
    EXPECT_FALSE(token.IsCancelled());
    EXPECT_TRUE(token.SleepFor(5ms));
    EXPECT_TRUE(token.SleepFor(0ms));
}

TEST(CancelToken, CancelFromAnotherThreadEndsALongSleep) {
    platform::CancelToken token;
    std::thread canceller([&] {
        std::this_thread::sleep_for(20ms);
        token.Cancel();
    });
    // Would sit out an hour (and trip the test's time limit) if the cancel
    // were not seen.
    EXPECT_FALSE(token.SleepFor(std::chrono::hours(1)));
    canceller.join();
}

TEST(CancelToken, StickyUntilReset) {
    platform::CancelToken token;
    token.Cancel();
    token.Cancel();
    EXPECT_TRUE(token.IsCancelled());
    EXPECT_FALSE(token.SleepFor(std::chrono::hours(1)));
    EXPECT_FALSE(token.SleepFor(std::chrono::hours(1)));
    token.Reset();
    EXPECT_FALSE(token.IsCancelled());
    EXPECT_TRUE(token.SleepFor(1ms));
}

} // namespace
