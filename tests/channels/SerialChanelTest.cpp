#include "ChanelTestSupport.h"
#include "FakeDevice.h"
#include "channels/ChanelTexts.h"
#include "channels/ComPortQueueIDChanel.h"
#include "platform/EventLoop.h"
#include "platform/OsError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace channels::testing {
namespace {

namespace fs = std::filesystem;

Bytes Of(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A serial channel that adopts a descriptor, as the modem channel does once
// a call is connected, and drops the connection on a line event.
class AdoptingChanel final : public TComPortQueueIDChanel {
public:
    using TComPortQueueIDChanel::TComPortQueueIDChanel;
    ~AdoptingChanel() override { Shutdown(); }

    void Attach(int fd, std::uint32_t total, std::uint32_t interval) {
        PortRequest fields;
        fields.CommHandle = fd;
        fields.ReadTotalTimeout = total;
        fields.ReadIntervalTimeout = interval;
        SetChanelState(csConnecting);
        QueuePortRequest(rkAttach, fields);
    }
    void OpenByIndex(std::uint8_t number) {
        PortRequest fields;
        fields.PortNumber = number;
        fields.BaudRate = 19200;
        fields.ReadTotalTimeout = 1000;
        fields.ReadIntervalTimeout = 20;
        SetChanelState(csConnecting);
        QueuePortRequest(rkOpenByIndex, fields);
    }
    void OnLineEvent() override {
        ++LineEvents;
        Disconnect();
    }
    int LineEvents = 0;
};

class SerialChanel : public ::testing::Test {
protected:
    void Make(FakeDevice::Responder responder = nullptr) {
        device = responder ? std::make_unique<FakeDevice>(std::move(responder))
                           : std::make_unique<FakeDevice>();
        chanel = std::make_unique<AdoptingChanel>(loop);
        log.Listen(*chanel);
    }
    // Opens the device's port as the tasks do (19200, 1000 ms, 20 ms, DTR
    // off, RTS on), or with the read time-out given.
    void Connect(std::uint32_t readTotal = 1000, bool fixed = false) {
        ASSERT_EQ(chanel->Open(device->SlavePath(), 19200, readTotal, 20, false, true, fixed), 1);
        ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; }));
    }
    bool Until(const std::function<bool()>& done) { return loop.RunUntil(done, Patience); }
    bool Send(const Bytes& frame, std::int32_t id) {
        return chanel->SendPacket(frame.data(), static_cast<int>(frame.size()), id, false);
    }

    platform::EventLoop loop;
    std::unique_ptr<FakeDevice> device;
    std::unique_ptr<AdoptingChanel> chanel;
    EventLog log;
};

const Bytes Request = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
const Bytes Reply = {0x01, 0x03, 0x04, 0x00, 0x2A, 0x00, 0x07, 0x1B, 0xF5};

std::vector<ReplyPiece> Answer(const Bytes&) {
    return {{0ms, Reply}};
}
std::vector<ReplyPiece> Silence(const Bytes&) {
    return {};
}

TEST_F(SerialChanel, TransferPutsTheFrameOnTheWireAndRaisesTheReply) {
    Make(Answer);
    Connect();
    ASSERT_TRUE(Send(Request, 3));
    ASSERT_TRUE(Until([&] { return !log.Received.empty(); }));
    EXPECT_EQ(device->Requests(), std::vector<Bytes>{Request});
    EXPECT_EQ(log.Received[0].first, 3);
    EXPECT_EQ(log.Received[0].second, Reply);
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csConnected}));
    EXPECT_TRUE(log.Console.empty());
    EXPECT_EQ(chanel->GetQueueCount(), 0);
}

TEST_F(SerialChanel, SilentDeviceGivesNoAnswerAndTheLostEventAfterTheReadTimeOut) {
    Make(Silence);
    Connect();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Send(Request, 7));
    ASSERT_TRUE(Until([&] { return !log.Lost.empty(); }));
    // A lower bound only: the channel must not give up before its 1000 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 990ms);
    EXPECT_EQ(log.Lost, std::vector<std::int32_t>{7});
    EXPECT_EQ(log.Console, std::vector<std::string>{"Прибор не отвечает"});
    EXPECT_EQ(device->Requests(), std::vector<Bytes>{Request}) << "one write per transfer";
    EXPECT_TRUE(log.Received.empty());
}

