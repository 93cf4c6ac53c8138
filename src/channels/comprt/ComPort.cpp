#include "channels/comprt/ComPort.h"

#include "channels/ChanelTexts.h"
#include "channels/comprt/LineSettings.h"
#include "channels/comprt/Lock.h"
#include "channels/comprt/PortErrors.h"
#include "platform/OsError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace comprt {

namespace {

using Clock = std::chrono::steady_clock;

// The longest device path the port accepts.
constexpr std::size_t MaxPathLength = 255;

constexpr short HangUpEvents = POLLHUP | POLLERR | POLLNVAL;

// Milliseconds until a deadline (0 when it has passed); -1 without one.
int MillisecondsLeft(const Clock::time_point* deadline) {
    if (!deadline) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

// The nearer of two optional deadlines.
const Clock::time_point* Nearer(const Clock::time_point* a, const Clock::time_point* b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return *a < *b ? a : b;
}

std::uint32_t ChangedEvents(int before, int after) {
    struct Line {
        int Bit;
        std::uint32_t Event;
    };
    static constexpr Line Lines[] = {
        {TIOCM_CTS, EV_CTS}, {TIOCM_DSR, EV_DSR}, {TIOCM_RNG, EV_RING}, {TIOCM_CAR, EV_RLSD}};
    std::uint32_t events = 0;
    for (const Line& line : Lines) {
        if ((before ^ after) & line.Bit) {
            events |= line.Event;
        }
    }
    return events;
}

} // namespace

ComPort::ComPort(const platform::CancelToken* cancel) : Cancel(cancel) {}

ComPort::~ComPort() {
    Close();
    StopWatching();
}

void ComPort::Open(const std::string& name, std::uint32_t baudRate, std::uint32_t readTotalTimeout,
                   LineControl lines) {
    Close();
    const std::string path = DevicePath(name);
    if (path.size() > MaxPathLength) {
        throw std::runtime_error(OpenFailureText(path, "слишком длинное имя порта"));
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error(OpenFailureText(path, errno));
    }
    Owned.Replace(fd);
    if (!::isatty(fd)) {
        Owned.Release();
        throw std::runtime_error(OpenFailureText(path, ENOTTY));
    }
    Fd = fd;
    Attached = false;
    ModemControlAvailable = true;
    {
        Lock lock(PortLock);
        Lost = false;
    }
    try {
        ::ioctl(fd, TIOCEXCL); // later opens by other programs fail with EBUSY
        ApplyLineSettings(fd, baudRate);
        RequestLowLatency(fd);
        Timeouts = CommTimeouts{};
        Timeouts.ReadTotalTimeoutConstant = readTotalTimeout;
        const bool raise = lines == lcEnable;
        ChangeLines(TIOCM_DTR | TIOCM_RTS, raise);
    } catch (...) {
        Close();
        throw;
    }
}

void ComPort::Attach(int fd) {
    if (fd < 0) {
        return;
    }
    Close();
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        throw std::runtime_error(channels::text::BadPortHandle);
    }
    Fd = fd;
    Attached = true;
    ModemControlAvailable = true;
    Timeouts = CommTimeouts{};
    Lock lock(PortLock);
    Lost = false;
}

void ComPort::Close() {
    if (!IsOpen()) {
        return;
    }
    StopWatching();
    ForgetDescriptor();
}

void ComPort::ForgetDescriptor() {
    if (!Attached) {
        // The exclusive mark belongs to the terminal, not to this descriptor:
        // lift it so that the next program (or the next open) gets the port.
        ::ioctl(Fd, TIOCNXCL);
        Owned.Release();
    }
    Fd = -1;
    Attached = false;
    Lock lock(PortLock);
    Lost = false;
}

void ComPort::CheckOpen() const {
    if (!IsOpen()) {
        throw std::runtime_error(channels::text::PortNotOpen);
    }
}

void ComPort::CheckUsable() const {
    CheckOpen();
    Lock lock(PortLock);
    if (Lost) {
        throw std::runtime_error(channels::text::PortLost);
    }
}

void ComPort::MarkLost() {
    Lock lock(PortLock);
    Lost = true;
}

void ComPort::RaiseLost() {
    MarkLost();
    throw std::runtime_error(channels::text::PortLost);
}

