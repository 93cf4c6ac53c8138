#include "ChanelTestSupport.h"
#include "ModemTestSupport.h"
#include "channels/Ttapi.h"
#include "channels/TtapiTexts.h"
#include "persistence/StoredValues.h"
#include "platform/EventLoop.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>

namespace modemtest {
namespace {

using channels::testing::SettledThreadCount;
using channels::testing::ThreadBaseline;
using channels::testing::ThreadCount;

// What a connection reported, in order.
struct CallLog {
    std::vector<std::string> Console;
    std::vector<int> States;

    void Listen(TTapiConnection& connection) {
        connection.OnConsole = [this](const std::string& text) { Console.push_back(text); };
        connection.OnState = [this](int state) { States.push_back(state); };
    }
    bool Said(const std::string& text) const {
        return std::find(Console.begin(), Console.end(), text) != Console.end();
    }
    bool Ended() const { return !States.empty() && States.back() == 0; }
};

class ModemCall : public ::testing::Test {
protected:
    void MakeTapi(std::vector<channels::ModemLineConfig> lines) {
        tapi = std::make_unique<TTapi>(loop, std::move(lines));
    }
    void MakeTapi() { MakeTapi({modem->Line()}); }
    std::unique_ptr<TTapiConnection> Open(CallLog& log) {
        auto connection = std::make_unique<TTapiConnection>(tapi.get());
        log.Listen(*connection);
        EXPECT_TRUE(connection->OpenLine(0));
        return connection;
    }
    // A connection whose call to the answering number is up.
    std::unique_ptr<TTapiConnection> Connected(CallLog& log) {
        auto connection = Open(log);
        EXPECT_TRUE(connection->MakeCall(AnsweredNumber));
        EXPECT_TRUE(Wait([&] { return log.States.size() == 2; }));
        return connection;
    }
    bool Wait(const std::function<bool()>& done) { return loop.RunUntil(done, Patience); }
    // Every call has ended and no thread of theirs is left.
    void ExpectAllEnded() {
        EXPECT_TRUE(Wait([&] { return tapi->ActiveCalls() == 0; }));
        EXPECT_EQ(SettledThreadCount(baseline), baseline);
    }

