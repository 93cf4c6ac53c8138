#include "ChanelTestSupport.h"
#include "ScriptedChanel.h"
#include "platform/EventLoop.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace channels::testing {
namespace {

class ChanelCore : public ::testing::Test {
protected:
    void Make() {
        chanel = std::make_unique<ScriptedChanel>(loop, script);
        log.Listen(*chanel);
    }
    void Connect() {
        chanel->SetChanelState(csConnecting);
        chanel->Queue(rkOpen, qoAlways);
        ASSERT_TRUE(loop.RunUntil([&] { return chanel->GetState() == csConnected; }, Patience));
        log = {};
        log.Listen(*chanel);
    }
    bool Settle() {
        return loop.RunUntil([&] { return chanel->GetQueueCount() == 0; }, Patience);
    }

    platform::EventLoop loop;
    ScriptedActions::Script script;
    std::unique_ptr<ScriptedChanel> chanel;
    EventLog log;
};

TEST_F(ChanelCore, StartsDisconnectedAndWillNotSendBeforeConnecting) {
    Make();
    EXPECT_EQ(chanel->GetState(), csDisconnected);
    const std::uint8_t frame[] = {1, 3, 0, 0, 0, 1};
    EXPECT_FALSE(chanel->SendPacket(frame, sizeof frame, 1, false));
    chanel->SetChanelState(csConnecting);
    EXPECT_FALSE(chanel->SendPacket(frame, sizeof frame, 1, false));
    EXPECT_EQ(chanel->GetQueueCount(), 0);
    loop.RunFor(20ms);
    EXPECT_TRUE(script.PerformedKinds().empty());

    TQueueIDChanel plain(loop);
    EXPECT_EQ(plain.GetQueueCount(), -1);
    EXPECT_FALSE(plain.SendPacket(frame, sizeof frame, 1, false));
}

TEST_F(ChanelCore, FramesThatDoNotFitAreRefused) {
    Make();
    Connect();
    std::vector<std::uint8_t> frame(ChanelDataSize + 1, 0x55);
    EXPECT_FALSE(chanel->SendPacket(frame.data(), ChanelDataSize + 1, 1, false));
    EXPECT_FALSE(chanel->SendPacket(frame.data(), -1, 1, false));
    EXPECT_FALSE(chanel->SendPacket(nullptr, 4, 1, false));
    EXPECT_EQ(chanel->GetQueueCount(), 0);
    ASSERT_TRUE(chanel->SendPacket(frame.data(), ChanelDataSize, 9, false));
    ASSERT_TRUE(loop.RunUntil([&] { return log.Received.size() == 1; }, Patience));
    EXPECT_EQ(log.Received[0].first, 9);
    EXPECT_EQ(log.Received[0].second, std::vector<std::uint8_t>(ChanelDataSize, 0x55));
}

TEST_F(ChanelCore, ReplyReachesTheOwnerWithItsIdOnTheUserInterfaceThread) {
    Make();
    Connect();
    const auto uiThread = std::this_thread::get_id();
    bool onUiThread = false;
    chanel->OnRecvPacketEvent = [&](const std::uint8_t* data, std::uint16_t length,
                                    std::int32_t id) {
        onUiThread = std::this_thread::get_id() == uiThread;
        log.Received.emplace_back(id, std::vector<std::uint8_t>(data, data + length));
    };
    const std::uint8_t frame[] = {1, 3, 0, 0, 0, 1, 0x84, 0x0A};
    ASSERT_TRUE(chanel->SendPacket(frame, sizeof frame, 3, false));
    EXPECT_EQ(chanel->GetQueueCount(), 1);
    ASSERT_TRUE(loop.RunUntil([&] { return !log.Received.empty(); }, Patience));
    EXPECT_TRUE(onUiThread);
    EXPECT_EQ(log.Received[0].first, 3);
    EXPECT_EQ(log.Received[0].second, std::vector<std::uint8_t>(frame, frame + sizeof frame));
    EXPECT_EQ(chanel->GetQueueCount(), 0);
}

TEST_F(ChanelCore, TwoClosesGiveOneDisconnectedEvent) {
    Make();
    Connect();
    chanel->Disconnect();
    chanel->Disconnect();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(log.States, std::vector<ChanelState>{csDisconnected});
    EXPECT_EQ(script.PerformedKinds(), (std::vector<std::int32_t>{rkOpen, rkClose, rkClose}));
}

struct CompletionCase {
    std::int32_t kind;
    ChanelState before;
    bool fail;
    std::vector<std::string> lines;
};

TEST_F(ChanelCore, CompletionIsHandledByRequestKind) {
    const std::string unsupported = "console Запрос %d не поддерживается этим каналом";
    const auto notSupported = [&](int kind) {
        std::string line = unsupported;
        line.replace(line.find("%d"), 2, std::to_string(kind));
        return line;
    };
    const CompletionCase cases[] = {
        {rkOpenByIndex, csConnecting, false, {"state 2"}},
        {rkOpen, csConnecting, false, {"state 2"}},
        {rkOpen, csConnecting, true, {"console scripted failure", "state 0"}},
        {rkAttach, csConnecting, false, {"state 2"}},
        {rkAttach, csConnecting, true, {"console scripted failure", "state 0"}},
        {rkClose, csConnected, false, {"state 0"}},
        {rkClose, csConnected, true, {"console scripted failure", "state 0"}},
        {rkTransfer, csConnected, false, {"recv 77"}},
        {rkTransfer, csConnected, true, {"console Прибор не отвечает", "lost 77"}},
        {rkTransferQuiet, csConnected, false, {"recv 77"}},
        {rkTransferQuiet, csConnected, true, {"lost 77"}},
        {rkPulseLine, csConnected, true, {}},
        {rkMoxaOpen, csConnecting, false, {notSupported(7), "state 0"}},
        {rkMoxaClose, csConnected, false, {notSupported(8), "state 0"}},
        {rkMoxaTransfer, csConnected, false, {notSupported(9), "lost 77"}},
        {rkMoxaTransferQuiet, csConnected, false, {"lost 77"}},
        {42, csConnected, false, {}},
        {-1, csConnected, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + (c.fail ? " failing" : ""));
        Make();
        chanel->SetChanelState(c.before);
        log = {};
        log.Listen(*chanel);
        chanel->NextItem().Request.Id = 77;
        chanel->Queue(c.kind, qoAlways, c.fail ? FailMark : 0);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(log.Lines, c.lines);
        // The queue has moved on: the next request is performed normally.
        chanel->SetChanelState(csConnected);
        log = {};
        log.Listen(*chanel);
        const std::uint8_t frame[] = {5};
        ASSERT_TRUE(chanel->SendPacket(frame, 1, 78, false));
        ASSERT_TRUE(Settle());
        EXPECT_EQ(log.Lines, std::vector<std::string>{"recv 78"});
    }
}

TEST_F(ChanelCore, WithFiveTransfersPendingTheSixthIsDroppedSilently) {
    Make();
    Connect();
    script.SetHold(true);
    const std::uint8_t frame[] = {1, 2, 3};
    for (int id = 1; id <= 5; ++id) {
        ASSERT_TRUE(chanel->SendPacket(frame, sizeof frame, id, false));
    }
    EXPECT_EQ(chanel->GetQueueCount(), 5);
    EXPECT_TRUE(chanel->SendPacket(frame, sizeof frame, 6, false));
    EXPECT_EQ(chanel->GetQueueCount(), 5);
    script.SetHold(false);
    ASSERT_TRUE(Settle());
    loop.RunFor(20ms);
    std::vector<std::int32_t> ids;
    for (const auto& [id, bytes] : log.Received) {
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(log.Console.empty());
}

TEST_F(ChanelCore, ACloseWithNinePendingRaisesQueueOverflow) {
    Make();
    Connect();
    script.SetHold(true);
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(chanel->Queue(rkTransfer, qoAlways));
    }
    EXPECT_EQ(chanel->GetQueueCount(), 9);
    try {
        chanel->Disconnect();
        FAIL() << "a tenth request was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Queue overflow");
    }
    EXPECT_EQ(chanel->GetQueueCount(), 9);
    script.SetHold(false);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(log.Received.size(), 9u);
    EXPECT_EQ(chanel->GetState(), csConnected);
}