TEST_F(SerialChanel, ReplyInTwoPiecesEndsAtTheGapAndThePurgeDropsTheRest) {
    Make([calls = 0](const Bytes&) mutable {
        return ++calls == 1 ? std::vector<ReplyPiece>{{0ms, Of("AB")}, {300ms, Of("CD")}}
                            : std::vector<ReplyPiece>{{0ms, Of("EF")}};
    });
    Connect();
    ASSERT_TRUE(Send(Request, 1));
    ASSERT_TRUE(Until([&] { return log.Received.size() == 1; }));
    EXPECT_EQ(log.Received[0].second, Of("AB"));
    ASSERT_TRUE(device->WaitForRepliesWritten()); // "CD" now waits in the driver
    ASSERT_TRUE(Send(Request, 2));
    ASSERT_TRUE(Until([&] { return log.Received.size() == 2; }));
    EXPECT_EQ(log.Received[1].second, Of("EF"));
}

TEST_F(SerialChanel, FixedTimeOutsBridgeAShortGap) {
    Make([](const Bytes&) { return std::vector<ReplyPiece>{{0ms, Of("AB")}, {40ms, Of("CD")}}; });
    Connect(1000, true); // 6000 ms in all, 100 ms between bytes
    ASSERT_TRUE(Send(Request, 1));
    ASSERT_TRUE(Until([&] { return log.Received.size() == 1; }));
    EXPECT_EQ(log.Received[0].second, Of("ABCD"));
}

TEST_F(SerialChanel, SendPacketBeforeConnectingReturnsFalse) {
    Make(Answer);
    EXPECT_FALSE(Send(Request, 1));
    ASSERT_EQ(chanel->Open(device->SlavePath(), 19200, 1000, 20, false, true, false), 1);
    EXPECT_FALSE(Send(Request, 1)) << "still connecting";
    EXPECT_EQ(chanel->GetQueueCount(), 1) << "only the open";
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; }));
    loop.RunFor(50ms);
    EXPECT_TRUE(device->Requests().empty());
}

TEST_F(SerialChanel, WithFiveTransfersPendingTheSixthIsDroppedSilently) {
    Make(); // echoes
    Connect();
    for (int id = 1; id <= 5; ++id) {
        ASSERT_TRUE(Send(Request, id));
    }
    EXPECT_TRUE(Send(Request, 6));
    EXPECT_EQ(chanel->GetQueueCount(), 5);
    ASSERT_TRUE(Until([&] { return log.Received.size() == 5; }));
    loop.RunFor(100ms);
    std::vector<std::int32_t> ids;
    for (const auto& [id, bytes] : log.Received) {
        ids.push_back(id);
        EXPECT_EQ(bytes, Request);
    }
    EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(device->Requests().size(), 5u);
    EXPECT_TRUE(log.Console.empty());
    EXPECT_TRUE(log.Lost.empty());
}

TEST_F(SerialChanel, ACloseWithNinePendingRaisesQueueOverflow) {
    Make(Silence);
    Connect();
    for (int id = 1; id <= 5; ++id) {
        ASSERT_TRUE(Send(Request, id));
    }
    for (int i = 0; i < 4; ++i) {
        chanel->PulseLine(false);
    }
    ASSERT_EQ(chanel->GetQueueCount(), 9);
    try {
        chanel->Disconnect();
        FAIL() << "the close was queued";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Queue overflow");
    }
    EXPECT_EQ(chanel->GetQueueCount(), 9);
    chanel.reset(); // cuts the waits short; the queue could not take its close either
    EXPECT_EQ(device->SlaveDescriptorCount(), 1) << "the port was closed all the same";
}

TEST_F(SerialChanel, TwoClosesGiveOneDisconnectedEvent) {
    Make(Answer);
    Connect();
    chanel->Disconnect();
    chanel->Disconnect();
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    loop.RunFor(50ms);
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csConnected, csDisconnected}));
    EXPECT_EQ(device->SlaveDescriptorCount(), 1) << "the port is closed";
    EXPECT_EQ(chanel->Open(device->SlavePath(), 19200, 1000, 20, false, true, false), 1);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; })) << "and opens again";
}

TEST_F(SerialChanel, OpeningAMissingPortFailsWithTheReasonAndReturnsToDisconnected) {
    Make(Answer);
    EXPECT_EQ(chanel->Open("/dev/rx58-no-such-port", 19200, 1000, 20, false, true, false), 1);
    EXPECT_EQ(chanel->GetState(), csConnecting);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csDisconnected}));
    EXPECT_EQ(log.Console, std::vector<std::string>{
                               "COM-порт не открыт: /dev/rx58-no-such-port: такого порта нет"});
}

