#include "channels/RelayQuery.h"

#include "network/LoopbackServer.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

using namespace channels;
using namespace nettest;

namespace {

// One step of a relay server's script.
struct Step {
    enum Kind { Expect, Send, Pause } kind;
    Bytes bytes;
    int pauseMs = 0;
};

Step Expect(Bytes b) {
    return {Step::Expect, std::move(b)};
}
Step Send(Bytes b) {
    return {Step::Send, std::move(b)};
}
Step Pause(int ms) {
    return {Step::Pause, {}, ms};
}

Bytes Greeting(int first = 0x00, const std::string& name = "GPRSSRV") {
    // Bytes 8 to 11 are not looked at.
    return Concat(Concat(MakeBytes({first}), TextBytes(name)), MakeBytes({0xDE, 0xAD, 0xBE, 0xEF}));
}

Bytes CountReply(int code, std::uint32_t count) {
    return MakeBytes({code, 0x77, static_cast<int>(count & 0xFF),
                      static_cast<int>((count >> 8) & 0xFF), static_cast<int>((count >> 16) & 0xFF),
                      static_cast<int>(count >> 24)});
}

Bytes Prefix(const Bytes& all, std::size_t n) {
    return Bytes(all.begin(), all.begin() + n);
}

Bytes Entries(int count) {
    Bytes out;
    for (int e = 0; e < count; ++e)
        for (int i = 0; i < RelayEntrySize; ++i)
            out.push_back(static_cast<std::uint8_t>(e * 31 + i));
    return out;
}

const Bytes greetingRequest = MakeBytes({0x00});
const Bytes countRequest = MakeBytes({0x01, 0x01});
const Bytes listRequest = MakeBytes({0x02, 0x01});

// Plays the script, then records whatever the client still sends.
struct ScriptedRelay {
    std::vector<Step> script;
    bool scriptPlayed = false;
    Bytes afterScript;
    LoopbackServer server{[this](Peer& peer) { Play(peer); }};

    explicit ScriptedRelay(std::vector<Step> steps) : script(std::move(steps)) {}

    void Play(Peer& peer) {
        for (const Step& step : script) {
            Bytes got;
            switch (step.kind) {
            case Step::Expect:
                if (!peer.Read(step.bytes.size(), got) || got != step.bytes) {
                    afterScript = got;
                    return;
                }
                break;
            case Step::Send:
                peer.Send(step.bytes);
                break;
            case Step::Pause:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
                break;
            }
        }
        scriptPlayed = true;
        afterScript = peer.ReadUntilClosed();
    }
};

RelayEntry EntryAt(const Bytes& all, int index) {
    RelayEntry entry;
    std::copy_n(all.begin() + index * RelayEntrySize, RelayEntrySize, entry.begin());
    return entry;
}

TEST(RelayQuery, EntriesArriveInPiecesAndAreAppended) {
    const Bytes entries = Entries(3);
    ScriptedRelay relay({Expect(greetingRequest), Send(Greeting()), Expect(countRequest),
                         Send(CountReply(0x01, 3)), Expect(listRequest), Send(CountReply(0x02, 3)),
                         Send(Prefix(entries, 40)), Pause(100),
                         Send(Bytes(entries.begin() + 40, entries.end()))});
    std::vector<RelayEntry> list(1); // what the caller had is kept in front
    EXPECT_TRUE(QueryRelayDirectory("127.0.0.1", relay.server.Port(), list));
    relay.server.Stop();
    EXPECT_TRUE(relay.scriptPlayed);
    EXPECT_TRUE(relay.afterScript.empty());
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], RelayEntry{});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list[i + 1], EntryAt(entries, i)) << i;
}

TEST(RelayQuery, CountOfZeroSucceedsWithoutAskingForTheList) {
    ScriptedRelay relay({Expect(greetingRequest), Send(Greeting()), Expect(countRequest),
                         Send(CountReply(0x01, 0))});
    std::vector<RelayEntry> list;
    EXPECT_TRUE(QueryRelayDirectory("127.0.0.1", relay.server.Port(), list));
    relay.server.Stop();
    EXPECT_TRUE(relay.scriptPlayed);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(relay.afterScript.empty()) << "no third request";
}

TEST(RelayQuery, BadGreetingFailsBeforeAnythingElseIsSent) {
    for (const Bytes& greeting : {Greeting(0x01), Greeting(0x00, "GPRSSRX"), Greeting(0xFF, "")}) {
        ScriptedRelay relay({Expect(greetingRequest), Send(greeting)});
        std::vector<RelayEntry> list;
        EXPECT_FALSE(QueryRelayDirectory("127.0.0.1", relay.server.Port(), list));
        relay.server.Stop();
        EXPECT_TRUE(relay.scriptPlayed);
        EXPECT_TRUE(relay.afterScript.empty());
        EXPECT_TRUE(list.empty());
    }
}

struct FailureCase {
    const char* name;
    std::vector<Step> script;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class RelayQueryFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(RelayQueryFailures, FailsAndLeavesTheListAlone) {
    ScriptedRelay relay(GetParam().script);
    std::vector<RelayEntry> list(2);
    EXPECT_FALSE(QueryRelayDirectory("127.0.0.1", relay.server.Port(), list));
    EXPECT_EQ(list.size(), 2u);
}

const std::vector<Step> greeted = {Expect(greetingRequest), Send(Greeting()), Expect(countRequest)};

std::vector<Step> Then(std::vector<Step> start, std::initializer_list<Step> more) {
    start.insert(start.end(), more);
    return start;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RelayQueryFailures,
    testing::Values(
        FailureCase{"SilentServer", {}},
        FailureCase{"ShortGreeting", {Expect(greetingRequest), Send(Prefix(Greeting(), 8))}},
        FailureCase{"SilentAfterGreeting", {Expect(greetingRequest), Send(Greeting())}},
        FailureCase{"CountReplyWrongCode", Then(greeted, {Send(CountReply(0x02, 1))})},
        FailureCase{"CountReplyShort", Then(greeted, {Send(MakeBytes({0x01, 0x00, 0x01}))})},
        FailureCase{"ListReplyWrongCode",
                    Then(greeted, {Send(CountReply(0x01, 1)), Expect(listRequest),
                                   Send(CountReply(0x01, 1)), Send(Entries(1))})},
        FailureCase{"CountBeyondAnyDirectory",
                    Then(greeted, {Send(CountReply(0x01, 1)), Expect(listRequest),
                                   Send(CountReply(0x02, 0xFFFFFFFF)), Send(Entries(2))})},
        FailureCase{"FewerEntriesThanCounted",
                    Then(greeted, {Send(CountReply(0x01, 5)), Expect(listRequest),
                                   Send(CountReply(0x02, 5)), Send(Entries(2))})},
        FailureCase{"EntryCutShort", Then(greeted, {Send(CountReply(0x01, 1)), Expect(listRequest),
                                                    Send(CountReply(0x02, 1)),
                                                    Send(Bytes(RelayEntrySize - 1, 0x11))})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RelayQuery, NothingListeningFails) {
    const ClosedPort closed;
    std::vector<RelayEntry> list;
    EXPECT_FALSE(QueryRelayDirectory("127.0.0.1", closed.Port(), list));
}

} // namespace