ComPort::Wait ComPort::WaitFor(short events, int timeoutMs, short& revents) const {
    pollfd items[2] = {{Fd, events, 0}, {Cancel ? Cancel->Fd() : -1, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(items, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            RaiseLastOsError();
        }
        if (items[1].revents & POLLIN) {
            return Wait::Cancelled;
        }
        revents = items[0].revents;
        return ready == 0 ? Wait::Timeout : Wait::Ready;
    }
}

std::size_t ComPort::Read(void* buffer, std::size_t size) {
    CheckUsable();
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const std::uint64_t totalMs = std::uint64_t{Timeouts.ReadTotalTimeoutMultiplier} * size +
                                  Timeouts.ReadTotalTimeoutConstant;
    const Clock::time_point totalEnd = Clock::now() + std::chrono::milliseconds(totalMs);
    Clock::time_point quietEnd{};
    std::size_t count = 0;
    while (count < size) {
        const bool quietLimit = count > 0 && Timeouts.ReadIntervalTimeout != 0;
        const int timeoutMs = MillisecondsLeft(
            Nearer(totalMs ? &totalEnd : nullptr, quietLimit ? &quietEnd : nullptr));
        if (timeoutMs == 0) {
            break;
        }
        short revents = 0;
        const Wait wait = WaitFor(POLLIN, timeoutMs, revents);
        if (wait == Wait::Cancelled) {
            throw std::runtime_error(channels::text::Cancelled);
        }
        if (wait == Wait::Timeout) {
            continue; // the deadline decides on the next pass
        }
        int available = 0;
        if (::ioctl(Fd, FIONREAD, &available) != 0) {
            if (IsLineLost(errno)) {
                RaiseLost();
            }
            RaiseLastOsError();
        }
        if (available <= 0) {
            // Readable with nothing to read: end of file, the line hung up.
            RaiseLost();
        }
        const std::size_t wanted = std::min(size - count, static_cast<std::size_t>(available));
        const ssize_t got = ::read(Fd, bytes + count, wanted);
        if (got > 0) {
            count += static_cast<std::size_t>(got);
            quietEnd = Clock::now() + std::chrono::milliseconds(Timeouts.ReadIntervalTimeout);
        } else if (got == 0 || IsLineLost(errno)) {
            RaiseLost();
        } else if (errno != EAGAIN && errno != EINTR) {
            RaiseLastOsError();
        }
    }
    return count;
}

void ComPort::Write(const void* buffer, std::size_t size) {
    CheckUsable();
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const std::uint64_t totalMs = std::uint64_t{Timeouts.WriteTotalTimeoutMultiplier} * size +
                                  Timeouts.WriteTotalTimeoutConstant;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(totalMs);
    std::size_t sent = 0;
    while (sent < size) {
        const int timeoutMs = MillisecondsLeft(totalMs ? &end : nullptr);
        if (timeoutMs == 0) {
            throw os_error(ETIMEDOUT);
        }
        short revents = 0;
        const Wait wait = WaitFor(POLLOUT, timeoutMs, revents);
        if (wait == Wait::Cancelled) {
            throw std::runtime_error(channels::text::Cancelled);
        }
        if (wait == Wait::Timeout) {
            continue;
        }
        if ((revents & HangUpEvents) && !(revents & POLLOUT)) {
            RaiseLost();
        }
        const ssize_t put = ::write(Fd, bytes + sent, size - sent);
        if (put > 0) {
            sent += static_cast<std::size_t>(put);
        } else if (put < 0 && IsLineLost(errno)) {
            RaiseLost();
        } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
            RaiseLastOsError();
        }
    }
}

void ComPort::Purge() {
    CheckUsable();
    if (::tcflush(Fd, TCIOFLUSH) != 0) {
        if (IsLineLost(errno)) {
            RaiseLost();
        }
        RaiseLastOsError();
    }
}

CommTimeouts ComPort::GetTimeouts() const {
    CheckOpen();
    return Timeouts;
}

void ComPort::SetTimeouts(const CommTimeouts& timeouts) {
    CheckOpen();
    Timeouts = timeouts;
}

void ComPort::ChangeLines(int bits, bool raise) {
    switch (ChangeModemLines(Fd, bits, raise)) {
    case ModemControl::Done:
        break;
    case ModemControl::NotSupported:
        ModemControlAvailable = false;
        break;
    case ModemControl::LineLost:
        RaiseLost();
    }
}

void ComPort::SetDtr() {
    CheckUsable();
    ChangeLines(TIOCM_DTR, true);
}

void ComPort::ClrDtr() {
    CheckUsable();
    ChangeLines(TIOCM_DTR, false);
}

void ComPort::SetRts() {
    CheckUsable();
    ChangeLines(TIOCM_RTS, true);
}

void ComPort::ClrRts() {
    CheckUsable();
    ChangeLines(TIOCM_RTS, false);
}

void ComPort::WatchEvents(std::uint32_t mask, platform::MailAddress notify, unsigned message) {
    CheckOpen();
    StopWatching();
    WatchMask = mask;
    NotifyWindow = std::move(notify);
    NotifyMessage = message;
    Start();
}

void ComPort::StopWatching() {
    if (!Started()) {
        return;
    }
    StopEvent.Cancel();
    Join();
    StopEvent.Reset();
}

namespace {

// The modem status lines, or nothing when the line has none (or they cannot
// be read: the watcher must not raise).
ModemControl SafeReadModemLines(int fd, int& lines) {
    try {
        return ReadModemLines(fd, lines);
    } catch (const std::exception&) {
        return ModemControl::NotSupported;
    }
}

} // namespace

void ComPort::Run() {
    int lines = 0;
    bool modemControl = SafeReadModemLines(Fd, lines) == ModemControl::Done;
    pollfd items[2] = {{StopEvent.Fd(), POLLIN, 0}, {Fd, 0, 0}};
    for (;;) {
        // With no events asked for, poll still reports a hang-up.
        items[0].revents = items[1].revents = 0;
        const int timeoutMs = modemControl ? static_cast<int>(WatchInterval.count()) : -1;
        if (::poll(items, 2, timeoutMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (items[0].revents & POLLIN) {
            return;
        }
        bool hungUp = (items[1].revents & HangUpEvents) != 0;
        std::uint32_t events = 0;
        if (!hungUp && modemControl) {
            int now = 0;
            switch (SafeReadModemLines(Fd, now)) {
            case ModemControl::Done:
                events = ChangedEvents(lines, now) & WatchMask;
                lines = now;
                break;
            case ModemControl::NotSupported:
                modemControl = false;
                break;
            case ModemControl::LineLost:
                hungUp = true;
                break;
            }
        }
        if (hungUp) {
            MarkLost();
            NotifyWindow.Post(NotifyMessage, events | EV_HANGUP, 0);
            break;
        }
        if (events) {
            NotifyWindow.Post(NotifyMessage, events, 0);
        }
    }
    // The hang-up stays (poll would keep reporting it): wait for the stop.
    pollfd stop{StopEvent.Fd(), POLLIN, 0};
    while (::poll(&stop, 1, -1) < 0 && errno == EINTR) {
    }
}

} // namespace comprt
