#include "channels/Moxaport.h"

#include "channels/SocketLibrary.h"
#include "network/FakeAdapter.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

using namespace channels;
using namespace nettest;

namespace {

TEST(MoxaResultText, EveryCodeHasItsText) {
    const std::pair<int, const char*> cases[] = {
        {-1, "Нет порта или порт не открыт"},
        {-2, "Неправильный параметр"},
        {-3, "Ошибка потока"},
        {-4, "Ошибка выделения памяти"},
        {-100, "Неправильный пароль"},
        {-101, "Таймаут сброса истек"},
        {-102, "Нет связи с адаптером"},
        {-200, "Ошибка соединения с адаптером"},
        {-201, "Ошибка инициализации SOCKET"},
        {-202, "Ошибка SOCKET"},
        {-203, "Истек таймаут"},
        {-5, "Неизвестная ошибка"},
        {-99999, "Неизвестная ошибка"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_STREQ(MoxaResultText(code), text) << code;
        try {
            MoxaCheck(code);
            ADD_FAILURE() << code << " passed";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), text);
        }
    }
    EXPECT_EQ(MoxaCheck(0), 0);
    EXPECT_EQ(MoxaCheck(17), 17);
}

// Every operation but Close, on a given port.
std::vector<std::pair<const char*, int>> AllResults(TMoxaPort& port, std::uint16_t base = 1) {
    std::uint8_t buffer[8] = {};
    return {{"Open", port.Open("127.0.0.1", 1, 100, 0, base, base)},
            {"SetBaudRate", port.SetBaudRate(9600)},
            {"SetLines", port.SetLines(true, true)},
            {"Write", port.Write(buffer, 1)},
            {"Read", port.Read(buffer, 1)},
            {"Purge", port.Purge()}};
}

TEST(MoxaPort, NothingWorksBeforeTheSocketLibraryStarts) {
    ASSERT_FALSE(SocketLibraryStarted());
    FakeAdapter adapter(1);
    TMoxaPort port;
    for (const auto& [name, result] : AllResults(port, adapter.DataBase()))
        EXPECT_EQ(result, mrSocketInit) << name;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(adapter.DataConnections(), 0);
}

TEST(MoxaPort, LibraryStartsAreCounted) {
    {
        SocketLibraryScope outer;
        { SocketLibraryScope inner; }
        EXPECT_TRUE(SocketLibraryStarted());
    }
    EXPECT_FALSE(SocketLibraryStarted());
    SocketLibraryStop(); // unmatched: ignored
    SocketLibraryStart();
    EXPECT_TRUE(SocketLibraryStarted());
    SocketLibraryStop();
    EXPECT_FALSE(SocketLibraryStarted());
}

class MoxaPortTest : public testing::Test {
protected:
    SocketLibraryScope library;
    TMoxaPort port;

    int OpenOn(FakeAdapter& adapter, int portNumber, int timeout = LongWaitMs,
               int chunkTimeout = 50) {
        return port.Open("127.0.0.1", portNumber, timeout, chunkTimeout, adapter.DataBase(),
                         adapter.CommandBase());
    }
};

TEST_F(MoxaPortTest, PortNumbersOutsideOneToSixteenAreRefused) {
    FakeAdapter adapter(1);
    for (int number : {0, 17, -1, 255}) {
        EXPECT_EQ(OpenOn(adapter, number), mrNoPort) << number;
        EXPECT_STREQ(MoxaResultText(mrNoPort), "Нет порта или порт не открыт");
        EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_EQ(adapter.DataConnections(), 0);
}

TEST_F(MoxaPortTest, ClosedPortRefusesEveryOperation) {
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(port.SetBaudRate(9600), mrNoPort);
    EXPECT_EQ(port.SetLines(true, true), mrNoPort);
    EXPECT_EQ(port.Write(buffer, 1), mrNoPort);
    EXPECT_EQ(port.Read(buffer, 1), mrNoPort);
    EXPECT_EQ(port.BaudRate(), 19200u) << "nothing was sent";
}

TEST_F(MoxaPortTest, OpensPortNumberAboveTheBasesAndSendsCommands) {
    FakeAdapter adapter(3);
    ASSERT_EQ(OpenOn(adapter, 3), mrOk);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.SetBaudRate(9600), mrOk);
    EXPECT_EQ(port.BaudRate(), 9600u);
    EXPECT_EQ(port.SetLines(true, false), mrOk);
    EXPECT_EQ(port.Dtr(), 1);
    EXPECT_EQ(port.Rts(), 0);
    EXPECT_EQ(port.SetBaudRate(0x12345678), mrOk);

    adapter.Stop();
    const std::vector<Bytes> expected = {
        MakeBytes({0x17, 0x04, 0x80, 0x25, 0x00, 0x00}),
        MakeBytes({0x12, 0x02, 0x01, 0x00}),
        MakeBytes({0x17, 0x04, 0x78, 0x56, 0x34, 0x12}),
    };
    EXPECT_EQ(adapter.Commands(), expected);
}