    int baseline = ThreadBaseline();
    platform::EventLoop loop;
    std::unique_ptr<SimulatedModem> modem = std::make_unique<SimulatedModem>();
    std::unique_ptr<TTapi> tapi;
};

TEST_F(ModemCall, AnsweredCallReportsItsStatesAndLendsTheLineUntilTheHangUp) {
    const int withServer = ThreadCount();
    MakeTapi();
    CallLog log;
    auto connection = Open(log);
    ASSERT_TRUE(connection->MakeCall(AnsweredNumber));
    EXPECT_TRUE(connection->HasCall());
    ASSERT_TRUE(Wait([&] { return log.States.size() == 2; }));
    EXPECT_EQ(log.States, (std::vector<int>{1, 2}));
    EXPECT_EQ(log.Console, (std::vector<std::string>{"Набор номера", "Ожидание ответа",
                                                     "Соединение установлено"}));
    EXPECT_TRUE(modem->Logged("dialling 84951234567"));

    // The lent descriptor carries the device's bytes.
    channels::DataLease lease = connection->TakeDataHandle();
    ASSERT_TRUE(lease);
    EXPECT_FALSE(connection->TakeDataHandle()) << "lent once";
    const auto request = SimulatedModem::ReadRequest();
    ASSERT_EQ(::write(lease.Fd(), request.data(), request.size()),
              static_cast<ssize_t>(request.size()));
    std::vector<std::uint8_t> reply;
    const auto expected = modem->ExpectedReply();
    for (int turn = 0; turn < 100 && reply.size() < expected.size(); ++turn) {
        pollfd item{lease.Fd(), POLLIN, 0};
        if (::poll(&item, 1, 100) == 1) {
            std::uint8_t buffer[64];
            const ssize_t got = ::read(lease.Fd(), buffer, sizeof buffer);
            ASSERT_GT(got, 0);
            reply.insert(reply.end(), buffer, buffer + got);
        }
    }
    EXPECT_EQ(reply, expected);

    // The hang-up waits for the lease, then escapes and says ATH.
    connection->HangUp();
    EXPECT_FALSE(connection->IsLineOpen());
    loop.RunFor(2 * std::chrono::milliseconds(SimGuardTimeMs) + 300ms);
    EXPECT_FALSE(modem->Logged("call ended by ATH")) << "the line is still lent";
    EXPECT_EQ(tapi->ActiveCalls(), 1);
    lease.Release();
    EXPECT_TRUE(Wait([&] { return modem->Logged("call ended by ATH"); }));
    EXPECT_TRUE(Wait([&] { return tapi->ActiveCalls() == 0; }));
    EXPECT_EQ(SettledThreadCount(withServer), withServer);
    EXPECT_EQ(log.States.size(), 2u) << "no event after the hang-up";
}

TEST_F(ModemCall, BusyLineIsReportedAndTheCallEnds) {
    MakeTapi();
    CallLog log;
    auto connection = Open(log);
    ASSERT_TRUE(connection->MakeCall(BusyNumber));
    ASSERT_TRUE(Wait([&] { return log.Ended(); }));
    EXPECT_EQ(log.States, (std::vector<int>{1, 0}));
    EXPECT_EQ(log.Console, (std::vector<std::string>{"Набор номера", "Ожидание ответа",
                                                     "Линия занята", "Соединение разорвано"}));
    EXPECT_FALSE(connection->IsLineOpen()) << "the ended call released the line";
    EXPECT_FALSE(connection->TakeDataHandle());
    connection.reset();
    modem.reset();
    ExpectAllEnded();
}

TEST_F(ModemCall, CallsThatAreNotAnsweredSayWhyBeforeTheyEnd) {
    const struct {
        const char* Number;
        const char* Why;
    } cases[] = {
        {NoAnswerNumber, channels::text::NoAnswer},
        {NoCarrierNumber, channels::text::NoCarrier},
        {NoDialtoneNumber, channels::text::NoDialtone},
    };
    MakeTapi();
    for (const auto& c : cases) {
        CallLog log;
        auto connection = Open(log);
        ASSERT_TRUE(connection->MakeCall(c.Number));
        ASSERT_TRUE(Wait([&] { return log.Ended(); })) << c.Number;
        ASSERT_GE(log.Console.size(), 2u);
        EXPECT_EQ(log.Console[log.Console.size() - 2], c.Why);
        EXPECT_EQ(log.Console.back(), "Соединение разорвано");
        EXPECT_EQ(log.States, (std::vector<int>{1, 0}));
        ASSERT_TRUE(Wait([&] { return tapi->ActiveCalls() == 0; })) << "the line is free again";
    }
    modem.reset();
    ExpectAllEnded();
}

TEST_F(ModemCall, FarEndHangingUpEndsTheCall) {
    MakeTapi();
    CallLog log;
    auto connection = Connected(log);
    channels::DataLease lease = connection->TakeDataHandle();
    ASSERT_TRUE(lease);
    modem->LoseCarrier();
    ASSERT_TRUE(Wait([&] { return log.Ended(); }));
    EXPECT_EQ(log.Console.back(), "Соединение разорвано");
    EXPECT_FALSE(connection->IsLineOpen());
    pollfd item{lease.Fd(), 0, 0};
    EXPECT_EQ(::poll(&item, 1, 0), 1);
    EXPECT_TRUE(item.revents & POLLHUP) << "the lent line has hung up too";
    lease.Release();
    connection.reset();
    modem.reset();
    ExpectAllEnded();
}

TEST_F(ModemCall, HangingUpWhileDiallingAbortsTheCallAtOnce) {
    modem = std::make_unique<SimulatedModem>(60000); // answers only after a minute
    MakeTapi();
    CallLog log;
    auto connection = Open(log);
    ASSERT_TRUE(connection->MakeCall(AnsweredNumber));
    ASSERT_TRUE(Wait([&] { return log.States.size() == 1; }));
    // The call state may be reported before the dial command reaches the modem.
    ASSERT_TRUE(Wait([&] { return modem->Logged("dialling 8"); }));
    connection->HangUp();
    EXPECT_TRUE(Wait([&] { return tapi->ActiveCalls() == 0; }));
    EXPECT_TRUE(Wait([&] { return modem->Logged("dialling aborted"); }));
    loop.RunFor(50ms);
    EXPECT_EQ(log.States, (std::vector<int>{1}));
    connection.reset();
    modem.reset();
    ExpectAllEnded();
}

TEST_F(ModemCall, ANewCallOnALineStillHangingUpWaitsItsTurn) {
    MakeTapi();
    CallLog first;
    auto one = Connected(first);
    one->HangUp(); // the escape takes two guard times

    CallLog second;
    auto two = Open(second);
    ASSERT_TRUE(two->MakeCall(AnsweredNumber));
    ASSERT_TRUE(Wait([&] { return second.States.size() == 2; }));
    EXPECT_EQ(second.Console.front(), channels::text::LineBusyWaiting);
    EXPECT_EQ(second.States, (std::vector<int>{1, 2}));
    EXPECT_TRUE(modem->Logged("call ended by ATH")) << "the first call was over before";
    two.reset();
    one.reset();
    modem.reset();
    ExpectAllEnded();
}

TEST_F(ModemCall, ALineThatCannotBeOpenedSaysWhyAndStartsNothing) {
    channels::ModemLineConfig missing;
    missing.Name = "Нет такого";
    missing.Device = ::testing::TempDir() + "no-such-modem";
    channels::ModemLineConfig notTerminal;
    notTerminal.Name = "Файл";
    notTerminal.Device = "/dev/null";
    MakeTapi({missing, notTerminal});
    for (int index : {0, 1}) {
        CallLog log;
        TTapiConnection connection(tapi.get());
        log.Listen(connection);
        EXPECT_FALSE(connection.OpenLine(index));
        EXPECT_EQ(connection.LastError(), channels::text::LineOpenFailed);
        ASSERT_EQ(log.Console.size(), 1u);
        EXPECT_NE(log.Console[0].find(tapi->GetLine(index)->Device), std::string::npos);
        EXPECT_FALSE(connection.IsLineOpen());
        EXPECT_FALSE(connection.MakeCall(AnsweredNumber));
    }
    TTapiConnection beyond(tapi.get());
    EXPECT_FALSE(beyond.OpenLine(2));
    EXPECT_FALSE(beyond.OpenLine(-1));
    TTapiConnection orphan(nullptr);
    EXPECT_FALSE(orphan.OpenLine(0));
    EXPECT_EQ(tapi->ActiveCalls(), 0);
}

TEST_F(ModemCall, ANumberThatCannotBeDialledPlacesNoCall) {
    MakeTapi();
    CallLog log;
    auto connection = Open(log);
    EXPECT_FALSE(connection->MakeCall(std::string(81, '1')));
    EXPECT_NE(connection->LastError().find("80"), std::string::npos);
    EXPECT_FALSE(connection->MakeCall("12#x"));
    EXPECT_FALSE(connection->HasCall());
    loop.RunFor(300ms);
    EXPECT_TRUE(log.States.empty());
    EXPECT_FALSE(modem->Logged("dialling"));
    connection.reset();
    modem.reset();
    ExpectAllEnded();
}

// A modem that never answers: the master side of a pseudo-terminal that
// nobody reads.
struct DeafModem {
    DeafModem() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            throw std::runtime_error("pseudo-terminal");
        }
        path = ::ptsname(master);
    }
    ~DeafModem() { ::close(master); }
    int master;
    std::string path;
};

