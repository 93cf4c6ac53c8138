#include "channels/MoxaActions.h"

#include "channels/SocketLibrary.h"
#include "network/FakeAdapter.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

using namespace channels;
using namespace nettest;

namespace {

// The text the action failed with, or "" when it succeeded.
template <typename Action>
std::string FailureOf(Action action) {
    try {
        action();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

MoxaOpenParams ParamsFor(FakeAdapter& adapter, int portNumber, int timeout = LongWaitMs) {
    MoxaOpenParams params;
    params.PortNumber = static_cast<std::uint8_t>(portNumber);
    params.AdapterHost = "127.0.0.1";
    params.ReadTotalTimeout = timeout;
    params.ReadIntervalTimeout = 30;
    params.DataPortBase = adapter.DataBase();
    params.CommandPortBase = adapter.CommandBase();
    params.BaudRate = 19200;
    params.Dtr = 0;
    params.Rts = 1;
    return params;
}

class MoxaActions : public testing::Test {
protected:
    SocketLibraryScope library;
    TMoxaPort port;
};

TEST_F(MoxaActions, OpenSetsSpeedAndLines) {
    FakeAdapter adapter(2);
    MoxaOpenParams params = ParamsFor(adapter, 2);
    params.BaudRate = 38400;
    EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, params); }), "");
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.BaudRate(), 38400u);
    EXPECT_EQ(port.Dtr(), 0);
    EXPECT_EQ(port.Rts(), 1);
    adapter.Stop();
    const std::vector<Bytes> expected = {MakeBytes({0x17, 0x04, 0x00, 0x96, 0x00, 0x00}),
                                         MakeBytes({0x12, 0x02, 0x00, 0x01})};
    EXPECT_EQ(adapter.Commands(), expected);
}

TEST_F(MoxaActions, OpenFailuresCarryTheirTextAndLeaveThePortClosed) {
    struct Case {
        const char* name;
        FakeAdapter::Responder commandReply;
        int portNumber;
        int timeout;
        const char* text;
        std::size_t commandsSeen;
    };
    const Case cases[] = {
        {"port 0", FakeAdapter::Agree, 0, LongWaitMs, "Нет порта или порт не открыт", 0},
        {"port 17", FakeAdapter::Agree, 17, LongWaitMs, "Нет порта или порт не открыт", 0},
        {"wrong baud-rate answer",
         [](const Bytes&) {
             return MakeBytes({0x17, 'E', 'R'});
         },
         1, LongWaitMs, "Нет порта или порт не открыт", 1},
        {"lines refused",
         [](const Bytes& c) { return c[0] == 0x12 ? MakeBytes({0x12}) : FakeAdapter::Agree(c); }, 1,
         LongWaitMs, "Нет порта или порт не открыт", 2},
        {"silent adapter", [](const Bytes&) { return Bytes{}; }, 1, 300, "Истек таймаут", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAdapter adapter(1, c.commandReply);
        MoxaOpenParams params = ParamsFor(adapter, 1, c.timeout);
        params.PortNumber = static_cast<std::uint8_t>(c.portNumber);
        EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, params); }), c.text);
        EXPECT_FALSE(port.IsOpen());
        adapter.Stop();
        EXPECT_EQ(adapter.Commands().size(), c.commandsSeen);
    }
}

TEST(MoxaActionsWithoutLibrary, OpenAndTransferReportTheMissingStart) {
    ASSERT_FALSE(SocketLibraryStarted());
    FakeAdapter adapter(1);
    TMoxaPort port;
    std::uint8_t rx[512];
    EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, ParamsFor(adapter, 1)); }),
              "Ошибка инициализации SOCKET");
    EXPECT_EQ(FailureOf([&] { MoxaTransferAction(port, rx, 1, rx, sizeof rx, {}); }),
              "Ошибка инициализации SOCKET");
}

class MoxaTransfer : public MoxaActions {
protected:
    std::vector<MoxaLamp> lamps;
    std::array<std::uint8_t, 512> rx{};
    std::uint16_t rxLength = 0;

    void OpenOn(FakeAdapter& adapter, int timeout = LongWaitMs) {
        MoxaOpenAction(port, ParamsFor(adapter, 1, timeout));
    }
    std::string Transfer(const Bytes& tx) {
        return FailureOf([&] {
            rxLength = MoxaTransferAction(port, tx.data(), static_cast<std::uint16_t>(tx.size()),
                                          rx.data(), static_cast<std::uint16_t>(rx.size()),
                                          [&](MoxaLamp lamp) { lamps.push_back(lamp); });
        });
    }
};

TEST_F(MoxaTransfer, ReplyComesBackWithBothLamps) {
    FakeAdapter adapter(1, FakeAdapter::Agree,
                        [](const Bytes& request) { return Concat(request, TextBytes("!")); });
    OpenOn(adapter);
    EXPECT_EQ(Transfer(MakeBytes({1, 3, 0, 0, 0, 2, 0xC4, 0x0B})), "");
    ASSERT_EQ(rxLength, 9);
    EXPECT_EQ(Bytes(rx.begin(), rx.begin() + 9), MakeBytes({1, 3, 0, 0, 0, 2, 0xC4, 0x0B, '!'}));
    EXPECT_EQ(lamps, (std::vector<MoxaLamp>{MoxaLamp::Transmit, MoxaLamp::Receive}));
}

TEST_F(MoxaTransfer, SilentDeviceIsNoAnswer) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes{}; });
    OpenOn(adapter, 300);
    EXPECT_EQ(Transfer(TextBytes("?")), "Нет ответа");
    EXPECT_EQ(lamps, std::vector<MoxaLamp>{MoxaLamp::Transmit});
}

TEST_F(MoxaTransfer, DeviceHangingUpInsteadOfAnsweringIsAReadError) {
    FakeAdapter adapter(1, FakeAdapter::Agree,
                        [](const Bytes&) -> std::optional<Bytes> { return std::nullopt; });
    OpenOn(adapter);
    EXPECT_EQ(Transfer(TextBytes("?")), "Ошибка при чтении");
    EXPECT_EQ(lamps, std::vector<MoxaLamp>{MoxaLamp::Transmit});
    // The next transfer finds the connection gone before it writes.
    EXPECT_EQ(Transfer(TextBytes("?")), "Нет связи с адаптером");
}

TEST_F(MoxaTransfer, ClosedPortRefusesTheTransfer) {
    EXPECT_EQ(Transfer(TextBytes("?")), "Нет порта или порт не открыт");
}

TEST_F(MoxaTransfer, OversizedReplyIsCutAtTheBuffer) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes(3000, 0x5A); });
    OpenOn(adapter);
    EXPECT_EQ(Transfer(TextBytes("?")), "");
    EXPECT_EQ(rxLength, 512);
}

} // namespace
