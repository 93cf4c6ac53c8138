#include "rx58sim/RtuFramer.h"

#include "TestClient.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using sim::RtuFramer;
using sim::SteadyClock;
using simtest::Bytes;
using simtest::Frame;

namespace {

struct FramerFixture : ::testing::Test {
    RtuFramer framer{2ms, 50ms};
    SteadyClock::time_point t0 = SteadyClock::now();

    void Feed(const Bytes& bytes, SteadyClock::duration at) {
        framer.Feed(bytes.data(), bytes.size(), t0 + at);
    }
};

const Bytes ReadInput = Frame({0x01, 0x04, 0x00, 0x00, 0x00, 0x3E});
const Bytes Ident = Frame({0x01, 0x11});
const Bytes Page = Frame({0x01, 0x41, 0x03, 0x01, 0x10, 0x00, 0x20});
const Bytes Write1 = Frame({0x01, 0x10, 0x00, 0x06, 0x00, 0x01, 0x02, 0x00, 0x01});

} // namespace

TEST_F(FramerFixture, RequestsOfKnownLengthEndWithoutWaitingForSilence) {
    Bytes burst = ReadInput;
    for (const Bytes* frame : {&Ident, &Page, &Write1})
        burst.insert(burst.end(), frame->begin(), frame->end());
    Feed(burst, 0ms);
    const auto frames = framer.Take(t0);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], ReadInput);
    EXPECT_EQ(frames[1], Ident);
    EXPECT_EQ(frames[2], Page);
    EXPECT_EQ(frames[3], Write1);
    EXPECT_TRUE(framer.Empty());
}

TEST_F(FramerFixture, ARequestArrivingInPiecesIsJoined) {
    Feed(Bytes(ReadInput.begin(), ReadInput.begin() + 3), 0ms);
    EXPECT_TRUE(framer.Take(t0 + 10ms).empty())
        << "an incomplete request waits longer than the silence";
    Feed(Bytes(ReadInput.begin() + 3, ReadInput.end()), 20ms);
    const auto frames = framer.Take(t0 + 20ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], ReadInput);
}

TEST_F(FramerFixture, AnIncompleteRequestIsGivenUpAfterItsTimeout) {
    Feed(Bytes(ReadInput.begin(), ReadInput.begin() + 5), 0ms);
    EXPECT_EQ(framer.Deadline(), t0 + 50ms);
    const auto frames = framer.Take(t0 + 50ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 5u);
    EXPECT_TRUE(framer.Empty());
}

TEST_F(FramerFixture, DamagedAndUnknownFramesEndAtTheSilence) {
    Bytes damaged = ReadInput;
    damaged[3] ^= 0x01;
    Feed(damaged, 0ms);
    EXPECT_TRUE(framer.Take(t0 + 1ms).empty());
    auto frames = framer.Take(t0 + 2ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], damaged);

    const Bytes unknown = Frame({0x01, 0x2B, 0x0E, 0x01, 0x00});
    Feed(unknown, 10ms);
    EXPECT_TRUE(framer.Take(t0 + 11ms).empty());
    frames = framer.Take(t0 + 12ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], unknown);
}

TEST(RtuSilence, IsThreeAndAHalfCharactersWithAFloor) {
    EXPECT_EQ(sim::RtuSilence(9600), std::chrono::microseconds(4010));
    EXPECT_EQ(sim::RtuSilence(115200), std::chrono::microseconds(1750));
    EXPECT_EQ(sim::RtuSilence(0), std::chrono::microseconds(1750));
}