struct AdmissionCase {
    const char* name;
    std::vector<std::uint32_t> pending;
    std::uint32_t options;
    enum { Accepted, Dropped, NotEmpty } outcome;
};

TEST_F(ChanelCore, AdmissionRules) {
    const AdmissionCase cases[] = {
        {"empty queue takes anything", {}, 0, AdmissionCase::Accepted},
        {"empty queue takes exclusive", {}, qoExclusive, AdmissionCase::Accepted},
        {"always is always taken", {qoAlways}, qoAlways, AdmissionCase::Accepted},
        {"plain after plain is refused", {qoAlways}, 0, AdmissionCase::NotEmpty},
        {"drop-if-busy after plain is dropped", {qoAlways}, qoDropIfBusy, AdmissionCase::Dropped},
        {"plain after exclusives only",
         {qoExclusive | qoAlways, qoExclusive | qoAlways},
         0,
         AdmissionCase::Accepted},
        {"plain after a mix", {qoExclusive | qoAlways, qoAlways}, 0, AdmissionCase::NotEmpty},
        {"exclusive after exclusive",
         {qoExclusive | qoAlways},
         qoExclusive,
         AdmissionCase::NotEmpty},
        {"exclusive drop-if-busy after exclusive",
         {qoExclusive | qoAlways},
         qoExclusive | qoDropIfBusy,
         AdmissionCase::Dropped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Make();
        script.SetHold(true);
        for (std::uint32_t options : c.pending) {
            ASSERT_TRUE(chanel->Queue(rkTransfer, options));
        }
        const int before = chanel->GetQueueCount();
        switch (c.outcome) {
        case AdmissionCase::Accepted:
            EXPECT_TRUE(chanel->Queue(rkTransfer, c.options));
            EXPECT_EQ(chanel->GetQueueCount(), before + 1);
            break;
        case AdmissionCase::Dropped:
            EXPECT_FALSE(chanel->Queue(rkTransfer, c.options));
            EXPECT_EQ(chanel->GetQueueCount(), before);
            break;
        case AdmissionCase::NotEmpty:
            try {
                chanel->Queue(rkTransfer, c.options);
                ADD_FAILURE() << "accepted";
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "Queue is not empty");
            }
            EXPECT_EQ(chanel->GetQueueCount(), before);
            break;
        }
        script.SetHold(false);
        ASSERT_TRUE(Settle());
    }
}

