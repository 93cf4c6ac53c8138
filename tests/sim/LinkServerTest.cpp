#include "rx58sim/LinkServer.h"

#include "TestClient.h"
#include "protocol/Crc16.h"
#include "rx58sim/BankDevice.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace std::chrono_literals;
using sim::LinkConfig;
using sim::LinkServer;
using simtest::Bytes;
using simtest::Frame;
using simtest::TestClient;

namespace {

constexpr std::uint8_t Address = 3;
const Bytes ReadFour = Frame({Address, 0x04, 0x00, 0x00, 0x00, 0x04});

struct LinkFixture : ::testing::Test {
    sim::BankDevice device;
    std::mutex deviceLock;
    LinkConfig config;
    std::unique_ptr<LinkServer> server;
    std::vector<std::string> log;
    std::mutex logLock;
    std::string linkPath;

    LinkFixture() {
        device.Input = sim::RegisterBank(30001, 180);
        for (int i = 0; i < 360; ++i)
            device.Input.Bytes()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        config.Address = Address;
        config.Log = [this](const std::string& line) {
            std::lock_guard lock(logLock);
            log.push_back(line);
        };
        linkPath = ::testing::TempDir() + "rx58sim-link-" + std::to_string(::getpid());
    }
    ~LinkFixture() override {
        if (server)
            server->Stop();
    }

    void Start() {
        server = std::make_unique<LinkServer>(config, device, deviceLock, nullptr);
        server->Start();
    }
    Bytes Expected(int registers) {
        Bytes reply{Address, 0x04, static_cast<std::uint8_t>(2 * registers)};
        reply.insert(reply.end(), device.Input.Bytes().begin(),
                     device.Input.Bytes().begin() + 2 * registers);
        return simtest::WithCrc(reply);
    }
};

} // namespace

TEST_F(LinkFixture, APseudoTerminalClientGetsTheDevicesReplies) {
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(server->Endpoint()));
    Bytes damaged = ReadFour;
    damaged[4] ^= 0xFF;
    EXPECT_TRUE(client.Transact(damaged).empty()) << "a bad CRC is ignored";
    Bytes foreign = Frame({Address + 1, 0x04, 0x00, 0x00, 0x00, 0x04});
    EXPECT_TRUE(client.Transact(foreign).empty()) << "another slave's request is ignored";
    EXPECT_EQ(client.Transact(ReadFour), Expected(4));
    const sim::LinkStats stats = server->Stats();
    EXPECT_EQ(stats.Frames, 3);
    EXPECT_EQ(stats.Answered, 1);
    EXPECT_EQ(stats.Ignored, 2);
}

TEST_F(LinkFixture, TheLinkFollowsThePseudoTerminalAndGoesAwayOnStop) {
    config.LinkPath = linkPath;
    Start();
    EXPECT_EQ(server->Endpoint(), linkPath);
    TestClient client;
    ASSERT_TRUE(client.OpenTty(linkPath));
    EXPECT_EQ(client.Transact(ReadFour), Expected(4));
    server->Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(linkPath)));
}

TEST_F(LinkFixture, PacedRepliesTakeTheirLineTime) {
    config.Baud = 9600;
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(server->Endpoint()));
    const Bytes request = Frame({Address, 0x04, 0x00, 0x00, 0x00, 62});
    const auto start = std::chrono::steady_clock::now();
    const Bytes reply = client.Transact(request);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(reply, Expected(62));
    // 129 bytes of 10 bits at 9600 bit/s can never arrive in less than 134 ms.
    EXPECT_GE(took, 134ms);
}

TEST_F(LinkFixture, ASplitReplyArrivesAsTwoReadsAtTheClient) {
    config.Faults.SplitShare = 1;
    config.Faults.SplitGapMs = 200;
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(server->Endpoint()));
    ASSERT_TRUE(client.Write(ReadFour));
    const Bytes first = client.Read(3000ms, 20ms);
    const Bytes second = client.Read(3000ms, 20ms);
    Bytes joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    EXPECT_EQ(first.size(), Expected(4).size() / 2);
    EXPECT_EQ(joined, Expected(4));
}

TEST_F(LinkFixture, FaultsChangeWhileRunning) {
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(server->Endpoint()));
    sim::FaultConfig silent;
    silent.Silent = true;
    server->SetFaults(silent);
    EXPECT_TRUE(client.Transact(ReadFour).empty());
    sim::FaultConfig exception;
    exception.ExceptionCode = 4;
    server->SetFaults(exception);
    EXPECT_EQ(client.Transact(ReadFour), Frame({Address, 0x84, 4}));
    server->SetFaults({});
    EXPECT_EQ(client.Transact(ReadFour), Expected(4));
    EXPECT_EQ(server->Faults(), sim::FaultConfig{});
}

