#include "ChanelTestSupport.h"
#include "ModemTestSupport.h"
#include "channels/TapiQueueIDChanel.h"
#include "channels/TtapiTexts.h"
#include "platform/CancelToken.h"
#include "platform/EventLoop.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

namespace modemtest {
namespace {

using channels::testing::EventLog;
using channels::testing::RecordingLamp;
using channels::testing::SettledThreadCount;
using channels::testing::ThreadBaseline;
using channels::testing::ThreadCount;

constexpr const char* ModemName = "Модем стенда";
// A read on the adopted line that would wait far longer than any bound of
// these tests: a transfer that ends in time has been ended, not timed out.
constexpr std::uint32_t LongRead = 60000;

class ModemChanel : public ::testing::Test {
protected:
    void Make(std::vector<channels::ModemLineConfig> lines) {
        vault.Make([&] { return std::make_unique<TTapi>(loop, std::move(lines)); });
        chanel = std::make_unique<TTapiQueueIDChanel>(loop, vault);
        log.Listen(*chanel);
    }
    void Make() { Make({modem->Line(ModemName)}); }
    bool Wait(const std::function<bool()>& done) { return loop.RunUntil(done, Patience); }
    bool Said(const std::string& text) const {
        return std::find(log.Console.begin(), log.Console.end(), text) != log.Console.end();
    }
    void Connect(std::uint32_t readTotal = 3000) {
        ASSERT_EQ(chanel->Dial(ModemName, AnsweredNumber, readTotal, 50), 1);
        ASSERT_TRUE(Wait([&] { return chanel->GetState() == csConnected; }));
    }
    void Send(std::int32_t id) {
        const auto request = SimulatedModem::ReadRequest();
        ASSERT_TRUE(
            chanel->SendPacket(request.data(), static_cast<int>(request.size()), id, false));
    }
    // The channel, its calls and their threads are gone.
    void ExpectAllEnded() {
        chanel.reset();
        if (TTapi* tapi = vault.Get()) {
            EXPECT_TRUE(Wait([&] { return tapi->ActiveCalls() == 0; }));
        }
        vault.Clear();
        modem.reset();
        EXPECT_EQ(SettledThreadCount(baseline), baseline);
    }

    int baseline = ThreadBaseline();
    platform::EventLoop loop;
    std::unique_ptr<SimulatedModem> modem = std::make_unique<SimulatedModem>();
    TTapiVault vault;
    std::unique_ptr<TTapiQueueIDChanel> chanel;
    EventLog log;
};

TEST_F(ModemChanel, ADialledCallCarriesFramesAndDisconnectHangsItUp) {
    Make();
    ASSERT_EQ(chanel->Dial(ModemName, AnsweredNumber, 3000, 50), 1);
    EXPECT_EQ(chanel->GetState(), csConnecting);
    EXPECT_TRUE(chanel->LastDialError().empty());
    ASSERT_TRUE(Wait([&] { return chanel->GetState() == csConnected; }));
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csConnected}));
    EXPECT_TRUE(Said("Соединение установлено"));

    for (std::int32_t id : {3, 4}) {
        Send(id);
        ASSERT_TRUE(Wait([&] { return log.Received.size() == static_cast<std::size_t>(id - 2); }));
        EXPECT_EQ(log.Received.back().first, id);
        EXPECT_EQ(log.Received.back().second, modem->ExpectedReply());
    }

    chanel->Disconnect();
    EXPECT_EQ(chanel->GetState(), csDisconnected);
    EXPECT_EQ(log.Console.back(), channels::text::CallEnded);
    EXPECT_EQ(chanel->GetConnection(), nullptr);
    EXPECT_TRUE(Wait([&] { return modem->Logged("call ended by ATH"); }));
    EXPECT_TRUE(Wait([&] { return vault.Get()->ActiveCalls() == 0; }));
    EXPECT_EQ(log.States.back(), csDisconnected);
    ExpectAllEnded();
}