TEST_F(ChanelCore, LampsFlashYellowAndTurnGreenTwoTicksLater) {
    Make();
    Connect();
    RecordingLamp rx;
    RecordingLamp tx;
    chanel->RxControl = &rx;
    chanel->TxControl = &tx;
    const int ticksBefore = chanel->Ticks;
    const std::uint8_t frame[] = {1};
    ASSERT_TRUE(chanel->SendPacket(frame, 1, 1, false));
    ASSERT_TRUE(
        loop.RunUntil([&] { return rx.Colors.size() == 2 && tx.Colors.size() == 2; }, Patience));
    EXPECT_EQ(tx.Colors, (std::vector<LampColor>{clYellow, clGreen}));
    EXPECT_EQ(rx.Colors, (std::vector<LampColor>{clYellow, clGreen}));
    EXPECT_GE(chanel->Ticks - ticksBefore, 2) << "a flash lasts two lamp timer ticks";

    // Flashing without controls only counts down; nothing is painted.
    chanel->RxControl = nullptr;
    chanel->FlashLamps(true, false);
    loop.RunFor(150ms);
    EXPECT_EQ(rx.Colors.size(), 2u);
}

TEST_F(ChanelCore, DestroyingMidRequestWaitsForItPerformsTheRestAndRaisesNothing) {
    const int threadsBefore = ThreadBaseline();
    Make();
    Connect();
    script.SetHold(true);
    const std::uint8_t frame[] = {1};
    ASSERT_TRUE(chanel->SendPacket(frame, 1, 1, false));
    ASSERT_TRUE(script.WaitForTransfers(1)); // the worker is inside the transfer
    ASSERT_TRUE(chanel->Queue(rkPulseLine, qoAlways, LongPauseMark)); // unless cut short
    chanel.reset();
    EXPECT_EQ(script.WaitsCancelled, 1);
    EXPECT_EQ(script.PerformedKinds(),
              (std::vector<std::int32_t>{rkOpen, rkTransfer, rkPulseLine, rkClose}));
    EXPECT_EQ(SettledThreadCount(threadsBefore), threadsBefore);
    loop.RunFor(100ms);
    EXPECT_TRUE(log.Lines.empty());
}

TEST_F(ChanelCore, DisconnectedChanelIsNotClosedAgainOnDestruction) {
    Make();
    chanel.reset();
    EXPECT_TRUE(script.PerformedKinds().empty());
}

TEST_F(ChanelCore, HandlerMayDeleteItsChanel) {
    Make();
    Connect();
    chanel->OnRecvPacketEvent = [&](const std::uint8_t*, std::uint16_t, std::int32_t) {
        chanel.reset();
    };
    const std::uint8_t frame[] = {1};
    ASSERT_TRUE(chanel->SendPacket(frame, 1, 1, false));
    ASSERT_TRUE(chanel->SendPacket(frame, 1, 2, false));
    ASSERT_TRUE(loop.RunUntil([&] { return !chanel; }, Patience));
    loop.RunFor(50ms);

    Make();
    chanel->SetChanelState(csConnecting);
    chanel->OnChanelStateEvent = [&](ChanelState) { chanel.reset(); };
    chanel->Queue(rkOpen, qoAlways);
    ASSERT_TRUE(loop.RunUntil([&] { return !chanel; }, Patience));
    EXPECT_EQ(script.PerformedKinds().back(), rkClose);
}

} // namespace
} // namespace channels::testing
