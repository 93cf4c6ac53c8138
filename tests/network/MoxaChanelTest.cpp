#include "channels/ChanelTexts.h"
#include "channels/MoxaQueueIDChanel.h"
#include "channels/SocketLibrary.h"
#include "network/FakeAdapter.h"
#include "platform/EventLoop.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace channels;
using namespace nettest;
using namespace std::chrono_literals;

namespace {

constexpr auto Patience = std::chrono::milliseconds(LongWaitMs);

// What the channel told its owner, one line per event, in order.
struct Events {
    std::vector<std::string> lines;
    std::vector<std::pair<std::int32_t, Bytes>> received;

    void Listen(TMoxaQueueIDChanel& chanel) {
        chanel.OnChanelStateEvent = [this](ChanelState s) {
            lines.push_back("state " + std::to_string(s));
        };
        chanel.ConsoleFunction = [this](const std::string& t) { lines.push_back("console " + t); };
        chanel.OnRecvPacketEvent = [this](const std::uint8_t* data, std::uint16_t length,
                                          std::int32_t id) {
            received.emplace_back(id, Bytes(data, data + length));
            lines.push_back("recv " + std::to_string(id));
        };
        chanel.OnLostPacketEvent = [this](std::int32_t id) {
            lines.push_back("lost " + std::to_string(id));
        };
    }
};

struct RecordingLamp : LampControl {
    void SetColor(LampColor color) override { colors.push_back(color); }
    std::vector<LampColor> colors;
};

class MoxaChanel : public testing::Test {
protected:
    platform::EventLoop loop;
    Events events;

    std::unique_ptr<TMoxaQueueIDChanel> MakeChanel() {
        auto chanel = std::make_unique<TMoxaQueueIDChanel>(loop);
        events.Listen(*chanel);
        return chanel;
    }
    bool WaitForLines(std::size_t count) {
        return loop.RunUntil([&] { return events.lines.size() >= count; }, Patience);
    }
};

TEST_F(MoxaChanel, OpensTransfersAndClosesThroughTheWorker) {
    FakeAdapter adapter(1, FakeAdapter::Agree,
                        [](const Bytes& request) { return Concat(TextBytes("re:"), request); });
    auto chanel = MakeChanel();
    RecordingLamp rx, tx;
    chanel->RxControl = &rx;
    chanel->TxControl = &tx;

    EXPECT_FALSE(chanel->SendPacket(TextBytes("early").data(), 5, 1, false)) << "not connected";
    ASSERT_EQ(chanel->Open(OpenRequest(adapter, 1)), 1);
    EXPECT_EQ(chanel->GetState(), csConnecting);
    EXPECT_EQ(chanel->Open(OpenRequest(adapter, 1)), -2) << "only from csDisconnected";
    ASSERT_TRUE(WaitForLines(2));
    ASSERT_EQ(chanel->GetState(), csConnected);

    EXPECT_TRUE(chanel->SendPacket(TextBytes("one").data(), 3, 7, false));
    EXPECT_TRUE(chanel->SendPacket(TextBytes("two").data(), 3, 8, true));
    ASSERT_TRUE(WaitForLines(4));
    chanel->Disconnect();
    ASSERT_TRUE(WaitForLines(5));
    ASSERT_TRUE(
        loop.RunUntil([&] { return !rx.colors.empty() && rx.colors.back() == clGreen; }, Patience));

    EXPECT_EQ(events.lines,
              (std::vector<std::string>{"state 1", "state 2", "recv 7", "recv 8", "state 0"}));
    ASSERT_EQ(events.received.size(), 2u);
    EXPECT_EQ(events.received[0].second, TextBytes("re:one"));
    EXPECT_EQ(events.received[1].second, TextBytes("re:two"));
    EXPECT_EQ(tx.colors.front(), clYellow);
    EXPECT_EQ(rx.colors.front(), clYellow);
    adapter.Stop();
    EXPECT_EQ(adapter.Commands().size(), 2u) << "speed and lines, once";
}

TEST_F(MoxaChanel, FailedOpenReportsItsTextAndDisconnects) {
    struct Case {
        const char* name;
        FakeAdapter::Responder commandReply;
        int portNumber;
        const char* text;
    };
    const Case cases[] = {
        {"port 0", FakeAdapter::Agree, 0, "Нет порта или порт не открыт"},
        {"port 17", FakeAdapter::Agree, 17, "Нет порта или порт не открыт"},
        {"wrong baud-rate answer",
         [](const Bytes&) {
             return MakeBytes({0x17, 'N', 'O'});
         },
         1, "Нет порта или порт не открыт"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events = Events{};
        FakeAdapter adapter(1, c.commandReply);
        auto chanel = MakeChanel();
        MoxaRequest fields = OpenRequest(adapter, 1);
        fields.PortNumber = static_cast<std::uint8_t>(c.portNumber);
        ASSERT_EQ(chanel->Open(fields), 1);
        ASSERT_TRUE(WaitForLines(3));
        EXPECT_EQ(events.lines, (std::vector<std::string>{
                                    "state 1", std::string("console ") + c.text, "state 0"}));
    }
}

TEST_F(MoxaChanel, UnansweredTransfersAreLost) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes{}; });
    auto chanel = MakeChanel();
    ASSERT_EQ(chanel->Open(OpenRequest(adapter, 1, 200)), 1);
    ASSERT_TRUE(WaitForLines(2));
    ASSERT_EQ(chanel->GetState(), csConnected);
    chanel->SendPacket(TextBytes("?").data(), 1, 3, false);
    chanel->SendPacket(TextBytes("?").data(), 1, 4, true);
    ASSERT_TRUE(WaitForLines(5));
    EXPECT_EQ(events.lines, (std::vector<std::string>{"state 1", "state 2", "console Нет ответа",
                                                      "lost 3", "lost 4"}));
    EXPECT_EQ(chanel->GetState(), csConnected) << "a silent device keeps the connection";
}

TEST_F(MoxaChanel, DestroyingTheChanelCutsAWaitingTransferShort) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes{}; });
    auto chanel = MakeChanel();
    // A reply wait far longer than any test: only the cancellation ends it.
    ASSERT_EQ(chanel->Open(OpenRequest(adapter, 1, 600000)), 1);
    ASSERT_TRUE(WaitForLines(2));
    ASSERT_EQ(chanel->GetState(), csConnected);
    chanel->SendPacket(TextBytes("?").data(), 1, 5, false);
    loop.RunFor(50ms);
    chanel.reset();
    loop.RunFor(50ms);
    EXPECT_EQ(events.lines, (std::vector<std::string>{"state 1", "state 2"}))
        << "nothing is reported while the channel goes away";
}

TEST_F(MoxaChanel, TheAdapterKeepsTheSocketLibraryStartedWhileItLives) {
    ASSERT_FALSE(SocketLibraryStarted());
    {
        auto chanel = MakeChanel();
        EXPECT_TRUE(SocketLibraryStarted());
    }
    EXPECT_FALSE(SocketLibraryStarted());
}

} // namespace
