#include "channels/comprt/ComPort.h"

#include "ChanelTestSupport.h"
#include "FakeDevice.h"
#include "channels/ChanelTexts.h"
#include "platform/EventLoop.h"
#include "platform/OsError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace channels::testing {
namespace {

using comprt::ComPort;

// The text of what `action` raises, or "" when it raises nothing.
std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& failure) {
        return failure.what();
    }
    return {};
}

comprt::CommTimeouts ReadTimeouts(std::uint32_t total, std::uint32_t interval) {
    comprt::CommTimeouts timeouts;
    timeouts.ReadTotalTimeoutConstant = total;
    timeouts.ReadIntervalTimeout = interval;
    return timeouts;
}

std::string Text(const std::uint8_t* data, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(data), length);
}

Bytes Of(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST(ComPort, OpensWithTheProgramsLineSettings) {
    FakeDevice device;
    ComPort port;
    port.Open(device.SlavePath(), 19200, 1000);
    ASSERT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.IsAttached());
    termios line{};
    ASSERT_EQ(::tcgetattr(port.Handle(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B19200);
    EXPECT_EQ(::cfgetispeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(line.c_cflag & CREAD, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ISTRIP | ICRNL), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(port.GetTimeouts().ReadTotalTimeoutConstant, 1000u);
    EXPECT_EQ(port.GetTimeouts().ReadIntervalTimeout, 0u);
    // A pseudo-terminal has no modem control: DTR/RTS calls are accepted.
    port.SetDtr();
    port.ClrRts();
    EXPECT_FALSE(port.HasModemControl());
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    port.Close();                             // nothing on a closed port
    port.Open(device.SlavePath(), 9600, 500); // the exclusive mark went with the close
    EXPECT_TRUE(port.IsOpen());
}

TEST(ComPort, OpenFailuresNameThePortAndTheReason) {
    ComPort port;
    EXPECT_EQ(Raised([&] { port.Open("/dev/rx58-no-such-port", 19200, 1000); }),
              "COM-порт не открыт: /dev/rx58-no-such-port: такого порта нет");
    EXPECT_EQ(Raised([&] { port.Open("/dev/null", 19200, 1000); }),
              "COM-порт не открыт: /dev/null: это не последовательный порт");
    EXPECT_EQ(Raised([&] { port.Open("COM999999", 19200, 1000); }),
              "COM-порт не открыт: /dev/ttyS999998: такого порта нет");
    EXPECT_FALSE(port.IsOpen());

    FakeDevice device;
    EXPECT_EQ(Raised([&] { port.Open(device.SlavePath(), 12345, 1000); }), os_error(EINVAL).what())
        << "a speed the system does not know";
    EXPECT_FALSE(port.IsOpen()) << "a failed set-up leaves the port closed";
}

TEST(ComPort, SecondOpenOfAnOpenPortIsRefusedAsBusy) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the exclusive mark does not hold against root";
    }
    FakeDevice device;
    ComPort first;
    first.Open(device.SlavePath(), 19200, 1000);
    ComPort second;
    EXPECT_EQ(Raised([&] { second.Open(device.SlavePath(), 19200, 1000); }),
              "COM-порт не открыт: " + device.SlavePath() + ": порт занят другой программой");
}

TEST(ComPort, OperationsOnAClosedPortRaisePortNotOpen) {
    ComPort port;
    std::uint8_t buffer[4] = {};
    const std::function<void()> operations[] = {
        [&] { port.Read(buffer, sizeof buffer); },
        [&] { port.Write(buffer, sizeof buffer); },
        [&] { port.Purge(); },
        [&] { port.GetTimeouts(); },
        [&] { port.SetTimeouts({}); },
        [&] { port.SetDtr(); },
        [&] { port.ClrDtr(); },
        [&] { port.SetRts(); },
        [&] { port.ClrRts(); },
        [&] { port.WatchEvents(comprt::EV_RLSD, {}, platform::WmUser + 2); },
    };
    for (const auto& operation : operations) {
        EXPECT_EQ(Raised(operation), "COM-порт не открыт");
    }
}

TEST(ComPort, ReadEndsAtTheFirstSilenceLongerThanTheIntervalAndPurgeDropsTheRest) {
    FakeDevice device([](const Bytes&) {
        return std::vector<ReplyPiece>{{0ms, Of("first")}, {300ms, Of("second")}};
    });
    ComPort port;
    port.Open(device.SlavePath(), 19200, 1000);
    port.SetTimeouts(ReadTimeouts(5000, 20));
    port.Write("?", 1);
    std::uint8_t buffer[512];
    const std::size_t got = port.Read(buffer, sizeof buffer);
    EXPECT_EQ(Text(buffer, got), "first");
    ASSERT_TRUE(device.WaitForRepliesWritten());
    port.Purge();
    port.SetTimeouts(ReadTimeouts(100, 20));
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u) << "the late piece was purged";
    EXPECT_EQ(device.Requests(), std::vector<Bytes>{Of("?")});
}