TEST_F(ModemChanel, ABusyLineKeepsTheChanelConnectingUntilTheCallIsDropped) {
    Make();
    ChanelState whenBusy = csDisconnected;
    chanel->ConsoleFunction = [&](const std::string& text) {
        if (text == "Линия занята") {
            whenBusy = chanel->GetState();
        }
        log.Console.push_back(text);
    };
    ASSERT_EQ(chanel->Dial(ModemName, BusyNumber, 3000, 50), 1);
    ASSERT_TRUE(Wait([&] { return chanel->GetState() == csDisconnected; }));
    EXPECT_EQ(whenBusy, csConnecting);
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csDisconnected}));
    const auto busy = std::find(log.Console.begin(), log.Console.end(), "Линия занята");
    ASSERT_NE(busy, log.Console.end());
    EXPECT_NE(std::find(busy, log.Console.end(), "Соединение разорвано"), log.Console.end());
    ExpectAllEnded();
}

TEST_F(ModemChanel, AnUnansweredCallEndsDisconnectedWithTheReason) {
    Make();
    ASSERT_EQ(chanel->Dial(ModemName, NoAnswerNumber, 3000, 50), 1);
    ASSERT_TRUE(Wait([&] { return chanel->GetState() == csDisconnected; }));
    EXPECT_TRUE(Said(channels::text::NoAnswer));
    EXPECT_TRUE(Said("Соединение разорвано"));
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csDisconnected}));
    // The channel dials again after a call that has ended.
    ASSERT_EQ(chanel->Dial(ModemName, AnsweredNumber, 3000, 50), 1);
    ASSERT_TRUE(Wait([&] { return chanel->GetState() == csConnected; }));
    ExpectAllEnded();
}

TEST_F(ModemChanel, TheFarEndHangingUpMidReadEndsTheTransferAndTheCall) {
    Make();
    RecordingLamp transmit;
    chanel->TxControl = &transmit;
    Connect(LongRead);
    modem->SetSilent(true);
    Send(5);
    ASSERT_TRUE(Wait([&] { return !transmit.Colors.empty(); })) << "the transfer is under way";
    modem->LoseCarrier();
    ASSERT_TRUE(Wait([&] { return chanel->GetState() == csDisconnected && !log.Lost.empty(); }));
    EXPECT_EQ(log.Lost, (std::vector<std::int32_t>{5}));
    EXPECT_TRUE(log.Received.empty());
    EXPECT_TRUE(Said("Соединение разорвано"));
    ExpectAllEnded();
}

TEST_F(ModemChanel, DisconnectDuringATransferEndsItAtOnceBeforeTheLineIsReleased) {
    Make();
    RecordingLamp transmit;
    chanel->TxControl = &transmit;
    Connect(LongRead);
    modem->SetSilent(true);
    Send(6);
    ASSERT_TRUE(Wait([&] { return !transmit.Colors.empty(); }));
    chanel->Disconnect();
    EXPECT_EQ(chanel->GetState(), csDisconnected);
    ASSERT_TRUE(Wait([&] { return !log.Lost.empty(); }));
    EXPECT_EQ(log.Lost, (std::vector<std::int32_t>{6}));
    EXPECT_TRUE(Wait([&] { return modem->Logged("call ended by ATH"); }));
    ExpectAllEnded();
}

TEST_F(ModemChanel, DestroyingAConnectedChanelHangsUp) {
    Make();
    Connect();
    chanel.reset();
    EXPECT_TRUE(Wait([&] { return modem->Logged("call ended by ATH"); }));
    ExpectAllEnded();
}

TEST_F(ModemChanel, DiallingWhileACallIsBeingSetUpCancelsIt) {
    modem = std::make_unique<SimulatedModem>(60000);
    Make();
    ASSERT_EQ(chanel->Dial(ModemName, AnsweredNumber, 3000, 50), 1);
    ASSERT_TRUE(Wait([&] { return Said("Набор номера"); }));
    // The call state may be reported before the dial command reaches the modem.
    ASSERT_TRUE(Wait([&] { return modem->Logged("dialling 8"); }));
    EXPECT_EQ(chanel->Dial(ModemName, AnsweredNumber, 3000, 50), -3);
    EXPECT_EQ(chanel->GetState(), csDisconnected);
    EXPECT_EQ(log.Console.back(), channels::text::CallCancelled);
    EXPECT_EQ(chanel->GetConnection(), nullptr);
    EXPECT_TRUE(Wait([&] { return vault.Get()->ActiveCalls() == 0; }));
    EXPECT_TRUE(Wait([&] { return modem->Logged("dialling aborted"); }));
    loop.RunFor(100ms);
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csDisconnected}));
    ExpectAllEnded();
}

