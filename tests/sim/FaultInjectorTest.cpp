#include "rx58sim/FaultInjector.h"

#include "TestClient.h"
#include "protocol/Crc16.h"

#include <algorithm>
#include <gtest/gtest.h>

using sim::FaultConfig;
using sim::FaultInjector;
using simtest::Bytes;
using simtest::Frame;

namespace {

const Bytes ReadRequest = Frame({0x00, 0x04, 0x00, 0x00, 0x00, 0x02});
const Bytes ReadReply = Frame({0x00, 0x04, 0x04, 0x11, 0x22, 0x33, 0x44});
const Bytes IdentRequest = Frame({0x00, 0x11});
const Bytes IdentReply = Frame({0x00, 0x11, 0x08, 'R', 'X', '5', '8', 0, 0, 3, 0});
const Bytes PageRequest = Frame({0x00, 0x41, 0x03, 0x01, 0x34, 0x12, 0x05});

Bytes PageReply() {
    Bytes page{0x00, 0x41, 0x03, 0x01, 0x32, 0x12, 0x02};
    page.insert(page.end(), 32, 0x5A);
    return simtest::WithCrc(page);
}

Bytes Sent(const sim::Transmission& tx) {
    Bytes all;
    for (const Bytes& piece : tx.Pieces)
        all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

// How many of `n` replies a share-based fault hits, and on which.
std::vector<int> Hits(FaultConfig config, int n, bool (*hit)(const sim::Transmission&)) {
    FaultInjector faults(config);
    std::vector<int> hits;
    for (int i = 0; i < n; ++i)
        if (hit(faults.Apply(ReadRequest, ReadReply)))
            hits.push_back(i);
    return hits;
}

bool Dropped(const sim::Transmission& tx) {
    return tx.Pieces.empty();
}
bool Corrupt(const sim::Transmission& tx) {
    return !Crc16Matches(Sent(tx).data(), Sent(tx).size());
}
bool Split(const sim::Transmission& tx) {
    return tx.Pieces.size() == 2;
}

} // namespace

TEST(FaultInjector, WithoutFaultsTheReplyGoesOutUnchanged) {
    FaultInjector faults;
    const sim::Transmission tx = faults.Apply(ReadRequest, ReadReply);
    ASSERT_EQ(tx.Pieces.size(), 1u);
    EXPECT_EQ(tx.Pieces[0], ReadReply);
    Bytes preempted;
    EXPECT_FALSE(faults.Preempt(ReadRequest, preempted));
}

TEST(FaultInjector, ShareFaultsHitAboutTheirShareAndRepeatWithTheSeed) {
    struct Case {
        const char* Name;
        double FaultConfig::*Share;
        bool (*Hit)(const sim::Transmission&);
    };
    const Case cases[] = {
        {"drop", &FaultConfig::DropShare, Dropped},
        {"corrupt", &FaultConfig::CorruptShare, Corrupt},
        {"split", &FaultConfig::SplitShare, Split},
    };
    for (const Case& c : cases) {
        FaultConfig config;
        config.*c.Share = 0.3;
        config.Seed = 7;
        const auto first = Hits(config, 1000, c.Hit);
        EXPECT_GT(first.size(), 200u) << c.Name;
        EXPECT_LT(first.size(), 400u) << c.Name;
        EXPECT_EQ(Hits(config, 1000, c.Hit), first) << c.Name << ": same seed, same replies hit";
        config.Seed = 8;
        EXPECT_NE(Hits(config, 1000, c.Hit), first) << c.Name << ": another seed, other replies";
        config.*c.Share = 1;
        EXPECT_EQ(Hits(config, 50, c.Hit).size(), 50u) << c.Name;
    }
}

TEST(FaultInjector, ASplitReplyKeepsEveryByteAndNamesTheGap) {
    FaultConfig config;
    config.SplitShare = 1;
    config.SplitGapMs = 75;
    FaultInjector faults(config);
    const sim::Transmission tx = faults.Apply(ReadRequest, ReadReply);
    ASSERT_EQ(tx.Pieces.size(), 2u);
    EXPECT_EQ(Sent(tx), ReadReply);
    EXPECT_EQ(tx.GapMs, 75);
}

TEST(FaultInjector, SilenceAndExceptionStandInForTheDevice) {
    FaultConfig config;
    config.ExceptionCode = 6;
    FaultInjector faults(config);
    Bytes reply;
    ASSERT_TRUE(faults.Preempt(PageRequest, reply));
    EXPECT_EQ(reply, Frame({0x00, 0xC1, 0x06}));
    config.Silent = true;
    faults.Configure(config);
    ASSERT_TRUE(faults.Preempt(IdentRequest, reply));
    EXPECT_TRUE(reply.empty());
}

TEST(FaultInjector, LiesAreToldWithAValidCrc) {
    struct Case {
        const char* Name;
        FaultConfig Config;
        const Bytes& Request;
        Bytes Reply;
        Bytes Expected;
    };
    FaultConfig signature;
    signature.Signature = std::array<char, 4>{'R', 'X', '5', '9'};
    FaultConfig version;
    version.IdentVersion = 2;
    FaultConfig byteCount;
    byteCount.ByteCountLie = 4;
    FaultConfig pageCount;
    pageCount.PageCountLie = 3;
    FaultConfig empty;
    empty.EmptyPages = true;
    Bytes liedPage = PageReply();
    liedPage[6] = 5;
    liedPage = simtest::WithCrc(Bytes(liedPage.begin(), liedPage.end() - 2));
    const Case cases[] = {
        {"signature", signature, IdentRequest, IdentReply,
         Frame({0x00, 0x11, 0x08, 'R', 'X', '5', '9', 0, 0, 3, 0})},
        {"version", version, IdentRequest, IdentReply,
         Frame({0x00, 0x11, 0x08, 'R', 'X', '5', '8', 0, 0, 2, 0})},
        {"byte count", byteCount, ReadRequest, ReadReply,
         Frame({0x00, 0x04, 0x08, 0x11, 0x22, 0x33, 0x44})},
        {"page count", pageCount, PageRequest, PageReply(), liedPage},
        {"empty page", empty, PageRequest, PageReply(),
         Frame({0x00, 0x41, 0x03, 0x01, 0x34, 0x12, 0x00})},
        {"an exception is left alone", byteCount, ReadRequest, Frame({0x00, 0x84, 0x02}),
         Frame({0x00, 0x84, 0x02})},
    };
    for (const Case& c : cases) {
        FaultInjector faults(c.Config);
        EXPECT_EQ(Sent(faults.Apply(c.Request, c.Reply)), c.Expected) << c.Name;
    }
}

// A line that runs on after the reply, and one that babbles instead of
// answering: the bytes are the generator's, so a seed repeats them.
TEST(FaultInjector, RunOnAndNoiseRepeatWithTheSeed) {
    FaultConfig runOn;
    runOn.ReplyBytes = 10000;
    FaultConfig noise;
    noise.NoiseBytes = 3000;
    for (const FaultConfig& config : {runOn, noise}) {
        FaultInjector first(config), second(config);
        const Bytes sent = Sent(first.Apply(ReadRequest, ReadReply));
        EXPECT_EQ(sent, Sent(second.Apply(ReadRequest, ReadReply)));
        EXPECT_EQ(sent.size(), config.ReplyBytes > 0 ? 10000u : 3000u);
        const bool startsWithTheReply =
            std::equal(ReadReply.begin(), ReadReply.end(), sent.begin());
        EXPECT_EQ(startsWithTheReply, config.ReplyBytes > 0);
    }
    FaultConfig shorter;
    shorter.ReplyBytes = 3;
    FaultInjector faults(shorter);
    EXPECT_EQ(Sent(faults.Apply(ReadRequest, ReadReply)), ReadReply) << "never cut short";
}