TEST_F(SerialChanel, SetUpFailureReachesTheConsoleAsAnOsError) {
    Make(Answer);
    EXPECT_EQ(chanel->Open(device->SlavePath(), 12345, 1000, 20, false, true, false), 1);
    ASSERT_TRUE(Until([&] { return log.States.size() == 2; }));
    EXPECT_EQ(log.States.back(), csDisconnected);
    EXPECT_EQ(log.Console, std::vector<std::string>{os_error(EINVAL).what()});
    EXPECT_EQ(device->SlaveDescriptorCount(), 1) << "the half-opened port was closed";
}

TEST_F(SerialChanel, OpenWhileConnectingOrConnectedReturnsMinusTwo) {
    Make(Answer);
    ASSERT_EQ(chanel->Open(device->SlavePath(), 19200, 1000, 20, false, true, false), 1);
    EXPECT_EQ(chanel->Open(device->SlavePath(), 19200, 1000, 20, false, true, false), -2);
    EXPECT_EQ(chanel->GetQueueCount(), 1);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; }));
    EXPECT_EQ(chanel->Open(device->SlavePath(), 19200, 1000, 20, false, true, false), -2);
    EXPECT_EQ(chanel->GetQueueCount(), 0);
}

TEST_F(SerialChanel, TooLongANameIsRefusedNotCut) {
    Make(Answer);
    const std::string name = "/dev/" + std::string(300, 'x');
    ASSERT_EQ(chanel->Open(name, 19200, 1000, 20, false, true, false), 1);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    EXPECT_EQ(log.Console,
              std::vector<std::string>{"COM-порт не открыт: слишком длинное имя порта"});
}

TEST_F(SerialChanel, DestroyingMidTransferWaitsForTheReadRaisesNothingAndLeavesNoThread) {
    Make(Silence);
    chanel.reset();
    const int threads = ThreadBaseline(); // the device's thread, and nothing of a channel
    chanel = std::make_unique<AdoptingChanel>(loop);
    log.Listen(*chanel);
    Connect(60000); // a read that would last a minute
    log = {};
    ASSERT_TRUE(Send(Request, 1));
    ASSERT_TRUE(device->WaitForRequests(1)); // the worker is reading now
    EXPECT_EQ(device->SlaveDescriptorCount(), 2);
    chanel.reset();
    EXPECT_EQ(SettledThreadCount(threads), threads);
    EXPECT_EQ(device->SlaveDescriptorCount(), 1) << "the queued close was performed";
    loop.RunFor(100ms);
    EXPECT_TRUE(log.Lines.empty());
}

TEST_F(SerialChanel, VanishedDeviceFailsTheTransferAtOnceAndEveryNextOneUntilReopened) {
    Make(Silence);
    Connect(0); // no read time-out: only the hang-up can end the read
    device->Vanish(true);
    ASSERT_TRUE(Send(Request, 1));
    ASSERT_TRUE(Until([&] { return log.Lost.size() == 1; }));
    ASSERT_TRUE(Send(Request, 2));
    ASSERT_TRUE(Until([&] { return log.Lost.size() == 2; }));
    EXPECT_EQ(log.Lost, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(log.Console, (std::vector<std::string>{text::PortLost, text::PortLost}));
    EXPECT_EQ(chanel->GetState(), csConnected);

    chanel->Disconnect();
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    FakeDevice replacement([](const Bytes&) { return std::vector<ReplyPiece>{{0ms, Reply}}; });
    ASSERT_EQ(chanel->Open(replacement.SlavePath(), 19200, 1000, 20, false, true, false), 1);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; }));
    ASSERT_TRUE(Send(Request, 3));
    ASSERT_TRUE(Until([&] { return log.Received.size() == 1; }));
    EXPECT_EQ(log.Received[0].second, Reply);
}

TEST_F(SerialChanel, DeviceVanishedWhileIdleFailsTheNextTransfer) {
    Make(Answer);
    Connect();
    device->Vanish();
    ASSERT_TRUE(Send(Request, 4));
    ASSERT_TRUE(Until([&] { return log.Lost.size() == 1; }));
    EXPECT_EQ(log.Console, std::vector<std::string>{text::PortLost});
}

TEST_F(SerialChanel, AdoptedLineCarriesFramesAndItsHangUpIsALineEvent) {
    Make(Answer);
    const int fd = ::open(device->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    chanel->Attach(fd, 3000, 50);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; }));
    ASSERT_TRUE(Send(Request, 1));
    ASSERT_TRUE(Until([&] { return log.Received.size() == 1; }));
    EXPECT_EQ(log.Received[0].second, Reply);
    EXPECT_EQ(chanel->LineEvents, 0);

    device->Vanish(); // the carrier is gone
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    EXPECT_EQ(chanel->LineEvents, 1);
    chanel.reset();
    EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "the adopted descriptor belongs to its owner";
    ::close(fd);
}