TEST_F(ModemChanel, ADialThatCannotBeginSaysWhyAndChangesNoState) {
    const struct {
        bool WithService;
        const char* Modem;
        std::string Number;
        std::string Why;
    } cases[] = {
        {false, ModemName, AnsweredNumber, channels::text::TapiNotReady},
        {true, "", AnsweredNumber, channels::text::NoModem},
        {true, ModemName, "", channels::text::NoPhoneNumber},
        {true, "Нет такого модема", AnsweredNumber, channels::text::LineOpenFailed},
        {true, ModemName, "12-34 доб. 5", "Недопустимый символ в номере телефона: «д»"},
    };
    for (const auto& c : cases) {
        vault.Clear();
        if (c.WithService) {
            Make();
        } else {
            chanel = std::make_unique<TTapiQueueIDChanel>(loop, vault);
        }
        log = {};
        log.Listen(*chanel);
        EXPECT_EQ(chanel->Dial(c.Modem, c.Number, 3000, 50), -1) << c.Why;
        EXPECT_EQ(chanel->LastDialError(), c.Why);
        EXPECT_TRUE(Said(c.Why)) << c.Why;
        EXPECT_EQ(chanel->GetState(), csDisconnected);
        EXPECT_EQ(chanel->GetConnection(), nullptr);
        if (vault.Get()) {
            EXPECT_EQ(vault.Get()->ActiveCalls(), 0) << "no line was opened: " << c.Why;
        }
        loop.RunFor(100ms);
        EXPECT_TRUE(log.States.empty()) << c.Why;
    }
    EXPECT_FALSE(modem->Logged("dialling"));
    EXPECT_EQ(modem->Stats().Frames, 0);
    ExpectAllEnded();
}

// A modem on a line without carrier detect that, once connected, answers
// the first frame with NO CARRIER and keeps the line: the way such a line
// tells that the call has dropped.
class FadingModem {
public:
    FadingModem() {
        Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0) {
            throw std::runtime_error("pseudo-terminal");
        }
        Path = ::ptsname(Master);
        Thread = std::thread([this] { Serve(); });
    }
    ~FadingModem() {
        Stop.Cancel();
        Thread.join();
        ::close(Master);
    }
    std::string Path;

private:
    void Say(const std::string& text) {
        [[maybe_unused]] const ssize_t put = ::write(Master, text.data(), text.size());
    }
    void Serve() {
        std::string command;
        bool online = false;
        for (;;) {
            pollfd items[2] = {{Master, POLLIN, 0}, {Stop.Fd(), POLLIN, 0}};
            if (::poll(items, 2, -1) < 0 || (items[1].revents & POLLIN)) {
                return;
            }
            char buffer[256];
            const ssize_t got = ::read(Master, buffer, sizeof buffer);
            if (got <= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10)); // no peer yet
                continue;
            }
            if (online) {
                Say("\r\nNO CARRIER\r\n");
                online = false;
                continue;
            }
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] != '\r') {
                    command.push_back(buffer[i]);
                    continue;
                }
                if (command.rfind("ATD", 0) == 0) {
                    Say("\r\nCONNECT 19200\r\n");
                    online = true;
                } else if (!command.empty()) {
                    Say("\r\nOK\r\n");
                }
                command.clear();
            }
        }
    }

    int Master = -1;
    platform::CancelToken Stop;
    std::thread Thread;
};

TEST_F(ModemChanel, NoCarrierInsteadOfAReplyEndsTheCallOnALineWithoutCarrierDetect) {
    FadingModem fading;
    channels::ModemLineConfig line;
    line.Name = ModemName;
    line.Device = fading.Path;
    line.GuardTime = 50ms;
    Make({line});
    Connect();
    Send(8);
    ASSERT_TRUE(Wait([&] { return chanel->GetState() == csDisconnected && !log.Lost.empty(); }));
    EXPECT_EQ(log.Lost, (std::vector<std::int32_t>{8}));
    EXPECT_TRUE(log.Received.empty());
    EXPECT_TRUE(Said("Соединение разорвано"));
    EXPECT_TRUE(Said(channels::text::CallEnded));

    chanel.reset();
    EXPECT_TRUE(Wait([&] { return vault.Get()->ActiveCalls() == 0; }));
    vault.Clear();
}

} // namespace
} // namespace modemtest
