#include "channels/MoxaActions.h"

#include "channels/SocketLibrary.h"
#include "network/FakeAdapter.h"

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

class MoxaActionsTest : public testing::Test {
protected:
    SocketLibraryScope library;
    TMoxaPort port;
};

TEST_F(MoxaActionsTest, OpenSetsSpeedAndLines) {
    FakeAdapter adapter(2);
    MoxaRequest params = OpenRequest(adapter, 2);
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

TEST_F(MoxaActionsTest, OpenFailuresCarryTheirTextAndLeaveThePortClosed) {
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
        MoxaRequest params = OpenRequest(adapter, 1, c.timeout);
        params.PortNumber = static_cast<std::uint8_t>(c.portNumber);
        EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, params); }), c.text);
        EXPECT_FALSE(port.IsOpen());
        adapter.Stop();
        EXPECT_EQ(adapter.Commands().size(), c.commandsSeen);
    }
}

TEST_F(MoxaActionsTest, HostByNameAndAnOverlongHost) {
    FakeAdapter adapter(1);
    MoxaRequest params = OpenRequest(adapter, 1);
    params.SetAdapterHost("localhost");
    EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, params); }), "");
    EXPECT_TRUE(port.IsOpen());

    params.SetAdapterHost(std::string(MoxaRequest::MaxHostLength + 1, 'a'));
    EXPECT_EQ(params.HostTooLong, 1);
    EXPECT_EQ(params.GetAdapterHost(), "") << "never cut to a shorter, other name";
    EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, params); }), "Неправильный параметр");
    EXPECT_FALSE(port.IsOpen());
}

TEST(MoxaActionsWithoutLibrary, OpenAndTransferReportTheMissingStart) {
    ASSERT_FALSE(SocketLibraryStarted());
    FakeAdapter adapter(1);
    TMoxaPort port;
    EXPECT_EQ(FailureOf([&] { MoxaOpenAction(port, OpenRequest(adapter, 1)); }),
              "Ошибка инициализации SOCKET");
    ChanelCommonStruct request;
    request.TxLength = 1;
    EXPECT_EQ(FailureOf([&] { MoxaTransferAction(port, request, {}); }),
              "Ошибка инициализации SOCKET");
}

class MoxaTransfer : public MoxaActionsTest {
protected:
    std::vector<std::uintptr_t> lamps;
    ChanelCommonStruct request;

    void OpenOn(FakeAdapter& adapter, int timeout = LongWaitMs) {
        MoxaOpenAction(port, OpenRequest(adapter, 1, timeout));
    }
    std::string Transfer(const Bytes& tx) {
        std::copy(tx.begin(), tx.end(), request.TxData);
        request.TxLength = static_cast<std::uint16_t>(tx.size());
        return FailureOf([&] {
            MoxaTransferAction(port, request, [&](std::uintptr_t lamp) { lamps.push_back(lamp); });
        });
    }
    Bytes Reply() const { return Bytes(request.RxData, request.RxData + request.RxLength); }
};

TEST_F(MoxaTransfer, ReplyComesBackWithBothLamps) {
    FakeAdapter adapter(1, FakeAdapter::Agree,
                        [](const Bytes& request) { return Concat(request, TextBytes("!")); });
    OpenOn(adapter);
    EXPECT_EQ(Transfer(MakeBytes({1, 3, 0, 0, 0, 2, 0xC4, 0x0B})), "");
    EXPECT_EQ(Reply(), MakeBytes({1, 3, 0, 0, 0, 2, 0xC4, 0x0B, '!'}));
    EXPECT_EQ(lamps, (std::vector<std::uintptr_t>{LampTransmit, LampReceive}));
}

TEST_F(MoxaTransfer, SilentDeviceIsNoAnswer) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes{}; });
    OpenOn(adapter, 300);
    EXPECT_EQ(Transfer(TextBytes("?")), "Нет ответа");
    EXPECT_EQ(lamps, std::vector<std::uintptr_t>{LampTransmit});
}

TEST_F(MoxaTransfer, DeviceHangingUpInsteadOfAnsweringIsAReadError) {
    FakeAdapter adapter(1, FakeAdapter::Agree,
                        [](const Bytes&) -> std::optional<Bytes> { return std::nullopt; });
    OpenOn(adapter);
    EXPECT_EQ(Transfer(TextBytes("?")), "Ошибка при чтении");
    EXPECT_EQ(lamps, std::vector<std::uintptr_t>{LampTransmit});
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
    EXPECT_EQ(request.RxLength, 512);
}

} // namespace