TEST_F(SerialChanel, AdoptingWhatIsNoPortFails) {
    Make(Answer);
    chanel->Attach(-1, 3000, 50);
    ASSERT_TRUE(Until([&] { return log.States.size() == 2; }));
    char name[] = "/tmp/rx58-attach-XXXXXX";
    const int file = ::mkstemp(name);
    ASSERT_GE(file, 0);
    ::unlink(name);
    chanel->Attach(file, 3000, 50);
    ASSERT_TRUE(Until([&] { return log.States.size() == 4; }));
    EXPECT_EQ(log.States, (std::vector<ChanelState>{csConnecting, csDisconnected, csConnecting,
                                                    csDisconnected}));
    EXPECT_EQ(log.Console,
              (std::vector<std::string>{"COM-порт не открыт", "Неверный дескриптор порта"}));
    ::close(file);
}

TEST_F(SerialChanel, OpenByIndexUsesThePortList) {
    Make(Answer);
    const fs::path root = fs::temp_directory_path() / ("rx58-index-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "sys" / "class" / "tty" / "ttyUSB0" / "device" / "driver");
    fs::create_directories(root / "dev");
    fs::create_symlink(device->SlavePath(), root / "dev" / "ttyUSB0");
    const comprt::ComList ports({root / "sys", root / "dev"});
    ASSERT_EQ(ports.Count(), 1);

    chanel = std::make_unique<AdoptingChanel>(loop, ports);
    log.Listen(*chanel);
    chanel->OpenByIndex(1);
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csConnected; }));
    ASSERT_TRUE(Send(Request, 1));
    ASSERT_TRUE(Until([&] { return log.Received.size() == 1; }));

    chanel->OpenByIndex(0); // closes the port and fails
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    EXPECT_EQ(device->SlaveDescriptorCount(), 1);
    chanel->OpenByIndex(2);
    ASSERT_TRUE(Until([&] { return log.Console.size() == 2; }));
    EXPECT_EQ(log.Console,
              (std::vector<std::string>{"COM-порт не открыт",
                                        "COM-порт не открыт: в списке нет порта номер 2"}));
    chanel.reset();
    fs::remove_all(root);
}

TEST_F(SerialChanel, PulseLineSendsTheByteAndRaisesNoEvent) {
    Make(Silence);
    Connect();
    log = {};
    log.Listen(*chanel);
    chanel->PulseLine(true);
    ASSERT_TRUE(Until([&] { return chanel->GetQueueCount() == 0; }));
    EXPECT_EQ(device->Requests(), std::vector<Bytes>{Bytes{0xFF}});
    EXPECT_TRUE(log.Lines.empty());
}

TEST_F(SerialChanel, NetworkAdapterKindsFailWithAClearText) {
    Make(Answer);
    Connect();
    chanel->Disconnect();
    ASSERT_TRUE(Until([&] { return chanel->GetState() == csDisconnected; }));
    struct MoxaProbe : TComPortQueueIDChanel {
        using TComPortQueueIDChanel::TComPortQueueIDChanel;
        ~MoxaProbe() override { Shutdown(); }
        void OpenAdapter() {
            SetChanelState(csConnecting);
            QueuePortRequest(rkMoxaOpen, {});
        }
    } probe(loop);
    EventLog probeLog;
    probeLog.Listen(probe);
    probe.OpenAdapter();
    ASSERT_TRUE(Until([&] { return probe.GetState() == csDisconnected; }));
    EXPECT_EQ(probeLog.Console,
              std::vector<std::string>{"Запрос 7 не поддерживается этим каналом"});
}

TEST_F(SerialChanel, MadeOnTheMainQueueWithoutNamingIt) {
    platform::MainQueueScope install(loop);
    FakeDevice answering([](const Bytes&) { return std::vector<ReplyPiece>{{0ms, Reply}}; });
    TComPortQueueIDChanel plain;
    EventLog plainLog;
    plainLog.Listen(plain);
    ASSERT_EQ(plain.Open(answering.SlavePath(), 19200, 1000, 20, false, true, false), 1);
    ASSERT_TRUE(Until([&] { return plain.GetState() == csConnected; }));
    ASSERT_TRUE(plain.SendPacket(Request.data(), static_cast<int>(Request.size()), 5, false));
    ASSERT_TRUE(Until([&] { return plainLog.Received.size() == 1; }));
    EXPECT_EQ(plainLog.Received[0].second, Reply);
}

} // namespace
} // namespace channels::testing