TEST_F(ModemCall, AModemThatDoesNotAnswerOrRefusesTheInitEndsTheCallWithTheReason) {
    DeafModem deaf;
    channels::ModemLineConfig silent;
    silent.Name = "Молчит";
    silent.Device = deaf.path;
    channels::ModemLineConfig refusing = modem->Line("Отказ");
    refusing.Init = "G1"; // no modem command
    MakeTapi({silent, refusing});
    const struct {
        int Index;
        std::string Why;
    } cases[] = {{0, channels::text::ModemSilent}, {1, "Модем не принял команду «ATG1»"}};
    for (const auto& c : cases) {
        CallLog log;
        TTapiConnection connection(tapi.get());
        log.Listen(connection);
        ASSERT_TRUE(connection.OpenLine(c.Index));
        ASSERT_TRUE(connection.MakeCall(AnsweredNumber));
        ASSERT_TRUE(Wait([&] { return log.Ended(); })) << c.Index;
        EXPECT_EQ(log.Console, (std::vector<std::string>{channels::text::TapiCallFailed, c.Why,
                                                         "Соединение разорвано"}));
        EXPECT_EQ(log.States, (std::vector<int>{0})) << "never dialled";
    }
    modem.reset();
    ExpectAllEnded();
}

TEST_F(ModemCall, TheServiceListsPortsAndTheUsersLinesFromTheStore) {
    const std::string file =
        ::testing::TempDir() + "rx58-modem-store-" + std::to_string(::getpid()) + ".reg";
    std::filesystem::remove(file);
    persistence::SettingsStore store(file);
    ASSERT_TRUE(store.Update([&](persistence::RegistryDocument& document) {
        const std::string key = std::string(channels::ModemsKey) + "\\Стенд";
        document.Set(key, channels::ModemDeviceValue, persistence::TextValue(modem->Path()));
        document.Set(key, channels::ModemInitValue, persistence::TextValue("ATX4"));
    }));
    tapi = std::make_unique<TTapi>(
        loop, std::vector<channels::SerialPortEntry>{{"COM1", "/dev/ttyS0"}}, store);
    ASSERT_EQ(tapi->GetDeviceCount(), 2);
    EXPECT_EQ(tapi->GetDeviceName(0), "COM1");
    EXPECT_EQ(tapi->GetDeviceName(1), "Стенд");
    EXPECT_EQ(tapi->GetDeviceName(2), "");
    EXPECT_EQ(tapi->FindDevice("Стенд"), 1);
    EXPECT_EQ(tapi->FindDevice("стенд"), -1) << "names match exactly";
    EXPECT_EQ(tapi->GetDeviceId(1), 1);
    EXPECT_EQ(tapi->GetDeviceId(5), -1);
    EXPECT_EQ(tapi->GetLine(1)->Init, "ATX4");

    // The user's init string is sent before the call.
    CallLog log;
    TTapiConnection connection(tapi.get());
    log.Listen(connection);
    ASSERT_TRUE(connection.OpenLine(1));
    ASSERT_TRUE(connection.MakeCall(BusyNumber));
    ASSERT_TRUE(Wait([&] { return log.Ended(); }));
    EXPECT_TRUE(log.Said("Линия занята"));
    std::filesystem::remove(file);
}