TEST_F(LinkFixture, StopIsPromptEvenInTheMiddleOfASlowReply) {
    config.Baud = 300;
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(server->Endpoint()));
    ASSERT_TRUE(client.Write(Frame({Address, 0x04, 0x00, 0x00, 0x00, 120})));
    ASSERT_FALSE(client.Read(3000ms, 20ms).empty()) << "the reply has begun";
    const auto start = std::chrono::steady_clock::now();
    server->Stop();
    // The reply would need 8 s more at 300 bit/s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(LinkFixture, ATcpClientIsServedAndHangUpClosesItsConnection) {
    config.Transport = sim::TransportKind::Tcp;
    Start();
    const std::string endpoint = server->Endpoint();
    ASSERT_EQ(endpoint.rfind("127.0.0.1:", 0), 0u);
    TestClient client;
    ASSERT_TRUE(client.OpenTcp(endpoint));
    EXPECT_EQ(client.Transact(ReadFour), Expected(4));
    server->LoseCarrier();
    client.Read(3000ms);
    EXPECT_TRUE(client.HungUp());
    TestClient next;
    ASSERT_TRUE(next.OpenTcp(endpoint));
    EXPECT_EQ(next.Transact(ReadFour), Expected(4));
}

namespace {

struct ModemLinkFixture : LinkFixture {
    ModemLinkFixture() {
        config.Modem = true;
        config.ModemSettings.AnswerDelayMs = 50;
        config.ModemSettings.GuardTimeMs = 200;
        config.LinkPath = linkPath;
    }

    void Connect(TestClient& client) {
        ASSERT_TRUE(client.OpenTty(linkPath));
        ASSERT_TRUE(client.Write("ATE0\r"));
        ASSERT_NE(client.ReadUntil("OK\r\n").find("OK"), std::string::npos);
        ASSERT_TRUE(client.Write("ATDT5551234\r"));
        ASSERT_NE(client.ReadUntil("CONNECT 19200\r\n").find("CONNECT 19200"), std::string::npos);
    }
};

} // namespace

TEST_F(ModemLinkFixture, TheDeviceAnswersOnlyAfterConnect) {
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(linkPath));
    EXPECT_TRUE(client.Transact(ReadFour).size() <= ReadFour.size()) << "command mode only echoes";
    client.Close();
    Connect(client);
    EXPECT_EQ(client.Transact(ReadFour), Expected(4));
}

TEST_F(ModemLinkFixture, BusyAndNoAnswerLeaveTheModemInCommandMode) {
    Start();
    TestClient client;
    ASSERT_TRUE(client.OpenTty(linkPath));
    ASSERT_TRUE(client.Write("ATE0\rATD7\r"));
    EXPECT_NE(client.ReadUntil("BUSY\r\n").find("BUSY"), std::string::npos);
    ASSERT_TRUE(client.Write("ATD8\r"));
    EXPECT_NE(client.ReadUntil("NO ANSWER\r\n").find("NO ANSWER"), std::string::npos);
    EXPECT_TRUE(client.Transact(ReadFour).empty());
}

TEST_F(ModemLinkFixture, CarrierLossHangsUpThePseudoTerminalAndTheLinkLeadsToTheNextCall) {
    Start();
    TestClient client;
    Connect(client);
    EXPECT_EQ(client.Transact(ReadFour), Expected(4));
    server->LoseCarrier();
    const std::string tail = client.ReadUntil("NO CARRIER\r\n");
    EXPECT_NE(tail.find("NO CARRIER"), std::string::npos);
    client.Read(3000ms);
    EXPECT_TRUE(client.HungUp()) << "the client's line sees the hang-up";
    TestClient next;
    Connect(next);
    EXPECT_EQ(next.Transact(ReadFour), Expected(4));
    EXPECT_EQ(server->Stats().HangUps, 1);
}

TEST_F(ModemLinkFixture, TheCarrierIsLostOnItsOwnWhenConfigured) {
    config.CarrierLossAfterMs = 300;
    Start();
    TestClient client;
    Connect(client);
    EXPECT_NE(client.ReadUntil("NO CARRIER\r\n").find("NO CARRIER"), std::string::npos);
    client.Read(3000ms);
    EXPECT_TRUE(client.HungUp());
}

TEST_F(ModemLinkFixture, EscapeAndHangUpCommandsWorkOverTheLine) {
    Start();
    TestClient client;
    Connect(client);
    ::usleep(300000);
    ASSERT_TRUE(client.Write("+++"));
    EXPECT_NE(client.ReadUntil("OK\r\n").find("OK"), std::string::npos);
    ASSERT_TRUE(client.Write("ATH\r"));
    EXPECT_NE(client.ReadUntil("OK\r\n").find("OK"), std::string::npos);
    EXPECT_TRUE(client.Transact(ReadFour).empty()) << "no call, no device";
}

TEST_F(LinkFixture, ATcpClientThatLeavesMidReplyDoesNotTakeTheProcessDown) {
    config.Transport = sim::TransportKind::Tcp;
    config.Baud = 1200;
    Start();
    {
        TestClient leaving;
        ASSERT_TRUE(leaving.OpenTcp(server->Endpoint()));
        ASSERT_TRUE(leaving.Write(Frame({Address, 0x04, 0x00, 0x00, 0x00, 100})));
        ASSERT_FALSE(leaving.Read(3000ms, 20ms).empty()) << "the reply has begun";
    }
    TestClient next;
    ASSERT_TRUE(next.OpenTcp(server->Endpoint()));
    EXPECT_EQ(next.Transact(ReadFour, 5000ms), Expected(4));
}