TEST_F(MoxaPortTest, OpenFailures) {
    // Nothing listens on either base.
    const ClosedPort closed;
    const std::uint16_t nowhere = closed.Port();
    EXPECT_EQ(port.Open("127.0.0.1", 1, LongWaitMs, 0, nowhere, nowhere), mrConnectError);
    EXPECT_EQ(port.LastSocketError(), ECONNREFUSED);
    EXPECT_FALSE(port.IsOpen());

    FakeAdapter adapter(1);
    // A data base that puts port 16 beyond 65535.
    EXPECT_EQ(port.Open("127.0.0.1", 16, LongWaitMs, 0, 65530, adapter.CommandBase()),
              mrBadParameter);
    // The data side answers, the command side does not.
    EXPECT_EQ(port.Open("127.0.0.1", 1, LongWaitMs, 0, adapter.DataBase(), nowhere),
              mrConnectError);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(MoxaPortTest, OpeningAgainReplacesTheConnections) {
    FakeAdapter adapter(1);
    ASSERT_EQ(OpenOn(adapter, 1), mrOk);
    ASSERT_EQ(OpenOn(adapter, 1), mrOk);
    EXPECT_TRUE(port.IsOpen());
    std::uint8_t reply[4] = {};
    ASSERT_EQ(port.Write(reinterpret_cast<const std::uint8_t*>("ab"), 2), 2);
    EXPECT_EQ(port.Read(reply, sizeof reply), 2);
    EXPECT_EQ(adapter.DataConnections(), 2);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

struct CommandReplyCase {
    const char* name;
    Bytes reply; // empty: the adapter stays silent
    int expected;
};

void PrintTo(const CommandReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class MoxaCommandReplies : public MoxaPortTest,
                           public testing::WithParamInterface<CommandReplyCase> {};

TEST_P(MoxaCommandReplies, BaudRateAndLinesCheckTheReply) {
    const Bytes answer = GetParam().reply;
    FakeAdapter adapter(1, [&](const Bytes&) { return answer; });
    ASSERT_EQ(OpenOn(adapter, 1, 300), mrOk);
    EXPECT_EQ(port.SetBaudRate(4800), GetParam().expected);
    EXPECT_EQ(port.BaudRate(), 4800u) << "stored once sent, whatever the reply";
}

TEST_P(MoxaCommandReplies, LinesAreStoredOnlyAfterACorrectReply) {
    Bytes answer = GetParam().reply;
    if (!answer.empty() && answer[0] == 0x17)
        answer[0] = 0x12; // the same case for the lines command
    FakeAdapter adapter(1, [&](const Bytes&) { return answer; });
    ASSERT_EQ(OpenOn(adapter, 1, 300), mrOk);
    const int result = port.SetLines(true, true);
    EXPECT_EQ(result, GetParam().expected);
    EXPECT_EQ(port.Dtr(), result == mrOk ? 1 : 0);
    EXPECT_EQ(port.Rts(), result == mrOk ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MoxaCommandReplies,
    testing::Values(CommandReplyCase{"Ok", MakeBytes({0x17, 'O', 'K'}), mrOk},
                    CommandReplyCase{"OkWithMore", MakeBytes({0x17, 'O', 'K', 0, 0}), mrOk},
                    CommandReplyCase{"Short", MakeBytes({0x17, 'O'}), mrNoPort},
                    CommandReplyCase{"OtherCommand", MakeBytes({0x11, 'O', 'K'}), mrNoPort},
                    CommandReplyCase{"LowerCase", MakeBytes({0x17, 'o', 'k'}), mrNoPort},
                    CommandReplyCase{"Refusal", MakeBytes({0x17, 'N', 'O'}), mrNoPort},
                    CommandReplyCase{"Silence", Bytes{}, mrTimeout}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MoxaPortTest, ReadEndsWithTheDevicesSilence) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes& request) {
        return request == TextBytes("quiet") ? Bytes{} : TextBytes("answer");
    });
    ASSERT_EQ(OpenOn(adapter, 1, 300, 20), mrOk);
    std::uint8_t reply[512];
    ASSERT_EQ(port.Write(TextBytes("quiet").data(), 5), 5);
    EXPECT_EQ(port.Read(reply, sizeof reply), 0) << "no answer is a count of 0";
    ASSERT_EQ(port.Write(TextBytes("speak").data(), 5), 5);
    EXPECT_EQ(port.Read(reply, sizeof reply), 6);
}

TEST_F(MoxaPortTest, ReadNeverTakesMoreThanAsked) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes(2000, 0xA5); });
    ASSERT_EQ(OpenOn(adapter, 1), mrOk);
    std::uint8_t reply[16];
    ASSERT_EQ(port.Write(TextBytes("x").data(), 1), 1);
    EXPECT_EQ(port.Read(reply, sizeof reply), 16);
}

TEST_F(MoxaPortTest, AdapterDroppingTheDataConnectionIsNoLink) {
    FakeAdapter adapter(1, FakeAdapter::Agree, [](const Bytes&) { return Bytes{}; });
    ASSERT_EQ(OpenOn(adapter, 1), mrOk);
    adapter.Stop(); // closes both connections
    std::uint8_t reply[8];
    EXPECT_EQ(port.Read(reply, sizeof reply), mrNoAdapterLink);
    EXPECT_EQ(port.Purge(), mrNoAdapterLink);
}

TEST_F(MoxaPortTest, PurgeDropsBytesLeftFromAnEarlierReply) {
    FakeAdapter adapter(1, FakeAdapter::Agree,
                        [](const Bytes& request) { return Concat(TextBytes("re:"), request); });
    ASSERT_EQ(OpenOn(adapter, 1), mrOk);
    std::uint8_t reply[512];
    ASSERT_EQ(port.Write(TextBytes("old").data(), 3), 3);
    // Wait for the reply to be there, then leave it unread.
    ASSERT_EQ(port.Read(reply, 1), 1);
    EXPECT_EQ(port.Purge(), mrOk);
    ASSERT_EQ(port.Write(TextBytes("new").data(), 3), 3);
    const int got = port.Read(reply, sizeof reply);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(reply), got > 0 ? got : 0), "re:new");
}

} // namespace