TEST(TapiVault, KeepsTheFirstServiceAndStaysEmptyWhenMakingItFails) {
    platform::EventLoop loop;
    TTapiVault vault;
    EXPECT_TRUE(vault.IsEmpty());
    EXPECT_FALSE(vault.Make([]() -> std::unique_ptr<TTapi> { throw std::runtime_error("x"); }));
    EXPECT_TRUE(vault.IsEmpty());
    EXPECT_FALSE(vault.Make(nullptr));
    EXPECT_TRUE(vault.Make(
        [&] { return std::make_unique<TTapi>(loop, std::vector<channels::ModemLineConfig>{}); }));
    TTapi* first = vault.Get();
    EXPECT_TRUE(vault.Make(
        [&] { return std::make_unique<TTapi>(loop, std::vector<channels::ModemLineConfig>{}); }));
    EXPECT_EQ(vault.Get(), first);
    vault.Clear();
    EXPECT_TRUE(vault.IsEmpty());
}

TEST(TapiService, ConnectionsOutlivingTheServiceAreDetachedNotDeleted) {
    platform::EventLoop loop;
    SimulatedModem modem;
    auto tapi = std::make_unique<TTapi>(loop, std::vector<channels::ModemLineConfig>{modem.Line()});
    TTapiConnection connection(tapi.get());
    ASSERT_TRUE(connection.OpenLine(0));
    ASSERT_TRUE(connection.MakeCall(AnsweredNumber));
    tapi.reset();
    EXPECT_EQ(connection.GetOwner(), nullptr);
    EXPECT_FALSE(connection.IsLineOpen());
    EXPECT_FALSE(connection.OpenLine(0));
}

} // namespace
} // namespace modemtest