TEST(ComPort, ReadEndsWhenTheBufferIsFull) {
    FakeDevice device([](const Bytes&) { return std::vector<ReplyPiece>{{0ms, Of("abcdef")}}; });
    ComPort port;
    port.Open(device.SlavePath(), 19200, 1000);
    port.SetTimeouts(ReadTimeouts(0, 0)); // no time limit at all
    port.Write("?", 1);
    std::uint8_t buffer[4];
    ASSERT_EQ(port.Read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(Text(buffer, 4), "abcd");
    ASSERT_EQ(port.Read(buffer, 2), 2u);
    EXPECT_EQ(Text(buffer, 2), "ef");
}

TEST(ComPort, SilentDeviceReadsNothingAfterTheTotalTimeout) {
    FakeDevice device([](const Bytes&) { return std::vector<ReplyPiece>{}; });
    ComPort port;
    port.Open(device.SlavePath(), 19200, 300);
    port.Write("?", 1);
    std::uint8_t buffer[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    // A lower bound only: the read must not end before its time-out.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
}

TEST(ComPort, CancelEndsAWaitWithoutALimit) {
    FakeDevice device([](const Bytes&) { return std::vector<ReplyPiece>{}; });
    platform::CancelToken cancel;
    ComPort port(&cancel);
    port.Open(device.SlavePath(), 19200, 0);
    std::thread canceller([&] {
        std::this_thread::sleep_for(30ms);
        cancel.Cancel();
    });
    std::uint8_t buffer[16];
    EXPECT_EQ(Raised([&] { port.Read(buffer, sizeof buffer); }), "Операция прервана");
    canceller.join();
}

TEST(ComPort, VanishedDeviceFailsEveryOperationUntilReopened) {
    FakeDevice device([](const Bytes&) { return std::vector<ReplyPiece>{}; });
    ComPort port;
    port.Open(device.SlavePath(), 19200, 0); // would wait for ever
    port.Write("?", 1);
    ASSERT_TRUE(device.WaitForRequests(1));
    std::thread pull([&] {
        std::this_thread::sleep_for(30ms);
        device.Vanish();
    });
    std::uint8_t buffer[16];
    const std::string lost = text::PortLost;
    EXPECT_EQ(Raised([&] { port.Read(buffer, sizeof buffer); }), lost);
    pull.join();
    EXPECT_EQ(Raised([&] { port.Purge(); }), lost);
    EXPECT_EQ(Raised([&] { port.Write("?", 1); }), lost);
    EXPECT_EQ(Raised([&] { port.Read(buffer, sizeof buffer); }), lost);
    EXPECT_EQ(Raised([&] { port.SetDtr(); }), lost);
    port.Close();
    EXPECT_EQ(Raised([&] { port.Purge(); }), "COM-порт не открыт");

    FakeDevice replacement;
    port.Open(replacement.SlavePath(), 19200, 1000);
    port.SetTimeouts(ReadTimeouts(1000, 20));
    port.Purge();
    port.Write("ok", 2);
    ASSERT_EQ(port.Read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(Text(buffer, 2), "ok");
}

TEST(ComPort, AdoptedDescriptorIsUsedButNeverClosed) {
    FakeDevice device;
    const int fd = ::open(device.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        ComPort port;
        port.Attach(fd);
        EXPECT_TRUE(port.IsAttached());
        EXPECT_EQ(port.Handle(), fd);
        port.SetTimeouts(ReadTimeouts(1000, 20));
        port.Write("hi", 2);
        std::uint8_t buffer[8];
        ASSERT_EQ(port.Read(buffer, sizeof buffer), 2u);
        EXPECT_EQ(Text(buffer, 2), "hi");
        port.Close();
        EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "closing the port closed the owner's descriptor";
        port.Attach(fd); // and the destructor must not close it either
    }
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);
}

TEST(ComPort, AttachRefusesWhatIsNotACharacterDeviceAndIgnoresNoDescriptor) {
    ComPort port;
    port.Attach(-1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(Raised([&] { port.GetTimeouts(); }), "COM-порт не открыт");

    char name[] = "/tmp/rx58-attach-XXXXXX";
    const int file = ::mkstemp(name);
    ASSERT_GE(file, 0);
    ::unlink(name);
    EXPECT_EQ(Raised([&] { port.Attach(file); }), "Неверный дескриптор порта");
    EXPECT_FALSE(port.IsOpen());
    ::close(file);
}

TEST(ComPort, WatcherReportsTheHangUpOfAnAdoptedLineOnce) {
    platform::EventLoop loop;
    std::vector<platform::Message> got;
    platform::Mailbox box(loop, [&](const platform::Message& m) { got.push_back(m); });
    FakeDevice device;
    const int fd = ::open(device.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ComPort port;
    port.Attach(fd);
    port.WatchEvents(comprt::EV_RLSD, box.Address(), platform::WmUser + 2);
    loop.RunFor(60ms);
    EXPECT_TRUE(got.empty()) << "a quiet line reports nothing";
    device.Vanish();
    ASSERT_TRUE(loop.RunUntil([&] { return !got.empty(); }, Patience));
    loop.RunFor(100ms);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Code, platform::WmUser + 2);
    EXPECT_NE(got[0].WParam & comprt::EV_HANGUP, 0u);
    EXPECT_EQ(Raised([&] { port.Purge(); }), text::PortLost) << "the watcher marked the line";
    port.Close(); // stops the watcher
    ::close(fd);
}

TEST(ComPort, StoppingAQuietWatcherReturns) {
    platform::EventLoop loop;
    platform::Mailbox box(loop, [](const platform::Message&) {});
    FakeDevice device;
    ComPort port;
    port.Open(device.SlavePath(), 19200, 1000);
    const int threads = ThreadBaseline();
    port.WatchEvents(comprt::EV_RLSD, box.Address(), platform::WmUser + 2);
    port.WatchEvents(comprt::EV_RLSD, box.Address(), platform::WmUser + 2); // restarts it
    EXPECT_EQ(SettledThreadCount(threads + 1), threads + 1);
    port.StopWatching();
    EXPECT_EQ(SettledThreadCount(threads), threads);
    port.StopWatching();
}

} // namespace
} // namespace channels::testing
